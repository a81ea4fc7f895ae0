#pragma once
// The sample memory of the key bus: for each of the four slots, the latest block of stereo frames
// that its owner published, with its frame count. Each slot has two halves, each holding the left
// channel's frames and then the right channel's; the owner writes the half that listeners are not
// reading and then makes it the latest, and a sequence counter per half lets a listener tell
// whether what it copied was overwritten meanwhile. Listeners never wait and never see frames of
// two different blocks; a block that changed under them reads as silence. Samples move in bulk
// with byte-wise atomic copies, checked by the atomic sequence counters, so owners and listeners
// on different threads or in different processes do not race. What the memory holds is not
// trusted: counts and indices are limited to the capacity before use.

#include <cstdint>
#include <memory>

#include "engine/KeyRegionLayout.h"

namespace qm {

class KeyStorage {
public:
    // Storage of its own for blocks of up to `capacityFrames` frames per slot; check `isValid`.
    explicit KeyStorage(std::int32_t capacityFrames);
    // Storage in memory that someone else owns: four slot records and their samples.
    KeyStorage(KeySlotState* slotStates, float* samples, std::int32_t capacityFrames);
    KeyStorage(const KeyStorage&) = delete;
    KeyStorage& operator=(const KeyStorage&) = delete;

    // False when the memory could not be allocated.
    bool isValid() const { return samples != nullptr && slots != nullptr; }
    // The largest block, in frames, that one publish carries.
    std::int32_t capacityFrames() const { return capacity; }
    // The slot's record (ownership word and halves); `slot` must be 0..3.
    KeySlotState& slotState(std::int32_t slot) const { return slots[slot]; }

    // Publishes `frames` frames (at most the capacity) of two channels as the slot's latest block;
    // null channels publish silence. With `copies`, also copies both channels there in the same
    // pass (a pass-through that reads its input once). Only the slot's owner calls it. Owner's
    // audio thread.
    void publish(std::int32_t slot, const float* left, const float* right, std::int32_t frames,
                 float* const* copies = nullptr);

    // What a listener holds of one slot while it reads one block.
    struct View {
        std::int32_t half = 0;
        std::uint32_t sequence = 0;
        std::int32_t frames = 0;
        bool valid = false;
    };

    // Starts reading the latest block of `slot`; the view is invalid when the slot is being
    // rewritten right now or the slot number is out of range. Any thread.
    View openView(std::int32_t slot) const;

    // Copies frames [first, first + count) of the viewed block to keyLeft[0..count) and
    // keyRight[0..count); frames beyond the published count read as silence. Returns false, with
    // silence in both, and invalidates the view when the view is invalid or the block was
    // overwritten meanwhile. Any thread.
    bool readFrames(std::int32_t slot, View& view, std::int32_t first, std::int32_t count, float* keyLeft,
                    float* keyRight) const;

    // The most frames the processor reads at once (its chunks).
    static constexpr std::int32_t kReadChunkFrames = 256;

private:
    // The left channel of a half; its right channel follows `capacity` floats later.
    float* halfSamples(std::int32_t slot, std::int32_t half) const;

    // Sample memory of its own starts on a cache line, where bulk copies are fastest.
    struct CacheLineDelete {
        void operator()(float* samples) const;
    };

    std::unique_ptr<KeySlotState[]> ownedSlots;
    std::unique_ptr<float[], CacheLineDelete> ownedSamples;
    KeySlotState* slots = nullptr;
    float* samples = nullptr;
    std::int32_t capacity;
};

}  // namespace qm
