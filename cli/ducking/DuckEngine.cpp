#include "cli/ducking/DuckEngine.h"

namespace qmduck {

DuckEngine::DuckEngine(float sampleRateHz, const std::array<float, qm::kParameterCount>& parameters,
                       const Shaping& shaping)
    : settings(qm::duckSettingsOf(
          [&parameters](std::int32_t index) { return parameters[static_cast<std::size_t>(index)]; })) {
    qm::DetectorSetup().apply(chain, sampleRateHz, settings);
    chain.setRangeDb(shaping.rangeDb);
    chain.setHoldMs(shaping.holdMs, sampleRateHz);
}

void DuckEngine::process(const float* keyLeft, const float* keyRight, float* left, float* right,
                         std::int32_t frames) {
    // A bypassed plug-in that processes in place leaves its audio as it is.
    if (settings.bypassed) return;
    float* audio[2] = {left, right};
    chain.duck(qm::activeKernels(), keyLeft, keyRight, audio, audio, frames, qm::DuckMode{false, settings.keyMode});
}

double DuckEngine::lastFrameGain() const {
    if (settings.bypassed) return 1.0;
    const double gain = chain.lastGain();
    return settings.keyMode ? 1.0 - gain : gain;
}

}  // namespace qmduck
