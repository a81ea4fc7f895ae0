#pragma once
// Places of the editor that the pixel tests look at, worked out from the editor's layout: the
// slot's digit, a slider's handle and the track left of it, columns of the meter. 1x pixels.

#include <algorithm>
#include <cstdint>

#include "editor/EditorLayout.h"

namespace qm::test {

// One digit of the slot's strip, in pixels.
constexpr std::int32_t kSlotDigitHeight = 46;

// Where the slot's digit shows.
inline Rect slotDigitPlace() {
    const Rect& slot = layout::kSlotDigit;
    return Rect{slot.left, slot.top, slot.right, slot.top + kSlotDigitHeight};
}

// The handle's left edge in the editor for a slider value of `value` (0..1): one pixel in at
// least, as the slider draws it.
inline std::int32_t handleLeft(float value) {
    const auto travel = static_cast<float>(layout::kSliderHandleMax - layout::kSliderHandleMin);
    return layout::kSliderLeft + std::max(1, layout::kSliderHandleOffset.h + static_cast<int>(travel * value));
}

// Where the handle of slider row `row` shows with its left edge at `left`.
inline Rect handlePlace(std::int32_t row, std::int32_t left) {
    const std::int32_t top = layout::kSliderRows[row];
    return Rect{left, top, left + layout::kSliderHandleWidth, top + layout::kSliderHandleHeight};
}

// The track of slider row `row` left of a handle whose left edge is at `left`.
inline Rect trackBefore(std::int32_t row, std::int32_t left) {
    const Rect slider = layout::sliderRect(row);
    return Rect{slider.left, slider.top, left, slider.bottom};
}

// Columns `from` up to `to` of the meter.
inline Rect meterColumns(std::int32_t from, std::int32_t to) {
    const Rect& meter = layout::kMeter;
    return Rect{meter.left + from, meter.top, meter.left + to, meter.bottom};
}

// The background above and left of the slot's digit.
inline Rect backgroundCorner() { return Rect{0, 0, layout::kSlotDigit.left, layout::kSlotDigit.top}; }

}  // namespace qm::test
