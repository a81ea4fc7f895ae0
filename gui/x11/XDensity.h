#pragma once
// The density that an X11 desktop announces: GDK_SCALE (an integer factor, as 96 dpi per unit)
// when set, else the Xft.dpi resource of the display (what desktops set for their font scaling).
// UI thread.

#include <X11/Xlib.h>

#include <cstdint>

namespace qm {

// Dots per inch for `display`; 0 when nothing says.
std::int32_t displayDensityDpi(Display* display);

}  // namespace qm
