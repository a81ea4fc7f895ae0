// Range, hold and look-ahead measured on the output: a constant input of 0.5 makes each output
// sample twice the gain of its frame.

#include <gtest/gtest.h>

#include <cmath>

#include "cli/DuckJob.h"
#include "cli/SoundFixtures.h"

namespace qmduck::test {
namespace {

using DuckShaping = SoundFolder;

constexpr int kRate = 48000;

// A mono sound of `seconds` whose value at each time is `value(t)`.
template <class F>
Sound shaped(double seconds, F value) {
    Sound sound;
    sound.channels = 1;
    sound.samples.resize(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < sound.samples.size(); ++i) sound.samples[i] = value(static_cast<double>(i) / kRate);
    return sound;
}

// Gain in dB of every frame of a run over the constant input.
std::vector<double> gainsDb(const Sound& output) {
    std::vector<double> gains;
    for (float s : output.samples) gains.push_back(20.0 * std::log10(std::max(s / 0.5, 1e-30)));
    return gains;
}

TEST_F(DuckShaping, TheReductionStopsAtTheRange) {
    const std::string in = put("in.wav", shaped(2.0, [](double) { return 0.5f; }));
    const std::string key = put("key.wav", shaped(2.0, [](double) { return 1.0f; }));
    for (double rangeDb : {0.0, 3.0, 12.0, 40.0, 96.0}) {
        DuckOptions options = optionsFor({key}, in, path("out.wav"));
        options.shaping.rangeDb = rangeDb;
        ASSERT_EQ(runDuckJob(options, false).exitStatus, 0);
        const std::vector<double> gains = gainsDb(readSound(path("out.wav")));
        // The key is 48 dB above the default threshold: without a range, a 48 dB reduction.
        const double expectedDb = rangeDb > 0.0 && rangeDb < 48.0 ? -rangeDb : -48.0;
        EXPECT_NEAR(gains.back(), expectedDb, 0.01) << rangeDb;
        EXPECT_GE(*std::min_element(gains.begin(), gains.end()), expectedDb - 0.01) << rangeDb;
    }
}

TEST_F(DuckShaping, HoldKeepsTheGainDownInPausesShorterThanItAndLetsItRiseInLongerOnes) {
    // Bursts of 0.4 s, then a gap of 0.1 s, a burst, a gap of 0.6 s, a burst.
    const auto loud = [](double t) { return t < 0.4 || (t >= 0.5 && t < 0.9) || (t >= 1.5 && t < 1.9); };
    const std::string key = put("key.wav", shaped(2.0, [&](double t) { return loud(t) ? 0.5f : 0.0f; }));
    const std::string in = put("in.wav", shaped(2.0, [](double) { return 0.5f; }));
    struct Gap {
        double start, end;
        bool shorterThanHold;
    } gaps[] = {{0.4, 0.5, true}, {0.9, 1.5, false}};
    struct Case {
        double holdMs, rangeDb;
    } cases[] = {{0.0, 0.0}, {300.0, 0.0}, {300.0, 12.0}};
    for (const Case& c : cases) {
        DuckOptions options = optionsFor({key}, in, path("out.wav"));
        options.parameters[qm::ParamRelease] = std::sqrt(50.0f / 1000.0f);
        options.shaping.holdMs = c.holdMs;
        options.shaping.rangeDb = c.rangeDb;
        ASSERT_EQ(runDuckJob(options, false).exitStatus, 0);
        const std::vector<double> gains = gainsDb(readSound(path("out.wav")));
        for (const Gap& gap : gaps) {
            const auto first = static_cast<std::size_t>(gap.start * kRate);
            const auto last = static_cast<std::size_t>(gap.end * kRate) - 1;
            const double rise = *std::max_element(gains.begin() + first, gains.begin() + last) - gains[first - 1];
            if (c.holdMs > 0.0 && gap.shorterThanHold) EXPECT_LE(rise, 1e-6) << "gap at " << gap.start;
            else EXPECT_GT(rise, 6.0) << c.holdMs << " ms hold, gap at " << gap.start;
            if (c.holdMs == 0.0 || gap.shorterThanHold) continue;
            // Once the hold is over the gain recovers at once, with a range too.
            std::size_t rising = first;
            while (rising < last && gains[rising] <= gains[first - 1] + 1e-6) ++rising;
            EXPECT_NEAR(static_cast<double>(rising - first) / kRate, c.holdMs / 1000.0, 0.002) << c.rangeDb;
        }
    }
}

TEST_F(DuckShaping, LookAheadLowersTheGainThatMuchBeforeTheOnsetAndKeepsTheTiming) {
    const std::int64_t onset = kRate;  // the key starts after one second
    const std::string key = put("key.wav", shaped(2.0, [](double t) { return t >= 1.0 ? 0.5f : 0.0f; }));
    const Sound input = shaped(2.5, [](double t) { return static_cast<float>(0.5 * std::sin(2 * M_PI * 100 * t)); });
    const std::string in = put("in.wav", input);
    for (double lookaheadMs : {0.0, 10.0, 30.0, 500.0}) {
        DuckOptions options = optionsFor({key}, in, path("out.wav"));
        options.shaping.lookaheadMs = lookaheadMs;
        ASSERT_EQ(runDuckJob(options, false).exitStatus, 0);
        const Sound output = readSound(path("out.wav"));
        ASSERT_EQ(output.frames(), input.frames()) << lookaheadMs;
        std::int64_t firstFall = 0;
        while (firstFall < output.frames() && output.samples[firstFall] == input.samples[firstFall]) ++firstFall;
        const auto expected = onset - static_cast<std::int64_t>(std::llround(lookaheadMs * kRate / 1000.0));
        EXPECT_LE(std::llabs(firstFall - expected), 1) << lookaheadMs;
        EXPECT_LT(std::fabs(output.samples[onset + kRate / 10]), std::fabs(input.samples[onset + kRate / 10]));
    }
}

}  // namespace
}  // namespace qmduck::test
