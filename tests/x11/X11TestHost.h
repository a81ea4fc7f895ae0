#pragma once
// A small real Linux host for the editor tests under Xvfb: a top-level window of its own that
// parents the editor (on a display connection of the test's own), idle calls, screenshots of the
// editor window through XGetImage saved as PNG, and a real mouse and keyboard through XTEST.

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "formats/vst2/PluginInterface.h"

namespace qmx11 {

// A window's pixels, 0x00RRGGBB, top row first.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    bool writePng(const std::string& path) const;
};

// A visible top-level window that parents the editor, large enough for it at 2x.
class HostWindow {
public:
    HostWindow();
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

// A mouse and a keyboard driven through XTEST, on a connection of their own; one thread at a time.
class FakeInput {
public:
    FakeInput();
    ~FakeInput();
    FakeInput(const FakeInput&) = delete;
    FakeInput& operator=(const FakeInput&) = delete;

    bool isAvailable() const { return available; }
    // Moves the pointer to (x, y) of `window`'s area; every call waits until the server did it.
    void moveTo(Window window, int x, int y);
    void button(unsigned button, bool down);
    void key(unsigned long keysym, bool down);
    // Whether the server shows `button` down now.
    bool buttonIsDown(unsigned button);

private:
    Display* connection = nullptr;
    bool available = false;
};

}  // namespace qmx11
