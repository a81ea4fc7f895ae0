#pragma once
// The density of a window's screen on Windows: the window's own DPI where the system tells it
// (GetDpiForWindow, Windows 10 1607 and later, looked up at run time), else the screen's logical
// pixels per inch (what Wine's LogPixels setting gives). UI thread.

#include <windows.h>

#include <cstdint>

namespace qm {

// Dots per inch for `window` (null: the screen's); 0 when nothing says.
std::int32_t windowDensityDpi(HWND window);

}  // namespace qm
