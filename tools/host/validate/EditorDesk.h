#pragma once
// Where the validator shows editors: a top-level window of the host's own that parents them, the
// window system's messages, and real clicks through the platform's input (XTEST natively,
// SendInput under Windows). One per process, used on the user-interface thread only.

#include <cstdint>
#include <functional>
#include <memory>

namespace qmhost::validate {

class EditorDesk {
public:
    virtual ~EditorDesk() = default;
    // The window handed to the editor as its parent.
    virtual void* parent() = 0;
    // Handles the messages queued for this thread's windows (Windows); nothing elsewhere.
    virtual void pumpMessages() = 0;
    // Presses and releases the primary button at (x, y) device pixels of the editor window, with
    // `idle` (one editor idle, messages included) called meanwhile so that the editor handles the
    // press while the button is down, and a release sent as soon as `dragging` says a drag began;
    // false when no editor window is there.
    virtual bool click(std::int32_t x, std::int32_t y, const std::function<void()>& idle,
                       const std::function<bool()>& dragging) = 0;
};

// The desk of this platform, or null when there is no display to show windows on.
std::unique_ptr<EditorDesk> openEditorDesk();

}  // namespace qmhost::validate
