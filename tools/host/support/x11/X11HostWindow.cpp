#include "tools/host/support/x11/X11HostWindow.h"

#include <X11/Xutil.h>

#include <cstdint>

#include "tools/host/support/x11/OpenDisplay.h"

namespace qmx11 {

HostWindow::HostWindow(const char* title, int left, int top) {
    connection = openDisplay();
    if (connection == nullptr) return;
    const int screen = DefaultScreen(connection);
    window = XCreateSimpleWindow(connection, RootWindow(connection, screen), left, top, 660, 540, 0,
                                 BlackPixel(connection, screen), WhitePixel(connection, screen));
    XStoreName(connection, window, title);
    XMapWindow(connection, window);
    XSync(connection, False);
}

HostWindow::~HostWindow() {
    if (connection == nullptr) return;
    XDestroyWindow(connection, window);
    XCloseDisplay(connection);
}

void* HostWindow::handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)); }

std::vector<Window> HostWindow::children() const {
    std::vector<Window> found;
    Window root = 0;
    Window parent = 0;
    Window* list = nullptr;
    unsigned count = 0;
    XSync(connection, False);
    if (XQueryTree(connection, window, &root, &parent, &list, &count) != 0) {
        found.assign(list, list + count);
        if (list != nullptr) XFree(list);
    }
    return found;
}

Window HostWindow::editorWindow() const {
    const std::vector<Window> found = children();
    return found.empty() ? 0 : found.front();
}

bool HostWindow::geometry(Window child, int& x, int& y, int& width, int& height, bool& mapped) const {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(connection, child, &attributes) == 0) return false;
    x = attributes.x;
    y = attributes.y;
    width = attributes.width;
    height = attributes.height;
    mapped = attributes.map_state == IsViewable;
    return true;
}

Screenshot captureWindow(Display* display, Window window) {
    Screenshot shot;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) return shot;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) return shot;
    shot.width = attributes.width;
    shot.height = attributes.height;
    shot.pixels.resize(static_cast<std::size_t>(shot.width) * static_cast<std::size_t>(shot.height));
    for (int row = 0; row < shot.height; ++row) {
        for (int column = 0; column < shot.width; ++column) {
            shot.pixels[static_cast<std::size_t>(row * shot.width + column)] =
                static_cast<std::uint32_t>(XGetPixel(image, column, row)) & 0xFFFFFFu;
        }
    }
    XDestroyImage(image);
    return shot;
}

Screenshot HostWindow::capture(Window child) const { return captureWindow(connection, child); }

void pump(qm::PluginRecord* record, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        if (record != nullptr) record->dispatcher(record, qm::effEditIdle, 0, 0, nullptr, 0.0f);
    }
}

}  // namespace qmx11
