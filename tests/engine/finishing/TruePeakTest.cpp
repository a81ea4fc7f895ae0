// The true-peak estimate: every variant of the engine's pass (one frame at a time, SSE2, AVX2)
// gives the per-frame formula's estimates bit for bit, whatever the block sizes, NaN included.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/finishing/TruePeak.h"

namespace qmduck {
namespace {

float larger(float a, float b) { return a > b ? a : b; }

// The estimate of frame t - kDelayFrames, one frame at a time, from the filters alone.
std::vector<float> referenceEstimates(const qm::TruePeak::Phases& phases, const std::vector<float>& left,
                                      const std::vector<float>& right) {
    constexpr int kBefore = qm::TruePeak::kTaps - 1;
    std::vector<float> peaks(left.size(), 0.0f);
    for (const std::vector<float>* channel : {&left, &right}) {
        std::vector<float> x(kBefore, 0.0f);
        x.insert(x.end(), channel->begin(), channel->end());
        for (std::size_t t = 0; t < channel->size(); ++t) {
            float peak = std::fabs(x[t + qm::TruePeak::kDelayFrames - 1]);
            for (const auto& taps : phases) {
                float sum = 0.0f;
                for (int j = 0; j < qm::TruePeak::kTaps; ++j) sum += x[t + static_cast<std::size_t>(j)] * taps[static_cast<std::size_t>(j)];
                peak = larger(peak, std::fabs(sum));
            }
            peaks[t] = larger(peaks[t], peak);
        }
    }
    return peaks;
}

std::vector<float> estimates(const qm::KernelSet& kernels, const std::vector<float>& left, const std::vector<float>& right) {
    qm::TruePeak estimate(kernels);
    std::vector<float> peaks(left.size());
    std::size_t done = 0;
    for (std::size_t size = 1; done < left.size(); size = size * 7 % 3001 + 1) {
        const std::size_t count = std::min(size, left.size() - done);
        estimate.process(left.data() + done, right.data() + done, static_cast<std::int32_t>(count), peaks.data() + done);
        done += count;
    }
    return peaks;
}

TEST(TruePeakEstimate, EveryVariantGivesTheFormulasEstimatesBitForBit) {
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 0.3f);
    struct Case {
        const char* name;
        std::vector<float> left, right;
    };
    std::vector<Case> cases(3);
    cases[0].name = "noise";
    cases[1].name = "a loud tone near a quarter of the rate, then silence";
    cases[2].name = "noise with a NaN and an infinity";
    for (std::size_t i = 0; i < 40000; ++i) {
        cases[0].left.push_back(noise(random));
        cases[0].right.push_back(noise(random));
        const float tone = i < 30000 ? 0.99f * static_cast<float>(std::sin(0.49 * M_PI * static_cast<double>(i) + 0.3)) : 0.0f;
        cases[1].left.push_back(tone);
        cases[1].right.push_back(-tone);
    }
    cases[2].left = cases[0].left;
    cases[2].right = cases[0].right;
    cases[2].left[1234] = std::numeric_limits<float>::quiet_NaN();
    cases[2].right[20000] = std::numeric_limits<float>::infinity();
#if defined(__x86_64__) || defined(__i386__)
    // The per-frame pass and at least the SSE2 one are compared.
    ASSERT_GE(qm::kernelVariantCount(), 2);
#endif
    for (const Case& c : cases) {
        const std::vector<float> expected = referenceEstimates(qm::TruePeak().phases(), c.left, c.right);
        for (std::int32_t v = 0; v < qm::kernelVariantCount(); ++v) {
            const std::vector<float> got = estimates(qm::kernelVariant(v), c.left, c.right);
            ASSERT_EQ(got.size(), expected.size());
            EXPECT_EQ(std::memcmp(got.data(), expected.data(), got.size() * sizeof(float)), 0)
                << c.name << ", variant " << qm::kernelVariant(v).name;
        }
    }
}

}  // namespace
}  // namespace qmduck
