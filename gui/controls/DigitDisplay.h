#pragma once
// An integer value as up to seven digits, each cut from a vertical strip of ten digit pictures
// (0 at the top), each at a position of its own.

#include "gui/controls/Control.h"

namespace qm {

class DigitDisplay : public Control {
public:
    static constexpr std::int32_t kMaxDigits = 7;

    // `xs` and `ys` hold the window position of each digit, most significant first; only the
    // first seven are kept. The maximum is 10^digitCount - 1.
    DigitDisplay(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t initialValue,
                 std::int32_t digitCount, const std::int32_t* xs, const std::int32_t* ys, std::int32_t digitWidth,
                 std::int32_t digitHeight, Bitmap* background);

    void draw(Canvas& canvas) override;
    // The value over the maximum, limited to 0..1.
    virtual float getNormalizedValue();

    std::int32_t getDigitCount() const { return digitCount; }

private:
    std::int32_t digitCount;
    std::int32_t digitX[kMaxDigits] = {};
    std::int32_t digitY[kMaxDigits] = {};
    std::int32_t digitWidth;
    std::int32_t digitHeight;
};

}  // namespace qm
