#pragma once
// A bar meter from a lit and an unlit picture of equal size: the lit part follows a rising value
// at once and falls back by at most `decay` per redraw.

#include "gui/controls/Control.h"

namespace qm {

class LevelMeter : public Control {
public:
    // style bit 1: horizontal, lit from the left; else vertical, lit from the bottom.
    // Both images (offImage may be null) are retained.
    LevelMeter(const Rect& size, Bitmap* onImage, Bitmap* offImage, std::int32_t segmentCount, std::int32_t style);
    ~LevelMeter() override;

    void draw(Canvas& canvas) override;
    // True when marked, or when the next redraw would move the edge of the lit part by at least
    // one pixel: a value that moves within one lit step draws nothing.
    bool needsRedraw() override;
    // Only the plain redraw mark: the level shown stays in drawnValue while it decays.
    void setNeedsRedraw(bool state) override { View::setNeedsRedraw(state); }
    virtual void setDecay(float decay);

private:
    // The level that the next redraw shows: the value, or the drawn level less the decay if higher.
    float nextShownValue();
    // Pixels from the empty end of the meter to the edge of the lit part when `shown` is drawn.
    std::int32_t litExtentPx(float shown) const;

    Bitmap* onImage;
    Bitmap* offImage;
    std::int32_t segmentCount;
    std::int32_t style;
    float decay = 0.1f;
    Rect onRect;
    Rect offRect;
};

}  // namespace qm
