// Mouse and modifiers polled from the X server through the connection of the editor window that
// handles a press (else the window opened last); time from the steady clock; the paint pump of a
// drag loop handles the exposures of every editor window of the module.

#include <chrono>
#include <thread>

#include "gui/PlatformInput.h"
#include "gui/x11/X11FrameWindow.h"

namespace qm {
namespace {

class X11PlatformInput : public PlatformInput {
public:
    PhysicalInput physicalInput() override {
        X11FrameWindow* window = X11FrameWindow::pointerWindow();
        return window != nullptr ? window->pointerInput() : PhysicalInput{};
    }
    Point cursorScreenPosition() override {
        X11FrameWindow* window = X11FrameWindow::pointerWindow();
        return window != nullptr ? window->pointerScreenPosition() : Point{};
    }
    Point windowScreenOrigin(void* window) override {
        return window != nullptr ? static_cast<X11FrameWindow*>(window)->screenOrigin() : Point{};
    }
    std::uint32_t tickCountMs() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    void sleepMs(std::uint32_t milliseconds) override {
        notePumped();
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    void dispatchOnePaintMessage() override {
        notePumped();
        for (X11FrameWindow* window : X11FrameWindow::liveWindows()) window->handleExposures();
    }
    void beginObjectLinking() override {}
    void endObjectLinking() override {}

private:
    static void notePumped() {
        if (X11FrameWindow* window = X11FrameWindow::pointerWindow()) window->notePumped();
    }
};

}  // namespace

PlatformInput& defaultPlatformInput() {
    static X11PlatformInput input;
    return input;
}

}  // namespace qm
