// The duck chain's shaping: the range in every kernel variant against the per-frame reference,
// with the factors it hands out frame by frame, and the depth a steady key settles at over a table
// of attack and release times; and the peak hold against a plain running maximum.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

#include "engine/DuckChain.h"
#include "engine/Parameters.h"
#include "engine/PeakHold.h"
#include "engine/kernels/DuckKernels.h"
#include "support/ReferenceDucker.h"

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

// The chain of `variant` set up as the tool sets it: times in ms, threshold in dB, 48 kHz.
DuckChain chainFor(double attackMs, double releaseMs, double thresholdDb, double rangeDb) {
    DuckChain chain;
    // Through the parameters' stored values, as the reference reads them.
    chain.detector().follow(48000.0, attackMsFor(static_cast<float>(std::sqrt(attackMs / 2000.0))),
                            releaseMsFor(static_cast<float>(std::sqrt(releaseMs / 1000.0))),
                            thresholdDbFor(static_cast<float>(thresholdDb / -96.0)));
    chain.detector().setRangeDb(rangeDb);
    return chain;
}

// Runs `peaks` through `chain` in its chunks over an input of ones; the factors it applied.
std::vector<float> factorsOf(DuckChain& chain, const KernelSet& kernels, const std::vector<float>& peaks, bool key) {
    const std::vector<float> ones(peaks.size(), 1.0f);
    std::vector<float> left(peaks.size()), right(peaks.size()), factors(peaks.size());
    for (std::size_t first = 0; first < peaks.size(); first += DuckChain::kChunkFrames) {
        const auto count = static_cast<std::int32_t>(std::min<std::size_t>(DuckChain::kChunkFrames, peaks.size() - first));
        std::vector<float> chunk(peaks.begin() + first, peaks.begin() + first + count);
        const float* in[2] = {ones.data() + first, ones.data() + first};
        float* out[2] = {left.data() + first, right.data() + first};
        chain.duckPeaks(kernels, chunk.data(), in, out, count, DuckMode{false, key}, factors.data() + first);
    }
    EXPECT_EQ(factors, left) << "the factors handed out are the ones applied";
    return left;
}

struct Times {
    double attackMs, releaseMs;
};
// Release much slower than attack, about as fast, and much faster.
constexpr Times kTimePairs[] = {{20.0, 400.0}, {78.9, 39.4}, {200.0, 50.0}, {500.0, 20.0},
                                {500.0, 1.0},  {2000.0, 5.0}, {10.0, 1.0},   {1000.0, 1000.0}};

TEST(DuckChain, EveryVariantLimitsTheReductionAtTheRangeLikeTheReference) {
    const std::vector<float> peaks = keyPeaks(40000, 3);
    for (const Times& times : {Times{5.0, 80.0}, Times{500.0, 1.0}, Times{10.0, 1000.0}}) {
        for (double rangeDb : {0.0, 6.0, 24.0, 96.0}) {
            for (bool key : {false, true}) {
                test::ReferenceDucker reference;
                test::ReferenceSettings settings;
                settings.attack = static_cast<float>(std::sqrt(times.attackMs / 2000.0));
                settings.release = static_cast<float>(std::sqrt(times.releaseMs / 1000.0));
                settings.threshold = static_cast<float>(50.0 / 96.0);
                settings.key = key;
                settings.sampleRateHz = 48000.0;
                settings.rangeDb = rangeDb;
                reference.configure(settings);
                std::vector<long double> expected;
                for (float peak : peaks) expected.push_back(reference.step(peak, 0.0f));
                for (std::int32_t v = 0; v < kernelVariantCount(); ++v) {
                    DuckChain chain = chainFor(times.attackMs, times.releaseMs, -50.0, rangeDb);
                    const std::vector<float> factors = factorsOf(chain, kernelVariant(v), peaks, key);
                    double worstUlps = 0.0;
                    for (std::size_t i = 0; i < peaks.size(); ++i) {
                        worstUlps = std::max(worstUlps, test::ulpsFrom(factors[i], expected[i]));
                    }
                    EXPECT_LE(worstUlps, 2.0) << kernelVariant(v).name << ", attack " << times.attackMs << ", range "
                                              << rangeDb << (key ? ", key" : "");
                    if (!key && rangeDb > 0.0) {
                        const float lowest = *std::min_element(factors.begin(), factors.end());
                        EXPECT_GE(lowest, std::pow(10.0, -rangeDb / 20.0) * (1.0 - 1e-6));
                    }
                }
            }
        }
    }
}

// The reduction in dB of the power mean of `gains` over the second before frame `end`.
double settledReductionDb(const std::vector<float>& gains, std::size_t end) {
    double power = 0.0;
    for (std::size_t i = end - 48000; i < end; ++i) power += static_cast<double>(gains[i]) * gains[i];
    return -10.0 * std::log10(power / 48000.0);
}

TEST(DuckChain, ASteadyLoudKeySettlesAtTheRangeWhateverTheTimesAndTheGainRecoversWhenItEnds) {
    // A 200 Hz sine at -6 dBFS for 4 s, then 0.5 s of silence; threshold -40 dB.
    constexpr std::size_t kRate = 48000;
    constexpr std::size_t kKeyEnd = 4 * kRate;
    std::vector<float> peaks(kKeyEnd + kRate / 2, 0.0f);
    for (std::size_t i = 0; i < kKeyEnd; ++i) {
        peaks[i] = static_cast<float>(std::fabs(0.5011872336 * std::sin(2.0 * std::numbers::pi * 200.0 * i / kRate)));
    }
    for (const Times& times : kTimePairs) {
        for (double rangeDb : {6.0, 12.0, 20.0}) {
            for (std::int32_t v = 0; v < kernelVariantCount(); ++v) {
                DuckChain unlimited = chainFor(times.attackMs, times.releaseMs, -40.0, 0.0);
                const double withoutRangeDb =
                    settledReductionDb(factorsOf(unlimited, kernelVariant(v), peaks, false), kKeyEnd);
                DuckChain chain = chainFor(times.attackMs, times.releaseMs, -40.0, rangeDb);
                const std::vector<float> gains = factorsOf(chain, kernelVariant(v), peaks, false);
                const std::string where = std::string(kernelVariant(v).name) + ", attack " +
                                          std::to_string(times.attackMs) + ", release " +
                                          std::to_string(times.releaseMs) + ", range " + std::to_string(rangeDb);
                // Where the plug-in alone would duck deeper, the range is the depth; elsewhere the
                // range does not act.
                const double expectedDb = withoutRangeDb > rangeDb + 1.0 ? rangeDb : withoutRangeDb;
                if (withoutRangeDb > rangeDb + 1.0 || withoutRangeDb < rangeDb - 1.0) {
                    EXPECT_NEAR(settledReductionDb(gains, kKeyEnd), expectedDb, 0.05) << where;
                }
                if (withoutRangeDb < rangeDb + 1.0) continue;
                // The gain leaves the floor within the recovery time (and a frame) of the key's end.
                const float floor = gains[kKeyEnd - 1];
                std::size_t rising = kKeyEnd;
                while (rising < gains.size() && gains[rising] <= floor * (1.0f + 1e-6f)) ++rising;
                EXPECT_LE(rising - kKeyEnd, EnvelopeDetector::kRangeRecoveryMs * kRate / 1000.0 + 1.0) << where;
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
