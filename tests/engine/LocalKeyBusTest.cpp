#include <gtest/gtest.h>

#include <vector>

#include "engine/LocalKeyBus.h"

namespace qm {
namespace {

std::vector<float> ramp(int frames, float start) {
    std::vector<float> samples(frames);
    for (int i = 0; i < frames; ++i) samples[i] = start + static_cast<float>(i);
    return samples;
}

// Reads `frames` frames of the latest block on `slot`, as a listener does.
void readKey(const KeyStorage& storage, int slot, int frames, std::vector<float>& left, std::vector<float>& right) {
    left.assign(frames, 0.0f);
    right.assign(frames, 0.0f);
    KeyStorage::View view = storage.openView(slot);
    for (int first = 0; first < frames; first += KeyStorage::kReadChunkFrames) {
        const int count = std::min(KeyStorage::kReadChunkFrames, frames - first);
        storage.readFrames(slot, view, first, count, left.data() + first, right.data() + first);
    }
}

TEST(LocalKeyBus, SlotsAreHandedOutLowestFirstAndAFifthInstanceGetsNone) {
    LocalKeyBus bus;
    EXPECT_TRUE(bus.isEmpty());
    EXPECT_EQ(bus.storage(), nullptr);
    EXPECT_EQ(bus.join(1024), 0);
    EXPECT_EQ(bus.join(1024), 1);
    EXPECT_EQ(bus.join(1024), 2);
    EXPECT_EQ(bus.join(1024), 3);
    EXPECT_EQ(bus.join(1024), -1);
    bus.leave(1);
    EXPECT_EQ(bus.join(1024), 1);
    bus.leave(-1);
    bus.leave(4);
    EXPECT_FALSE(bus.isEmpty());
    for (int slot = 0; slot < 4; ++slot) bus.leave(slot);
    EXPECT_TRUE(bus.isEmpty());
    EXPECT_EQ(bus.storage(), nullptr);
    EXPECT_EQ(bus.join(1024), 0);
}

TEST(LocalKeyBus, ListenersReadThePublishedFramesAndSilenceBeyondThem) {
    LocalKeyBus bus;
    const int slot = bus.join(512);
    KeyStorage& storage = *bus.storage();
    const auto left = ramp(100, 1.0f);
    const auto right = ramp(100, -50.0f);
    storage.publish(slot, left.data(), right.data(), 100);

    std::vector<float> keyLeft;
    std::vector<float> keyRight;
    readKey(storage, slot, 150, keyLeft, keyRight);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(keyLeft[i], left[i]);
        EXPECT_EQ(keyRight[i], right[i]);
    }
    for (int i = 100; i < 150; ++i) EXPECT_EQ(keyLeft[i], 0.0f);

    // A shorter block from the owner replaces the whole key; nobody else's frame count clears it.
    storage.publish(slot, right.data(), left.data(), 30);
    readKey(storage, slot, 100, keyLeft, keyRight);
    EXPECT_EQ(keyLeft[29], right[29]);
    EXPECT_EQ(keyLeft[30], 0.0f);
}

TEST(LocalKeyBus, ADepartedOwnersSlotReadsSilence) {
    LocalKeyBus bus;
    const int keeper = bus.join(512);
    const int sender = bus.join(512);
    const auto samples = ramp(64, 3.0f);
    bus.storage()->publish(sender, samples.data(), samples.data(), 64);
    bus.leave(sender);
    std::vector<float> keyLeft;
    std::vector<float> keyRight;
    readKey(*bus.storage(), sender, 64, keyLeft, keyRight);
    for (float sample : keyLeft) EXPECT_EQ(sample, 0.0f);
    bus.leave(keeper);
}

TEST(LocalKeyBus, GrowsForLargerBlocksAndKeepsOlderStorageReadable) {
    LocalKeyBus bus;
    bus.join(100);
    KeyStorage* first = bus.storage();
    EXPECT_EQ(first->capacityFrames(), LocalKeyBus::kMinCapacityFrames);
    bus.reserve(1000);
    EXPECT_EQ(bus.storage(), first);
    bus.reserve(5000);
    KeyStorage* grown = bus.storage();
    EXPECT_NE(grown, first);
    EXPECT_EQ(grown->capacityFrames(), 8192);
    // A listener that still holds the earlier storage can go on reading it.
    KeyStorage::View view = first->openView(0);
    EXPECT_TRUE(view.valid);
    bus.reserve(1 << 30);
    EXPECT_EQ(bus.storage()->capacityFrames(), LocalKeyBus::kMaxCapacityFrames);
    bus.leave(0);
}

TEST(KeyStorage, AViewOfABlockThatWasOverwrittenMeanwhileReadsAsSilence) {
    KeyStorage storage(256);
    const auto first = ramp(64, 1.0f);
    const auto second = ramp(64, 100.0f);
    storage.publish(2, first.data(), first.data(), 64);
    KeyStorage::View view = storage.openView(2);
    ASSERT_TRUE(view.valid);
    EXPECT_EQ(view.frames, 64);
    // One more block goes to the other half: the view still reads the block it opened.
    storage.publish(2, second.data(), second.data(), 64);
    std::vector<float> left(64, 0.0f);
    std::vector<float> right(64, 0.0f);
    EXPECT_TRUE(storage.readFrames(2, view, 0, 64, left.data(), right.data()));
    EXPECT_EQ(left[5], first[5]);
    // The block after that overwrites the viewed half: the view gives up rather than mixing.
    storage.publish(2, second.data(), second.data(), 64);
    std::vector<float> silence(64, 5.0f);
    EXPECT_FALSE(storage.readFrames(2, view, 0, 64, silence.data(), silence.data()));
    for (float sample : silence) EXPECT_EQ(sample, 0.0f);
    EXPECT_FALSE(storage.openView(7).valid);
    storage.publish(-1, first.data(), first.data(), 64);
}

}  // namespace
}  // namespace qm
