#include "engine/LocalKeyBus.h"

#include <algorithm>
#include <new>

namespace qm {

std::int32_t LocalKeyBus::capacityFor(std::int32_t blockSizeFrames) {
    std::int32_t capacity = kMinCapacityFrames;
    while (capacity < blockSizeFrames && capacity < kMaxCapacityFrames) capacity *= 2;
    return capacity;
}

bool LocalKeyBus::growLocked(std::int32_t capacityFrames) {
    const KeyStorage* existing = current.load(std::memory_order_relaxed);
    if (existing != nullptr && existing->capacityFrames() >= capacityFrames) return true;
    try {
        std::unique_ptr<KeyStorage> grown(new (std::nothrow) KeyStorage(capacityFrames));
        if (grown == nullptr || !grown->isValid()) return existing != nullptr;
        storages.reserve(storages.size() + 1);
        current.store(grown.get(), std::memory_order_release);
        storages.push_back(std::move(grown));
        return true;
    } catch (const std::bad_alloc&) {
        return existing != nullptr;
    }
}

std::int32_t LocalKeyBus::join(std::int32_t blockSizeFrames) {
    std::lock_guard<std::mutex> guard(lock);
    const auto free = std::find(std::begin(taken), std::end(taken), false);
    if (free == std::end(taken)) return -1;
    if (!growLocked(capacityFor(blockSizeFrames))) return -1;
    *free = true;
    return static_cast<std::int32_t>(free - std::begin(taken));
}

void LocalKeyBus::leave(std::int32_t slot) {
    if (slot < 0 || slot >= kKeySlotCount) return;
    std::lock_guard<std::mutex> guard(lock);
    if (!taken[slot]) return;
    taken[slot] = false;
    if (KeyStorage* samples = current.load(std::memory_order_relaxed)) samples->publish(slot, nullptr, nullptr, 0);
    if (std::find(std::begin(taken), std::end(taken), true) == std::end(taken)) {
        current.store(nullptr, std::memory_order_release);
        storages.clear();
    }
}

bool LocalKeyBus::isEmpty() {
    std::lock_guard<std::mutex> guard(lock);
    return std::find(std::begin(taken), std::end(taken), true) == std::end(taken);
}

void LocalKeyBus::reserve(std::int32_t blockSizeFrames) {
    std::lock_guard<std::mutex> guard(lock);
    if (current.load(std::memory_order_relaxed) == nullptr) return;
    growLocked(capacityFor(blockSizeFrames));
}

}  // namespace qm
