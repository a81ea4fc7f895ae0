#pragma once
// The plug-in's engine on a key bus of its own: a sender instance publishes the key, a listener
// instance on the sender's slot ducks the audio, exactly as two instances of the plug-in in a
// host that runs the sender first. The bus is private, so running the tool never takes slots
// from plug-ins that run meanwhile.

#include <array>
#include <cstdint>

#include "engine/DuckerEffect.h"
#include "engine/LocalKeyBus.h"

namespace qmduck {

class DuckEngine {
public:
    // `parameters` are the listener's values by index (input switches and index 0 and 10 are set
    // here); `blockFrames` is the longest block `process` will be given.
    DuckEngine(float sampleRateHz, const std::array<float, qm::kParameterCount>& parameters,
               std::int32_t blockFrames);

    // Ducks `frames` frames of `left` and `right` in place by the stereo key `keyLeft`, `keyRight`
    // (which the sender passes through unchanged).
    void process(float* keyLeft, float* keyRight, float* left, float* right, std::int32_t frames);

    // The gain the listener applied to the last frame processed, 0..1: what the plug-in reports
    // through parameter 10, turned into the factor of the mode (gain in duck mode, one minus it
    // in key mode); 1 when bypassed.
    double lastFrameGain();

private:
    static constexpr std::int32_t kPieceFrames = 4096;

    qm::LocalKeyBus bus;
    qm::DuckerEffect sender;
    qm::DuckerEffect listener;
    bool duckMode;
    bool bypassed;
};

}  // namespace qmduck
