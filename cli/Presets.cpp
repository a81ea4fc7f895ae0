#include "cli/Presets.h"

#include <limits>

namespace qmduck {
namespace {

// Threshold: spoken word peaks at -20..-3 dBFS, so -40 dB puts every spoken syllable at least
// the range above it and room tone or breaths below it. Hold covers the pauses between words
// (150..400 ms) but not between sentences. Look-ahead about the attack time lets the music be
// mostly down when the first syllable starts. Release is slow enough not to pump.
// Podcast: the standard ducking, mixed, at the -16 LUFS and -1 dBTP that podcast platforms ask
// of stereo episodes.
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
constexpr Preset kPresets[] = {
    {"gentle", 6.0, 200.0, 20.0, 40.0, 600.0, -40.0, kNone, kNone},
    {"standard", 12.0, 300.0, 30.0, 20.0, 400.0, -40.0, kNone, kNone},
    {"strong", 20.0, 500.0, 50.0, 10.0, 300.0, -45.0, kNone, kNone},
    {"podcast", 12.0, 300.0, 30.0, 20.0, 400.0, -40.0, -16.0, -1.0},
};

}  // namespace

const Preset* presetNamed(const std::string& name) {
    for (const Preset& preset : kPresets) {
        if (name == preset.name) return &preset;
    }
    return nullptr;
}

std::string presetNames() {
    std::string names;
    for (const Preset& preset : kPresets) names += (names.empty() ? "" : ", ") + std::string(preset.name);
    return names;
}

}  // namespace qmduck
