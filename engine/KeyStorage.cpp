#include "engine/KeyStorage.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/SharedCopy.h"

namespace qm {

namespace {

constexpr std::align_val_t kCacheLine{64};

}  // namespace

void KeyStorage::CacheLineDelete::operator()(float* samples) const { ::operator delete[](samples, kCacheLine); }

KeyStorage::KeyStorage(std::int32_t capacityFrames) : capacity(std::max<std::int32_t>(capacityFrames, 0)) {
    const std::size_t count = std::max<std::size_t>(static_cast<std::size_t>(capacity) * 2 * 2 * kKeySlotCount, 1);
    ownedSlots.reset(new (std::nothrow) KeySlotState[kKeySlotCount]());
    ownedSamples.reset(static_cast<float*>(::operator new[](count * sizeof(float), kCacheLine, std::nothrow)));
    // All bits zero is 0.0f; one memset clears megabytes faster than a loop over floats.
    if (ownedSamples != nullptr) std::memset(ownedSamples.get(), 0, count * sizeof(float));
    slots = ownedSlots.get();
    samples = ownedSamples.get();
}

KeyStorage::KeyStorage(KeySlotState* slotStates, float* sampleMemory, std::int32_t capacityFrames)
    : slots(slotStates), samples(sampleMemory), capacity(std::max<std::int32_t>(capacityFrames, 0)) {}

float* KeyStorage::halfSamples(std::int32_t slot, std::int32_t half) const {
    return samples + (static_cast<std::size_t>(slot) * 2 + static_cast<std::size_t>(half)) * 2 *
                               static_cast<std::size_t>(capacity);
}

void KeyStorage::publish(std::int32_t slot, const float* left, const float* right, std::int32_t frames,
                         float* const* copies) {
    if (slot < 0 || slot >= kKeySlotCount || !isValid()) return;
    frames = std::clamp<std::int32_t>(frames, 0, capacity);
    KeySlotState& target = slots[slot];
    const std::int32_t half = (target.latest.load(std::memory_order_relaxed) & 1) ^ 1;
    KeyHalfState& writing = target.halves[half];
    // Odd while writing, even when done, whatever a crashed writer left behind. The samples must
    // not become visible before the odd count.
    const std::uint32_t sequence = writing.sequence.load(std::memory_order_relaxed) | 1u;
    writing.sequence.store(sequence, std::memory_order_relaxed);
    orderSharedCopies();
    const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(frames);
    float* out = halfSamples(slot, half);
    const float* channels[2] = {left, right};
    for (int c = 0; c < 2; ++c) {
        float* channel = out + static_cast<std::size_t>(c) * static_cast<std::size_t>(capacity);
        if (channels[c] != nullptr) copySharedBytes(channel, channels[c], bytes, copies != nullptr ? copies[c] : nullptr);
        else zeroSharedBytes(channel, bytes);
    }
    writing.frames.store(frames, std::memory_order_release);
    writing.sequence.store(sequence + 1, std::memory_order_release);
    target.latest.store(half, std::memory_order_release);
}

KeyStorage::View KeyStorage::openView(std::int32_t slot) const {
    View view;
    if (slot < 0 || slot >= kKeySlotCount || !isValid()) return view;
    const KeySlotState& source = slots[slot];
    view.half = source.latest.load(std::memory_order_acquire) & 1;
    const KeyHalfState& reading = source.halves[view.half];
    view.sequence = reading.sequence.load(std::memory_order_acquire);
    view.frames = std::clamp<std::int32_t>(reading.frames.load(std::memory_order_acquire), 0, capacity);
    view.valid = (view.sequence & 1u) == 0 &&
                 reading.sequence.load(std::memory_order_relaxed) == view.sequence;
    return view;
}

bool KeyStorage::readFrames(std::int32_t slot, View& view, std::int32_t first, std::int32_t count, float* keyLeft,
                            float* keyRight) const {
    count = std::max<std::int32_t>(count, 0);
    const std::int32_t available = view.valid ? std::clamp<std::int32_t>(view.frames - first, 0, count) : 0;
    if (available > 0) {
        const float* in = halfSamples(slot, view.half) + first;
        const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(available);
        copySharedBytes(keyLeft, in, bytes);
        copySharedBytes(keyRight, in + capacity, bytes);
        // The copies must be complete before the sequence is read again.
        orderSharedCopies();
        if (slots[slot].halves[view.half].sequence.load(std::memory_order_relaxed) != view.sequence) {
            view.valid = false;
            std::fill(keyLeft, keyLeft + count, 0.0f);
            std::fill(keyRight, keyRight + count, 0.0f);
            return false;
        }
    }
    std::fill(keyLeft + available, keyLeft + count, 0.0f);
    std::fill(keyRight + available, keyRight + count, 0.0f);
    return view.valid;
}

}  // namespace qm
