#pragma once
// A key bus of one process: join, leave and growth are serialised by a lock that the audio path
// never takes. The sample memory grows with the block sizes that hosts announce; earlier memory
// stays alive while any slot is taken, because listeners may still be reading it.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/KeyBus.h"

namespace qm {

class LocalKeyBus : public KeyBus {
public:
    // Smallest capacity the slots get, in frames per block; larger sizes round up to a power of two.
    static constexpr std::int32_t kMinCapacityFrames = 4096;
    // Largest capacity; longer blocks are processed in pieces of this size.
    static constexpr std::int32_t kMaxCapacityFrames = 1 << 16;

    LocalKeyBus() = default;
    LocalKeyBus(const LocalKeyBus&) = delete;
    LocalKeyBus& operator=(const LocalKeyBus&) = delete;

    std::int32_t join(std::int32_t blockSizeFrames) override;
    // When no slot stays taken, the sample memory is released.
    void leave(std::int32_t slot) override;
    bool isEmpty() override;
    // Never shrinks; keys published before a growth read as silence until their owners publish again.
    void reserve(std::int32_t blockSizeFrames) override;
    KeyStorage* storage() const override { return current.load(std::memory_order_acquire); }

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
