// The look-ahead true-peak limiter: transparent below the ceiling, no true peak above it (by a
// longer interpolation filter than its own), a gain that ramps without steps and comes back.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "engine/finishing/PeakLimiter.h"

namespace qmduck {
namespace {

constexpr int kRate = 48000;

struct Stereo {
    std::vector<float> left, right;
};

// Runs `input` through a limiter in blocks of odd sizes, with its tail; the output has the
// input's length and timing.
Stereo limited(const Stereo& input, const qm::LimiterSettings& settings) {
    qm::PeakLimiter limiter(settings, kRate);
    Stereo all = input;
    const auto latency = static_cast<std::size_t>(limiter.latencyFrames());
    all.left.resize(input.left.size() + latency);
    all.right.resize(input.right.size() + latency);
    std::size_t done = 0;
    for (std::size_t size = 1; done < input.left.size(); size = size * 7 % 5000 + 1) {
        const std::size_t count = std::min(size, input.left.size() - done);
        limiter.process(all.left.data() + done, all.right.data() + done, static_cast<std::int32_t>(count));
        done += count;
    }
    limiter.flush(all.left.data() + done, all.right.data() + done);
    all.left.erase(all.left.begin(), all.left.begin() + static_cast<std::ptrdiff_t>(latency));
    all.right.erase(all.right.begin(), all.right.begin() + static_cast<std::ptrdiff_t>(latency));
    return all;
}

// The true peak as meters read it (four times oversampling, as BS.1770 meters and ffmpeg's ebur128
// filter do), with a longer interpolation filter than the limiter's own.
double finePeakDb(const std::vector<float>& x) {
    constexpr int kHalf = 32;
    constexpr int kPhases = 4;
    std::vector<double> taps;
    for (int p = 0; p < kPhases; ++p) {
        for (int j = -kHalf + 1; j <= kHalf; ++j) {
            const double t = static_cast<double>(p) / kPhases - j;
            const double sinc = t == 0.0 ? 1.0 : std::sin(M_PI * t) / (M_PI * t);
            taps.push_back(sinc * (0.5 + 0.5 * std::cos(M_PI * t / kHalf)));
        }
    }
    double peak = 0.0;
    for (std::size_t n = kHalf; n + kHalf < x.size(); ++n) {
        const float* around = x.data() + n - kHalf + 1;
        for (int p = 0; p < kPhases; ++p) {
            double sum = 0.0;
            for (int j = 0; j < 2 * kHalf; ++j) sum += around[j] * taps[static_cast<std::size_t>(p * 2 * kHalf + j)];
            peak = std::max(peak, std::fabs(sum));
        }
    }
    return 20.0 * std::log10(peak);
}

Stereo signal(int kind, double seconds) {
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 0.5f);
    float lastNoise = 0.0f;
    Stereo s;
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double value = 0.0;
        switch (kind) {
        case 0: value = 2.0 * std::sin(2 * M_PI * 11997.0 * t + 0.7); break;  // near fs/4, +6 dB, between samples
        case 1: value = std::fmod(t * 1000.0, 1.0) < 0.5 ? 1.0 : -1.0; break;  // full-scale square
        case 2: {
            // Bursts of loud noise, gently rolled off towards the top as recorded sound is.
            const float fresh = noise(random);
            value = (std::fmod(t, 0.25) < 0.1 ? 1.5 : 0.2) * 0.5 * (fresh + lastNoise);
            lastNoise = fresh;
            break;
        }
        default: value = (0.3 + 0.9 * std::fmod(t, 0.7)) * std::sin(2 * M_PI * 180.0 * t) * std::sin(2 * M_PI * 3.0 * t);
        }
        s.left.push_back(static_cast<float>(value));
        s.right.push_back(static_cast<float>(0.8 * value));
    }
    return s;
}

TEST(PeakLimiter, BelowTheCeilingTheOutputIsTheInputExactly) {
    Stereo quiet = signal(3, 1.0);
    for (float& v : quiet.left) v *= 0.5f;
    for (float& v : quiet.right) v *= 0.5f;
    const Stereo out = limited(quiet, qm::LimiterSettings{});
    EXPECT_EQ(out.left, quiet.left);
    EXPECT_EQ(out.right, quiet.right);
}

TEST(PeakLimiter, NoPointBetweenSamplesExceedsTheCeilingAndTheGainHasNoSteps) {
    for (int kind = 0; kind < 4; ++kind) {
        for (double ceilingDb : {-1.0, -3.0}) {
            qm::LimiterSettings settings;
            settings.ceilingDb = ceilingDb;
            const Stereo input = signal(kind, 0.5);
            const Stereo out = limited(input, settings);
            ASSERT_EQ(out.left.size(), input.left.size());
            EXPECT_LE(finePeakDb(out.left), ceilingDb + 0.1) << "signal " << kind << ", ceiling " << ceilingDb;
            EXPECT_LE(finePeakDb(out.right), ceilingDb + 0.1) << "signal " << kind << ", ceiling " << ceilingDb;
            // The gain (where the input is not tiny) never jumps more than its ramp allows.
            const double rampStep = 1.0 / (settings.attackMs * kRate / 1000.0);
            double previous = -1.0;
            double largestStep = 0.0;
            for (std::size_t i = 0; i < input.left.size(); ++i) {
                if (std::fabs(input.left[i]) < 0.05f) continue;
                const double gain = out.left[i] / input.left[i];
                EXPECT_LE(gain, 1.0 + 1e-6);
                if (previous >= 0.0 && i > 0 && std::fabs(input.left[i - 1]) >= 0.05f) {
                    largestStep = std::max(largestStep, std::fabs(gain - previous));
                }
                previous = gain;
            }
            EXPECT_LE(largestStep, rampStep * 1.01) << "signal " << kind;
        }
    }
}

TEST(PeakLimiter, TheGainComesBackWithTheReleaseTime) {
    Stereo burst;
    for (std::size_t i = 0; i < static_cast<std::size_t>(kRate); ++i) {
        const float value = 0.25f * static_cast<float>(std::sin(2 * M_PI * 440.0 * i / kRate)) * (i < 4800 ? 8.0f : 1.0f);
        burst.left.push_back(value);
        burst.right.push_back(value);
    }
    qm::LimiterSettings settings;
    const Stereo out = limited(burst, settings);
    const auto gainAt = [&](double seconds) {
        double in = 0.0, o = 0.0;
        for (std::size_t i = static_cast<std::size_t>(seconds * kRate); i < static_cast<std::size_t>(seconds * kRate) + 480; ++i) {
            in += burst.left[i] * burst.left[i];
            o += out.left[i] * out.left[i];
        }
        return 10.0 * std::log10(o / in);
    };
    EXPECT_LT(gainAt(0.11), -6.0) << "still recovering one release time after the burst";
    EXPECT_GT(gainAt(0.11 + 5 * settings.releaseMs / 1000.0), -0.1) << "back after five release times";
}

}  // namespace
}  // namespace qmduck
