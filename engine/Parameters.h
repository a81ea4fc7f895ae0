#pragma once
// The eleven parameters: indices, names and defaults, and what the processor reads of their
// stored values, through the controls' curves (engine/ControlCurve.h).

#include <cstdint>

#include "engine/ControlCurve.h"

namespace qm {

enum ParamIndex : std::int32_t {
    ParamOwnSlot = 0,
    ParamBypass,
    ParamInputAlpha,
    ParamInputBeta,
    ParamInputGamma,
    ParamInputDelta,
    ParamAttack,
    ParamRelease,
    ParamDuckKey,
    ParamThreshold,
    ParamMeter,
};

constexpr std::int32_t kParameterCount = 11;
constexpr std::int32_t kKeySlotCount = 4;

// Parameter 0 of an instance that holds no key slot.
constexpr float kNoSlotValue = 6.0f;

// Stored values at construction, by index (0x3E4B5934 and 0x3E4B55E8 for attack and release).
constexpr float kParameterDefaults[kParameterCount] = {
    kNoSlotValue, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.19858247f, 0.19856989f, 0.0f, 0.5f, 0.5f,
};

// Names as the host shows them; also the labels. Indices 0 and 10 are engine state.
constexpr const char* kParameterNames[kParameterCount] = {
    "DISABLED",     "Bypass", "input: Alpha", "input: Beta", "input: Gamma", "input: Delta",
    "attack",       "release", "duck/key",    "threshhold",  "DISABLED",
};

// Attack time in ms for a stored value: the attack curve, or 2 ms for exactly 0.
inline float attackMsFor(float value) { return value == 0.0f ? 2.0f : userValueOnCurve(kAttackCurve, value); }
// Release time in ms for a stored value: the release curve, or 1 ms for exactly 0.
inline float releaseMsFor(float value) { return value == 0.0f ? 1.0f : userValueOnCurve(kReleaseCurve, value); }
// Threshold in dB for a stored value: 0 dB at 0, -96 dB at 1.
constexpr double thresholdDbFor(float value) { return linearUserValue(kThresholdCurve, value); }
// Switches count as on only at exactly 1.0.
constexpr bool isSwitchOn(float value) { return userValueOnCurve({CurveKind::Switch}, value) == 1.0f; }
// Duck mode from 0.5 up, key mode below.
constexpr bool isDuckMode(float value) { return userValueOnCurve({CurveKind::Choice}, value) == 1.0f; }

// What the parameters ask of the ducker, read the same way by the plug-in's core and by the stream
// ducker: bypassed or not, duck or key, and the detector's attack, release and threshold in its
// own units.
struct DuckSettings {
    bool bypassed = false;
    // Key mode: the audio times one minus the gain; duck mode: times the gain.
    bool keyMode = false;
    float attackMs = attackMsFor(kParameterDefaults[ParamAttack]);
    float releaseMs = releaseMsFor(kParameterDefaults[ParamRelease]);
    double thresholdDb = thresholdDbFor(kParameterDefaults[ParamThreshold]);
};

// The settings from `parameter(index)`, the stored value of parameter `index`.
template <class Parameter>
DuckSettings duckSettingsOf(const Parameter& parameter) {
    DuckSettings settings;
    settings.bypassed = isSwitchOn(parameter(ParamBypass));
    settings.keyMode = !isDuckMode(parameter(ParamDuckKey));
    settings.attackMs = attackMsFor(parameter(ParamAttack));
    settings.releaseMs = releaseMsFor(parameter(ParamRelease));
    settings.thresholdDb = thresholdDbFor(parameter(ParamThreshold));
    return settings;
}

}  // namespace qm
