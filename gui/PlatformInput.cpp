#include "gui/PlatformInput.h"

#include <atomic>

namespace qm {

// The platform's own source, defined by each platform folder.
PlatformInput& defaultPlatformInput();

namespace {

PlatformInput* installed = nullptr;
std::atomic<bool> swapped{false};

}  // namespace

PlatformInput& platformInput() { return installed != nullptr ? *installed : defaultPlatformInput(); }

void setPlatformInput(PlatformInput* input) { installed = input; }

bool buttonsSwapped() { return swapped.load(std::memory_order_relaxed); }

void setButtonsSwapped(bool value) { swapped.store(value, std::memory_order_relaxed); }

}  // namespace qm
