// Mouse, keys, cursor and time from USER32 and KERNEL32; the button state is the physical one
// (asynchronous key state), not the message queue's.

#include <windows.h>
#include <ole2.h>

#include "gui/PlatformInput.h"

namespace qm {
namespace {

bool down(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

class Win32PlatformInput : public PlatformInput {
public:
    PhysicalInput physicalInput() override {
        PhysicalInput input;
        input.leftButton = down(VK_LBUTTON);
        input.middleButton = down(VK_MBUTTON);
        input.rightButton = down(VK_RBUTTON);
        input.shift = down(VK_SHIFT);
        input.control = down(VK_CONTROL);
        input.alt = down(VK_MENU);
        return input;
    }
    Point cursorScreenPosition() override {
        POINT cursor{};
        GetCursorPos(&cursor);
        return Point{cursor.x, cursor.y};
    }
    Point windowScreenOrigin(void* window) override {
        RECT area{};
        if (window == nullptr || !GetWindowRect(static_cast<HWND>(window), &area)) return {};
        return Point{area.left, area.top};
    }
    std::uint32_t tickCountMs() override { return GetTickCount(); }
    void sleepMs(std::uint32_t milliseconds) override { Sleep(milliseconds); }
    void dispatchOnePaintMessage() override {
        // One module-wide record serves as the buffer, as the pump runs on the UI thread only.
        static MSG message;
        if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&message);
    }
    void beginObjectLinking() override { OleInitialize(nullptr); }
    void endObjectLinking() override { OleUninitialize(); }
};

}  // namespace

PlatformInput& defaultPlatformInput() {
    static Win32PlatformInput input;
    return input;
}

}  // namespace qm
