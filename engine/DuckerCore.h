#pragma once
// The ducker of one plug-in instance, without any plug-in format: the eleven parameters as
// atomics, the instance's key slot on a key bus, the duck chain and the block processing that
// publishes the input, listens to the selected slots (and to a side-chain key where the format
// has one) and lowers (duck) or passes (key) the instance's audio by the key's level. Beyond the
// eleven parameters it offers the duck chain's range and hold and a look-ahead that delays the
// instance's audio against its key; all three are off unless set, and then cost nothing. Each
// format's shell owns one core per instance.

#include <array>
#include <atomic>
#include <cstdint>

#include "engine/AudioDelay.h"
#include "engine/ControlTable.h"
#include "engine/DuckChain.h"
#include "engine/KeyBus.h"
#include "engine/Parameters.h"
#include "engine/kernels/DuckKernels.h"

namespace qm {

// One block of stereo audio as a host hands it over.
struct DuckerBlock {
    // Two input and two output channels; outputs may be the inputs (in place).
    const float* const* inputs;
    float* const* outputs;
    std::int32_t frames;
    // Two channels of a key that is summed with the selected slots (a side-chain input), or null.
    const float* const* sideKey = nullptr;
};

class DuckerCore {
public:
    // Sets the parameter defaults and takes the lowest free slot of `keyBus` (which must outlive
    // the core) for blocks of `blockSizeFrames`; parameter 0 then holds the slot, or 6.0 when none
    // was free. UI thread.
    DuckerCore(KeyBus& keyBus, std::int32_t blockSizeFrames);
    // Leaves the key bus. UI thread.
    ~DuckerCore();
    DuckerCore(const DuckerCore&) = delete;
    DuckerCore& operator=(const DuckerCore&) = delete;

    // Stores a parameter value (index 0..10; others are ignored). Any thread.
    void setParameter(std::int32_t index, float value) {
        if (index >= 0 && index < kParameterCount) parameters[index].store(value, std::memory_order_relaxed);
    }
    // The stored value; 0 for indices outside 0..10. Any thread.
    float getParameter(std::int32_t index) const {
        if (index < 0 || index >= kParameterCount) return 0.0f;
        return parameter(index);
    }
    // Sets control `id` to `value` in user units (already limited to its range): a parameter in
    // its stored form, or the chain's range, hold or look-ahead at `sampleRateHz`. Audio thread,
    // between blocks, for the chain's shaping.
    void setControl(ControlId id, float value, double sampleRateHz);
    // The slot this instance publishes on (0..3), or -1 when it has none.
    std::int32_t keySlot() const { return ownSlot; }
    // Lets blocks of `blockSizeFrames` fit the key slots in one piece. UI thread.
    void reserve(std::int32_t blockSizeFrames);

    // Sizes the hold and the look-ahead for at most `maxHoldMs` and `maxLookaheadMs` at
    // `sampleRateHz`; false when the memory cannot be had. Allocates: set-up only.
    bool prepareShaping(double sampleRateHz, double maxHoldMs, double maxLookaheadMs);
    // The largest reduction in dB (0: none); the key's peak held for `holdMs` (0: off) at
    // `sampleRateHz`; the instance's audio delayed by `lookaheadFrames` against the key. Each is
    // limited to what prepareShaping sized and allocates nothing. Audio thread, between blocks.
    void setRangeDb(double rangeDb) { chain.detector().setRangeDb(rangeDb); }
    void setHoldMs(double holdMs, double sampleRateHz);
    void setLookaheadFrames(std::int32_t frames) { delay.setDelayFrames(frames); }
    std::int32_t lookaheadFrames() const { return delay.delayFrames(); }

    // Processes one block at `sampleRateHz`: replaces the outputs, or adds to them. Returns the
    // gain reduction of the block's last frame, 0..1 (0 when bypassed, passed through or empty).
    // Audio thread: no allocation, lock or system call.
    double processReplacing(const DuckerBlock& block, float sampleRateHz) {
        return processBlock<false>(block, sampleRateHz);
    }
    double processAccumulating(const DuckerBlock& block, float sampleRateHz) {
        return processBlock<true>(block, sampleRateHz);
    }

private:
    template <bool Accumulate>
    double processBlock(const DuckerBlock& block, float sampleRateHz);
    // Ducks one piece of at most the key bus's capacity; `storage` is null without a slot.
    void duckPiece(const KernelSet& kernels, KeyStorage* storage, KeyStorage::View* views, const float* const* side,
                   const float* const* in, float* const* out, std::int32_t frames, DuckMode mode);
    // Passes one piece through the look-ahead delay to the outputs.
    void delayPiece(const KernelSet& kernels, const float* const* in, float* const* out, std::int32_t frames,
                    bool accumulate);
    float parameter(std::int32_t index) const { return parameters[index].load(std::memory_order_relaxed); }

    KeyBus& keyBus;
    std::atomic<float> parameters[kParameterCount];
    std::int32_t ownSlot = -1;
    DuckChain chain;
    AudioDelay delay;
    bool listening[kKeySlotCount] = {false, false, false, false};
};

}  // namespace qm
