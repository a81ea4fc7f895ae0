#pragma once
// The passes written once for any register width V (SimdSse2.h, SimdAvx2.h, SimdWasm128.h). Each
// including file compiles them for its own instruction set: everything here has internal linkage,
// so the compilations never stand in for each other at link time.
//
// The duck pass goes through the block in groups of V::kLanes frames. The level of each peak
// (logarithm), the gain (exponential) and the output are computed for a whole group at once; only
// the smoothing of the overshoot runs frame by frame, branch-free, and the processor overlaps it
// with the vector work of the neighbouring groups.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/kernels/DuckKernels.h"
#include "engine/kernels/MathTables.h"
#include "engine/kernels/ScalarPasses.h"

namespace qm::kernels {
namespace {

// ln of a gain safely above the smallest normal float (e^-87.34): gains above it round to floats
// that keep their precision.
inline constexpr double kLeastFloatGainLn = -87.0;

template <class V>
struct Body {
    using D = typename V::D;
    using I = typename V::I;
    using F = typename V::F;
    static constexpr int kLanes = V::kLanes;

    // ln q for positive, finite, normal q, to about 2e-13 absolute: the steps of math::logOf with
    // a shorter series, far more precise than any level difference a float peak can make.
    static D log(D q) {
        const I bits = V::doubleToBits(q);
        const I reduced = V::sub64(bits, V::setBits(math::kLogOffsetBits));
        const I index = V::and64(V::template shiftRight64<math::kLogIndexShift>(reduced), V::setBits(math::kLogTableSize - 1));
        // The exponent k, biased by 2048 so that a logical shift gives it, turned into a double.
        const I biased = V::template shiftRight64<52>(V::add64(reduced, V::setBits(0x8000000000000000)));
        const D k = V::sub(V::bitsToDouble(V::or64(biased, V::setBits(0x4330000000000000))), V::set(0x1p52 + 2048.0));
        const D z = V::bitsToDouble(V::sub64(bits, V::and64(reduced, V::setBits(0xFFF0000000000000))));
        D invc;
        D logc;
        V::lookUp(math::kLogTable.data(), index, invc, logc);
        const D r = V::mulAdd(z, invc, V::set(-1.0));
        D poly = V::mulAdd(r, V::set(math::kL4), V::set(math::kL3));
        poly = V::mulAdd(r, poly, V::set(math::kL2));
        const D hi = V::mulAdd(k, V::set(math::kLn2Hi), logc);
        const D lo = V::mulAdd(k, V::set(math::kLn2Lo), V::mulAdd(V::mul(r, r), poly, r));
        return V::add(hi, lo);
    }

    // e^y (Key false) or 1 - e^y (Key true) for y <= 0, to about 1e-9 relative: far below a
    // float's precision, which is all a gain that multiplies float samples needs. e^y = 2^n e^r
    // with |r| <= ln 2 / 2 and e^r - 1 by its series, so no table is needed; for n = 0 the series
    // itself is e^y - 1, free of cancellation. Results below e^-708 count as 0.
    template <bool Key>
    static D gain(D y) {
        const D underflow = V::less(y, V::set(math::kExpUnderflow));
        y = V::max(y, V::set(-1000.0));
        const D shifted = V::mulAdd(y, V::set(math::kLog2E), V::set(math::kRoundingShift));
        const D n = V::sub(shifted, V::set(math::kRoundingShift));
        const I steps = V::sub64(V::doubleToBits(shifted), V::doubleToBits(V::set(math::kRoundingShift)));
        const D r = V::sub(V::sub(y, V::mul(n, V::set(math::kLn2Hi))), V::mul(n, V::set(math::kLn2Lo)));
        const D scale = V::bitsToDouble(V::add64(V::template shiftLeft64<52>(steps), V::setBits(0x3FF0000000000000)));
        D poly = V::mulAdd(r, V::set(math::kF8), V::set(math::kF7));
        poly = V::mulAdd(r, poly, V::set(math::kF6));
        poly = V::mulAdd(r, poly, V::set(math::kF5));
        poly = V::mulAdd(r, poly, V::set(math::kF4));
        poly = V::mulAdd(r, poly, V::set(math::kF3));
        poly = V::mulAdd(r, poly, V::set(math::kF2));
        const D rest = V::mulAdd(V::mul(r, r), poly, r);
        if constexpr (Key) {
            const D scaled = V::sub(V::sub(V::set(1.0), scale), V::mul(scale, rest));
            const D cut = V::select(V::equal(n, V::set(0.0)), V::sub(V::set(0.0), rest), scaled);
            return V::select(underflow, V::set(1.0), cut);
        } else {
            return V::select(underflow, V::set(0.0), V::mulAdd(scale, rest, scale));
        }
    }

    // Whether the variant computes levels and gains in single precision (wasm's): its results
    // then lie within a few float roundings of the double passes' instead of matching their bits.
    static constexpr bool kSingle = requires { V::kSingleMath; };

    // ln q for positive normal floats q. With q = m 2^k, m in [sqrt(1/2), sqrt(2)), t = ln m comes
    // from a polynomial in f = m - 1 (Cephes' logf) in floats, and k ln 2 is added in double: the
    // error is t's, about 3e-8, at every level, not a float rounding of the whole logarithm.
    static D logSingle(F q) {
        const typename V::N reduced = V::subN(q, V::constantN(0x3F3504F3));  // the bits of sqrt(1/2)
        const typename V::N k = V::template shiftRightArithmeticN<23>(reduced);
        const F f = V::subF(V::subN(q, V::template shiftLeftN<23>(k)), V::constantF(1.0f));
        const F z = V::mulF(f, f);
        F p = V::mulAddF(f, V::constantF(7.0376836292e-2f), V::constantF(-1.1514610310e-1f));
        p = V::mulAddF(f, p, V::constantF(1.1676998740e-1f));
        p = V::mulAddF(f, p, V::constantF(-1.2420140846e-1f));
        p = V::mulAddF(f, p, V::constantF(1.4249322787e-1f));
        p = V::mulAddF(f, p, V::constantF(-1.6668057665e-1f));
        p = V::mulAddF(f, p, V::constantF(2.0000714765e-1f));
        p = V::mulAddF(f, p, V::constantF(-2.4999993993e-1f));
        p = V::mulAddF(f, p, V::constantF(3.3333331174e-1f));
        const F t = V::addF(f, V::mulAddF(V::mulF(f, z), p, V::mulF(z, V::constantF(-0.5f))));
        return V::mulAdd(V::widenInts(k), V::set(static_cast<double>(math::detail::kLn2)), V::widen(t));
    }

    // e^y (Key false) or 1 - e^y (Key true) for y <= 0 in floats, as gain() does in doubles: to
    // about a float's rounding; e^y below e^-87 (under the smallest normal float) counts as 0.
    template <bool Key>
    static F gainSingle(F y) {
        const F underflow = V::lessF(y, V::constantF(-87.0f));
        y = V::maxF(y, V::constantF(-100.0f));
        const F shift = V::constantF(0x1.8p23f);
        const F shifted = V::mulAddF(y, V::constantF(0x1.715476p0f), shift);  // log2 e
        const F n = V::subF(shifted, shift);
        const typename V::N steps = V::subN(shifted, shift);
        // ln 2 split so that n ln2Hi is exact for the n that occur.
        const F r = V::subF(V::subF(y, V::mulF(n, V::constantF(0x1.62e4p-1f))), V::mulF(n, V::constantF(0x1.7f7d1cp-20f)));
        const F scale = V::addN(V::template shiftLeftN<23>(steps), V::constantN(0x3F800000));
        F poly = V::mulAddF(r, V::constantF(1.0f / 5040), V::constantF(1.0f / 720));
        poly = V::mulAddF(r, poly, V::constantF(1.0f / 120));
        poly = V::mulAddF(r, poly, V::constantF(1.0f / 24));
        poly = V::mulAddF(r, poly, V::constantF(1.0f / 6));
        poly = V::mulAddF(r, poly, V::constantF(0.5f));
        const F rest = V::mulAddF(V::mulF(r, r), poly, r);  // e^r - 1
        if constexpr (Key) {
            const F scaled = V::subF(V::subF(V::constantF(1.0f), scale), V::mulF(scale, rest));
            const F cut = V::selectF(V::equalF(n, V::constantF(0.0f)), V::subF(V::constantF(0.0f), rest), scaled);
            return V::selectF(underflow, V::constantF(1.0f), cut);
        } else {
            return V::selectF(underflow, V::constantF(0.0f), V::mulAddF(scale, rest, scale));
        }
    }

    // The smoothing runs on w = s u, with s = 1 when release is at least as slow as attack and
    // s = -1 otherwise: then w' = max(w ca + s v (1 - ca), w cr + s v (1 - cr)) is exactly the
    // attack step while the overshoot v lies above u and the release step otherwise, with one
    // maximum instead of a comparison and a selection on the chain from frame to frame. The
    // range's limit u <= L is then one more minimum (w <= L, s = 1) or maximum (w >= -L, s = -1).
    struct Constants {
        D floor, dbPerNeper, minusThreshold, attackShare, releaseShare, gainLnPerDb, gainLnFloor, smallestNormalFloat;
        typename V::S attack, release, limit;
        double sign;
        bool tinyGains;  // whether a gain of the block may lie below the smallest normal float
    };

    // How the chain applies the range's limit: not at all, as a minimum or as a maximum.
    enum Limit { kNoLimit, kLimitBelow, kLimitAbove };

    // The attack and release shares of the overshoot of one group's peaks above the threshold,
    // signed (see Constants), stored whole for the smoothing to read lane by lane (the stores are
    // done a group ahead).
    struct Overshoots {
        alignas(32) double attack[kLanes];
        alignas(32) double release[kLanes];
    };

    [[gnu::always_inline]] static void overshoots(const Constants& c, const float* peaks, Overshoots& o) {
        D level;
        if constexpr (kSingle) {
            level = logSingle(V::addF(V::loadF(peaks), V::constantF(static_cast<float>(kPeakFloor))));
        } else {
            level = log(V::add(V::loadFloats(peaks), c.floor));
        }
        const D above = V::mulAdd(level, c.dbPerNeper, c.minusThreshold);
        const D over = V::max(above, V::set(0.0));
        V::store(o.attack, V::mul(over, c.attackShare));
        V::store(o.release, V::mul(over, c.releaseShare));
    }

    // The smoothed overshoot after each of the group's first `count` frames; `u` carries it on.
    // The result is joined in registers: gathering single lanes through memory would stall on
    // store forwarding.
    template <Limit L>
    [[gnu::always_inline]] static D smooth(const Constants& c, typename V::S& u, const Overshoots& o, int count) {
        typename V::S smoothed[kLanes];
#pragma GCC unroll 4
        for (int i = 0; i < kLanes; ++i) {
            if (i < count) {
                u = V::smoothStep(u, V::loadS(o.attack + i), V::loadS(o.release + i), c.attack, c.release);
                if constexpr (L == kLimitBelow) u = V::minS(u, c.limit);
                if constexpr (L == kLimitAbove) u = V::maxS(u, c.limit);
            }
            smoothed[i] = u;
        }
        return V::join(smoothed);
    }

    template <bool Accumulate, bool Key>
    [[gnu::always_inline]] static void output(const Constants& c, D smoothed, const float* inLeft,
                                              const float* inRight, float* outLeft, float* outRight,
                                              float* factors) {
        // The range is a floor on the gain's logarithm: one maximum per group, a no-op at -infinity.
        const D exponent = V::max(V::mul(smoothed, c.gainLnPerDb), c.gainLnFloor);
        if constexpr (kSingle) {
            // The gain in floats scales the samples in floats; accumulating, the product is added
            // to the output in floats too.
            const F factor = gainSingle<Key>(V::narrow(exponent));
            if (factors != nullptr) V::storeF(factors, factor);
            if constexpr (Accumulate) {
                V::storeF(outLeft, V::addF(V::loadF(outLeft), V::mulF(factor, V::loadF(inLeft))));
                V::storeF(outRight, V::addF(V::loadF(outRight), V::mulF(factor, V::loadF(inRight))));
            } else {
                V::storeF(outLeft, V::mulF(factor, V::loadF(inLeft)));
                V::storeF(outRight, V::mulF(factor, V::loadF(inRight)));
            }
            return;
        }
        const D factor = gain<Key>(exponent);
        if constexpr (Accumulate) {
            if (factors != nullptr) V::storeFloats(factors, factor);
            V::storeFloats(outLeft, V::mulAdd(factor, V::loadFloats(inLeft), V::loadFloats(outLeft)));
            V::storeFloats(outRight, V::mulAdd(factor, V::loadFloats(inRight), V::loadFloats(outRight)));
        } else if (c.tinyGains && V::anyLess(factor, c.smallestNormalFloat)) {
            // A gain below the smallest normal float would lose its precision as a float: such
            // gains (and gains of exactly 0) scale in double.
            if (factors != nullptr) V::storeFloats(factors, factor);
            V::storeFloats(outLeft, V::mul(factor, V::loadFloats(inLeft)));
            V::storeFloats(outRight, V::mul(factor, V::loadFloats(inRight)));
        } else {
            // Replacing, the gain is rounded to a float first, as the factors it reports are, and
            // the samples are scaled in single precision: a rounding apart from scaling them in
            // double, at half the width.
            const typename V::G narrowed = V::narrow(factor);
            if (factors != nullptr) V::storeGroup(factors, narrowed);
            V::storeGroup(outLeft, V::mulGroup(narrowed, V::loadGroup(inLeft)));
            V::storeGroup(outRight, V::mulGroup(narrowed, V::loadGroup(inRight)));
        }
    }

    // The groups are software-pipelined: while the smoothing of group g runs frame by frame, the
    // levels of group g + 1 and the gains and output of group g - 1 are computed beside it, so the
    // processor has independent work to overlap with the smoothing's chain of dependencies.
    template <bool Accumulate, bool Key, Limit L>
    static void duckGroups(const Constants& c, double& overshootDb, const float* peaks, const float* const* in,
                           float* const* out, std::int32_t frames, float* factors) {
        typename V::S u = V::setS(c.sign * overshootDb);
        const std::int32_t whole = frames / kLanes * kLanes;
        if (whole > 0) {
            // The output of the group before `at`.
            const auto outputBefore = [&](D smoothed, std::int32_t at) {
                const std::int32_t p = at - kLanes;
                output<Accumulate, Key>(c, smoothed, in[0] + p, in[1] + p, out[0] + p, out[1] + p,
                                        factors != nullptr ? factors + p : nullptr);
            };
            // The first group and the last are peeled off the loop, so that its body runs every
            // stage unconditionally and keeps its constants out of the loop.
            Overshoots levels[2];
            overshoots(c, peaks, levels[0]);
            D previous = smooth<L>(c, u, levels[0], kLanes);
            std::int32_t i = kLanes;
            int g = 1;
            if (i < whole) overshoots(c, peaks + i, levels[g]);
            for (; i + kLanes < whole; i += kLanes, g ^= 1) {
                overshoots(c, peaks + i + kLanes, levels[g ^ 1]);
                const D smoothed = smooth<L>(c, u, levels[g], kLanes);
                outputBefore(previous, i);
                previous = smoothed;
            }
            if (i < whole) {
                const D smoothed = smooth<L>(c, u, levels[g], kLanes);
                outputBefore(previous, i);
                previous = smoothed;
                i += kLanes;
            }
            outputBefore(previous, i);
        }
        if (whole < frames) {
            // The last few frames go through buffers of a whole group; unused lanes hold silence.
            const int count = frames - whole;
            float buffers[6][kLanes] = {};
            std::copy_n(peaks + whole, count, buffers[0]);
            std::copy_n(in[0] + whole, count, buffers[1]);
            std::copy_n(in[1] + whole, count, buffers[2]);
            std::copy_n(out[0] + whole, count, buffers[3]);
            std::copy_n(out[1] + whole, count, buffers[4]);
            Overshoots levels;
            overshoots(c, buffers[0], levels);
            const D smoothed = smooth<L>(c, u, levels, count);
            output<Accumulate, Key>(c, smoothed, buffers[1], buffers[2], buffers[3], buffers[4], buffers[5]);
            std::copy_n(buffers[3], count, out[0] + whole);
            std::copy_n(buffers[4], count, out[1] + whole);
            if (factors != nullptr) std::copy_n(buffers[5], count, factors + whole);
        }
        overshootDb = c.sign * V::valueOf(u);
    }

    // Whether every peak lies below `quietPeak` or is not a number the detector takes, whether any
    // peak is such a number (NaN or infinite), and the loudest peak (when every one is a number).
    static void survey(const float* peaks, std::int32_t frames, float quietPeak, bool& allQuiet, bool& anyNonFinite,
                       float& loudest) {
        constexpr int kWidth = V::kFloatLanes;
        const F quiet = V::setF(quietPeak);
        const F largest = V::setF(std::numeric_limits<float>::max());
        F loud = V::setF(0.0f);
        F nonFinite = V::setF(0.0f);
        F largestPeak = V::setF(0.0f);
        std::int32_t i = 0;
        for (; i + kWidth <= frames; i += kWidth) {
            const F peak = V::loadF(peaks + i);
            const F notTaken = V::notLessEqualF(peak, largest);
            nonFinite = V::orF(nonFinite, notTaken);
            loud = V::orF(loud, V::andNotF(notTaken, V::notLessF(peak, quiet)));
            largestPeak = V::maxF(peak, largestPeak);
        }
        allQuiet = !V::anySetF(loud);
        anyNonFinite = V::anySetF(nonFinite);
        alignas(32) float lanes[kWidth];
        V::storeF(lanes, largestPeak);
        loudest = *std::max_element(lanes, lanes + kWidth);
        for (; i < frames; ++i) {
            const float peak = peaks[i];
            const bool finite = peak <= std::numeric_limits<float>::max();
            anyNonFinite |= !finite;
            allQuiet &= !finite || peak < quietPeak;
            loudest = std::max(loudest, peak);
        }
    }

    static void duck(const DetectorBlock& detector, double& overshootDb, const float* peaks, const float* const* in,
                     float* const* out, std::int32_t frames, DuckMode mode, float* factors) {
        bool allQuiet = false;
        bool anyNonFinite = false;
        float loudest = 0.0f;
        survey(peaks, frames, detector.quietPeak, allQuiet, anyNonFinite, loudest);
        if (allQuiet && overshootDb == 0.0) {
            // Nothing to smooth: the gain stays exactly 1.
            if (factors != nullptr) std::fill_n(factors, frames, mode.key ? 0.0f : 1.0f);
            if (!mode.key) return passThrough(in, out, frames, mode.accumulate);
            return scale(in, out, frames, mode.accumulate, 0.0f);
        }
        if (anyNonFinite || !(detector.gainLnPerDb <= 0.0)) {
            return duckScalar(detector, overshootDb, peaks, in, out, frames, mode, factors);
        }
        Constants c;
        c.floor = V::set(kPeakFloor);
        c.dbPerNeper = V::set(kDbPerNeper);
        c.minusThreshold = V::set(-detector.thresholdDb);
        c.sign = detector.releaseCoefficient >= detector.attackCoefficient ? 1.0 : -1.0;
        c.attackShare = V::set(c.sign * (1.0 - detector.attackCoefficient));
        c.releaseShare = V::set(c.sign * (1.0 - detector.releaseCoefficient));
        c.gainLnPerDb = V::set(c.sign * detector.gainLnPerDb);
        c.gainLnFloor = V::set(detector.gainLnFloor);
        c.smallestNormalFloat = V::set(static_cast<double>(std::numeric_limits<float>::min()));
        // The smoothed overshoot stays between the block's first one and its largest, so in duck
        // mode the gain stays above e^(largest overshoot * gainLnPerDb), or the range's floor.
        const double largestOvershootDb =
            std::max(overshootDb, kDbPerNeper * math::logOf(static_cast<double>(loudest) + kPeakFloor) - detector.thresholdDb);
        c.tinyGains = mode.key || std::max(largestOvershootDb * detector.gainLnPerDb, detector.gainLnFloor) < kLeastFloatGainLn;
        c.attack = V::setS(detector.attackCoefficient);
        c.release = V::setS(detector.releaseCoefficient);
        c.limit = V::setS(c.sign * detector.overshootLimitDb);
        const Limit limit = !(detector.overshootLimitDb < std::numeric_limits<double>::infinity()) ? kNoLimit
                            : c.sign > 0.0                                                       ? kLimitBelow
                                                                                                 : kLimitAbove;
        if (limit == kNoLimit) return duckModes<kNoLimit>(c, overshootDb, peaks, in, out, frames, mode, factors);
        if (limit == kLimitBelow) return duckModes<kLimitBelow>(c, overshootDb, peaks, in, out, frames, mode, factors);
        duckModes<kLimitAbove>(c, overshootDb, peaks, in, out, frames, mode, factors);
    }

    template <Limit L>
    static void duckModes(const Constants& c, double& overshootDb, const float* peaks, const float* const* in,
                          float* const* out, std::int32_t frames, DuckMode mode, float* factors) {
        if (mode.accumulate) {
            if (mode.key) duckGroups<true, true, L>(c, overshootDb, peaks, in, out, frames, factors);
            else duckGroups<true, false, L>(c, overshootDb, peaks, in, out, frames, factors);
        } else {
            if (mode.key) duckGroups<false, true, L>(c, overshootDb, peaks, in, out, frames, factors);
            else duckGroups<false, false, L>(c, overshootDb, peaks, in, out, frames, factors);
        }
    }

    // out = in * factor (replacing) or out + in * factor (accumulating), in single precision.
    static void scale(const float* const* in, float* const* out, std::int32_t frames, bool accumulate, float factor) {
        constexpr int kWidth = V::kFloatLanes;
        const F by = V::setF(factor);
        for (int c = 0; c < 2; ++c) {
            const float* source = in[c];
            float* target = out[c];
            std::int32_t i = 0;
            if (accumulate) {
                for (; i + kWidth <= frames; i += kWidth) {
                    V::storeF(target + i, V::addF(V::loadF(target + i), V::mulF(V::loadF(source + i), by)));
                }
            } else {
                for (; i + kWidth <= frames; i += kWidth) V::storeF(target + i, V::mulF(V::loadF(source + i), by));
            }
            for (; i < frames; ++i) {
                const float value = source[i] * factor;
                target[i] = accumulate ? target[i] + value : value;
            }
        }
    }

    static void passThrough(const float* const* in, float* const* out, std::int32_t frames, bool accumulate) {
        constexpr int kWidth = V::kFloatLanes;
        for (int c = 0; c < 2; ++c) {
            const float* source = in[c];
            float* target = out[c];
            if (!accumulate) {
                if (source != target) std::memmove(target, source, sizeof(float) * static_cast<std::size_t>(frames));
                continue;
            }
            std::int32_t i = 0;
            for (; i + kWidth <= frames; i += kWidth) {
                V::storeF(target + i, V::addF(V::loadF(target + i), V::loadF(source + i)));
            }
            for (; i < frames; ++i) target[i] += source[i];
        }
    }

    static void keyPeaks(const float* const* left, const float* const* right, std::int32_t keys,
                         std::int32_t frames, float* peaks) {
        constexpr int kWidth = V::kFloatLanes;
        std::int32_t i = 0;
        if (keys > 0) {
            for (; i + kWidth <= frames; i += kWidth) {
                F sumLeft = V::loadF(left[0] + i);
                F sumRight = V::loadF(right[0] + i);
                for (std::int32_t k = 1; k < keys; ++k) {
                    sumLeft = V::addF(sumLeft, V::loadF(left[k] + i));
                    sumRight = V::addF(sumRight, V::loadF(right[k] + i));
                }
                V::storeF(peaks + i, V::maxF(V::absF(sumRight), V::absF(sumLeft)));
            }
        }
        if (i < frames) {
            const float* restLeft[4] = {};
            const float* restRight[4] = {};
            for (std::int32_t k = 0; k < keys && k < 4; ++k) {
                restLeft[k] = left[k] + i;
                restRight[k] = right[k] + i;
            }
            keyPeaksScalar(restLeft, restRight, std::min<std::int32_t>(keys, 4), frames - i, peaks + i);
        }
    }

    // Two groups of V::kFloatLanes frames at a time: every tap's window is loaded once for the
    // three phases, and the six sums, unrolled into registers, hide each other's latency. Each
    // lane adds its products in the scalar pass's order, without fusing: the same bits.
    static void truePeaks(const TruePeakPhases& phases, const float* window, std::int32_t frames, float* peaks) {
        constexpr int kWidth = V::kFloatLanes;
        constexpr int kCentre = kTruePeakTaps / 2 - 1;
        std::int32_t i = 0;
        for (; i + 2 * kWidth <= frames; i += 2 * kWidth) {
            const float* at = window + i;
            F sums[2][3] = {{V::setF(0.0f), V::setF(0.0f), V::setF(0.0f)}, {V::setF(0.0f), V::setF(0.0f), V::setF(0.0f)}};
            for (int j = 0; j < kTruePeakTaps; ++j) {
                const F x[2] = {V::loadF(at + j), V::loadF(at + j + kWidth)};
#pragma GCC unroll 3
                for (int p = 0; p < 3; ++p) {
                    const F tap = V::setF(phases[static_cast<std::size_t>(p)][static_cast<std::size_t>(j)]);
#pragma GCC unroll 3
                    for (int g = 0; g < 2; ++g) sums[g][p] = V::addF(sums[g][p], V::mulF(x[g], tap));
                }
            }
#pragma GCC unroll 3
            for (int g = 0; g < 2; ++g) {
                F peak = V::absF(V::loadF(at + kWidth * g + kCentre));
#pragma GCC unroll 3
                for (int p = 0; p < 3; ++p) peak = V::maxF(peak, V::absF(sums[g][p]));
                V::storeF(peaks + i + kWidth * g, V::maxF(V::loadF(peaks + i + kWidth * g), peak));
            }
        }
        truePeaksScalar(phases, window + i, frames - i, peaks + i);
    }
};

}  // namespace
}  // namespace qm::kernels
