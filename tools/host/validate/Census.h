#pragma once
// What the process holds between sessions, as the validator's leak check counts it: threads,
// open descriptors or handles, and heap bytes in use where the allocator says (not under the
// sanitizers, whose allocators keep freed memory; LeakSanitizer checks at exit instead).

#include <cstdint>

namespace qmhost::validate {

struct Census {
    int threads = 0;
    int handles = 0;
    std::int64_t heapBytes = 0;
    bool heapCounted = false;

    static Census take();
};

}  // namespace qmhost::validate
