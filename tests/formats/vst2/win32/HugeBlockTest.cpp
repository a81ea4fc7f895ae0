// The real 64-bit module processes a block of more than INT_MAX - 65535 frames in full. Its
// buffers are one small section mapped again and again at consecutive addresses, and the
// accumulating form adds a constant input: every physical output sample then counts the frames
// that landed on it.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "tools/host/PluginLoader.h"

namespace qmhost {
namespace {

constexpr std::int32_t kFrames = std::numeric_limits<std::int32_t>::max();
constexpr std::size_t kSectionFloats = std::size_t{1} << 20;
constexpr std::size_t kSectionBytes = kSectionFloats * sizeof(float);

// `frames` floats of address space, all of them views of one section of kSectionFloats floats.
class RepeatedBuffer {
public:
    explicit RepeatedBuffer(std::size_t frames) : copies((frames + kSectionFloats - 1) / kSectionFloats) {
        section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSectionBytes, nullptr);
        // Find a free range, then map the views into it; another thread may take part of it
        // meanwhile, so try a few ranges.
        for (int attempt = 0; section != nullptr && attempt < 8 && base == nullptr; ++attempt) {
            void* range = VirtualAlloc(nullptr, copies * kSectionBytes, MEM_RESERVE, PAGE_NOACCESS);
            if (range == nullptr) return;
            VirtualFree(range, 0, MEM_RELEASE);
            auto* start = static_cast<char*>(range);
            std::size_t mapped = 0;
            while (mapped < copies &&
                   MapViewOfFileEx(section, FILE_MAP_ALL_ACCESS, 0, 0, kSectionBytes, start + mapped * kSectionBytes)) {
                ++mapped;
            }
            if (mapped == copies) {
                base = reinterpret_cast<float*>(start);
            } else {
                for (std::size_t i = 0; i < mapped; ++i) UnmapViewOfFile(start + i * kSectionBytes);
            }
        }
    }
    ~RepeatedBuffer() {
        for (std::size_t i = 0; base != nullptr && i < copies; ++i) UnmapViewOfFile(base + i * kSectionFloats);
        if (section != nullptr) CloseHandle(section);
    }
    RepeatedBuffer(const RepeatedBuffer&) = delete;
    RepeatedBuffer& operator=(const RepeatedBuffer&) = delete;

    float* data() const { return base; }

private:
    std::size_t copies;
    HANDLE section = nullptr;
    float* base = nullptr;
};

TEST(HugeBlock, TheModuleProcessesAFrameCountNearTheInt32LimitInFull) {
    if (sizeof(void*) < 8) GTEST_SKIP() << "a 32-bit process cannot address buffers of 2^31 frames";
    const char* modulePath = std::getenv("QM_MODULE_PATH");
    ASSERT_NE(modulePath, nullptr);
    RepeatedBuffer input(kFrames);
    RepeatedBuffer left(kFrames);
    RepeatedBuffer right(kFrames);
    ASSERT_TRUE(input.data() != nullptr && left.data() != nullptr && right.data() != nullptr);
    std::fill(input.data(), input.data() + kSectionFloats, 1.0f);

    PluginModule module(modulePath);
    Plugin plugin(module.create());
    ASSERT_TRUE(plugin);
    ASSERT_GE(plugin.getParameter(0), 0.0f);
    ASSERT_LT(plugin.getParameter(0), 4.0f);  // it has a slot, so its block goes through the bus
    plugin.dispatch(qm::effSetBlockSize, 0, kFrames);
    float* in[2] = {input.data(), input.data()};
    float* out[2] = {left.data(), right.data()};
    plugin.get()->process(plugin.get(), in, out, kFrames);

    // Physical sample j is virtual frame j, j + kSectionFloats, ... below kFrames.
    std::size_t wrong = 0;
    for (std::size_t j = 0; j < kSectionFloats; ++j) {
        const auto landed = static_cast<float>(kFrames / kSectionFloats + (j < kFrames % kSectionFloats ? 1 : 0));
        wrong += left.data()[j] != landed || right.data()[j] != landed;
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(left.data()[0], 2048.0f);
    EXPECT_EQ(right.data()[kSectionFloats - 1], 2047.0f);
}

}  // namespace
}  // namespace qmhost
