// Finds the LV2 editor that a real host embedded (its window is named "Window"), saves a
// screenshot of it and one of the host's window around it as PNG, and clicks at a point of the
// editor with the real mouse (XTEST), as a user would. The host shows what the click changed.
//   quellmar_lv2_editor_probe EDITOR.png HOST.png X Y
// Exit status 0 when the window was found, looked drawn (many colours) and was clicked.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

#include "tools/host/support/x11/X11FakeInput.h"
#include "tools/host/support/x11/X11HostWindow.h"

namespace {

// The first window named `name` under `window`, depth first; 0 when there is none.
Window findNamed(Display* display, Window window, const char* name) {
    char* windowName = nullptr;
    if (XFetchName(display, window, &windowName) != 0 && windowName != nullptr) {
        const bool found = std::string(windowName) == name;
        XFree(windowName);
        if (found) return window;
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) found = findNamed(display, children[i], name);
    if (children != nullptr) XFree(children);
    return found;
}

// The top-level window that holds `window`: its ancestor just below the root.
Window topLevelOf(Display* display, Window window) {
    for (;;) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return window;
        if (children != nullptr) XFree(children);
        if (parent == root || parent == 0) return window;
        window = parent;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: quellmar_lv2_editor_probe EDITOR.png HOST.png X Y\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    Window editor = 0;
    for (int attempt = 0; attempt < 200 && editor == 0; ++attempt) {
        editor = findNamed(display, DefaultRootWindow(display), "Window");
        if (editor == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (editor == 0) {
        std::fprintf(stderr, "no editor window appeared\n");
        return 1;
    }
    // The host draws the editor at its idle calls: a picture of one colour is not drawn yet.
    qmx11::Screenshot shot;
    std::set<std::uint32_t> colours;
    for (int attempt = 0; attempt < 100 && colours.size() < 50; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        shot = qmx11::captureWindow(display, editor);
        colours = std::set<std::uint32_t>(shot.pixels.begin(), shot.pixels.end());
    }
    std::printf("editor window 0x%lx, %dx%d pixels, %zu colours\n", static_cast<unsigned long>(editor), shot.width,
                shot.height, colours.size());
    if (!shot.writePng(argv[1]) || colours.size() < 50) return 1;
    if (!qmx11::captureWindow(display, topLevelOf(display, editor)).writePng(argv[2])) return 1;
    qmx11::FakeInput mouse;
    if (!mouse.isAvailable()) return 1;
    mouse.moveTo(editor, std::atoi(argv[3]), std::atoi(argv[4]));
    mouse.button(1, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    mouse.button(1, false);
    XCloseDisplay(display);
    return 0;
}
