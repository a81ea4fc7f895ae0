#include "engine/SharedKeyBus.h"

namespace qm {
namespace {

constexpr std::size_t kRegionBytes = keyRegionBytes(SharedKeyBus::kCapacityFrames);

bool headerMatches(const KeyRegionHeader& header) {
    return header.identity.load(std::memory_order_acquire) == kKeyRegionIdentity &&
           header.headerBytes.load(std::memory_order_relaxed) == sizeof(KeyRegionHeader) &&
           header.slotBytes.load(std::memory_order_relaxed) == sizeof(KeySlotState) &&
           header.slotCount.load(std::memory_order_relaxed) == kKeySlotCount &&
           header.capacityFrames.load(std::memory_order_relaxed) == SharedKeyBus::kCapacityFrames &&
           header.regionBytes.load(std::memory_order_relaxed) == kRegionBytes;
}

}  // namespace

SharedKeyBus::SharedKeyBus(const std::string& location)
    : region(SharedMemory::openForCurrentUser(location, kRegionBytes, &SharedKeyBus::adoptRegion)) {
    if (region == nullptr) return;
    auto* header = static_cast<KeyRegionHeader*>(region->data());
    auto* slots = reinterpret_cast<KeySlotState*>(header + 1);
    auto* sampleMemory = reinterpret_cast<float*>(slots + kKeySlotCount);
    samples = std::make_unique<KeyStorage>(slots, sampleMemory, kCapacityFrames);
}

// Openers of one region are serialised by the platform's lock; processes of an earlier version
// did without it, so a zero identity is still filled in with compare-and-exchange, every
// concurrent opener writing the same values and the identity last.
bool SharedKeyBus::adoptRegion(void* memory, std::size_t bytes, bool) {
    if (bytes != kRegionBytes) return false;
    auto* header = static_cast<KeyRegionHeader*>(memory);
    if (header->identity.load(std::memory_order_acquire) == 0) {
        header->headerBytes.store(sizeof(KeyRegionHeader), std::memory_order_relaxed);
        header->slotBytes.store(sizeof(KeySlotState), std::memory_order_relaxed);
        header->slotCount.store(kKeySlotCount, std::memory_order_relaxed);
        header->capacityFrames.store(kCapacityFrames, std::memory_order_relaxed);
        header->regionBytes.store(kRegionBytes, std::memory_order_relaxed);
        std::uint64_t fresh = 0;
        header->identity.compare_exchange_strong(fresh, kKeyRegionIdentity, std::memory_order_acq_rel);
    }
    return headerMatches(*header);
}

bool SharedKeyBus::isCurrent() const {
    return isOpen() && region->isCurrent() && headerMatches(*static_cast<const KeyRegionHeader*>(region->data()));
}

std::int32_t SharedKeyBus::join(std::int32_t) {
    if (!isOpen()) return -1;
    const std::uint64_t me = currentProcessToken();
    for (std::int32_t slot = 0; slot < kKeySlotCount; ++slot) {
        std::atomic<std::uint64_t>& owner = samples->slotState(slot).owner;
        std::uint64_t seen = owner.load(std::memory_order_acquire);
        const bool claimable = seen == 0 || (seen != me && !isProcessTokenAlive(seen));
        if (claimable && owner.compare_exchange_strong(seen, me, std::memory_order_acq_rel)) {
            samples->publish(slot, nullptr, nullptr, 0);
            return slot;
        }
    }
    return -1;
}

void SharedKeyBus::leave(std::int32_t slot) {
    if (!isOpen() || slot < 0 || slot >= kKeySlotCount) return;
    std::uint64_t me = currentProcessToken();
    std::atomic<std::uint64_t>& owner = samples->slotState(slot).owner;
    if (owner.load(std::memory_order_acquire) != me) return;
    samples->publish(slot, nullptr, nullptr, 0);
    owner.compare_exchange_strong(me, 0, std::memory_order_acq_rel);
}

bool SharedKeyBus::isEmpty() {
    if (!isOpen()) return true;
    const std::uint64_t me = currentProcessToken();
    for (std::int32_t slot = 0; slot < kKeySlotCount; ++slot) {
        const std::uint64_t owner = samples->slotState(slot).owner.load(std::memory_order_acquire);
        if (owner != 0 && (owner == me || isProcessTokenAlive(owner))) return false;
    }
    return true;
}

void SharedKeyBus::reserve(std::int32_t) {}

}  // namespace qm
