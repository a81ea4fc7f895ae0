#include "cli/Presets.h"

#include <limits>
#include <vector>

namespace qmduck {
namespace {

// What the file tool adds to the engine's ducking: podcast is mixed at the -16 LUFS and -1 dBTP
// that podcast platforms ask of stereo episodes.
struct Finishing {
    const char* name;
    double loudnessLufs;
    double truePeakDbtp;
};
constexpr Finishing kFinishing[] = {{"podcast", -16.0, -1.0}};

std::vector<Preset> makePresets() {
    constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    std::vector<Preset> all;
    for (const qm::DuckingPreset& ducking : qm::duckingPresets()) {
        Preset preset{ducking.name, ducking, kNone, kNone};
        for (const Finishing& finishing : kFinishing) {
            if (std::string(finishing.name) != ducking.name) continue;
            preset.loudnessLufs = finishing.loudnessLufs;
            preset.truePeakDbtp = finishing.truePeakDbtp;
        }
        all.push_back(preset);
    }
    return all;
}

const std::vector<Preset>& presets() {
    static const std::vector<Preset> all = makePresets();
    return all;
}

}  // namespace

const Preset* presetNamed(const std::string& name) {
    for (const Preset& preset : presets()) {
        if (name == preset.name) return &preset;
    }
    return nullptr;
}

std::string presetNames() {
    std::string names;
    for (const Preset& preset : presets()) names += (names.empty() ? "" : ", ") + std::string(preset.name);
    return names;
}

}  // namespace qmduck
