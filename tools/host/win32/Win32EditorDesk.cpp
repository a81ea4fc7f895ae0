// The validator's desk under Windows: our host program's top-level window, its messages, and a
// mouse driven through SendInput. Controls poll the button's state while they handle a press, so
// the press is held until this thread's message loop has taken and dispatched it (a hook on the
// messages it takes says when), or until a drag began, and released from another thread while a
// drag's loop holds this one. So a click does the same every time, however late Windows delivers it.

#include <windows.h>

#include <atomic>
#include <thread>

#include "tools/host/EditorWindow.h"
#include "tools/host/validate/EditorDesk.h"

namespace qmhost::validate {
namespace {

// A mouse event at `point` of the screen: the press carries its place itself, wherever the cursor
// was left.
void sendMouse(DWORD flags, POINT point) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((static_cast<long long>(point.x) * 65536 + width - 1) / width);
    input.mi.dy = static_cast<LONG>((static_cast<long long>(point.y) * 65536 + height - 1) / height);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

// Set when this thread's message loop takes a press of the primary button.
std::atomic<bool> pressTaken{false};

LRESULT CALLBACK noteTakenPress(int code, WPARAM removal, LPARAM message) {
    if (code >= 0 && removal == PM_REMOVE) {
        const UINT kind = reinterpret_cast<const MSG*>(message)->message;
        if (kind == WM_LBUTTONDOWN || kind == WM_NCLBUTTONDOWN) pressTaken = true;
    }
    return CallNextHookEx(nullptr, code, removal, message);
}

// Waits until the cursor that controls read is at `point` (Wine moves it on the X server first); false
// after 2 s.
bool waitForCursor(POINT point) {
    for (int attempt = 0; attempt < 2000; ++attempt) {
        POINT now{};
        if (GetCursorPos(&now) && now.x == point.x && now.y == point.y) return true;
        Sleep(1);
    }
    return false;
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
        sendMouse(0, point);
        waitForCursor(point);
        HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, noteTakenPress, nullptr, GetCurrentThreadId());
        pressTaken = false;
        sendMouse(MOUSEEVENTF_LEFTDOWN, point);
        waitForButton(true);
        std::atomic<bool> handled{false};
        std::thread releaser([&] {
            while (!handled.load() && !dragging()) SwitchToThread();
            sendMouse(MOUSEEVENTF_LEFTUP, point);
        });
        // A round that took the press has dispatched it too (a drag returns only once released).
        for (int round = 0; round < 2000 && !pressTaken.load(); ++round) {
            idle();
            if (!pressTaken.load()) Sleep(1);
        }
        handled = true;
        releaser.join();
        if (hook != nullptr) UnhookWindowsHookEx(hook);
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
