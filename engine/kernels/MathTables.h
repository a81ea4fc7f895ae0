#pragma once
// The tables and constants of our own logarithm and exponential, shared by the scalar functions
// and every vector kernel. The compiler computes the tables in extended precision, so the module
// carries no hand-typed numbers and does no work for them at load.
//
// Logarithm: x = 2^k z with z in [0.6895, 1.379); 128 sub-intervals of z, each with a reciprocal
// `invc` of 29 significant bits (so z * invc - 1 is exact for any z of 24 bits, that is for every
// float) and -ln(invc); ln(1 + r) for the small rest r by its series. The sub-interval around 1
// has invc = 1 exactly, so that ln 1 is exactly 0 and values near 1 keep their full precision.
// Exponential: e^y = 2^(n / 128) e^r with |r| <= ln 2 / 256; 2^(j / 128) from a table of 128 values.

#include <array>
#include <bit>
#include <cstdint>

namespace qm::math {

inline constexpr int kLogTableSize = 128;
inline constexpr int kLogIndexShift = 52 - 7;
inline constexpr std::uint64_t kLogOffsetBits = 0x3FE6100000000000;  // about 0.6895: puts 1 mid-interval
inline constexpr int kExpTableSize = 128;

namespace detail {

inline constexpr long double kLn2 = 0.693147180559945309417232121458176568L;

constexpr long double logSeries(long double x) {
    const long double s = (x - 1.0L) / (x + 1.0L);
    const long double s2 = s * s;
    long double term = s;
    long double sum = 0.0L;
    for (int n = 1; n < 80; n += 2) {
        sum += term / n;
        term *= s2;
    }
    return 2.0L * sum;
}

constexpr long double expSeries(long double x) {
    long double term = 1.0L;
    long double sum = 1.0L;
    for (int n = 1; n < 40; ++n) {
        term *= x / n;
        sum += term;
    }
    return sum;
}

// `value` with its lowest `bits` significand bits cleared.
constexpr double clearLowBits(double value, int bits) {
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) & ~((std::uint64_t{1} << bits) - 1));
}

}  // namespace detail

// One sub-interval of the logarithm: the reciprocal of its centre and -ln of that reciprocal, side
// by side so that one 16-byte load fetches both.
struct alignas(16) LogEntry {
    double invc;
    double logc;
};

namespace detail {

constexpr std::array<LogEntry, kLogTableSize> makeLogTable() {
    std::array<LogEntry, kLogTableSize> table{};
    for (int i = 0; i < kLogTableSize; ++i) {
        const auto low = std::bit_cast<double>(kLogOffsetBits + (std::uint64_t(i) << kLogIndexShift));
        const auto high = std::bit_cast<double>(kLogOffsetBits + (std::uint64_t(i + 1) << kLogIndexShift));
        const long double centre = (static_cast<long double>(low) + high) / 2.0L;
        const bool holdsOne = low <= 1.0 && 1.0 < high;
        table[i].invc = holdsOne ? 1.0 : clearLowBits(static_cast<double>(1.0L / centre), 24);
        table[i].logc = holdsOne ? 0.0 : static_cast<double>(-logSeries(table[i].invc));
    }
    return table;
}

constexpr std::array<double, kExpTableSize> makeExpTable() {
    std::array<double, kExpTableSize> table{};
    for (int j = 0; j < kExpTableSize; ++j) table[j] = static_cast<double>(expSeries(kLn2 * j / kExpTableSize));
    return table;
}

}  // namespace detail

inline constexpr std::array<LogEntry, kLogTableSize> kLogTable = detail::makeLogTable();
inline constexpr std::array<double, kExpTableSize> kExpTable = detail::makeExpTable();

// ln 2 split so that k * kLn2Hi is exact for |k| < 2^12.
inline constexpr double kLn2Hi = detail::clearLowBits(static_cast<double>(detail::kLn2), 12);
inline constexpr double kLn2Lo = static_cast<double>(detail::kLn2 - kLn2Hi);
// 128 / ln 2, and ln 2 / 128 split so that n * kLn2By128Hi is exact for |n| < 2^18.
inline constexpr double kInvLn2x128 = static_cast<double>(kExpTableSize / detail::kLn2);
inline constexpr double kLn2By128Hi = detail::clearLowBits(static_cast<double>(detail::kLn2 / kExpTableSize), 18);
inline constexpr double kLn2By128Lo = static_cast<double>(detail::kLn2 / kExpTableSize - kLn2By128Hi);
// Adding this rounds a double below 2^51 in magnitude to an integer held in its low bits.
inline constexpr double kRoundingShift = 0x1.8p52;
// Below this e^y is subnormal or zero: flushed to zero (no float result can tell the difference).
inline constexpr double kExpUnderflow = -708.0;
// Above this e^y overflows.
inline constexpr double kExpOverflow = 709.78;

// log2 e, for the exponential without a table.
inline constexpr double kLog2E = static_cast<double>(1.0L / detail::kLn2);

// Series coefficients: ln(1 + r) = r + r^2 (L2 + r (L3 + r (L4 + r (L5 + r L6)))) for |r| < 2^-8;
// e^r - 1 = r + r^2 (E2 + r (E3 + r (E4 + r E5))) for |r| < 2^-8.
inline constexpr double kL2 = -1.0 / 2, kL3 = 1.0 / 3, kL4 = -1.0 / 4, kL5 = 1.0 / 5, kL6 = -1.0 / 6;
inline constexpr double kE2 = 1.0 / 2, kE3 = 1.0 / 6, kE4 = 1.0 / 24, kE5 = 1.0 / 120;
// e^r - 1 = r + r^2 (F2 + r (F3 + ... + r F8)) for |r| <= ln 2 / 2, to about 1e-9 relative.
inline constexpr double kF2 = 1.0 / 2, kF3 = 1.0 / 6, kF4 = 1.0 / 24, kF5 = 1.0 / 120, kF6 = 1.0 / 720,
                        kF7 = 1.0 / 5040, kF8 = 1.0 / 40320;

}  // namespace qm::math
