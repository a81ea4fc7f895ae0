#include "cli/DuckEngine.h"

namespace qmduck {

DuckEngine::DuckEngine(float sampleRateHz, const std::array<float, qm::kParameterCount>& parameters,
                       const Shaping& shaping)
    : keyMode(!qm::isDuckMode(parameters[qm::ParamDuckKey])), bypassed(qm::isSwitchOn(parameters[qm::ParamBypass])) {
    chain.configure(sampleRateHz, parameters[qm::ParamAttack], parameters[qm::ParamRelease],
                    parameters[qm::ParamThreshold]);
    chain.setRangeDb(shaping.rangeDb);
    chain.setHoldMs(shaping.holdMs, sampleRateHz);
}

void DuckEngine::process(const float* keyLeft, const float* keyRight, float* left, float* right,
                         std::int32_t frames) {
    // A bypassed plug-in that processes in place leaves its audio as it is.
    if (bypassed) return;
    float* audio[2] = {left, right};
    chain.duck(qm::activeKernels(), keyLeft, keyRight, audio, audio, frames, qm::DuckMode{false, keyMode});
}

double DuckEngine::lastFrameGain() const {
    if (bypassed) return 1.0;
    const double gain = chain.lastGain();
    return keyMode ? 1.0 - gain : gain;
}

}  // namespace qmduck
