#include "tools/host/support/x11/X11FakeInput.h"

#include <X11/extensions/XTest.h>

#include "tools/host/support/x11/OpenDisplay.h"

namespace qmx11 {

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
