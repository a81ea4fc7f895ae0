// The duck chain's shaping: the range floor in every kernel variant against the per-frame
// reference, with the factors it hands out frame by frame; and the peak hold against a plain
// running maximum.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "engine/DuckChain.h"
#include "engine/PeakHold.h"
#include "engine/kernels/DuckKernels.h"

namespace qm {
namespace {

// Speech-like key peaks: bursts of noise at changing levels, with pauses and a few NaNs.
std::vector<float> keyPeaks(std::size_t frames, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> peaks(frames);
    float level = 0.5f;
    for (std::size_t i = 0; i < frames; ++i) {
        if (i % 2000 == 0) level = unit(random) < 0.3f ? 0.0f : std::pow(10.0f, -3.0f * unit(random));
        peaks[i] = level * unit(random);
        if (unit(random) < 1e-4f) peaks[i] = std::numeric_limits<float>::quiet_NaN();
    }
    return peaks;
}

TEST(DuckChain, EveryVariantFloorsTheGainAtTheRangeLikeTheReference) {
    const std::vector<float> peaks = keyPeaks(40000, 3);
    const std::vector<float> ones(peaks.size(), 1.0f);
    for (double rangeDb : {0.0, 6.0, 24.0, 96.0}) {
        for (bool key : {false, true}) {
            EnvelopeDetector reference;
            reference.setSampleRate(48000.0);
            reference.setAttack(5.0);
            reference.setRatio(0.0);
            reference.setRelease(80.0);
            reference.setThreshold(-50.0);
            reference.setRangeDb(rangeDb);
            std::vector<double> expected;
            for (float peak : peaks) {
                const double gain = reference.computeGain(peak);
                expected.push_back(key ? 1.0 - gain : gain);
            }
            for (std::int32_t v = 0; v < kernelVariantCount(); ++v) {
                DuckChain chain;
                chain.detector() = reference;
                chain.detector().reset();
                std::vector<float> left(peaks.size()), right(peaks.size()), factors(peaks.size());
                float* out[2] = {left.data(), right.data()};
                for (std::size_t first = 0; first < peaks.size(); first += DuckChain::kChunkFrames) {
                    const auto count = static_cast<std::int32_t>(
                        std::min<std::size_t>(DuckChain::kChunkFrames, peaks.size() - first));
                    std::vector<float> chunk(peaks.begin() + first, peaks.begin() + first + count);
                    const float* in[2] = {ones.data() + first, ones.data() + first};
                    float* to[2] = {out[0] + first, out[1] + first};
                    chain.duckPeaks(kernelVariant(v), chunk.data(), in, to, count, DuckMode{false, key},
                                    factors.data() + first);
                }
                double worst = 0.0;
                for (std::size_t i = 0; i < peaks.size(); ++i) {
                    worst = std::max(worst, std::fabs(left[i] - expected[i]));
                }
                EXPECT_LT(worst, 1e-6) << kernelVariant(v).name << ", range " << rangeDb << (key ? ", key" : "");
                EXPECT_EQ(factors, left) << "the factors handed out are the ones applied";
                const float lowest = *std::min_element(left.begin(), left.end());
                if (!key && rangeDb > 0.0) {
                    EXPECT_GE(lowest, std::pow(10.0, -rangeDb / 20.0) * (1.0 - 1e-6));
                }
                if (!key && rangeDb == 6.0) {
                    EXPECT_LT(lowest, std::pow(10.0, -5.9 / 20.0)) << "the range is reached";
                }
            }
        }
    }
}

TEST(PeakHold, EachPeakIsTheLargestOfItsWindowWhateverTheChunks) {
    const std::vector<float> peaks = keyPeaks(20000, 5);
    for (std::int64_t window : {0, 1, 7, 480, 5000}) {
        PeakHold hold;
        hold.setWindow(window);
        std::vector<float> held = peaks;
        for (std::size_t first = 0, size = 1; first < held.size(); first += size, size = size * 3 % 1000 + 1) {
            hold.apply(held.data() + first, static_cast<std::int32_t>(std::min(size, held.size() - first)));
        }
        for (std::size_t i = 0; i < peaks.size(); ++i) {
            if (std::isnan(peaks[i])) {
                EXPECT_TRUE(std::isnan(held[i]));
                continue;
            }
            float largest = 0.0f;
            for (std::size_t j = i - std::min<std::size_t>(i, static_cast<std::size_t>(window)); j <= i; ++j) {
                if (!std::isnan(peaks[j])) largest = std::max(largest, peaks[j]);
            }
            ASSERT_EQ(held[i], largest) << "window " << window << ", frame " << i;
        }
    }
}

}  // namespace
}  // namespace qm
