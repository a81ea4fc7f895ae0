// DuckerCore: joining the key bus and the set-up, then the block processing. Per block: publish
// the input on the own slot, then (unless bypassed) sum the selected slots and the side-chain key
// into a stereo key and hand its peaks to the duck chain, which multiplies the audio by the gain
// (duck) or one minus the gain (key); finally report the gain reduction. The work is done in chunks
// by the block-wise kernels. Blocks longer than the key bus's capacity are handled in equal pieces
// that fit it. With a look-ahead the audio passes the delay line on its way to the chain; the
// published input and the key do not. No allocation, no lock, no system call, no C library
// mathematics in the block processing.

#include "engine/DuckerCore.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <new>

#include "engine/kernels/ScalarMath.h"

namespace qm {
namespace {

bool hasStereoBuffers(const DuckerBlock& block) {
    return block.inputs != nullptr && block.outputs != nullptr && block.inputs[0] != nullptr &&
           block.inputs[1] != nullptr && block.outputs[0] != nullptr && block.outputs[1] != nullptr;
}

bool hasSideKey(const DuckerBlock& block) {
    return block.sideKey != nullptr && block.sideKey[0] != nullptr && block.sideKey[1] != nullptr;
}

// The kernels sum at most four keys: a fifth is added into the fourth first.
void addInto(float* sum, const float* more, std::int32_t frames) {
    for (std::int32_t i = 0; i < frames; ++i) sum[i] += more[i];
}

}  // namespace

DuckerCore::DuckerCore(KeyBus& keyBus, std::int32_t blockSizeFrames) : keyBus(keyBus) {
    for (std::int32_t i = 0; i < kParameterCount; ++i) {
        parameters[i].store(kParameterDefaults[i], std::memory_order_relaxed);
    }
    ownSlot = keyBus.join(blockSizeFrames);
    if (ownSlot >= 0) parameters[ParamOwnSlot].store(static_cast<float>(ownSlot), std::memory_order_relaxed);
}

DuckerCore::~DuckerCore() { keyBus.leave(ownSlot); }

void DuckerCore::reserve(std::int32_t blockSizeFrames) {
    if (ownSlot >= 0) keyBus.reserve(blockSizeFrames);
}

void DuckerCore::setControl(ControlId id, float value, double sampleRateHz) {
    switch (id) {
    case ControlRange: setRangeDb(value); break;
    case ControlHold: setHoldMs(value, sampleRateHz); break;
    case ControlLookahead:
        setLookaheadFrames(static_cast<std::int32_t>(std::lround(value * sampleRateHz / 1000.0)));
        break;
    default: setParameter(controlInfo(id).parameter, parameterValueFor(id, value)); break;
    }
}

bool DuckerCore::prepareShaping(double sampleRateHz, double maxHoldMs, double maxLookaheadMs) {
    const double lookaheadFrames = std::ceil(maxLookaheadMs * sampleRateHz / 1000.0);
    if (!(lookaheadFrames >= 0.0) || lookaheadFrames > std::numeric_limits<std::int32_t>::max() / 2) return false;
    try {
        chain.reserveHoldMs(maxHoldMs, sampleRateHz);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return delay.reserve(static_cast<std::int32_t>(lookaheadFrames));
}

void DuckerCore::setHoldMs(double holdMs, double sampleRateHz) { chain.setHoldMs(holdMs, sampleRateHz); }

template <bool Accumulate>
double DuckerCore::processBlock(const DuckerBlock& block, float sampleRateHz) {
    const std::int32_t frames = block.frames;
    if (frames <= 0 || !hasStereoBuffers(block)) return 0.0;
    const KernelSet& kernels = activeKernels();
    KeyStorage* storage = ownSlot >= 0 ? keyBus.storage() : nullptr;
    const float* const* side = hasSideKey(block) ? block.sideKey : nullptr;
    const bool delayed = delay.delayFrames() > 0;
    if (storage == nullptr && side == nullptr) {
        if (delayed) delayPiece(kernels, block.inputs, block.outputs, frames, Accumulate);
        else kernels.passThrough(block.inputs, block.outputs, frames, Accumulate);
        return 0.0;
    }
    const DuckSettings settings = duckSettingsOf([this](std::int32_t index) { return parameter(index); });
    const bool bypassed = settings.bypassed;
    DuckMode mode{Accumulate, false};
    if (!bypassed) {
        chain.detector().follow(sampleRateHz, settings.attackMs, settings.releaseMs, settings.thresholdDb);
        for (std::int32_t k = 0; k < kKeySlotCount; ++k) {
            listening[k] = storage != nullptr && isSwitchOn(parameter(ParamInputAlpha + k));
        }
        mode.key = settings.keyMode;
    }
    // Equal pieces, so that a listener with the same block length hears whole pieces; 64-bit
    // sums, so that a frame count near INT_MAX does not overflow.
    const std::int64_t total = frames;
    const std::int64_t capacity = storage != nullptr ? std::max<std::int64_t>(storage->capacityFrames(), 1) : total;
    std::int64_t pieceFrames = total;
    if (total > capacity) {
        const std::int64_t pieces = (total + capacity - 1) / capacity;
        pieceFrames = (total + pieces - 1) / pieces;
    }
    for (std::int64_t done = 0; done < total;) {
        const auto piece = static_cast<std::int32_t>(std::min(pieceFrames, total - done));
        const float* in[2] = {block.inputs[0] + done, block.inputs[1] + done};
        float* out[2] = {block.outputs[0] + done, block.outputs[1] + done};
        // A bypassed block that replaces into separate buffers is copied there while it is
        // published: its input is read once.
        const bool copyWhilePublishing = bypassed && !Accumulate && !delayed && storage != nullptr &&
                                         out[0] != in[0] && out[1] != in[1] && out[0] != in[1] && out[1] != in[0];
        if (storage != nullptr) storage->publish(ownSlot, in[0], in[1], piece, copyWhilePublishing ? out : nullptr);
        if (bypassed) {
            if (delayed) delayPiece(kernels, in, out, piece, Accumulate);
            else if (!copyWhilePublishing) kernels.passThrough(in, out, piece, Accumulate);
        } else {
            KeyStorage::View views[kKeySlotCount];
            for (std::int32_t k = 0; k < kKeySlotCount; ++k) {
                if (listening[k]) views[k] = storage->openView(k);
            }
            const float* sidePiece[2] = {};
            if (side != nullptr) {
                sidePiece[0] = side[0] + done;
                sidePiece[1] = side[1] + done;
            }
            duckPiece(kernels, storage, views, side != nullptr ? sidePiece : nullptr, in, out, piece, mode);
        }
        done += piece;
    }
    const double overshootDb = chain.detector().smoothedOvershootDb();
    if (bypassed || overshootDb == 0.0) return 0.0;
    return -math::expMinusOneOf(chain.detector().blockSettings().gainLnPerDb * overshootDb);
}

template double DuckerCore::processBlock<false>(const DuckerBlock&, float);
template double DuckerCore::processBlock<true>(const DuckerBlock&, float);

void DuckerCore::delayPiece(const KernelSet& kernels, const float* const* in, float* const* out,
                            std::int32_t frames, bool accumulate) {
    constexpr std::int32_t kChunk = AudioDelay::kChunkFrames;
    float delayedLeft[kChunk];
    float delayedRight[kChunk];
    float* delayedOut[2] = {delayedLeft, delayedRight};
    for (std::int32_t first = 0; first < frames; first += kChunk) {
        const std::int32_t count = std::min(kChunk, frames - first);
        const float* chunkIn[2] = {in[0] + first, in[1] + first};
        float* chunkOut[2] = {out[0] + first, out[1] + first};
        delay.process(chunkIn, delayedOut, count);
        const float* delayedIn[2] = {delayedLeft, delayedRight};
        kernels.passThrough(delayedIn, chunkOut, count, accumulate);
    }
}

void DuckerCore::duckPiece(const KernelSet& kernels, KeyStorage* storage, KeyStorage::View* views,
                           const float* const* side, const float* const* in, float* const* out, std::int32_t frames,
                           DuckMode mode) {
    constexpr std::int32_t kChunk = KeyStorage::kReadChunkFrames;
    static_assert(kChunk <= DuckChain::kChunkFrames, "the chain takes whole read chunks");
    static_assert(kChunk <= AudioDelay::kChunkFrames, "the delay takes whole read chunks");
    float keyLeft[kKeySlotCount][kChunk];
    float keyRight[kKeySlotCount][kChunk];
    float peaks[kChunk];
    float delayedLeft[kChunk];
    float delayedRight[kChunk];
    const bool delayed = delay.delayFrames() > 0;
    for (std::int32_t first = 0; first < frames; first += kChunk) {
        const std::int32_t count = std::min(kChunk, frames - first);
        const float* lefts[kKeySlotCount];
        const float* rights[kKeySlotCount];
        std::int32_t keys = 0;
        if (side != nullptr) {
            lefts[0] = side[0] + first;
            rights[0] = side[1] + first;
            keys = 1;
        }
        for (std::int32_t k = 0; k < kKeySlotCount; ++k) {
            if (!views[k].valid) continue;
            storage->readFrames(k, views[k], first, count, keyLeft[k], keyRight[k]);
            if (keys == kKeySlotCount) {
                addInto(keyLeft[k], lefts[kKeySlotCount - 1], count);
                addInto(keyRight[k], rights[kKeySlotCount - 1], count);
                --keys;
            }
            lefts[keys] = keyLeft[k];
            rights[keys] = keyRight[k];
            ++keys;
        }
        if (keys > 0) kernels.keyPeaks(lefts, rights, keys, count, peaks);
        else std::fill(peaks, peaks + count, 0.0f);
        const float* chunkIn[2] = {in[0] + first, in[1] + first};
        float* chunkOut[2] = {out[0] + first, out[1] + first};
        if (delayed) {
            float* delayedOut[2] = {delayedLeft, delayedRight};
            delay.process(chunkIn, delayedOut, count);
            chunkIn[0] = delayedLeft;
            chunkIn[1] = delayedRight;
        }
        chain.duckPeaks(kernels, peaks, chunkIn, chunkOut, count, mode);
    }
}

}  // namespace qm
