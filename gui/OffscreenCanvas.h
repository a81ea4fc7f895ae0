#pragma once
// A canvas that draws into a memory picture of its own, cleared to a background colour, so that a
// view can compose its picture and copy it to the window in one block. UI thread.

#include <memory>

#include "gui/Canvas.h"

namespace qm {

class OffscreenCanvas : public Canvas {
public:
    // A `width` x `height` picture (1x pixels; the memory has the frame's scale) for `frame` (may
    // be null), compatible with the frame's window, cleared to `background` border included. A size
    // that cannot be made draws nothing.
    OffscreenCanvas(EditorFrame* frame, std::int32_t width, std::int32_t height, Color background);
    ~OffscreenCanvas() override;

    std::int32_t getWidth() const { return width; }
    std::int32_t getHeight() const { return height; }
    Color getBackgroundColor() const { return backgroundColor; }

private:
    std::int32_t height;
    std::int32_t width;
    bool ownsBitmap = true;
    Color backgroundColor;
    std::unique_ptr<DrawingTarget> memory;
};

}  // namespace qm
