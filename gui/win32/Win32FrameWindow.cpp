// The frame's native child window, sized for the scale of its parent's density: one window class
// per loaded module, named after the module handle; paint messages become drawInRect and button
// presses onMouseDown (their device pixels turned into the frame's 1x ones), each with a canvas that
// lives for that message. The window accepts dropped text and files, and the transparent block
// transfer of msimg32 (loaded from the system folder only) serves all frames.

#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <string>

#include "gui/EditorFrame.h"
#include "gui/FrameWindow.h"
#include "gui/PlatformInput.h"
#include "gui/win32/FrameDropTarget.h"
#include "gui/win32/GdiObjects.h"
#include "gui/win32/GdiTarget.h"
#include "gui/win32/Win32Density.h"

namespace qm {
namespace {

char windowClassName[24] = {};
int windowClassUseCount = 0;

LRESULT CALLBACK frameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Posted after a click during which the editor closed: handled from the host's message loop, when
// no call of the frame runs any more, so that the editor may delete the frame (and itself).
constexpr UINT kClosedClickMessage = WM_APP + 0x51;

void registerWindowClass() {
    if (windowClassUseCount++ > 0) return;
    std::snprintf(windowClassName, sizeof windowClassName, "Plugin%08x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(resourceModule())));
    WNDCLASSA windowClass{};
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = frameWindowProc;
    windowClass.hInstance = resourceModule();
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = windowClassName;
    RegisterClassA(&windowClass);
    setButtonsSwapped(GetSystemMetrics(SM_SWAPBUTTON) > 0);
}

void releaseWindowClass() {
    if (--windowClassUseCount == 0) {
        UnregisterClassA(windowClassName, resourceModule());
        setTransparentBltProc(nullptr);
    }
}

// A target on a window's device context, released after the target gave back its objects.
struct WindowDc {
    explicit WindowDc(HWND window) : owner(window), windowDc(GetDC(window)) {}
    ~WindowDc() {
        if (windowDc != nullptr) ReleaseDC(owner, windowDc);
    }
    HWND owner;
    HDC windowDc;
};

class WindowDcTarget : private WindowDc, public GdiTarget {
public:
    explicit WindowDcTarget(HWND window) : WindowDc(window), GdiTarget(windowDc) {}
};

EditorFrame* frameOf(HWND window) { return reinterpret_cast<EditorFrame*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

LRESULT CALLBACK frameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    EditorFrame* frame = frameOf(window);
    if (frame != nullptr) {
        switch (message) {
        case WM_DESTROY:
            frame->windowDestroyed();
            break;
        case WM_PAINT: {
            if (!GetUpdateRect(window, nullptr, FALSE)) break;
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(window, &paint);
            {
                GdiTarget target(dc);
                Canvas canvas(frame, &target, window);
                frame->drawInRect(canvas, toLogicalCovering(Rect{paint.rcPaint.left, paint.rcPaint.top,
                                                                 paint.rcPaint.right, paint.rcPaint.bottom},
                                                            frame->getScale()));
            }
            EndPaint(window, &paint);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            WindowDcTarget target(window);
            Canvas canvas(frame, &target, window);
            Point where{toLogical(static_cast<std::int32_t>(LOWORD(lParam)), frame->getScale()),
                        toLogical(static_cast<std::int32_t>(HIWORD(lParam)), frame->getScale())};
            frame->onMouseDown(canvas, where);
            if (frame->isClosing() && !frame->isHandlingMouse()) PostMessageA(window, kClosedClickMessage, 0, 0);
            return 0;
        }
        case kClosedClickMessage:
            // May delete the frame and this window: nothing of either is touched afterwards.
            if (FrameEditor* editor = frame->getEditor()) editor->closedClickFinished();
            return 0;
        default:
            break;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class Win32FrameWindow : public FrameWindow {
public:
    Win32FrameWindow(EditorFrame& frame, HWND parent) {
        platformInput().beginObjectLinking();
        loadImageLibrary();
        registerWindowClass();
        frame.setScale(scaleForDensity(windowDensityDpi(parent)));
        const Rect size = frame.deviceSize();
        window = CreateWindowExA(0, windowClassName, "Window", WS_CHILD | WS_VISIBLE, 0, 0, size.width(),
                                 size.height(), parent, nullptr, resourceModule(), nullptr);
        if (window == nullptr) return;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&frame));
        auto* target = new (std::nothrow) FrameDropTarget(&frame);
        if (target != nullptr) {
            if (RegisterDragDrop(window, target) == S_OK) dropTargetRegistered = true;
            else delete target;
        }
    }

    ~Win32FrameWindow() override {
        shutdown();
        platformInput().endObjectLinking();
        if (imageLibrary != nullptr) FreeLibrary(imageLibrary);
        if (window != nullptr) {
            DestroyWindow(window);
            releaseWindowClass();
        }
    }

    void shutdown() override {
        if (dropTargetRegistered && window != nullptr) {
            RevokeDragDrop(window);
            dropTargetRegistered = false;
        }
        if (window != nullptr) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    }

    std::unique_ptr<DrawingTarget> createDrawingTarget() override {
        if (window == nullptr || !IsWindow(window)) return nullptr;
        auto target = std::make_unique<WindowDcTarget>(window);
        if (!target->isValid()) return nullptr;
        return target;
    }

    void* nativeHandle() override { return window; }

private:
    // TransparentBlt from the system folder's msimg32, on the NT family only.
    void loadImageLibrary() {
        setTransparentBltProc(nullptr);
        char folder[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
        if (length == 0 || length >= MAX_PATH - 16) return;
        imageLibrary = LoadLibraryA((std::string(folder) + "\\msimg32.dll").c_str());
        if (imageLibrary == nullptr) return;
        OSVERSIONINFOEXA version{};
        version.dwOSVersionInfoSize = sizeof version;
        if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)) && version.dwPlatformId > 1) {
            setTransparentBltProc(reinterpret_cast<TransparentBltProc>(
                reinterpret_cast<void*>(GetProcAddress(imageLibrary, "TransparentBlt"))));
        }
    }

    HWND window = nullptr;
    HMODULE imageLibrary = nullptr;
    bool dropTargetRegistered = false;
};

}  // namespace

std::unique_ptr<FrameWindow> createFrameWindow(EditorFrame& frame, void* parentWindow) {
    if (parentWindow == nullptr) return nullptr;
    return std::make_unique<Win32FrameWindow>(frame, static_cast<HWND>(parentWindow));
}

}  // namespace qm
