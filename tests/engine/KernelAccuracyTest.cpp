// Every kernel variant this processor runs against the per-frame reference, through real
// instances: keys of speech, noise, sines from 20 Hz to 20 kHz at -100 to +6 dB, silence,
// subnormal numbers, values near the largest float and bursts of NaN and infinity; every block
// size from 1 to 4100; one to four keys; duck and key; replacing (also in place) and accumulating;
// parameters and sample rates changing between blocks. The worst distance is printed, and must
// stay within 2 float ulps.

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

#include "engine/kernels/DuckKernels.h"
#include "support/DifferentialHarness.h"
#include "tools/host/support/TestSignals.h"

namespace qm {
namespace {

using test::DifferentialBlock;

enum class Signal { Speech, Noise, Sine, Silence, Subnormal, Bursts, Huge };
constexpr int kSignals = static_cast<int>(Signal::Huge) + 1;

class BlockMaker {
public:
    explicit BlockMaker(std::uint64_t seed) : random(seed), speech(seed + 1) {}

    DifferentialBlock make(std::size_t frames) {
        DifferentialBlock block;
        if (random.unit() < 0.1) settings = randomSettings();
        block.settings = settings;
        if (random.unit() < 0.05) listening = randomListening();
        block.listening = listening;
        for (std::size_t c = 0; c < 8; c += 2) {
            const auto signal = c < 6 ? keySignal : static_cast<Signal>(random.below(kSignals));
            fill(signal, frames, block.inputs[c], block.inputs[c + 1]);
        }
        if (random.unit() < 0.2) keySignal = static_cast<Signal>(random.below(kSignals));
        block.accumulate = random.unit() < 0.3;
        block.inPlace = !block.accumulate && random.unit() < 0.3;
        if (block.accumulate) block.existing = qmhost::signals::noise(random, 2 * frames, 0.5);
        position += frames;
        return block;
    }

private:
    test::ReferenceSettings randomSettings() {
        test::ReferenceSettings s;
        const auto pick = [this] {
            const double u = random.unit();
            return u < 0.1 ? 0.0f : u < 0.2 ? 1.0f : static_cast<float>(random.unit());
        };
        s.attack = pick();
        s.release = pick();
        s.threshold = pick();
        s.key = random.unit() < 0.5;
        const double rates[] = {44100.0, 48000.0, 96000.0, 8000.0};
        s.sampleRateHz = rates[random.below(4)];
        return s;
    }

    std::array<bool, 4> randomListening() {
        std::array<bool, 4> chosen{};
        while (chosen == std::array<bool, 4>{}) {
            for (bool& on : chosen) on = random.unit() < 0.5;
        }
        return chosen;
    }

    void fill(Signal signal, std::size_t frames, std::vector<float>& left, std::vector<float>& right) {
        switch (signal) {
        case Signal::Speech:
            left = speech.next(frames);
            right = left;
            break;
        case Signal::Noise: {
            const double level = std::pow(10.0, random.between(-100.0, 6.0) / 20.0);
            left = qmhost::signals::noise(random, frames, level);
            right = qmhost::signals::noise(random, frames, level);
            break;
        }
        case Signal::Sine: {
            const double hz = 20.0 * std::pow(1000.0, random.unit());
            const double db = random.between(-100.0, 6.0);
            left = qmhost::signals::sine(frames, hz, db, position, settings.sampleRateHz);
            right = qmhost::signals::sine(frames, hz * 1.01, db - 3.0, position, settings.sampleRateHz);
            break;
        }
        case Signal::Silence:
            left.assign(frames, 0.0f);
            right.assign(frames, 0.0f);
            break;
        case Signal::Subnormal:
            left = qmhost::signals::noise(random, frames, 1e-40);
            right = qmhost::signals::noise(random, frames, 1e-39);
            break;
        case Signal::Huge:
            // Near the largest float: the gain it ducks by is far below the smallest normal one.
            left = qmhost::signals::noise(random, frames, 3.0e38);
            right = qmhost::signals::noise(random, frames, 1.0e38);
            break;
        case Signal::Bursts:
            left = qmhost::signals::noise(random, frames, 1.0);
            right = qmhost::signals::noise(random, frames, 1.0);
            for (int burst = 0; burst < 3 && frames > 0; ++burst) {
                const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                     -std::numeric_limits<float>::infinity()};
                const std::size_t at = static_cast<std::size_t>(random.below(static_cast<int>(frames)));
                (random.unit() < 0.5 ? left : right)[at] = odd[random.below(3)];
            }
            break;
        }
    }

    qmhost::signals::Random random;
    qmhost::signals::SpeechLike speech;
    test::ReferenceSettings settings;
    std::array<bool, 4> listening{true, false, false, false};
    Signal keySignal = Signal::Speech;
    std::size_t position = 0;
};

class KernelAccuracy : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override { useKernels(kernelVariant(kernelVariantCount() - 1)); }
};

TEST_P(KernelAccuracy, EveryVariantStaysWithinTwoFloatUlpsOfTheReference) {
    const KernelSet& kernels = kernelVariant(GetParam());
    useKernels(kernels);
    test::DifferentialHarness harness;
    BlockMaker maker(17);
    test::DifferentialWorst worst;
    // Every block size from 1 to 4100 once, small and large interleaved (1237 is prime to 4100).
    for (std::size_t i = 0; i < 4100; ++i) harness.run(maker.make((i * 1237) % 4100 + 1), worst);
    std::printf("[ kernels  ] %-9s worst output %.3f ulp, worst meter %.3f ulp %s\n", kernels.name, worst.sampleUlps,
                worst.meterUlps, worst.firstMiss.c_str());
    RecordProperty("worstOutputUlps", std::to_string(worst.sampleUlps));
    EXPECT_LE(worst.sampleUlps, 2.0) << kernels.name << ": " << worst.firstMiss;
    EXPECT_LE(worst.meterUlps, 2.0) << kernels.name;
    EXPECT_FALSE(worst.outsideBuffers) << kernels.name;
}

INSTANTIATE_TEST_SUITE_P(Variants, KernelAccuracy, ::testing::Range(0, kernelVariantCount()),
                         [](const ::testing::TestParamInfo<int>& info) {
                             std::string name = kernelVariant(info.param).name;
                             std::replace(name.begin(), name.end(), '+', '_');
                             return name;
                         });

}  // namespace
}  // namespace qm
