#pragma once
// The plug-in's engine for one file: the engine's stream ducker set from the plug-in's parameter
// values, plus the tool's shaping (range, hold). Without shaping its samples are the plug-in's,
// bit for bit.

#include <array>

#include "engine/Parameters.h"
#include "engine/StreamDucker.h"

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

// The ducker at `sampleRateHz` for the plug-in's `parameters` by index (the slot and the meter
// are ignored) and `shaping`'s range and hold; the look-ahead is the key reader's.
qm::StreamDucker fileDucker(float sampleRateHz, const std::array<float, qm::kParameterCount>& parameters,
                            const Shaping& shaping);

}  // namespace qmduck
