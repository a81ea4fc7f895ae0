#pragma once
// X requests of the editor's own connections run inside a trap: while it is set, errors on those
// connections (a window the host destroyed first, say) are counted and ignored instead of ending
// the host's process through Xlib's default handler, and errors of other connections go on to the
// handler that was set before. A trap under which requests were sent waits for the server's
// answers (XSync); one that sent none makes no round trip. The outermost trap then puts the
// previous handler back, so no handler of this module stays set once control returns to the host,
// and none can outlive an unloaded module. UI thread.

#include <X11/Xlib.h>

#include <cstdint>

namespace qm {

class XErrorTrap {
public:
    // Traps the errors of `display`, which must be one of ours (see ownDisplay). Without
    // `waitForAnswers`, the trap does not wait for the answers to what was sent under it: their
    // errors are read by the next call that reads the connection, which must run in a trap too.
    explicit XErrorTrap(Display* display, bool waitForAnswers = true);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // The connection is about to close: the trap no longer waits for its answers.
    void forgetDisplay() { display = nullptr; }

private:
    Display* display;
    // The sequence number that the next request of `display` gets, as the trap began.
    unsigned long firstRequest = 0;
};

// Marks `display` as one of the editor's own connections (true), or no longer (false).
void ownDisplay(Display* display, bool owned);

// Errors on the editor's own connections trapped since the module was loaded.
std::int32_t trappedXErrors();

}  // namespace qm
