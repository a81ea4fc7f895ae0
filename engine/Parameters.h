#pragma once
// The eleven parameters: indices, names and defaults, and the mappings from stored values to the
// units the processor uses.

#include <cstdint>

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

// Attack time in ms for a stored value: 2000 v², or 2 ms for exactly 0.
inline float attackMsFor(float value) { return value == 0.0f ? 2.0f : value * value * 2000.0f; }
// Release time in ms for a stored value: 1000 v², or 1 ms for exactly 0.
inline float releaseMsFor(float value) { return value == 0.0f ? 1.0f : value * value * 1000.0f; }
// Threshold in dB for a stored value: 0 dB at 0, -96 dB at 1.
inline double thresholdDbFor(float value) { return static_cast<double>(value) * -96.0; }
// Switches count as on only at exactly 1.0.
inline bool isSwitchOn(float value) { return value == 1.0f; }
// Duck mode from 0.5 up, key mode below.
inline bool isDuckMode(float value) { return value >= 0.5f; }

}  // namespace qm
