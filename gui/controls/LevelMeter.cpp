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

void LevelMeter::draw(Canvas& canvas) {
    if (onImage == nullptr) return;
    clampValue();
    const float current = getValue();
    float shown = getDrawnValue() - decay;
    if (shown < current) shown = current;
    setDrawnValue(shown);
    Point onOrigin;
    Point offOrigin;
    const float segments = static_cast<float>(segmentCount > 0 ? segmentCount : 1);
    if ((style & 1) != 0) {
        const auto k = static_cast<std::int32_t>(shown * segments + 0.5f);
        const auto x = static_cast<std::int32_t>(static_cast<float>(k) / segments * static_cast<float>(onImage->getWidth()));
        offOrigin = Point{x, 0};
        offRect.left = size.left + x;
        onRect.right = size.left + x;
    } else {
        const auto k = static_cast<std::int32_t>((getMax() - shown) * segments + 0.5f);
        const auto y = static_cast<std::int32_t>(static_cast<float>(k) / segments * static_cast<float>(onImage->getHeight()));
        onOrigin = Point{0, y};
        offRect.bottom = size.top + y;
        onRect.top = size.top + y;
    }
    if (offImage != nullptr) drawPicture(canvas, *offImage, offRect, offOrigin);
    drawPicture(canvas, *onImage, onRect, onOrigin);
}

}  // namespace qm
