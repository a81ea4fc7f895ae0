#pragma once
// The ducker's per-frame formulas, one frame at a time, in extended precision: the reference that
// every kernel variant is measured against. Keys are summed in single precision as the plug-in
// sums them; from the peak on, everything is exact to far below a float's precision. The
// envelope is tracked as the overshoot above the 1e-25 floor (the floor cancels in every step),
// so that no precision is lost where the overshoot is tiny.

#include <cmath>
#include <cstdint>

#include "engine/Parameters.h"

namespace qm::test {

struct ReferenceSettings {
    float attack = 0.0f;     // parameter values, 0..1
    float release = 0.0f;
    float threshold = 0.5f;
    bool key = false;        // key mode: one minus the gain
    double sampleRateHz = 44100.0;
    double rangeDb = 0.0;    // the tool's largest reduction; 0: none, as in the plug-in
};

class ReferenceDucker {
public:
    // Sets the block's parameters, as the processor does at the start of every block.
    void configure(const ReferenceSettings& s) {
        settings = s;
        // Hosts hand the sample rate over as a float.
        const auto rateHz = static_cast<float>(s.sampleRateHz);
        attackCoefficient = coefficient(attackMsFor(s.attack), rateHz);
        releaseCoefficient = coefficient(releaseMsFor(s.release), rateHz);
        thresholdDb = thresholdDbFor(s.threshold);
        // With a range the envelope may exceed the range by what the release brings back within
        // the recovery time, and the gain is floored at the range.
        const long double releaseMs = releaseMsFor(s.release);
        overshootLimit = s.rangeDb > 0.0 ? s.rangeDb * std::exp(kRangeRecoveryMs / releaseMs) : INFINITY;
    }

    // The longest the gain stays at the range's floor after the key ends, in ms.
    static constexpr long double kRangeRecoveryMs = 1.0L;

    // One frame: the factor that multiplies the frame's input.
    long double step(float keyLeft, float keyRight) {
        const float left = std::fabs(keyLeft);
        const float right = std::fabs(keyRight);
        const float peak = right > left ? right : left;
        if (std::isfinite(peak)) {
            const long double levelDb = 8.685889638065037L * std::log(static_cast<long double>(peak) + 1e-25L);
            long double over = levelDb - thresholdDb;
            if (over < 0.0L) over = 0.0L;
            const long double c = over > overshoot ? attackCoefficient : releaseCoefficient;
            overshoot = (overshoot - over) * c + over;
            if (overshoot > overshootLimit) overshoot = overshootLimit;
        }
        const long double depth = settings.rangeDb > 0.0 && overshoot > settings.rangeDb ? settings.rangeDb : overshoot;
        const long double y = -depth * 0.11512925464970228L;
        reduction = -std::expm1(y);
        return settings.key ? reduction : std::exp(y);
    }

    // One minus the gain of the last frame: what parameter 10 reports.
    long double lastReduction() const { return reduction; }

private:
    static long double coefficient(float timeMs, double sampleRateHz) {
        const long double samples = static_cast<long double>(timeMs) * sampleRateHz * 0.001L;
        return samples > 0.0L ? std::exp(-1.0L / samples) : 0.0L;
    }

    ReferenceSettings settings;
    long double attackCoefficient = 0.0L;
    long double releaseCoefficient = 0.0L;
    long double thresholdDb = 0.0L;
    long double overshoot = 0.0L;
    long double overshootLimit = INFINITY;
    long double reduction = 0.0L;
};

// The distance of `value` from `exact` in units in the last place of a float of magnitude `scale`
// (by default, `exact`'s; subnormal floats count in steps of 2^-149). Equal NaNs and infinities are
// 0 apart; a NaN against a number is infinitely far.
inline double ulpsFrom(float value, long double exact, long double scale = -1.0L) {
    if (std::isnan(value) || std::isnan(exact)) return std::isnan(value) && std::isnan(exact) ? 0.0 : INFINITY;
    // An exact value beyond the largest float rounds to infinity.
    if (std::isinf(value) || std::isinf(static_cast<float>(exact))) {
        return value == static_cast<float>(exact) ? 0.0 : INFINITY;
    }
    const long double magnitude = scale < 0.0L ? std::fabs(exact) : scale;
    int exponent = 0;
    std::frexp(magnitude, &exponent);
    const long double ulp = magnitude < 0x1p-126L ? 0x1p-149L : std::ldexp(1.0L, exponent - 24);
    return static_cast<double>(std::fabs(static_cast<long double>(value) - exact) / ulp);
}

}  // namespace qm::test
