#pragma once
// The file tool's presets: the engine's ducking presets (engine/Presets.h) and, for podcast, the
// finished episode's loudness and true-peak ceiling.

#include <string>

#include "engine/Presets.h"

namespace qmduck {

struct Preset {
    const char* name;
    qm::DuckingPreset ducking;
    // The whole job: mixed with the keys at this loudness (LUFS) and true-peak ceiling (dBTP);
    // NaN loudness: ducking alone.
    double loudnessLufs;
    double truePeakDbtp;
};

// The preset called `name`, or null when there is none.
const Preset* presetNamed(const std::string& name);

// The names of all presets, separated by ", ", for messages.
std::string presetNames();

}  // namespace qmduck
