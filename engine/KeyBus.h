#pragma once
// The registry through which instances share keys without routing: four slots, each owned by at
// most one instance, lowest free slot first. Joining, leaving and growing happen on the threads
// that create, destroy and configure instances; the audio path only reaches the sample memory
// through `storage`, which stays valid for as long as the caller owns a slot, and never waits.

#include <cstdint>

#include "engine/KeyStorage.h"

namespace qm {

class KeyBus {
public:
    virtual ~KeyBus() = default;

    // The bus of this process: the one shared by all processes of the user's session when its
    // region can be had, otherwise one of this process alone (looked at again at every join
    // while the process holds no slot).
    static KeyBus& processBus();

    // Takes the lowest free slot and makes sure blocks of `blockSizeFrames` fit; returns the slot
    // number, or -1 when all four are taken or no sample memory can be had.
    virtual std::int32_t join(std::int32_t blockSizeFrames) = 0;
    // Frees `slot` (0..3; anything else changes nothing); its listeners hear silence from now on.
    virtual void leave(std::int32_t slot) = 0;
    // True when no slot is taken.
    virtual bool isEmpty() = 0;
    // Lets blocks of `blockSizeFrames` fit in one piece where the bus can grow.
    virtual void reserve(std::int32_t blockSizeFrames) = 0;
    // The current sample memory, or null when none; valid while the caller owns a slot.
    virtual KeyStorage* storage() const = 0;
};

}  // namespace qm
