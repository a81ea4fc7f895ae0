#pragma once
// What the parameters ask of the duck chain, read the same way by the plug-in's core and by the
// file tool: bypassed or not, duck or key, and the detector's attack, release and threshold as
// stored values; and the set-up that keeps a chain's detector on them.

#include <array>
#include <cstdint>

#include "engine/DuckChain.h"
#include "engine/Parameters.h"

namespace qm {

struct DuckSettings {
    bool bypassed = false;
    // Key mode: the audio times one minus the gain; duck mode: times the gain.
    bool keyMode = false;
    float attackValue = kParameterDefaults[ParamAttack];
    float releaseValue = kParameterDefaults[ParamRelease];
    float thresholdValue = kParameterDefaults[ParamThreshold];
};

// The settings from `parameter(index)`, the stored value of parameter `index`.
template <class Parameter>
DuckSettings duckSettingsOf(const Parameter& parameter) {
    DuckSettings settings;
    settings.bypassed = isSwitchOn(parameter(ParamBypass));
    settings.keyMode = !isDuckMode(parameter(ParamDuckKey));
    settings.attackValue = parameter(ParamAttack);
    settings.releaseValue = parameter(ParamRelease);
    settings.thresholdValue = parameter(ParamThreshold);
    return settings;
}

// Keeps a chain's detector set for the settings' attack, release and threshold at a rate. The
// same values give the same coefficients, so they are computed again only on a change: cheap
// enough for every block.
class DetectorSetup {
public:
    void apply(DuckChain& chain, float sampleRateHz, const DuckSettings& settings);

private:
    // The rate and the stored attack, release and threshold (as bits) last applied.
    std::array<std::uint32_t, 4> applied{};
    bool configured = false;
};

}  // namespace qm
