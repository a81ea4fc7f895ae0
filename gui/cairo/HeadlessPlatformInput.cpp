// The native build has no real mouse or windows: nothing is pressed, every position is (0, 0),
// and time is the steady clock. Tests install scripted input instead.

#include <chrono>
#include <thread>

#include "gui/PlatformInput.h"

namespace qm {
namespace {

class HeadlessPlatformInput : public PlatformInput {
public:
    PhysicalInput physicalInput() override { return {}; }
    Point cursorScreenPosition() override { return {}; }
    Point windowScreenOrigin(void*) override { return {}; }
    std::uint32_t tickCountMs() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    void sleepMs(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    void dispatchOnePaintMessage() override {}
    void beginObjectLinking() override {}
    void endObjectLinking() override {}
};

}  // namespace

PlatformInput& defaultPlatformInput() {
    static HeadlessPlatformInput input;
    return input;
}

}  // namespace qm
