#pragma once
// Conversions from floating point to integers that stay defined for every input.

#include <cmath>
#include <cstdint>

namespace qm {

// `value` truncated toward zero; 0 for not-a-number, the nearest limit for values out of range.
inline std::int32_t truncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

}  // namespace qm
