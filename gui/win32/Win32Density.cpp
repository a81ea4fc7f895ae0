#include "gui/win32/Win32Density.h"

#include "gui/FrameWindow.h"
#include "gui/Scale.h"

namespace qm {
namespace {

using GetDpiForWindowProc = UINT(WINAPI*)(HWND);

// USER32 is loaded in every process that has windows; the function is missing before Windows 10.
GetDpiForWindowProc getDpiForWindow() {
    HMODULE user = GetModuleHandleA("user32.dll");
    if (user == nullptr) return nullptr;
    return reinterpret_cast<GetDpiForWindowProc>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
}

}  // namespace

std::int32_t windowDensityDpi(HWND window) {
    if (window != nullptr) {
        if (GetDpiForWindowProc proc = getDpiForWindow()) {
            const UINT dpi = proc(window);
            if (dpi > 0) return static_cast<std::int32_t>(dpi);
        }
    }
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return 0;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 0;
}

ScalePercent expectedFrameScale() { return scaleForDensity(windowDensityDpi(nullptr)); }

}  // namespace qm
