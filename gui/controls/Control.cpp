#include "gui/controls/Control.h"

#include <bit>

#include "gui/EditorFrame.h"

namespace qm {

Control::Control(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background)
    : View(size), tag(tag), listener(listener), background(background) {
    if (background != nullptr) background->retain();
}

Control::~Control() {
    if (background != nullptr) background->release();
}

bool Control::needsRedraw() {
    const float drawn = drawnValue.load(std::memory_order_relaxed);
    return !(drawn == loadValue()) || View::needsRedraw();
}

void Control::setNeedsRedraw(bool state) {
    View::setNeedsRedraw(state);
    if (state) {
        drawnValue.store(std::bit_cast<std::uint32_t>(loadValue()) == 0xBF800000u ? 0.0f : -1.0f,
                         std::memory_order_relaxed);
    } else {
        drawnValue.store(loadValue(), std::memory_order_relaxed);
    }
}

void Control::pumpIdle() {
    if (parent != nullptr && parent->getEditor() != nullptr) parent->getEditor()->pumpIdle();
}

void Control::setValue(float newValue) { value.store(newValue, std::memory_order_relaxed); }
float Control::getValue() { return loadValue(); }
void Control::setMin(float newMin) { minValue = newMin; }
float Control::getMin() { return minValue; }
void Control::setMax(float newMax) { maxValue = newMax; }
float Control::getMax() { return maxValue; }
void Control::setDrawnValue(float drawn) { drawnValue.store(drawn, std::memory_order_relaxed); }
float Control::getDrawnValue() { return drawnValue.load(std::memory_order_relaxed); }
void Control::setDefaultValue(float newDefault) { defaultValue = newDefault; }
float Control::getDefaultValue() { return defaultValue; }
void Control::setTag(std::int32_t newTag) { tag = newTag; }

void Control::setBackground(Bitmap* bitmap) {
    if (bitmap != nullptr) bitmap->retain();
    if (background != nullptr) background->release();
    background = bitmap;
}

Bitmap* Control::getBackground() { return background; }
void Control::setBackgroundOffset(Point offset) { backgroundOffset = offset; }
void Control::alignBackgroundOffset() { backgroundOffset = Point{size.left, size.top}; }
void Control::setWheelStep(float step) { wheelStep = step; }
float Control::getWheelStep() { return wheelStep; }

void Control::clampValue() {
    const float current = loadValue();
    if (current > maxValue) setValue(maxValue);
    else if (current < minValue) setValue(minValue);
}

void Control::drawPicture(Canvas& canvas, const Bitmap& bitmap, const Rect& destRect, Point srcPos) const {
    if (transparent) bitmap.drawTransparent(canvas, destRect, srcPos);
    else bitmap.draw(canvas, destRect, srcPos);
}

}  // namespace qm
