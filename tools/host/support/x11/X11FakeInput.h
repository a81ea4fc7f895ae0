#pragma once
// A mouse and a keyboard driven through XTEST, on a connection of their own: the real input that
// the editor tests and the validator's clicks go through.

#include <X11/Xlib.h>

namespace qmx11 {

// One thread at a time.
class FakeInput {
public:
    FakeInput();
    ~FakeInput();
    FakeInput(const FakeInput&) = delete;
    FakeInput& operator=(const FakeInput&) = delete;

    // False without a display or without the XTEST extension.
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
