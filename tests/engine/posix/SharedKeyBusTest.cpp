// The key bus shared by the processes of one user: forked processes claim slots, publish and
// listen through a region of their own name, die while holding slots, and meet regions that
// garbage or other users made.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "formats/vst2/DuckerEffect.h"
#include "engine/SharedKeyBus.h"
#include "support/ForkedChild.h"
#include "support/RecordingHost.h"

namespace qm {
namespace {

constexpr double kSettled48Db = 0.0039810717055349725;  // 10^(-48/20)

std::string uniqueRegionName() {
    static std::atomic<int> counter{0};
    return "/quellmarv3-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

// A region name that is removed again, with its lock, when the test ends.
struct Region {
    std::string name = uniqueRegionName();
    ~Region() {
        shm_unlink(name.c_str());
        shm_unlink((name + ".lock").c_str());
    }
};

// In a child: joins the bus and reports the slot, then holds it until told to stop.
int holdSlot(const std::string& name, const test::ForkedChild::Link& link) {
    SharedKeyBus bus(name);
    const int slot = bus.join(512);
    link.report(std::to_string(slot));
    while (!link.stopRequested()) usleep(1000);
    bus.leave(slot);
    return 0;
}

void processBlock(DuckerEffect& effect, float value, int frames = 512) {
    std::vector<float> left(frames, value);
    std::vector<float> right(frames, value);
    float* channels[2] = {left.data(), right.data()};
    effect.processReplacing(channels, channels, frames);
}

TEST(SharedKeyBus, ProcessesOfOneUserTakeSlotsLowestFirst) {
    Region region;
    test::ForkedChild first([&](const auto& link) { return holdSlot(region.name, link); });
    EXPECT_EQ(first.readLine(), "0");
    test::ForkedChild second([&](const auto& link) { return holdSlot(region.name, link); });
    EXPECT_EQ(second.readLine(), "1");
    SharedKeyBus bus(region.name);
    ASSERT_TRUE(bus.isOpen());
    EXPECT_EQ(bus.join(512), 2);
    EXPECT_EQ(bus.join(512), 3);
    EXPECT_EQ(bus.join(512), -1);
    EXPECT_FALSE(bus.isEmpty());

    // A slot given back by its process goes to the next instance, before any higher one.
    EXPECT_EQ(first.stop(), 0);
    EXPECT_EQ(bus.join(512), 0);
    for (int slot : {0, 2, 3}) bus.leave(slot);
    EXPECT_EQ(second.stop(), 0);
    EXPECT_TRUE(bus.isEmpty());
}

TEST(SharedKeyBus, ASlotOfAProcessThatDiedIsFreeAgainButALiveIdleOwnerKeepsItsSlot) {
    Region region;
    test::ForkedChild doomed([&](const auto& link) { return holdSlot(region.name, link); });
    ASSERT_EQ(doomed.readLine(), "0");
    test::ForkedChild idle([&](const auto& link) { return holdSlot(region.name, link); });
    ASSERT_EQ(idle.readLine(), "1");
    doomed.kill();

    SharedKeyBus bus(region.name);
    EXPECT_EQ(bus.join(512), 0);
    EXPECT_EQ(bus.join(512), 2);
    idle.stop();
}

TEST(SharedKeyBus, AListenerInOneProcessDucksByASenderInAnother) {
    Region region;
    test::ForkedChild sender([&](const test::ForkedChild::Link& link) {
        SharedKeyBus bus(region.name);
        DuckerEffect effect(test::RecordingHost::callback, bus);
        processBlock(effect, 1.0f);
        link.report(std::to_string(effect.keySlot()));
        while (!link.stopRequested()) {
            processBlock(effect, 1.0f);
            usleep(200);
        }
        return 0;
    });
    ASSERT_EQ(sender.readLine(), "0");

    SharedKeyBus bus(region.name);
    DuckerEffect listener(test::RecordingHost::callback, bus);
    EXPECT_EQ(listener.keySlot(), 1);
    listener.setParameter(ParamBypass, 0.0f);
    listener.setParameter(ParamInputAlpha, 1.0f);
    listener.setParameter(ParamDuckKey, 1.0f);
    // A block the sender rewrote while the listener copied it reads as silence and lets the gain
    // rise a little for a while, which a slow run (sanitizers, a loaded machine) meets now and
    // then: the listener must settle on the duck, not necessarily by a given block.
    std::vector<float> left(512);
    std::vector<float> right(512);
    float* channels[2] = {left.data(), right.data()};
    bool settled = false;
    for (int block = 0; block < 4000 && !settled; ++block) {
        std::fill(left.begin(), left.end(), 1.0f);
        std::fill(right.begin(), right.end(), 1.0f);
        listener.processReplacing(channels, channels, 512);
        settled = block >= 400 && std::abs(left.back() - kSettled48Db) <= 1e-4;
    }
    EXPECT_TRUE(settled) << left.back();

    // Once the sender's process has left, its slot reads silence and the listener releases.
    EXPECT_EQ(sender.stop(), 0);
    for (int block = 0; block < 400; ++block) processBlock(listener, 1.0f);
    EXPECT_NEAR(listener.getParameter(ParamMeter), 0.0f, 1e-4);
}

// In the namespace that every user shares, an object of another user is left alone; one of ours
// that is broken or open to others is replaced by a fresh one under the same name.
TEST(SharedKeyBus, InSharedMemoryAForeignObjectIsRefusedAndABrokenOneOfOursReplaced) {
    const auto inodeOf = [](const std::string& name) {
        struct stat status {};
        return stat(("/dev/shm" + name).c_str(), &status) == 0 ? status.st_ino : 0;
    };
    {
        Region region;
        const int fd = shm_open(region.name.c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        std::vector<unsigned char> garbage(keyRegionBytes(SharedKeyBus::kCapacityFrames));
        std::mt19937 random(3);
        for (auto& byte : garbage) byte = static_cast<unsigned char>(random());
        ASSERT_EQ(write(fd, garbage.data(), garbage.size()), static_cast<ssize_t>(garbage.size()));
        close(fd);
        const auto before = inodeOf(region.name);
        EXPECT_TRUE(SharedKeyBus(region.name).isOpen());
        EXPECT_NE(inodeOf(region.name), before);
    }
    {
        Region region;
        const int fd = shm_open(region.name.c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_EQ(ftruncate(fd, 4096), 0);
        close(fd);
        EXPECT_TRUE(SharedKeyBus(region.name).isOpen());
    }
    {
        Region region;
        ASSERT_TRUE(SharedKeyBus(region.name).isOpen());
        const std::string path = "/dev/shm" + region.name;
        const auto before = inodeOf(region.name);
        ASSERT_EQ(chmod(path.c_str(), 0644), 0);
        EXPECT_TRUE(SharedKeyBus(region.name).isOpen());
        struct stat status {};
        ASSERT_EQ(stat(path.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0600u);
        EXPECT_NE(status.st_ino, before);
        if (geteuid() == 0) {
            ASSERT_EQ(chown(path.c_str(), 4321, 4321), 0);
            ASSERT_EQ(chmod(path.c_str(), 0666), 0);
            EXPECT_FALSE(SharedKeyBus(region.name).isOpen());
            EXPECT_EQ(inodeOf(region.name), status.st_ino);
        }
    }
}

TEST(SharedKeyBus, WhatAnotherProcessWroteIntoTheSlotsIsNeverTrusted) {
    Region region;
    SharedKeyBus bus(region.name);
    DuckerEffect listener(test::RecordingHost::callback, bus);
    ASSERT_EQ(listener.keySlot(), 0);
    listener.setParameter(ParamBypass, 0.0f);
    for (int k = 0; k < kKeySlotCount; ++k) listener.setParameter(ParamInputAlpha + k, 1.0f);
    listener.setParameter(ParamDuckKey, 1.0f);

    // Scribble over every slot record and sample as a broken process might.
    KeyStorage& storage = *bus.storage();
    std::mt19937 random(9);
    const int cap = SharedKeyBus::kCapacityFrames;
    std::vector<float> bad(cap, std::numeric_limits<float>::quiet_NaN());
    for (int slot = 1; slot < kKeySlotCount; ++slot) {
        KeySlotState& state = storage.slotState(slot);
        state.owner.store(random());
        storage.publish(slot, bad.data(), bad.data(), cap);
        state.latest.store(static_cast<std::int32_t>(random()));
        for (auto& half : state.halves) {
            half.sequence.store(static_cast<std::uint32_t>(random()) & ~1u);
            half.frames.store(static_cast<std::int32_t>(random()));
        }
    }
    for (int block = 0; block < 20; ++block) {
        std::vector<float> left(4096, 0.5f);
        std::vector<float> right(4096, 0.5f);
        float* channels[2] = {left.data(), right.data()};
        listener.processReplacing(channels, channels, 4096);
        for (float sample : left) ASSERT_TRUE(std::isfinite(sample));
    }
    EXPECT_TRUE(std::isfinite(listener.getParameter(ParamMeter)));
}

TEST(ProcessToken, TellsARunningProcessFromADeadOneAndFromAReusedId) {
    const std::uint64_t me = currentProcessToken();
    EXPECT_NE(me, 0u);
    EXPECT_EQ(me >> 32, static_cast<std::uint64_t>(getpid()));
    EXPECT_TRUE(isProcessTokenAlive(me));
    // Same id, another start time: the id was reused by a new process.
    EXPECT_FALSE(isProcessTokenAlive(me ^ 1u));
    EXPECT_FALSE(isProcessTokenAlive(std::uint64_t{0x7FFFFFF0} << 32));

    std::uint64_t childToken = 0;
    {
        test::ForkedChild child([&](const test::ForkedChild::Link& link) {
            link.report(std::to_string(currentProcessToken()));
            while (!link.stopRequested()) usleep(1000);
            return 0;
        });
        childToken = std::stoull(child.readLine());
        EXPECT_TRUE(isProcessTokenAlive(childToken));
        child.kill();
    }
    EXPECT_FALSE(isProcessTokenAlive(childToken));
}

}  // namespace
}  // namespace qm
