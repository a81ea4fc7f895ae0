// The engine's own loudness meter against libebur128 (the file tool's meter): the same integrated
// loudness within 0.05 LU on signals that exercise the K-weighting, the rates and both gates.

#include <ebur128.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/loudness/IntegratedLoudness.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Signal {
    const char* name;
    int rateHz;
    int channels;
    double seconds;
    // Sample of channel `c` at frame `i`.
    std::function<float(int c, std::int64_t i, int rateHz)> sample;
};

float tone(double hz, double level, std::int64_t i, int rateHz) {
    return static_cast<float>(level * std::sin(2.0 * kPi * hz * static_cast<double>(i) / rateHz));
}

double libebur128Lufs(const Signal& signal, const std::vector<float>& interleaved, std::int64_t frames) {
    ebur128_state* state = ebur128_init(static_cast<unsigned>(signal.channels), static_cast<unsigned long>(signal.rateHz),
                                        EBUR128_MODE_I);
    ebur128_add_frames_float(state, interleaved.data(), static_cast<std::size_t>(frames));
    double lufs = 0.0;
    ebur128_loudness_global(state, &lufs);
    ebur128_destroy(&state);
    return lufs;
}

const Signal kSignals[] = {
    {"OneKilohertzStereoAt48k", 48000, 2, 5.0, [](int, std::int64_t i, int r) { return tone(1000, 0.25, i, r); }},
    {"LowToneAt44k1", 44100, 2, 4.0, [](int c, std::int64_t i, int r) { return tone(c == 0 ? 60 : 90, 0.5, i, r); }},
    {"HighToneMonoAt96k", 96000, 1, 3.0, [](int, std::int64_t i, int r) { return tone(9000, 0.1, i, r); }},
    {"QuietStretchesBelowRelativeGate", 48000, 2, 8.0,
     [](int, std::int64_t i, int r) { return tone(440, (i / r) % 2 == 0 ? 0.5 : 0.01, i, r); }},
    {"SilenceBelowAbsoluteGateAround22k05", 22050, 2, 6.0,
     [](int, std::int64_t i, int r) { return i < 3 * r ? tone(700, 0.3, i, r) : tone(700, 1e-5, i, r); }},
    {"NoiseAt32k", 32000, 2, 5.0,
     [](int c, std::int64_t i, int) {
         const std::uint32_t x = static_cast<std::uint32_t>(i * 2654435761u + static_cast<std::uint32_t>(c) * 40503u);
         return static_cast<float>((x >> 8) / 16777216.0 - 0.5) * 0.4f;
     }},
};

class IntegratedLoudnessTest : public ::testing::TestWithParam<Signal> {};

TEST_P(IntegratedLoudnessTest, MeasuresAsLibebur128Does) {
    const Signal& signal = GetParam();
    const auto frames = static_cast<std::int64_t>(signal.seconds * signal.rateHz);
    std::vector<float> left(static_cast<std::size_t>(frames)), right(static_cast<std::size_t>(frames));
    std::vector<float> interleaved;
    for (std::int64_t i = 0; i < frames; ++i) {
        left[static_cast<std::size_t>(i)] = signal.sample(0, i, signal.rateHz);
        right[static_cast<std::size_t>(i)] = signal.sample(1, i, signal.rateHz);
        interleaved.push_back(left[static_cast<std::size_t>(i)]);
        if (signal.channels == 2) interleaved.push_back(right[static_cast<std::size_t>(i)]);
    }
    qm::IntegratedLoudness meter(signal.channels, signal.rateHz);
    // Uneven blocks, as a page hands them over.
    for (std::int64_t at = 0; at < frames;) {
        const auto block = static_cast<std::int32_t>(std::min<std::int64_t>(frames - at, 1000 + at % 777));
        meter.add(left.data() + at, right.data() + at, block);
        at += block;
    }
    const double expected = libebur128Lufs(signal, interleaved, frames);
    EXPECT_NEAR(meter.integratedLufs(), expected, 0.05) << signal.name;
}

INSTANTIATE_TEST_SUITE_P(Signals, IntegratedLoudnessTest, ::testing::ValuesIn(kSignals),
                         [](const ::testing::TestParamInfo<Signal>& info) { return std::string(info.param.name); });

TEST(IntegratedLoudnessGates, SilenceShortStreamsAndResetHaveNoLoudness) {
    qm::IntegratedLoudness meter(2, 48000);
    const std::vector<float> silence(48000, 0.0f);
    meter.add(silence.data(), silence.data(), 48000);
    EXPECT_TRUE(std::isinf(meter.integratedLufs()));
    qm::IntegratedLoudness shortOne(2, 48000);
    std::vector<float> loud(19000);
    for (std::size_t i = 0; i < loud.size(); ++i) loud[i] = tone(1000, 0.5, static_cast<std::int64_t>(i), 48000);
    shortOne.add(loud.data(), loud.data(), static_cast<std::int32_t>(loud.size()));
    EXPECT_TRUE(std::isinf(shortOne.integratedLufs())) << "less than one 400 ms block";
    shortOne.add(loud.data(), loud.data(), static_cast<std::int32_t>(loud.size()));
    EXPECT_TRUE(std::isfinite(shortOne.integratedLufs()));
    shortOne.reset();
    EXPECT_TRUE(std::isinf(shortOne.integratedLufs()));
}

}  // namespace
