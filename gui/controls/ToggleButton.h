#pragma once
// A two-state switch drawn from a picture that holds both states stacked: off on top, on below.
// A primary click flips it between 0 and 1.

#include "gui/controls/Control.h"

namespace qm {

class ToggleButton : public Control {
public:
    ToggleButton(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background)
        : Control(size, listener, tag, background) {}

    void draw(Canvas& canvas) override;
    void onMouseDown(Canvas& canvas, Point& where) override;
};

}  // namespace qm
