#pragma once
// The bus of this process: the key bus shared by the user's processes while its region can be
// had, otherwise one of this process alone. While the process holds no slot, every join looks at
// the region again: one that was replaced since (another process found it broken and made a
// fresh one), or that can be had again, is used from that join on. A process that holds slots
// stays where it is, so its instances keep hearing each other. After an attempt that waited in
// vain for the region's lock, joins use the process's own bus for a while without asking again,
// so that a stuck lock holder does not hold up every new instance.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "engine/LocalKeyBus.h"
#include "engine/SharedKeyBus.h"

namespace qm {

class SessionKeyBus : public KeyBus {
public:
    // Uses the region at `location` (see keyRegionNameForCurrentUser); opens it at the first join.
    explicit SessionKeyBus(std::string location);
    SessionKeyBus(const SessionKeyBus&) = delete;
    SessionKeyBus& operator=(const SessionKeyBus&) = delete;

    std::int32_t join(std::int32_t blockSizeFrames) override;
    void leave(std::int32_t slot) override;
    bool isEmpty() override;
    void reserve(std::int32_t blockSizeFrames) override;
    // Audio thread: the storage of the bus the slots were taken on.
    KeyStorage* storage() const override { return active.load(std::memory_order_acquire)->storage(); }

    // True while slots are taken on the shared region rather than on the process's own bus.
    bool isShared() const { return active.load(std::memory_order_acquire) != &local; }

private:
    // Chooses the bus for the next join; only while no slot is held.
    void chooseBusLocked();

    // How long joins keep away from a region whose lock could not be had.
    static constexpr std::chrono::seconds kRetryAfterStuckLock{10};

    const std::string location;
    std::mutex lock;
    LocalKeyBus local;
    std::unique_ptr<SharedKeyBus> shared;
    std::atomic<KeyBus*> active;
    bool held[kKeySlotCount] = {false, false, false, false};
    std::int32_t heldCount = 0;
    std::chrono::steady_clock::time_point retryAfter{};
};

}  // namespace qm
