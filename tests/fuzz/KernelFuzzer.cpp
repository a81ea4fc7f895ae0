// Differential fuzzing of the kernels: blocks of the fuzzer's choosing (sizes, parameters in their
// range, duck or key, replacing, in place or accumulating, the keys listened to, any sample values
// including NaN, infinities and subnormal numbers) through real instances with a kernel variant of
// its choosing, beside the per-frame reference. Any output or meter farther than 2 float ulps from
// the reference, or any write beyond a block, stops the run.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "KernelFuzzChoices.h"
#include "engine/kernels/DuckKernels.h"
#include "support/DifferentialHarness.h"
#include "tools/host/support/TestSignals.h"

namespace {

using namespace qm;
using namespace qm::fuzz;

std::vector<float> samples(FuzzedDataProvider& data, std::size_t frames) {
    switch (data.ConsumeIntegralInRange<int>(SamplesConstant, SamplesSine)) {
    case SamplesConstant: return std::vector<float>(frames, data.ConsumeFloatingPoint<float>());
    case SamplesNoise: {
        qmhost::signals::Random random(data.ConsumeIntegral<std::uint64_t>());
        const double levelDb = data.ConsumeFloatingPointInRange<double>(kLeastNoiseDb, kMostNoiseDb);
        return qmhost::signals::noise(random, frames, std::pow(10.0, levelDb / 20.0));
    }
    case SamplesEach: {
        std::vector<float> values(frames);
        for (float& v : values) v = data.remaining_bytes() >= sizeof(float) ? data.ConsumeFloatingPoint<float>() : 0.0f;
        return values;
    }
    default: {
        const double frequencyHz = data.ConsumeFloatingPointInRange<double>(kLeastSineHz, kMostSineHz);
        return qmhost::signals::sine(frames, frequencyHz, data.ConsumeFloatingPointInRange<double>(kLeastSineDb, kMostSineDb), 0);
    }
    }
}

test::DifferentialBlock block(FuzzedDataProvider& data) {
    test::DifferentialBlock b;
    const auto frames = data.ConsumeIntegralInRange<std::size_t>(1, kMaxKernelBlockFrames);
    b.settings.attack = data.ConsumeProbability<float>();
    b.settings.release = data.ConsumeProbability<float>();
    b.settings.threshold = data.ConsumeProbability<float>();
    b.settings.key = data.ConsumeBool();
    b.settings.sampleRateHz = data.ConsumeFloatingPointInRange<double>(kLeastKernelRateHz, kMostKernelRateHz);
    for (bool& on : b.listening) on = data.ConsumeBool();
    b.accumulate = data.ConsumeBool();
    b.inPlace = !b.accumulate && data.ConsumeBool();
    for (std::size_t c = 0; c < 8; ++c) b.inputs[c] = samples(data, frames);
    if (b.accumulate) {
        b.existing = samples(data, frames);
        const std::vector<float> right = samples(data, frames);
        b.existing.insert(b.existing.end(), right.begin(), right.end());
    }
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    useKernels(kernelVariant(data.ConsumeIntegralInRange<std::int32_t>(0, kernelVariantCount() - 1)));
    test::DifferentialHarness harness;
    test::DifferentialWorst worst;
    for (int blocks = 0; blocks < kMaxKernelBlocks && data.remaining_bytes() > 0; ++blocks) {
        harness.run(block(data), worst);
    }
    if (worst.sampleUlps > 2.0 || worst.meterUlps > 2.0 || worst.outsideBuffers) {
        std::fprintf(stderr, "%s: output %.3f ulp, meter %.3f ulp, outside %d; %s\n", activeKernels().name,
                     worst.sampleUlps, worst.meterUlps, worst.outsideBuffers ? 1 : 0, worst.firstMiss.c_str());
        std::abort();
    }
    return 0;
}
