#pragma once
// How a control's value in user units follows its stored value (the 0..1 form the plug-in
// parameters carry), and back: the one conversion that the processor, every format, the editor and
// the file tool use. The arithmetic is kept exactly (float for the squared curves, double for the
// linear one), as stored sessions and rendered files depend on every bit of it.

#include <cmath>

namespace qm {

enum class CurveKind {
    Switch,          // 1 only at exactly 1.0 stored, else 0
    InvertedSwitch,  // 0 only at exactly 1.0 stored, else 1: "enabled" over a stored bypass
    Choice,          // the upper of two choices (1) from 0.5 stored up
    Squared,         // scale * v², in float
    Linear,          // scale * v, in double
    Direct,          // stored as it is in user units
};

struct ControlCurve {
    CurveKind kind;
    // The user value at a stored 1.0 for the squared and linear curves.
    float scale = 1.0f;
};

// The user value of the linear curve at `stored`, in double as the processor uses it.
constexpr double linearUserValue(ControlCurve curve, float stored) {
    return static_cast<double>(stored) * static_cast<double>(curve.scale);
}

// The user value that `stored` shows.
constexpr float userValueOnCurve(ControlCurve curve, float stored) {
    switch (curve.kind) {
    case CurveKind::Switch: return stored == 1.0f ? 1.0f : 0.0f;
    case CurveKind::InvertedSwitch: return stored == 1.0f ? 0.0f : 1.0f;
    case CurveKind::Choice: return stored >= 0.5f ? 1.0f : 0.0f;
    case CurveKind::Squared: return stored * stored * curve.scale;
    // The double product of two floats is exact, so one rounding gives the float product.
    case CurveKind::Linear: return static_cast<float>(linearUserValue(curve, stored));
    case CurveKind::Direct: break;
    }
    return stored;
}

// The stored value for `userValue` (already within the control's range); in double as the file tool
// reads its options.
inline float storedValueOnCurve(ControlCurve curve, double userValue) {
    switch (curve.kind) {
    case CurveKind::InvertedSwitch: return userValue >= 0.5 ? 0.0f : 1.0f;
    case CurveKind::Squared: return static_cast<float>(std::sqrt(userValue / static_cast<double>(curve.scale)));
    case CurveKind::Linear: return static_cast<float>(userValue / static_cast<double>(curve.scale));
    case CurveKind::Switch:
    case CurveKind::Choice:
    case CurveKind::Direct: break;
    }
    return static_cast<float>(userValue);
}

// The user value of any stored value, in double: the curve extended beyond the range so that every
// stored value (outside 0..1, not a number) has its own, which storedFromExtended gives back
// exactly. Squared curves keep the stored value's sign; switches and choices carry their stored
// value, an inverted switch with 0 and 1 swapped (1 - v would lose values near 0).
inline double extendedUserValue(ControlCurve curve, float stored) {
    const double value = stored;
    if (std::isnan(stored)) return value;
    switch (curve.kind) {
    case CurveKind::InvertedSwitch:
        if (stored == 1.0f) return 0.0;
        return stored == 0.0f && !std::signbit(stored) ? 1.0 : value;
    case CurveKind::Squared: return std::copysign(value * value, value) * static_cast<double>(curve.scale);
    case CurveKind::Linear: return value * static_cast<double>(curve.scale);
    case CurveKind::Switch:
    case CurveKind::Choice:
    case CurveKind::Direct: break;
    }
    return value;
}

// The stored value whose extended user value is `userValue`.
inline float storedFromExtended(ControlCurve curve, double userValue) {
    if (std::isnan(userValue)) return static_cast<float>(userValue);
    switch (curve.kind) {
    case CurveKind::InvertedSwitch:
        if (userValue == 1.0) return 0.0f;
        return userValue == 0.0 && !std::signbit(userValue) ? 1.0f : static_cast<float>(userValue);
    case CurveKind::Squared:
        return static_cast<float>(
            std::copysign(std::sqrt(std::fabs(userValue) / static_cast<double>(curve.scale)), userValue));
    case CurveKind::Linear: return static_cast<float>(userValue / static_cast<double>(curve.scale));
    case CurveKind::Switch:
    case CurveKind::Choice:
    case CurveKind::Direct: break;
    }
    return static_cast<float>(userValue);
}

// The curves of attack (ms), release (ms) and threshold (dB).
constexpr ControlCurve kAttackCurve{CurveKind::Squared, 2000.0f};
constexpr ControlCurve kReleaseCurve{CurveKind::Squared, 1000.0f};
constexpr ControlCurve kThresholdCurve{CurveKind::Linear, -96.0f};

}  // namespace qm
