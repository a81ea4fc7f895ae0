#include "gui/controls/ToggleButton.h"

namespace qm {

void ToggleButton::draw(Canvas& canvas) {
    if (background != nullptr) {
        const std::int32_t offsetY = getValue() != 0.0f ? background->getHeight() / 2 : 0;
        drawPicture(canvas, *background, size, Point{0, offsetY});
    }
    setNeedsRedraw(false);
}

void ToggleButton::onMouseDown(Canvas& canvas, Point&) {
    if (!mouseEnabled) return;
    if ((canvas.queryMouseButtons() & ButtonPrimary) == 0) return;
    // Any value that truncates to 0 turns on; everything else turns off.
    const float current = getValue();
    setValue(current > -1.0f && current < 1.0f ? 1.0f : 0.0f);
    pumpIdle();
    if (listener != nullptr) listener->onControlChanged(&canvas, this);
}

}  // namespace qm
