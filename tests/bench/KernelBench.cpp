// ns per frame of the listener's processReplacing for every kernel variant, beside the per-frame
// path the processor used before the block-wise kernels (C library log and exp per frame) and a
// plain copy of the same buffers. Duck mode, threshold -48 dB, keys that do not repeat within the
// run: speech-like, noise, and a quiet key below the threshold with the envelope at rest; one key
// (the listener's own input on its own slot) or four (its own plus three senders); bypassed too.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formats/vst2/DuckerEffect.h"
#include "engine/LocalKeyBus.h"
#include "engine/kernels/DuckKernels.h"
#include "tools/host/support/PerFrameLoop.h"
#include "support/RecordingHost.h"
#include "tools/host/support/TestSignals.h"

namespace qm {
namespace {

enum Key { SpeechKey, NoiseKey, QuietKey };
// About 1.5 s at 44.1 kHz: the detector never sees the same key twice in a row, and the streams stay
// in the processor's caches, as a host's freshly written buffers are.
constexpr std::size_t kStreamFrames = 1 << 16;

const std::vector<float>& stream(Key key, int channel) {
    static const auto make = [](Key k, int c) {
        qmhost::signals::Random random(static_cast<std::uint64_t>(10 * k + c + 1));
        switch (k) {
        case SpeechKey: return qmhost::signals::SpeechLike(static_cast<std::uint64_t>(c + 7)).next(kStreamFrames);
        case NoiseKey: return qmhost::signals::noise(random, kStreamFrames, 0.25);
        default: return qmhost::signals::noise(random, kStreamFrames, 0.0003);  // -70 dB: four of them stay below -48 dB
        }
    };
    static const std::vector<float> streams[3][2] = {{make(SpeechKey, 0), make(SpeechKey, 1)},
                                                     {make(NoiseKey, 0), make(NoiseKey, 1)},
                                                     {make(QuietKey, 0), make(QuietKey, 1)}};
    return streams[key][channel];
}

void setNsPerFrame(benchmark::State& state, std::int64_t frames) {
    state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(frames),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The listener ducks by its own input (one key) and, with four keys, by three senders as well;
// each block takes the next frames of the key stream, so the key never repeats. Bypassed, the
// block is the same every time, in the caches like a host's freshly written buffer.
void listener(benchmark::State& state, const KernelSet* kernels, Key key, int keys, bool bypassed) {
    useKernels(*kernels);
    const auto frames = static_cast<std::int32_t>(state.range(0));
    LocalKeyBus bus;
    std::vector<std::unique_ptr<DuckerEffect>> senders;
    for (int s = 1; s < keys; ++s) senders.push_back(std::make_unique<DuckerEffect>(test::RecordingHost::callback, bus));
    DuckerEffect plugin(test::RecordingHost::callback, bus);
    plugin.setBlockSize(frames);
    plugin.setParameter(ParamBypass, bypassed ? 1.0f : 0.0f);
    plugin.setParameter(ParamDuckKey, 1.0f);
    for (int s = 0; s < keys; ++s) plugin.setParameter(ParamInputAlpha + s, 1.0f);
    std::vector<float> outLeft(static_cast<std::size_t>(frames));
    std::vector<float> outRight(static_cast<std::size_t>(frames));
    float* out[2] = {outLeft.data(), outRight.data()};
    for (auto& sender : senders) {
        float* in[2] = {const_cast<float*>(stream(key, 1).data()), const_cast<float*>(stream(key, 0).data())};
        sender->processReplacing(in, out, frames);
    }
    std::size_t position = 0;
    for (auto _ : state) {
        if (position + static_cast<std::size_t>(frames) > kStreamFrames) position = 0;
        float* in[2] = {const_cast<float*>(stream(key, 0).data()) + position,
                        const_cast<float*>(stream(key, 1).data()) + position};
        plugin.processReplacing(in, out, frames);
        benchmark::DoNotOptimize(outLeft.data());
        if (!bypassed) position += static_cast<std::size_t>(frames);
    }
    setNsPerFrame(state, frames);
    useKernels(kernelVariant(kernelVariantCount() - 1));
}

// The detector loop as the processor ran it before (see PerFrameLoop), on the same keys.
void perFrameReference(benchmark::State& state, Key key) {
    const auto frames = static_cast<std::int32_t>(state.range(0));
    qmhost::PerFrameLoop loop(10.0, 100.0, -48.0, 44100.0);
    std::vector<float> outLeft(static_cast<std::size_t>(frames));
    std::vector<float> outRight(static_cast<std::size_t>(frames));
    std::size_t position = 0;
    for (auto _ : state) {
        if (position + static_cast<std::size_t>(frames) > kStreamFrames) position = 0;
        const float* left = stream(key, 0).data() + position;
        const float* right = stream(key, 1).data() + position;
        loop.run(left, right, left, right, outLeft.data(), outRight.data(), frames);
        benchmark::DoNotOptimize(outLeft.data());
        position += static_cast<std::size_t>(frames);
    }
    setNsPerFrame(state, frames);
}

// The floor of any pass-through: both channels of one block copied, from the same cached block.
void plainCopy(benchmark::State& state) {
    const auto frames = static_cast<std::size_t>(state.range(0));
    std::vector<float> outLeft(frames);
    std::vector<float> outRight(frames);
    for (auto _ : state) {
        std::memcpy(outLeft.data(), stream(NoiseKey, 0).data(), frames * sizeof(float));
        std::memcpy(outRight.data(), stream(NoiseKey, 1).data(), frames * sizeof(float));
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::DoNotOptimize(outRight.data());
        benchmark::ClobberMemory();
    }
    setNsPerFrame(state, static_cast<std::int64_t>(frames));
}

const char* keyName(Key key) { return key == SpeechKey ? "speech" : key == NoiseKey ? "noise" : "quiet"; }

const bool registered = [] {
    const auto sizes = [](benchmark::internal::Benchmark* b) { b->Arg(64)->Arg(512)->Arg(4096); };
    benchmark::RegisterBenchmark("PlainCopy/cached", plainCopy)->Apply(sizes);
    for (Key key : {SpeechKey, NoiseKey, QuietKey}) {
        benchmark::RegisterBenchmark((std::string("PerFrameReference/") + keyName(key)).c_str(), perFrameReference, key)
            ->Apply(sizes);
    }
    for (std::int32_t v = 0; v < kernelVariantCount(); ++v) {
        const KernelSet* kernels = &kernelVariant(v);
        const std::string prefix = std::string("Listener/") + kernels->name + "/";
        for (Key key : {SpeechKey, NoiseKey, QuietKey}) {
            for (int keys : {1, 4}) {
                benchmark::RegisterBenchmark((prefix + keyName(key) + "/keys:" + std::to_string(keys)).c_str(), listener,
                                             kernels, key, keys, false)
                    ->Apply(sizes);
            }
        }
        benchmark::RegisterBenchmark((prefix + "bypassed").c_str(), listener, kernels, NoiseKey, 1, true)->Apply(sizes);
    }
    return true;
}();

}  // namespace
}  // namespace qm
