// ns per frame of the duck chain over a summed stereo key, as quellmar-duck runs it, with the
// tool's shaping off, with the range alone, the hold alone, and both; speech-like key, 48 kHz;
// and the peak hold alone.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/DuckChain.h"
#include "engine/PeakHold.h"
#include "tools/host/support/TestSignals.h"

namespace qm {
namespace {

constexpr std::size_t kFrames = 1 << 16;

void chain(benchmark::State& state, double rangeDb, double holdMs) {
    const std::vector<float> keyLeft = qmhost::signals::SpeechLike(7).next(kFrames);
    const std::vector<float> keyRight = qmhost::signals::SpeechLike(8).next(kFrames);
    std::vector<float> left(kFrames, 0.25f), right(kFrames, 0.25f);
    DuckChain duck;
    duck.detector().follow(48000.0, 10.0, 300.0, -30.0);
    duck.detector().setRangeDb(rangeDb);
    duck.setHoldMs(holdMs, 48000.0);
    const KernelSet& kernels = activeKernels();
    for (auto _ : state) {
        const float* in[2] = {left.data(), right.data()};
        float* out[2] = {left.data(), right.data()};
        duck.duck(kernels, keyLeft.data(), keyRight.data(), in, out, static_cast<std::int32_t>(kFrames),
                  DuckMode{false, false});
        benchmark::DoNotOptimize(left.data());
        std::fill(left.begin(), left.end(), 0.25f);
        std::fill(right.begin(), right.end(), 0.25f);
    }
    state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * kFrames,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The peak hold alone, over the key's peaks.
void peakHold(benchmark::State& state) {
    const std::vector<float> key = qmhost::signals::SpeechLike(7).next(kFrames);
    std::vector<float> peaks(kFrames);
    PeakHold hold;
    hold.setWindow(14400);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kFrames; ++i) peaks[i] = std::fabs(key[i]);
        hold.apply(peaks.data(), static_cast<std::int32_t>(kFrames));
        benchmark::DoNotOptimize(peaks.data());
    }
    state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * kFrames,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(peakHold);
BENCHMARK_CAPTURE(chain, shaping_off, 0.0, 0.0);
BENCHMARK_CAPTURE(chain, range_12dB, 12.0, 0.0);
BENCHMARK_CAPTURE(chain, hold_300ms, 0.0, 300.0);
BENCHMARK_CAPTURE(chain, range_and_hold, 12.0, 300.0);

}  // namespace
}  // namespace qm
