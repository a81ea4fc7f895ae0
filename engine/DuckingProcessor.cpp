// The audio path of DuckerEffect. Per block: publish the input on the own slot, then (unless
// bypassed) sum the selected slots into a stereo key, run its peak through the detector frame by
// frame and multiply the audio by the gain (duck) or one minus the gain (key); finally report the
// gain reduction in parameter 10. Blocks longer than the key bus's capacity are handled in equal
// pieces that fit it. No allocation, no lock, no system call.

#include <algorithm>
#include <cmath>

#include "engine/DuckerEffect.h"

namespace qm {
namespace {

template <bool Accumulate>
inline void emit(float& out, float value) {
    if constexpr (Accumulate) {
        out += value;
    } else {
        out = value;
    }
}

template <bool Accumulate>
void passThrough(const float* const* in, float* const* out, std::int32_t frames) {
    for (std::int32_t i = 0; i < frames; ++i) {
        const float left = in[0][i];
        const float right = in[1][i];
        emit<Accumulate>(out[0][i], left);
        emit<Accumulate>(out[1][i], right);
    }
}

bool hasStereoBuffers(float** inputs, float** outputs) {
    return inputs != nullptr && outputs != nullptr && inputs[0] != nullptr && inputs[1] != nullptr &&
           outputs[0] != nullptr && outputs[1] != nullptr;
}

}  // namespace

void DuckerEffect::process(float** inputs, float** outputs, std::int32_t frames) {
    processBlock<true>(inputs, outputs, frames);
}

void DuckerEffect::processReplacing(float** inputs, float** outputs, std::int32_t frames) {
    processBlock<false>(inputs, outputs, frames);
}

void DuckerEffect::configureDetector() {
    // A parameter that maps to no finite time or level keeps the previous setting.
    detector.setSampleRate(getSampleRate());
    const float attackMs = attackMsFor(parameter(ParamAttack));
    if (std::isfinite(attackMs)) detector.setAttack(attackMs);
    detector.setRatio(0.0);
    const float releaseMs = releaseMsFor(parameter(ParamRelease));
    if (std::isfinite(releaseMs)) detector.setRelease(releaseMs);
    const double thresholdDb = thresholdDbFor(parameter(ParamThreshold));
    if (std::isfinite(thresholdDb)) detector.setThreshold(thresholdDb);
}

template <bool Accumulate>
void DuckerEffect::processBlock(float** inputs, float** outputs, std::int32_t frames) {
    currentGain = 1.0f;
    KeyStorage* storage = ownSlot >= 0 ? keyBus.storage() : nullptr;
    if (frames > 0 && hasStereoBuffers(inputs, outputs)) {
        if (storage == nullptr) {
            passThrough<Accumulate>(inputs, outputs, frames);
        } else {
            const bool bypassed = isSwitchOn(parameter(ParamBypass));
            if (!bypassed) {
                configureDetector();
                for (std::int32_t k = 0; k < kKeySlotCount; ++k) {
                    listening[k] = isSwitchOn(parameter(ParamInputAlpha + k));
                }
            }
            // Equal pieces, so that a listener with the same block length hears whole pieces.
            // 64-bit sums: a frame count near INT_MAX must not overflow.
            const std::int64_t total = frames;
            const std::int64_t capacity = std::max<std::int64_t>(storage->capacityFrames(), 1);
            const std::int64_t pieces = (total + capacity - 1) / capacity;
            const std::int64_t pieceFrames = (total + pieces - 1) / pieces;
            for (std::int64_t done = 0; done < total;) {
                const auto piece = static_cast<std::int32_t>(std::min(pieceFrames, total - done));
                const float* in[2] = {inputs[0] + done, inputs[1] + done};
                float* out[2] = {outputs[0] + done, outputs[1] + done};
                storage->publish(ownSlot, in[0], in[1], piece);
                if (bypassed) {
                    passThrough<Accumulate>(in, out, piece);
                } else {
                    KeyStorage::View views[kKeySlotCount];
                    for (std::int32_t k = 0; k < kKeySlotCount; ++k) {
                        if (listening[k]) views[k] = storage->openView(k);
                    }
                    duckPiece<Accumulate>(*storage, views, in, out, piece);
                }
                done += piece;
            }
        }
    }
    setParameter(ParamMeter, 1.0f - currentGain);
}

template <bool Accumulate>
void DuckerEffect::duckPiece(KeyStorage& storage, KeyStorage::View* views, const float* const* in,
                             float* const* out, std::int32_t frames) {
    constexpr std::int32_t kChunk = KeyStorage::kReadChunkFrames;
    for (std::int32_t first = 0; first < frames; first += kChunk) {
        const std::int32_t count = std::min(kChunk, frames - first);
        float keyLeft[kChunk] = {};
        float keyRight[kChunk] = {};
        for (std::int32_t k = 0; k < kKeySlotCount; ++k) {
            if (views[k].valid) storage.addFrames(k, views[k], first, count, keyLeft, keyRight);
        }
        for (std::int32_t i = 0; i < count; ++i) {
            const float left = std::fabs(keyLeft[i]);
            const float right = std::fabs(keyRight[i]);
            const float gain = static_cast<float>(detector.computeGain(right > left ? right : left));
            currentGain = gain;
            const float factor = isDuckMode(parameter(ParamDuckKey)) ? gain : 1.0f - gain;
            const std::int32_t frame = first + i;
            const float x0 = in[0][frame];
            const float x1 = in[1][frame];
            emit<Accumulate>(out[0][frame], factor * x0);
            emit<Accumulate>(out[1][frame], factor * x1);
        }
    }
}

}  // namespace qm
