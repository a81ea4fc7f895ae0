#pragma once
// A small real Linux host window under Xvfb or a desktop, for the editor tests and the validator:
// a top-level window of its own that parents the editor (on a display connection of its own),
// idle calls, and screenshots of the editor window through XGetImage (PNG for the artefacts).

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "formats/vst2/base/PluginInterface.h"

namespace qmx11 {

// A window's pixels, 0x00RRGGBB, top row first.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    // Saves the pixels as a PNG file at `path`; true when written. Needs cairo (ScreenshotPng.cpp).
    bool writePng(const std::string& path) const;
};

// The pixels of `window` on `display` through XGetImage; empty when it cannot be read.
Screenshot captureWindow(Display* display, Window window);

// A visible top-level window that parents the editor, large enough for it at 2x.
class HostWindow {
public:
    // Shown with `title` at (`left`, `top`) of the screen; check handle() for null (no display).
    explicit HostWindow(const char* title = "QuellmarV3 test host", int left = 40, int top = 40);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // The window as the host hands it to effEditOpen.
    void* handle() const;
    // The editor's child windows inside this one, in stacking order.
    std::vector<Window> children() const;
    // The first child, or 0.
    Window editorWindow() const;
    // Position and size of `window` relative to its parent, and whether it is mapped.
    bool geometry(Window window, int& x, int& y, int& width, int& height, bool& mapped) const;
    Screenshot capture(Window window) const;
    Display* display() const { return connection; }

private:
    Display* connection = nullptr;
    Window window = 0;
};

// Sends `rounds` editor idles to `record`.
void pump(qm::PluginRecord* record, int rounds = 20);

}  // namespace qmx11
