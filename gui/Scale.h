#pragma once
// The editor's drawing scale: layout coordinates are the 1x ones everywhere above the drawing
// seam, and only the seam turns them into pixels of the window. A logical pixel x covers the
// device pixels toDevice(x) .. toDevice(x + 1) - 1, so every logical pixel is covered exactly once.

#include <cstdint>

#include "gui/Geometry.h"

namespace qm {

// The scale in percent: 100, 150 or 200.
using ScalePercent = std::int32_t;
constexpr ScalePercent kScale1x = 100;
constexpr ScalePercent kScale1_5x = 150;
constexpr ScalePercent kScale2x = 200;

// The first device pixel of logical pixel `logical` (rounded up, also below 0).
constexpr std::int32_t toDevice(std::int32_t logical, ScalePercent scale) {
    const std::int64_t scaled = std::int64_t{logical} * scale;
    return static_cast<std::int32_t>(scaled >= 0 ? (scaled + 99) / 100 : scaled / 100);
}

// The logical pixel that covers device pixel `device` (rounded down, also below 0).
constexpr std::int32_t toLogical(std::int32_t device, ScalePercent scale) {
    const std::int64_t scaled = std::int64_t{device} * 100;
    return static_cast<std::int32_t>(scaled >= 0 ? scaled / scale : -((-scaled + scale - 1) / scale));
}

// The device pixels of the logical rectangle `rect` (right and bottom excluded either way).
constexpr Rect toDevice(const Rect& rect, ScalePercent scale) {
    return Rect{toDevice(rect.left, scale), toDevice(rect.top, scale), toDevice(rect.right, scale),
                toDevice(rect.bottom, scale)};
}

// The smallest logical rectangle that covers the device rectangle `rect`.
constexpr Rect toLogicalCovering(const Rect& rect, ScalePercent scale) {
    return Rect{toLogical(rect.left, scale), toLogical(rect.top, scale), toLogical(rect.right - 1, scale) + 1,
                toLogical(rect.bottom - 1, scale) + 1};
}

// The scale for a density of `dpi` dots per inch (0 or less: unknown, 1x): 2x from 192, 1.5x from
// 144, else 1x. QUELLMAR_SCALE (1, 1.5 or 2) in the environment overrides the density. Any thread.
ScalePercent scaleForDensity(std::int32_t dpi);

// The resource number of picture `resourceId` drawn at `scale` (the same number at 1x).
constexpr std::int32_t resourceIdAtScale(std::int32_t resourceId, ScalePercent scale) {
    return scale == kScale2x ? resourceId + 2000 : scale == kScale1_5x ? resourceId + 1500 : resourceId;
}

}  // namespace qm
