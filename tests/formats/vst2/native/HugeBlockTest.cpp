// A block of more than INT_MAX - 65535 frames is processed in full. Its buffers are one small
// memory object mapped again and again at consecutive addresses, and the accumulating form adds
// a constant input: every physical output sample then counts the frames that landed on it.

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "formats/vst2/DuckerEffect.h"
#include "engine/LocalKeyBus.h"
#include "support/RecordingHost.h"

namespace qm {
namespace {

constexpr std::int32_t kFrames = std::numeric_limits<std::int32_t>::max();
constexpr std::size_t kObjectFloats = std::size_t{1} << 20;
constexpr std::size_t kObjectBytes = kObjectFloats * sizeof(float);

// `frames` floats of address space, all of them views of one object of kObjectFloats floats.
class RepeatedBuffer {
public:
    explicit RepeatedBuffer(std::size_t frames) : copies((frames + kObjectFloats - 1) / kObjectFloats) {
        object = memfd_create("quellmar-huge-block", MFD_CLOEXEC);
        if (object < 0 || ftruncate(object, kObjectBytes) != 0) return;
        const int anonymous = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;
        void* range = mmap(nullptr, copies * kObjectBytes, PROT_NONE, anonymous, -1, 0);
        if (range == MAP_FAILED) return;
        base = static_cast<float*>(range);
        for (std::size_t i = 0; i < copies; ++i) {
            void* view = mmap(base + i * kObjectFloats, kObjectBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED,
                              object, 0);
            if (view == MAP_FAILED) return;
        }
        mapped = true;
    }
    ~RepeatedBuffer() {
        if (base != nullptr) munmap(base, copies * kObjectBytes);
        if (object >= 0) close(object);
    }
    RepeatedBuffer(const RepeatedBuffer&) = delete;
    RepeatedBuffer& operator=(const RepeatedBuffer&) = delete;

    bool isMapped() const { return mapped; }
    float* data() const { return base; }

private:
    std::size_t copies;
    int object = -1;
    float* base = nullptr;
    bool mapped = false;
};

TEST(HugeBlock, AFrameCountNearTheInt32LimitIsProcessedInFull) {
    RepeatedBuffer input(kFrames);
    RepeatedBuffer left(kFrames);
    RepeatedBuffer right(kFrames);
    ASSERT_TRUE(input.isMapped() && left.isMapped() && right.isMapped());
    std::fill(input.data(), input.data() + kObjectFloats, 1.0f);

    LocalKeyBus bus;
    DuckerEffect effect(test::RecordingHost::callback, bus);
    ASSERT_EQ(effect.keySlot(), 0);
    effect.setBlockSize(kFrames);  // the largest pieces the bus has
    float* in[2] = {input.data(), input.data()};
    float* out[2] = {left.data(), right.data()};
    effect.process(in, out, kFrames);

    // Physical sample j is virtual frame j, j + kObjectFloats, ... below kFrames.
    const auto landed = [](std::size_t j) {
        return static_cast<float>(kFrames / kObjectFloats + (j < kFrames % kObjectFloats ? 1 : 0));
    };
    std::size_t wrong = 0;
    for (std::size_t j = 0; j < kObjectFloats; ++j) {
        wrong += left.data()[j] != landed(j) || right.data()[j] != landed(j);
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(left.data()[kObjectFloats - 1], 2047.0f);
    EXPECT_EQ(left.data()[0], 2048.0f);
}

}  // namespace
}  // namespace qm
