#include "engine/SessionKeyBus.h"

namespace qm {

SessionKeyBus::SessionKeyBus(std::string location) : location(std::move(location)), active(&local) {}

void SessionKeyBus::chooseBusLocked() {
    if (shared == nullptr || !shared->isCurrent()) {
        // Nobody in this process uses the old region any more: it can be let go.
        active.store(&local, std::memory_order_release);
        shared.reset();
        const auto started = std::chrono::steady_clock::now();
        if (started >= retryAfter) {
            auto reopened = std::make_unique<SharedKeyBus>(location);
            const auto finished = std::chrono::steady_clock::now();
            if (reopened->isOpen()) {
                shared = std::move(reopened);
            } else if (finished - started >= std::chrono::milliseconds(250)) {
                // A failure that took this long waited for the lock in vain.
                retryAfter = finished + kRetryAfterStuckLock;
            }
        }
    }
    active.store(shared != nullptr ? static_cast<KeyBus*>(shared.get()) : &local, std::memory_order_release);
}

std::int32_t SessionKeyBus::join(std::int32_t blockSizeFrames) {
    std::lock_guard<std::mutex> guard(lock);
    if (heldCount == 0) chooseBusLocked();
    const std::int32_t slot = active.load(std::memory_order_relaxed)->join(blockSizeFrames);
    if (slot >= 0 && slot < kKeySlotCount && !held[slot]) {
        held[slot] = true;
        ++heldCount;
    }
    return slot;
}

void SessionKeyBus::leave(std::int32_t slot) {
    if (slot < 0 || slot >= kKeySlotCount) return;
    std::lock_guard<std::mutex> guard(lock);
    if (!held[slot]) return;
    active.load(std::memory_order_relaxed)->leave(slot);
    held[slot] = false;
    --heldCount;
}

bool SessionKeyBus::isEmpty() {
    std::lock_guard<std::mutex> guard(lock);
    return active.load(std::memory_order_relaxed)->isEmpty();
}

void SessionKeyBus::reserve(std::int32_t blockSizeFrames) {
    std::lock_guard<std::mutex> guard(lock);
    active.load(std::memory_order_relaxed)->reserve(blockSizeFrames);
}

}  // namespace qm
