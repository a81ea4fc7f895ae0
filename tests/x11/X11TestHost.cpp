#include "x11/X11TestHost.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace qmx11 {
namespace {

// Xvfb turns a connection away now and then (EAGAIN) while it accepts many in a row.
Display* openDisplay() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) return display;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

}  // namespace

bool Screenshot::writePng(const std::string& path) const {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    auto* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x) row[x] = at(x, y);
    }
    cairo_surface_mark_dirty(surface);
    const bool written = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

HostWindow::HostWindow() {
    connection = openDisplay();
    if (connection == nullptr) return;
    const int screen = DefaultScreen(connection);
    window = XCreateSimpleWindow(connection, RootWindow(connection, screen), 40, 40, 660, 540, 0,
                                 BlackPixel(connection, screen), WhitePixel(connection, screen));
    XStoreName(connection, window, "QuellmarV3 test host");
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

Screenshot HostWindow::capture(Window child) const {
    Screenshot shot;
    int x = 0;
    int y = 0;
    bool mapped = false;
    if (!geometry(child, x, y, shot.width, shot.height, mapped)) return Screenshot{};
    XImage* image = XGetImage(connection, child, 0, 0, static_cast<unsigned>(shot.width),
                              static_cast<unsigned>(shot.height), AllPlanes, ZPixmap);
    if (image == nullptr) return Screenshot{};
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

void pump(qm::PluginRecord* record, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        if (record != nullptr) record->dispatcher(record, qm::effEditIdle, 0, 0, nullptr, 0.0f);
    }
}

FakeInput::FakeInput() {
    connection = openDisplay();
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    available = connection != nullptr && XTestQueryExtension(connection, &event, &error, &major, &minor);
}

FakeInput::~FakeInput() {
    if (connection != nullptr) XCloseDisplay(connection);
}

void FakeInput::moveTo(Window window, int x, int y) {
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(connection, window, DefaultRootWindow(connection), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(connection, -1, rootX, rootY, CurrentTime);
    XSync(connection, False);
}

void FakeInput::button(unsigned button, bool down) {
    XTestFakeButtonEvent(connection, button, down ? True : False, CurrentTime);
    XSync(connection, False);
}

void FakeInput::key(unsigned long keysym, bool down) {
    XTestFakeKeyEvent(connection, XKeysymToKeycode(connection, keysym), down ? True : False, CurrentTime);
    XSync(connection, False);
}

bool FakeInput::buttonIsDown(unsigned button) {
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned mask = 0;
    XQueryPointer(connection, DefaultRootWindow(connection), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return (mask & (Button1Mask << (button - 1))) != 0;
}

}  // namespace qmx11
