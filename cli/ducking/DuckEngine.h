#pragma once
// The plug-in's engine for one file: the duck chain the plug-in's processor runs, configured
// from the plug-in's parameter values by the core's own set-up (engine/DuckSettings.h), plus the
// tool's shaping (range, hold). Without shaping its samples are the plug-in's, bit for bit.

#include <array>
#include <cstdint>

#include "engine/DuckChain.h"
#include "engine/DuckSettings.h"
#include "engine/Parameters.h"

namespace qmduck {

// What the tool adds to the plug-in's parameters; all off by default. The ranges are the engine's
// controls' (range, hold, look-ahead), the look-ahead's as options/ControlOptions.cpp extends it.
struct Shaping {
    // Largest reduction in dB; 0 is none.
    double rangeDb = 0.0;
    // How long the key's peak is held after it falls, in ms.
    double holdMs = 0.0;
    // How far ahead of the audio the key is read, in ms.
    double lookaheadMs = 0.0;
};

class DuckEngine {
public:
    // `parameters` are the plug-in's values by index (index 0, 2..5 and 10 are ignored).
    DuckEngine(float sampleRateHz, const std::array<float, qm::kParameterCount>& parameters, const Shaping& shaping);

    // Ducks `frames` frames of `left` and `right` in place by the stereo key `keyLeft`, `keyRight`.
    void process(const float* keyLeft, const float* keyRight, float* left, float* right, std::int32_t frames);

    // The factor applied to the last frame processed, 0..1: the gain in duck mode, one minus it
    // in key mode; 1 when bypassed.
    double lastFrameGain() const;

private:
    qm::DuckChain chain;
    qm::DuckSettings settings;
};

}  // namespace qmduck
