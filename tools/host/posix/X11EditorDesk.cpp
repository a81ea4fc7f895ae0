// The validator's desk natively: a top-level X11 window that parents editors, and a mouse driven
// through XTEST on a connection of its own. The editor reads a press and its release from the
// events the server sends it, so a press and release sent back to back is a whole click.

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "tools/host/validate/EditorDesk.h"

namespace qmhost::validate {
namespace {

Display* openDisplay() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) return display;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

class X11EditorDesk : public EditorDesk {
public:
    X11EditorDesk() {
        connection = openDisplay();
        input = openDisplay();
        if (connection == nullptr || input == nullptr) return;
        int event = 0;
        int error = 0;
        int major = 0;
        int minor = 0;
        if (!XTestQueryExtension(input, &event, &error, &major, &minor)) return;
        const int screen = DefaultScreen(connection);
        window = XCreateSimpleWindow(connection, RootWindow(connection, screen), 20, 20, 660, 540, 0,
                                     BlackPixel(connection, screen), WhitePixel(connection, screen));
        XStoreName(connection, window, "QuellmarV3 validator");
        XMapWindow(connection, window);
        XSync(connection, False);
    }
    ~X11EditorDesk() override {
        if (window != 0) XDestroyWindow(connection, window);
        if (connection != nullptr) XCloseDisplay(connection);
        if (input != nullptr) XCloseDisplay(input);
    }
    bool isReady() const { return window != 0; }

    void* parent() override { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)); }
    void pumpMessages() override {}

    bool click(std::int32_t x, std::int32_t y, const std::function<void()>& idle,
               const std::function<bool()>&) override {
        const Window editor = editorWindow();
        if (editor == 0) return false;
        int rootX = 0;
        int rootY = 0;
        Window child = 0;
        XTranslateCoordinates(input, editor, DefaultRootWindow(input), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(input, -1, rootX, rootY, CurrentTime);
        XTestFakeButtonEvent(input, 1, True, CurrentTime);
        XTestFakeButtonEvent(input, 1, False, CurrentTime);
        XSync(input, False);
        for (int round = 0; round < 3; ++round) idle();
        return true;
    }

private:
    Window editorWindow() const {
        Window root = 0;
        Window parentWindow = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XSync(connection, False);
        if (XQueryTree(connection, window, &root, &parentWindow, &children, &count) == 0) return 0;
        const Window found = count > 0 ? children[0] : 0;
        if (children != nullptr) XFree(children);
        return found;
    }

    Display* connection = nullptr;
    Display* input = nullptr;
    Window window = 0;
};

}  // namespace

std::unique_ptr<EditorDesk> openEditorDesk() {
    auto desk = std::make_unique<X11EditorDesk>();
    if (!desk->isReady()) return nullptr;
    return desk;
}

}  // namespace qmhost::validate
