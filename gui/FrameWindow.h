#pragma once
// The native window that a frame owns, as the frame's drawing and mouse code needs it.

#include <cstdint>
#include <memory>

#include "gui/DrawingTarget.h"
#include "gui/Geometry.h"
#include "gui/Scale.h"

namespace qm {

class FrameWindow {
public:
    virtual ~FrameWindow() = default;
    // A target on the window's device context for one call; null when the window is gone.
    virtual std::unique_ptr<DrawingTarget> createDrawingTarget() = 0;
    // The native handle, for canvases that need the window's position.
    virtual void* nativeHandle() = 0;
    // The window system's own number of the window (an X11 window id), for hosts that embed it by
    // that number; 0 where there is none.
    virtual std::uintptr_t systemWindowId() { return 0; }
    // The frame is going: stop passing events and drops to it. The window itself goes with this object.
    virtual void shutdown() {}
    // Handles what the window system queued for this window (exposures, clicks, the wheel) where
    // the host's own event loop does not deliver it; called at every idle pass. UI thread.
    virtual void handleEvents() {}
    // Takes the window off the screen at once; it is destroyed later with this object.
    virtual void hide() {}
};

class EditorFrame;

// Makes the frame's child window in the host's `parentWindow`; null without a parent. Sets the
// frame's scale from the density of the parent's screen first, and sizes the window to match.
// Defined by each platform.
std::unique_ptr<FrameWindow> createFrameWindow(EditorFrame& frame, void* parentWindow);

// The scale that a frame window made now would most likely get, before the parent is known (for a
// host that asks the editor's size before opening it). Defined by each platform. UI thread.
ScalePercent expectedFrameScale();

}  // namespace qm
