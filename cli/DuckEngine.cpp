#include "cli/DuckEngine.h"

#include <algorithm>

namespace qmduck {

DuckEngine::DuckEngine(float sampleRateHz, const std::array<float, qm::kParameterCount>& parameters,
                       std::int32_t blockFrames)
    : sender(nullptr, bus),
      listener(nullptr, bus),
      duckMode(qm::isDuckMode(parameters[qm::ParamDuckKey])),
      bypassed(qm::isSwitchOn(parameters[qm::ParamBypass])) {
    for (qm::DuckerEffect* effect : {&sender, &listener}) {
        effect->setSampleRate(sampleRateHz);
        effect->setBlockSize(std::min(blockFrames, kPieceFrames));
    }
    for (std::int32_t index = qm::ParamBypass; index < qm::ParamMeter; ++index) {
        listener.setParameter(index, parameters[static_cast<std::size_t>(index)]);
    }
    for (std::int32_t slot = 0; slot < qm::kKeySlotCount; ++slot) {
        listener.setParameter(qm::ParamInputAlpha + slot, slot == sender.keySlot() ? 1.0f : 0.0f);
    }
}

void DuckEngine::process(float* keyLeft, float* keyRight, float* left, float* right, std::int32_t frames) {
    // In pieces whose key fits the processor's caches on its way through the bus; the samples do
    // not depend on how a stream is cut into blocks.
    for (std::int32_t done = 0; done < frames; done += kPieceFrames) {
        const std::int32_t piece = std::min(kPieceFrames, frames - done);
        float* key[2] = {keyLeft + done, keyRight + done};
        float* audio[2] = {left + done, right + done};
        sender.processReplacing(key, key, piece);
        listener.processReplacing(audio, audio, piece);
    }
}

double DuckEngine::lastFrameGain() {
    if (bypassed) return 1.0;
    const double reduction = listener.getParameter(qm::ParamMeter);
    return duckMode ? 1.0 - reduction : reduction;
}

}  // namespace qmduck
