#include "gui/controls/DigitDisplay.h"

#include <algorithm>
#include <cmath>

namespace qm {

DigitDisplay::DigitDisplay(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t initialValue,
                           std::int32_t digitCount, const std::int32_t* xs, const std::int32_t* ys,
                           std::int32_t digitWidth, std::int32_t digitHeight, Bitmap* background)
    : Control(size, listener, tag, background),
      digitCount(std::clamp<std::int32_t>(digitCount, 0, 9)),
      digitWidth(digitWidth),
      digitHeight(digitHeight) {
    setValue(static_cast<float>(initialValue));
    const std::int32_t stored = std::min(this->digitCount, kMaxDigits);
    for (std::int32_t i = 0; i < stored; ++i) {
        digitX[i] = xs[i];
        digitY[i] = ys[i];
    }
    minValue = 0.0f;
    maxValue = static_cast<float>(std::pow(10.0, this->digitCount) - 1.0);
}

float DigitDisplay::getNormalizedValue() {
    if (getMax() == 0.0f) return 0.0f;
    return std::clamp(getValue() / getMax(), 0.0f, 1.0f);
}

void DigitDisplay::draw(Canvas& canvas) {
    const float current = getValue();
    const float truncated = std::trunc(current);
    float shown = current;
    if (getMax() <= truncated) shown = getMax();
    else if (getMin() > truncated || std::isnan(current)) shown = getMin();
    std::int64_t n = static_cast<std::int64_t>(shown);
    std::int64_t divisor = (static_cast<std::int64_t>(getMax()) + 1) / 10;
    // Only the stored positions are drawn, whatever the digit count.
    const std::int32_t drawn = std::min(digitCount, kMaxDigits);
    std::int32_t digits[kMaxDigits] = {};
    for (std::int32_t i = 0; i < digitCount; ++i) {
        const std::int64_t digit = divisor > 0 ? n / divisor : 0;
        n -= digit * divisor;
        divisor /= 10;
        if (i < drawn) digits[i] = static_cast<std::int32_t>(std::min<std::int64_t>(digit, 9));
    }
    if (background != nullptr) {
        for (std::int32_t i = 0; i < drawn; ++i) {
            const Rect place{digitX[i], digitY[i], digitX[i] + digitWidth, digitY[i] + digitHeight};
            drawPicture(canvas, *background, place, Point{0, digits[i] * digitHeight});
        }
    }
    setNeedsRedraw(false);
}

}  // namespace qm
