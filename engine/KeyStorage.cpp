#include "engine/KeyStorage.h"

#include <algorithm>
#include <new>

namespace qm {
namespace {

// Release stores and acquire loads (plain moves on x86): a listener that reads any sample of a
// newer block is then sure to see that block's odd sequence number afterwards.
float loadSample(float& sample) { return std::atomic_ref<float>(sample).load(std::memory_order_acquire); }

void storeSample(float& sample, float value) {
    std::atomic_ref<float>(sample).store(value, std::memory_order_release);
}

}  // namespace

KeyStorage::KeyStorage(std::int32_t capacityFrames) : capacity(std::max<std::int32_t>(capacityFrames, 0)) {
    const std::size_t count = static_cast<std::size_t>(capacity) * 2 * 2 * kKeySlotCount;
    ownedSlots.reset(new (std::nothrow) KeySlotState[kKeySlotCount]());
    ownedSamples.reset(new (std::nothrow) float[count == 0 ? 1 : count]());
    slots = ownedSlots.get();
    samples = ownedSamples.get();
}

KeyStorage::KeyStorage(KeySlotState* slotStates, float* sampleMemory, std::int32_t capacityFrames)
    : slots(slotStates), samples(sampleMemory), capacity(std::max<std::int32_t>(capacityFrames, 0)) {}

float* KeyStorage::halfSamples(std::int32_t slot, std::int32_t half) const {
    return samples + (static_cast<std::size_t>(slot) * 2 + static_cast<std::size_t>(half)) * 2 *
                               static_cast<std::size_t>(capacity);
}

void KeyStorage::publish(std::int32_t slot, const float* left, const float* right, std::int32_t frames) {
    if (slot < 0 || slot >= kKeySlotCount || !isValid()) return;
    frames = std::clamp<std::int32_t>(frames, 0, capacity);
    KeySlotState& target = slots[slot];
    const std::int32_t half = (target.latest.load(std::memory_order_relaxed) & 1) ^ 1;
    KeyHalfState& writing = target.halves[half];
    // Odd while writing, even when done, whatever a crashed writer left behind.
    const std::uint32_t sequence = writing.sequence.load(std::memory_order_relaxed) | 1u;
    writing.sequence.store(sequence, std::memory_order_relaxed);
    float* out = halfSamples(slot, half);
    for (std::int32_t i = 0; i < frames; ++i) {
        storeSample(out[2 * i], left != nullptr ? left[i] : 0.0f);
        storeSample(out[2 * i + 1], right != nullptr ? right[i] : 0.0f);
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

bool KeyStorage::addFrames(std::int32_t slot, View& view, std::int32_t first, std::int32_t count, float* keyLeft,
                           float* keyRight) const {
    if (!view.valid) return false;
    const std::int32_t available = std::clamp<std::int32_t>(view.frames - first, 0, std::min(count, kReadChunkFrames));
    if (available == 0) return true;
    float copy[2 * kReadChunkFrames];
    float* in = halfSamples(slot, view.half) + 2 * static_cast<std::size_t>(first);
    for (std::int32_t i = 0; i < 2 * available; ++i) copy[i] = loadSample(in[i]);
    if (slots[slot].halves[view.half].sequence.load(std::memory_order_relaxed) != view.sequence) {
        view.valid = false;
        return false;
    }
    for (std::int32_t i = 0; i < available; ++i) {
        keyLeft[i] += copy[2 * i];
        keyRight[i] += copy[2 * i + 1];
    }
    return true;
}

}  // namespace qm
