#pragma once
// The two values that all instances of a loaded module share.

#include <atomic>

namespace qm {

// The module instance handle that the loader passed at attach (null in native builds).
extern std::atomic<void*> moduleInstance;
// Set once an instance's editor could not be created; from then on no instance is created.
extern std::atomic<bool> creationFailed;

}  // namespace qm
