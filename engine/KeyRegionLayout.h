#pragma once
// The key bus's memory as fixed-width records, identical in 32-bit and 64-bit processes so that
// instances in both can share one region: a header, four slot records, then the samples. Nothing
// in it is a pointer; every field has an explicit size.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "engine/Parameters.h"

namespace qm {

// Identifies the layout: the magic in the low half, the layout version in the high half.
constexpr std::uint32_t kKeyRegionMagic = 0x4B564D51;  // "QMVK" read little-endian
// 2: each half holds the left channel, then the right. The region's name carries this number too.
constexpr std::uint32_t kKeyRegionVersion = 2;
constexpr std::uint64_t kKeyRegionIdentity = (std::uint64_t{kKeyRegionVersion} << 32) | kKeyRegionMagic;

struct KeyRegionHeader {
    std::atomic<std::uint64_t> identity;   // kKeyRegionIdentity once the fields below are set
    std::atomic<std::uint32_t> headerBytes;
    std::atomic<std::uint32_t> slotBytes;
    std::atomic<std::uint32_t> slotCount;
    std::atomic<std::uint32_t> capacityFrames;
    std::atomic<std::uint64_t> regionBytes;
    std::uint8_t reserved[32];
};

// One half of a slot: the sequence is odd while its owner writes the half.
struct KeyHalfState {
    std::atomic<std::uint32_t> sequence;
    std::atomic<std::int32_t> frames;
};

struct KeySlotState {
    std::atomic<std::uint64_t> owner;  // 0 when free, else the owning process's token
    std::atomic<std::int32_t> latest;  // the half that holds the latest block (only bit 0 counts)
    std::uint32_t reserved0;
    KeyHalfState halves[2];
    std::uint8_t reserved[32];
};

static_assert(std::atomic<std::uint64_t>::is_always_lock_free, "slot ownership needs 64-bit atomics");
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
static_assert(sizeof(std::atomic<std::uint64_t>) == 8 && alignof(std::atomic<std::uint64_t>) == 8);
static_assert(sizeof(KeyRegionHeader) == 64);
static_assert(offsetof(KeyRegionHeader, headerBytes) == 8);
static_assert(offsetof(KeyRegionHeader, capacityFrames) == 20);
static_assert(offsetof(KeyRegionHeader, regionBytes) == 24);
static_assert(sizeof(KeyHalfState) == 8);
static_assert(sizeof(KeySlotState) == 64);
static_assert(offsetof(KeySlotState, latest) == 8);
static_assert(offsetof(KeySlotState, halves) == 16);

// Samples per slot half: `capacityFrames` frames of the left channel, then as many of the right.
constexpr std::size_t keyRegionBytes(std::uint32_t capacityFrames) {
    return sizeof(KeyRegionHeader) + sizeof(KeySlotState) * kKeySlotCount +
           sizeof(float) * 2 * 2 * kKeySlotCount * static_cast<std::size_t>(capacityFrames);
}

}  // namespace qm
