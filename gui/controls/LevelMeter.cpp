#include "gui/controls/LevelMeter.h"

#include <algorithm>

namespace qm {

LevelMeter::LevelMeter(const Rect& size, Bitmap* onImage, Bitmap* offImage, std::int32_t segmentCount,
                       std::int32_t style)
    : Control(size, nullptr, 0, nullptr), onImage(onImage), offImage(offImage), segmentCount(segmentCount),
      style(style) {
    if (onImage != nullptr) onImage->retain();
    if (offImage != nullptr) offImage->retain();
    const Rect normal{std::min(size.left, size.right), std::min(size.top, size.bottom),
                      std::max(size.left, size.right), std::max(size.top, size.bottom)};
    onRect = normal;
    offRect = normal;
}

LevelMeter::~LevelMeter() {
    if (onImage != nullptr) onImage->release();
    if (offImage != nullptr) offImage->release();
}

void LevelMeter::setDecay(float newDecay) { decay = newDecay; }

float LevelMeter::nextShownValue() {
    float current = getValue();
    if (current > getMax()) current = getMax();
    else if (current < getMin()) current = getMin();
    const float shown = getDrawnValue() - decay;
    return shown < current ? current : shown;
}

std::int32_t LevelMeter::litExtentPx(float shown) const {
    if (onImage == nullptr) return 0;
    const float segments = static_cast<float>(segmentCount > 0 ? segmentCount : 1);
    if ((style & 1) != 0) {
        const auto k = static_cast<std::int32_t>(shown * segments + 0.5f);
        return static_cast<std::int32_t>(static_cast<float>(k) / segments * static_cast<float>(onImage->getWidth()));
    }
    const auto k = static_cast<std::int32_t>((maxValue - shown) * segments + 0.5f);
    return static_cast<std::int32_t>(static_cast<float>(k) / segments * static_cast<float>(onImage->getHeight()));
}

bool LevelMeter::needsRedraw() {
    if (View::needsRedraw()) return true;
    return litExtentPx(nextShownValue()) != litExtentPx(getDrawnValue());
}

void LevelMeter::draw(Canvas& canvas) {
    if (onImage == nullptr) return;
    clampValue();
    const float shown = nextShownValue();
    setDrawnValue(shown);
    const std::int32_t extent = litExtentPx(shown);
    Point onOrigin;
    Point offOrigin;
    if ((style & 1) != 0) {
        offOrigin = Point{extent, 0};
        offRect.left = size.left + extent;
        onRect.right = size.left + extent;
    } else {
        onOrigin = Point{0, extent};
        offRect.bottom = size.top + extent;
        onRect.top = size.top + extent;
    }
    if (offImage != nullptr) drawPicture(canvas, *offImage, offRect, offOrigin);
    drawPicture(canvas, *onImage, onRect, onOrigin);
}

}  // namespace qm
