// The audio path of DuckerEffect. Per block: publish the input on the own slot, then (unless
// bypassed) sum the selected slots into a stereo key and hand its peaks to the duck chain, which
// multiplies the audio by the gain (duck) or one minus the gain (key); finally report the gain
// reduction in parameter 10. The work is done in chunks by the block-wise kernels. Blocks longer
// than the key bus's capacity are handled in equal pieces that fit it. No allocation, no lock, no
// system call, no C library mathematics.

#include <algorithm>

#include "formats/vst2/DuckerEffect.h"
#include "engine/kernels/ScalarMath.h"

namespace qm {
namespace {

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
    chain.configure(getSampleRate(), parameter(ParamAttack), parameter(ParamRelease), parameter(ParamThreshold));
}

template <bool Accumulate>
void DuckerEffect::processBlock(float** inputs, float** outputs, std::int32_t frames) {
    double reduction = 0.0;
    KeyStorage* storage = ownSlot >= 0 ? keyBus.storage() : nullptr;
    if (frames > 0 && hasStereoBuffers(inputs, outputs)) {
        const KernelSet& kernels = activeKernels();
        if (storage == nullptr) {
            kernels.passThrough(inputs, outputs, frames, Accumulate);
        } else {
            const bool bypassed = isSwitchOn(parameter(ParamBypass));
            DuckMode mode{Accumulate, false};
            if (!bypassed) {
                configureDetector();
                for (std::int32_t k = 0; k < kKeySlotCount; ++k) {
                    listening[k] = isSwitchOn(parameter(ParamInputAlpha + k));
                }
                mode.key = !isDuckMode(parameter(ParamDuckKey));
            }
            // Equal pieces, so that a listener with the same block length hears whole pieces; 64-bit
            // sums, so that a frame count near INT_MAX does not overflow.
            const std::int64_t total = frames;
            const std::int64_t capacity = std::max<std::int64_t>(storage->capacityFrames(), 1);
            std::int64_t pieceFrames = total;
            if (total > capacity) {
                const std::int64_t pieces = (total + capacity - 1) / capacity;
                pieceFrames = (total + pieces - 1) / pieces;
            }
            for (std::int64_t done = 0; done < total;) {
                const auto piece = static_cast<std::int32_t>(std::min(pieceFrames, total - done));
                const float* in[2] = {inputs[0] + done, inputs[1] + done};
                float* out[2] = {outputs[0] + done, outputs[1] + done};
                // A bypassed block that replaces into separate buffers is copied there while it is
                // published: its input is read once.
                const bool copyWhilePublishing = bypassed && !Accumulate && out[0] != in[0] && out[1] != in[1] && out[0] != in[1] &&
                                                 out[1] != in[0];
                storage->publish(ownSlot, in[0], in[1], piece, copyWhilePublishing ? out : nullptr);
                if (bypassed) {
                    if (!copyWhilePublishing) kernels.passThrough(in, out, piece, Accumulate);
                } else {
                    KeyStorage::View views[kKeySlotCount];
                    for (std::int32_t k = 0; k < kKeySlotCount; ++k) {
                        if (listening[k]) views[k] = storage->openView(k);
                    }
                    duckPiece(kernels, *storage, views, in, out, piece, mode);
                }
                done += piece;
            }
            const double overshootDb = chain.detector().smoothedOvershootDb();
            if (!bypassed && overshootDb != 0.0) {
                reduction = -math::expMinusOneOf(chain.detector().blockSettings().gainLnPerDb * overshootDb);
            }
        }
    }
    setParameter(ParamMeter, static_cast<float>(reduction));
}

void DuckerEffect::duckPiece(const KernelSet& kernels, KeyStorage& storage, KeyStorage::View* views,
                             const float* const* in, float* const* out, std::int32_t frames, DuckMode mode) {
    constexpr std::int32_t kChunk = KeyStorage::kReadChunkFrames;
    static_assert(kChunk <= DuckChain::kChunkFrames, "the chain takes whole read chunks");
    float keyLeft[kKeySlotCount][kChunk];
    float keyRight[kKeySlotCount][kChunk];
    float peaks[kChunk];
    for (std::int32_t first = 0; first < frames; first += kChunk) {
        const std::int32_t count = std::min(kChunk, frames - first);
        const float* lefts[kKeySlotCount];
        const float* rights[kKeySlotCount];
        std::int32_t keys = 0;
        for (std::int32_t k = 0; k < kKeySlotCount; ++k) {
            if (!views[k].valid) continue;
            storage.readFrames(k, views[k], first, count, keyLeft[keys], keyRight[keys]);
            lefts[keys] = keyLeft[keys];
            rights[keys] = keyRight[keys];
            ++keys;
        }
        if (keys > 0) kernels.keyPeaks(lefts, rights, keys, count, peaks);
        else std::fill(peaks, peaks + count, 0.0f);
        const float* chunkIn[2] = {in[0] + first, in[1] + first};
        float* chunkOut[2] = {out[0] + first, out[1] + first};
        chain.duckPeaks(kernels, peaks, chunkIn, chunkOut, count, mode);
    }
}

}  // namespace qm
