#pragma once
// A connection to the X server named by DISPLAY, asked for again a few times: Xvfb turns a
// connection away now and then (EAGAIN) while it accepts many in a row.

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

namespace qmx11 {

// The connection, or null when the server turned every attempt away (about half a second).
inline Display* openDisplay() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) return display;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

}  // namespace qmx11
