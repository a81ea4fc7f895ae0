// ns per frame of the listener's processReplacing (one key selected, duck mode) on the session's
// shared key bus and on a bus of the process alone, beside a plain copy of the same buffers.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include <unistd.h>

#include <sys/mman.h>

#include "formats/vst2/DuckerEffect.h"
#include "engine/LocalKeyBus.h"
#include "engine/SharedKeyBus.h"
#include "support/RecordingHost.h"

namespace qm {
namespace {

void runListener(benchmark::State& state, KeyBus& bus) {
    const int frames = static_cast<int>(state.range(0));
    DuckerEffect sender(test::RecordingHost::callback, bus);
    DuckerEffect listener(test::RecordingHost::callback, bus);
    listener.setParameter(ParamBypass, 0.0f);
    listener.setParameter(ParamInputAlpha, 1.0f);
    listener.setParameter(ParamDuckKey, 1.0f);
    std::vector<float> key(frames, 0.5f);
    std::vector<float> keyOut(frames);
    std::vector<float> left(frames, 0.25f);
    std::vector<float> right(frames, -0.25f);
    std::vector<float> outLeft(frames);
    std::vector<float> outRight(frames);
    float* keyIn[2] = {key.data(), key.data()};
    float* keyOuts[2] = {keyOut.data(), keyOut.data()};
    sender.processReplacing(keyIn, keyOuts, frames);
    float* in[2] = {left.data(), right.data()};
    float* out[2] = {outLeft.data(), outRight.data()};
    for (auto _ : state) {
        listener.processReplacing(in, out, frames);
        benchmark::DoNotOptimize(outLeft.data());
    }
    state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * frames,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void ListenerOnSharedBus(benchmark::State& state) {
    const std::string name = "/quellmarv3-bench-" + std::to_string(getpid());
    {
        SharedKeyBus bus(name);
        if (!bus.isOpen()) state.SkipWithError("no shared region");
        else runListener(state, bus);
    }
    shm_unlink(name.c_str());
    shm_unlink((name + ".lock").c_str());
}
BENCHMARK(ListenerOnSharedBus)->Arg(64)->Arg(512)->Arg(4096);

void ListenerOnProcessBus(benchmark::State& state) {
    LocalKeyBus bus;
    runListener(state, bus);
}
BENCHMARK(ListenerOnProcessBus)->Arg(64)->Arg(512)->Arg(4096);

void PlainCopy(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    std::vector<float> left(frames, 0.25f);
    std::vector<float> right(frames, -0.25f);
    std::vector<float> outLeft(frames);
    std::vector<float> outRight(frames);
    for (auto _ : state) {
        std::memcpy(outLeft.data(), left.data(), frames * sizeof(float));
        std::memcpy(outRight.data(), right.data(), frames * sizeof(float));
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::DoNotOptimize(outRight.data());
        benchmark::ClobberMemory();
    }
    state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * frames,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(PlainCopy)->Arg(64)->Arg(512)->Arg(4096);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
