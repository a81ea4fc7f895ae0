#pragma once
// The sample memory of the key bus: for each of the four slots, the latest block of stereo frames
// that its owner published, with its frame count. Each slot has two halves; the owner writes the
// half that listeners are not reading and then makes it the latest, and a sequence counter per
// half lets a listener tell whether what it copied was overwritten meanwhile. Listeners never wait
// and never see frames of two different blocks; a block that changed under them reads as silence.
// Samples are accessed through relaxed atomics, so owners and listeners on different threads do
// not race.

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/Parameters.h"

namespace qm {

class KeyStorage {
public:
    // Storage for blocks of up to `capacityFrames` frames per slot; check `isValid` afterwards.
    explicit KeyStorage(std::int32_t capacityFrames);
    KeyStorage(const KeyStorage&) = delete;
    KeyStorage& operator=(const KeyStorage&) = delete;

    // False when the sample memory could not be allocated.
    bool isValid() const { return samples != nullptr; }
    // The largest block, in frames, that one publish carries.
    std::int32_t capacityFrames() const { return capacity; }

    // Publishes `frames` frames (at most the capacity) of two channels as the slot's latest block.
    // Only the slot's owner calls it. Audio thread of the owner, or its destructor.
    void publish(std::int32_t slot, const float* left, const float* right, std::int32_t frames);

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

    // Adds frames [first, first + count) of the viewed block to keyLeft[0..count) and
    // keyRight[0..count); frames beyond the published count add nothing. Returns false, adding
    // nothing, and invalidates the view when the block was overwritten meanwhile. count is at
    // most kReadChunkFrames. Any thread.
    bool addFrames(std::int32_t slot, View& view, std::int32_t first, std::int32_t count, float* keyLeft,
                   float* keyRight) const;

    static constexpr std::int32_t kReadChunkFrames = 64;

private:
    struct Half {
        std::atomic<std::uint32_t> sequence{0};
        std::atomic<std::int32_t> frames{0};
    };
    struct Slot {
        std::atomic<std::int32_t> latest{0};
        Half halves[2];
    };

    float* halfSamples(std::int32_t slot, std::int32_t half) const;

    std::int32_t capacity;
    std::unique_ptr<float[]> samples;
    Slot slots[kKeySlotCount];
};

}  // namespace qm
