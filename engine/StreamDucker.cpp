#include "engine/StreamDucker.h"

#include <algorithm>

#include "engine/kernels/DuckKernels.h"

namespace qm {

StreamDucker::StreamDucker(float sampleRateHz, double maxHoldMs)
    : rateHz(sampleRateHz), holdCapacityMs(std::max(maxHoldMs, 0.0)) {
    // The controls' defaults, which process from the start (the plug-in's bypass parameter
    // starts on).
    std::copy(std::begin(kParameterDefaults), std::end(kParameterDefaults), parameters.begin());
    for (std::int32_t id = 0; id < kControlCount; ++id) {
        const ControlInfo& info = controlInfo(static_cast<ControlId>(id));
        if (info.parameter >= 0) {
            parameters[static_cast<std::size_t>(info.parameter)] =
                parameterValueFor(static_cast<ControlId>(id), info.defaultValue);
        }
    }
    chain.reserveHoldMs(holdCapacityMs, rateHz);
    applyParameters();
}

void StreamDucker::applyParameters() {
    settings = duckSettingsOf([this](std::int32_t index) { return parameters[static_cast<std::size_t>(index)]; });
    chain.detector().follow(rateHz, settings.attackMs, settings.releaseMs, settings.thresholdDb);
}

void StreamDucker::setParameter(std::int32_t index, float value) {
    if (index < 0 || index >= kParameterCount) return;
    parameters[static_cast<std::size_t>(index)] = value;
    applyParameters();
}

float StreamDucker::setControl(ControlId id, float value) {
    const float taken = limitedControlValue(id, value);
    const ControlInfo& info = controlInfo(id);
    if (info.parameter >= 0) setParameter(info.parameter, parameterValueFor(id, taken));
    if (id == ControlRange) setRangeDb(taken);
    if (id == ControlHold) setHoldMs(taken);
    return taken;
}

void StreamDucker::setHoldMs(double holdMs) { chain.setHoldMs(std::min(holdMs, holdCapacityMs), rateHz); }

void StreamDucker::process(const float* keyLeft, const float* keyRight, float* left, float* right,
                           std::int32_t frames, float* factors) {
    if (frames <= 0) return;
    if (settings.bypassed) {
        if (factors != nullptr) std::fill_n(factors, frames, 1.0f);
        return;
    }
    float* audio[2] = {left, right};
    chain.duck(activeKernels(), keyLeft, keyRight, audio, audio, frames, DuckMode{false, settings.keyMode}, factors);
}

double StreamDucker::lastFactor() const {
    if (settings.bypassed) return 1.0;
    const double gain = chain.lastGain();
    return settings.keyMode ? 1.0 - gain : gain;
}

}  // namespace qm
