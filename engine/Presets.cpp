#include "engine/Presets.h"

namespace qm {
namespace {

// Threshold: spoken word peaks at -20..-3 dBFS, so -40 dB puts every spoken syllable at least
// the range above it and room tone or breaths below it. Hold covers the pauses between words
// (150..400 ms) but not between sentences. Look-ahead about the attack time lets the music be
// mostly down when the first syllable starts. Release is slow enough not to pump.
constexpr DuckingPreset kPresets[] = {
    {"gentle", 6.0, 200.0, 20.0, 40.0, 600.0, -40.0},
    {"standard", 12.0, 300.0, 30.0, 20.0, 400.0, -40.0},
    {"strong", 20.0, 500.0, 50.0, 10.0, 300.0, -45.0},
    {"podcast", 12.0, 300.0, 30.0, 20.0, 400.0, -40.0},
};

}  // namespace

std::span<const DuckingPreset> duckingPresets() { return kPresets; }

const DuckingPreset* duckingPresetNamed(std::string_view name) {
    for (const DuckingPreset& preset : kPresets) {
        if (name == preset.name) return &preset;
    }
    return nullptr;
}

std::vector<ControlSetting> presetSettings(const DuckingPreset& preset) {
    return {{ControlDuckKey, 1.0},
            {ControlAttack, preset.attackMs},
            {ControlRelease, preset.releaseMs},
            {ControlThreshold, preset.thresholdDb},
            {ControlRange, preset.rangeDb},
            {ControlHold, preset.holdMs},
            {ControlLookahead, preset.lookaheadMs}};
}

std::vector<ControlSetting> defaultSettings() {
    std::vector<ControlSetting> settings;
    for (std::int32_t id = ControlInputAlpha; id < kControlCount; ++id) {
        settings.push_back({static_cast<ControlId>(id), controlInfo(static_cast<ControlId>(id)).defaultValue});
    }
    return settings;
}

}  // namespace qm
