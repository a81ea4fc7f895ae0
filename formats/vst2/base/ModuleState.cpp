#include "formats/vst2/base/ModuleState.h"

namespace qm {

std::atomic<void*> moduleInstance{nullptr};
std::atomic<bool> creationFailed{false};

}  // namespace qm
