#pragma once
// Logarithm and exponential of our own, one value at a time: the same steps and tables as the
// vector kernels, so no C library call is needed anywhere on the audio path. Accurate to about
// one unit in the last place of a double.

#include <bit>
#include <cstdint>
#include <limits>

#include "engine/kernels/MathTables.h"

namespace qm::math {

// ln x for a positive, finite, normal double.
inline double logOf(double x) {
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const std::uint64_t reduced = bits - kLogOffsetBits;
    const auto i = static_cast<int>((reduced >> kLogIndexShift) & (kLogTableSize - 1));
    const auto k = static_cast<double>(static_cast<std::int64_t>(reduced) >> 52);
    const auto z = std::bit_cast<double>(bits - (reduced & 0xFFF0000000000000));
    const double r = z * kLogTable[i].invc - 1.0;
    const double poly = kL2 + r * (kL3 + r * (kL4 + r * (kL5 + r * kL6)));
    const double hi = k * kLn2Hi + kLogTable[i].logc;
    return hi + (k * kLn2Lo + (r + r * r * poly));
}

// The parts of e^y: the scale 2^(n / 128) and e^r - 1 for the rest r; e^y = scale (1 + rest).
struct ExpParts {
    double scale;
    double rest;
    bool scaled;  // false when n = 0: then e^y - 1 is `rest` itself, without cancellation
};

inline ExpParts expPartsOf(double y) {
    const double shifted = y * kInvLn2x128 + kRoundingShift;
    const double n = shifted - kRoundingShift;
    const std::uint64_t steps = std::bit_cast<std::uint64_t>(shifted) - std::bit_cast<std::uint64_t>(kRoundingShift);
    const double r = (y - n * kLn2By128Hi) - n * kLn2By128Lo;
    const auto j = static_cast<int>(steps & (kExpTableSize - 1));
    const std::uint64_t scaleBits = std::bit_cast<std::uint64_t>(kExpTable[j]) + ((steps & ~std::uint64_t{127}) << 45);
    const double rest = r + r * r * (kE2 + r * (kE3 + r * (kE4 + r * kE5)));
    return {std::bit_cast<double>(scaleBits), rest, n != 0.0};
}

// e^y; 0 for y below kExpUnderflow, infinity above kExpOverflow, NaN for NaN.
inline double expOf(double y) {
    if (y < kExpUnderflow) return 0.0;
    if (y > kExpOverflow) return std::numeric_limits<double>::infinity();
    const ExpParts parts = expPartsOf(y);
    return parts.scale + parts.scale * parts.rest;
}

// e^y - 1, accurate also where e^y is close to 1.
inline double expMinusOneOf(double y) {
    if (y < kExpUnderflow) return -1.0;
    if (y > kExpOverflow) return std::numeric_limits<double>::infinity();
    const ExpParts parts = expPartsOf(y);
    return parts.scaled ? (parts.scale - 1.0) + parts.scale * parts.rest : parts.rest;
}

}  // namespace qm::math
