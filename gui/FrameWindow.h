#pragma once
// The native window that a frame owns, as the frame's drawing and mouse code needs it.

#include <memory>

#include "gui/DrawingTarget.h"
#include "gui/Geometry.h"

namespace qm {

class FrameWindow {
public:
    virtual ~FrameWindow() = default;
    // A target on the window's device context for one call; null when the window is gone.
    virtual std::unique_ptr<DrawingTarget> createDrawingTarget() = 0;
    // The native handle, for canvases that need the window's position.
    virtual void* nativeHandle() = 0;
};

}  // namespace qm
