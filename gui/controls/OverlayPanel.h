#pragma once
// A small hot spot that, when clicked, becomes the frame's modal view, grows to a large rectangle
// and shows a picture there until the next primary click anywhere in it.

#include "gui/controls/Control.h"

namespace qm {

class OverlayPanel : public Control {
public:
    OverlayPanel(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background,
                 const Rect& overlayRect, Point overlayOrigin);

    void draw(Canvas& canvas) override;
    void onMouseDown(Canvas& canvas, Point& where) override;
    // Inside the current size and with the primary button.
    bool hitTest(Point where, std::int32_t buttons) override;
    // Closes the panel without a click.
    virtual void closeOverlay();

    bool isOpen() { return getValue() != 0.0f; }

private:
    Rect overlayRect;
    Rect savedSize;
    Point overlayOrigin;
};

}  // namespace qm
