#pragma once
// The ducker editor's layout: the pictures it is drawn from, its size and where each control sits,
// in 1x frame pixels (the scale is applied at the drawing seam). The editor builds itself from it;
// the validator aims its clicks and the tests check pixels by it. The sizes are those of the
// pictures in resources/bitmaps, which a unit test holds them to.

#include <cstdint>

#include "engine/ControlTable.h"
#include "gui/Geometry.h"

namespace qm::layout {

// The pictures' resource numbers at 1x (1.5x and 2x are these plus 1500 and 2000).
constexpr std::int32_t kBackgroundPicture = 128;
constexpr std::int32_t kSliderTrackPicture = 129;
constexpr std::int32_t kSliderHandlePicture = 130;
constexpr std::int32_t kHelpPicture = 131;
constexpr std::int32_t kMeterLitPicture = 132;
constexpr std::int32_t kMeterUnlitPicture = 133;
constexpr std::int32_t kBypassPicture = 201;
constexpr std::int32_t kDuckKeyPicture = 202;
// The input switches' pictures, alpha to delta.
constexpr std::int32_t kInputPictures[4] = {203, 204, 205, 206};
// The slot's digits 0 to 9, stacked.
constexpr std::int32_t kSlotDigitsPicture = 207;

// The whole editor: the background picture.
constexpr Rect kEditor{0, 0, 317, 260};

// The help mark, which opens the help picture over the whole editor.
constexpr Rect kHelpMark{237, 24, 248, 37};

// The instance's slot, one digit of the strip. The display's further digit places lie one strip
// height apart, far below the editor, so only the first is ever seen.
constexpr Rect kSlotDigit{172, 41, 214, 106};
constexpr std::int32_t kSlotDigitPlaceStep = 460;
// The strip's digit shown for an instance without a slot.
constexpr std::int32_t kNoSlotDigit = 6;

// The switches: each picture holds the unlit state above the lit one.
constexpr Rect kBypassSwitch{237, 54, 299, 78};
constexpr Rect kInputSwitches[4] = {{23, 110, 54, 134}, {55, 110, 86, 134}, {87, 110, 117, 134}, {118, 110, 148, 134}};
constexpr Rect kDuckKeySwitch{167, 110, 293, 134};

// The effect-strength meter.
constexpr Rect kMeter{20, 224, 295, 243};

// The slider rows, top to bottom: attack, release, threshold. Each row is a slider (track and
// handle) with its readout to the left.
constexpr std::int32_t kSliderRowCount = 3;
constexpr std::int32_t kSliderRows[kSliderRowCount] = {145, 167, 189};
// The control each slider row shows.
constexpr ControlId kSliderControls[kSliderRowCount] = {ControlAttack, ControlRelease, ControlThreshold};
constexpr std::int32_t kSliderLeft = 140;
constexpr std::int32_t kSliderWidth = 160;
constexpr std::int32_t kSliderHeight = 17;
constexpr std::int32_t kSliderHandleWidth = 18;
constexpr std::int32_t kSliderHandleHeight = 14;
// The handle is drawn this far from its position.
constexpr Point kSliderHandleOffset{1, 0};
// The handle's leftmost and rightmost positions: its travel is the difference.
constexpr std::int32_t kSliderHandleMin = kSliderLeft;
constexpr std::int32_t kSliderHandleMax = kSliderLeft + kSliderWidth - 1 - kSliderHandleWidth;

// The slider of row `row` (0..2).
constexpr Rect sliderRect(std::int32_t row) {
    return Rect{kSliderLeft, kSliderRows[row], kSliderLeft + kSliderWidth, kSliderRows[row] + kSliderHeight};
}
// The readout of row `row` (0..2), the control's value in its unit.
constexpr Rect readoutRect(std::int32_t row) { return Rect{94, kSliderRows[row], 137, kSliderRows[row] + 14}; }

}  // namespace qm::layout
