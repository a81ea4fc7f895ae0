#pragma once
// The registry through which instances share keys without routing: four slots, each owned by at
// most one instance, lowest free slot first. Join, leave and growth happen on the threads that
// create, destroy and configure instances and are serialised by a lock that the audio path never
// takes; the audio path reaches the sample memory through `storage`, which stays valid for as
// long as the caller owns a slot.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/KeyStorage.h"

namespace qm {

class KeyBus {
public:
    // Smallest capacity the slots get, in frames per block; larger sizes round up to a power of two.
    static constexpr std::int32_t kMinCapacityFrames = 4096;
    // Largest capacity; longer blocks are processed in pieces of this size.
    static constexpr std::int32_t kMaxCapacityFrames = 1 << 16;

    KeyBus() = default;
    KeyBus(const KeyBus&) = delete;
    KeyBus& operator=(const KeyBus&) = delete;

    // The bus that every instance of this process shares.
    static KeyBus& processBus();

    // Takes the lowest free slot and makes sure blocks of `blockSizeFrames` fit; returns the slot
    // number, or -1 when all four are taken or the sample memory cannot be had.
    std::int32_t join(std::int32_t blockSizeFrames);
    // Frees `slot` (0..3; anything else changes nothing); its listeners hear silence from now on.
    // When no slot stays taken, the sample memory is released.
    void leave(std::int32_t slot);
    // True when no slot is taken.
    bool isEmpty();
    // Grows the slots so that blocks of `blockSizeFrames` fit in one piece. Never shrinks; keys
    // published before a growth read as silence until their owners publish again.
    void reserve(std::int32_t blockSizeFrames);

    // The current sample memory, or null when no slot is taken. Valid while the caller owns a slot.
    KeyStorage* storage() const { return current.load(std::memory_order_acquire); }

private:
    static std::int32_t capacityFor(std::int32_t blockSizeFrames);
    bool growLocked(std::int32_t capacityFrames);

    std::mutex lock;
    bool taken[kKeySlotCount] = {false, false, false, false};
    std::atomic<KeyStorage*> current{nullptr};
    // Every storage made since the bus was last empty; earlier ones stay alive because listeners
    // may still be reading them.
    std::vector<std::unique_ptr<KeyStorage>> storages;
};

}  // namespace qm
