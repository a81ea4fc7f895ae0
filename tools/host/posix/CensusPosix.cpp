#include "tools/host/support/posix/ProcessCensus.h"
#include "tools/host/validate/Census.h"

namespace qmhost::validate {

Census Census::take() {
    const ProcessCensus now = ProcessCensus::take();
    Census census;
    census.threads = now.threads;
    census.handles = now.descriptors;
    census.heapBytes = now.heapBytes;
#if defined(__SANITIZE_THREAD__)
    census.heapCounted = false;
#else
    census.heapCounted = ProcessCensus::kPlainAllocator;
#endif
    return census;
}

}  // namespace qmhost::validate
