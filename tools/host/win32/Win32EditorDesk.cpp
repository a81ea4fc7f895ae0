// The validator's desk under Windows: our host program's top-level window, its messages, and a
// mouse driven through SendInput. Controls poll the button's state while they handle a press, so
// the press is held until the editor took it (or began a drag), and released from another thread
// while a drag's loop holds this one.

#include <windows.h>

#include <atomic>
#include <thread>

#include "tools/host/EditorWindow.h"
#include "tools/host/validate/EditorDesk.h"

namespace qmhost::validate {
namespace {

void sendMouse(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

// Waits until the state that controls poll shows the primary button down (or up); false after 5 s.
bool waitForButton(bool down) {
    const DWORD start = GetTickCount();
    while (((GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0) != down) {
        if (GetTickCount() - start > 5000) return false;
        SwitchToThread();
    }
    return true;
}

class Win32EditorDesk : public EditorDesk {
public:
    void* parent() override { return host.handle(); }
    void pumpMessages() override { pump(nullptr, 1); }

    bool click(std::int32_t x, std::int32_t y, const std::function<void()>& idle,
               const std::function<bool()>& dragging) override {
        const HWND editor = host.editorWindow();
        if (editor == nullptr) return false;
        POINT point{x, y};
        ClientToScreen(editor, &point);
        SetCursorPos(point.x, point.y);
        sendMouse(MOUSEEVENTF_MOVE);
        sendMouse(MOUSEEVENTF_LEFTDOWN);
        waitForButton(true);
        std::atomic<bool> handled{false};
        std::thread releaser([&] {
            while (!handled.load() && !dragging()) SwitchToThread();
            sendMouse(MOUSEEVENTF_LEFTUP);
        });
        for (int round = 0; round < 5; ++round) idle();
        handled = true;
        releaser.join();
        waitForButton(false);
        for (int round = 0; round < 5; ++round) idle();
        return true;
    }

private:
    HostWindow host;
};

}  // namespace

std::unique_ptr<EditorDesk> openEditorDesk() { return std::make_unique<Win32EditorDesk>(); }

}  // namespace qmhost::validate
