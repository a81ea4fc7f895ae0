// The kernel fuzzer's seeds: for each kernel variant, blocks that it runs beside the per-frame
// reference, in duck and in key mode, replacing, in place and accumulating, hearing one to four
// keys loud enough to duck, with block lengths that leave a partial group of frames at the end.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSeeds.h"
#include "KernelFuzzChoices.h"
#include "SeedWriter.h"

namespace qm::fuzz {
namespace {

// The variants in the order the engine lists them (scalar, SSE2, AVX2 with FMA); a processor
// without the last runs that seed with the first.
constexpr std::array<const char*, 3> kVariantNames = {"scalar", "sse2", "avx2"};

// How the listener's host calls it.
enum class Call { Replacing, InPlace, Accumulating };

struct Sine {
    double frequencyHz;
    double levelDb;
};

struct Block {
    std::size_t frames;
    float attack;  // the parameters' stored values, 0..1
    float release;
    float threshold;
    bool key;
    double sampleRateHz;
    std::array<bool, 4> listening;  // the three senders' slots, then the listener's own
    Call call;
    std::array<Sine, 4> inputs;  // the three senders', then the listener's (both channels alike)
};

void writeSine(SeedWriter& writer, Sine sine) {
    writer.integral<int>(SamplesConstant, SamplesSine, SamplesSine);
    writer.floatingInRange(kLeastSineHz, kMostSineHz, sine.frequencyHz);
    writer.floatingInRange(kLeastSineDb, kMostSineDb, sine.levelDb);
}

void writeBlock(SeedWriter& writer, const Block& block) {
    writer.integral<std::size_t>(1, kMaxKernelBlockFrames, block.frames);
    writer.probability(block.attack);
    writer.probability(block.release);
    writer.probability(block.threshold);
    writer.boolean(block.key);
    writer.floatingInRange(kLeastKernelRateHz, kMostKernelRateHz, block.sampleRateHz);
    for (bool on : block.listening) writer.boolean(on);
    writer.boolean(block.call == Call::Accumulating);
    if (block.call != Call::Accumulating) writer.boolean(block.call == Call::InPlace);
    for (const Sine& sine : block.inputs) {
        writeSine(writer, sine);
        writeSine(writer, sine);
    }
    if (block.call == Call::Accumulating) {
        // What the host's outputs held before: a quiet sine on both channels.
        writeSine(writer, Sine{50.0, -40.0});
        writeSine(writer, Sine{50.0, -40.0});
    }
}

// Senders well above the -48 dB threshold of the stored value 0.5, and a listener to duck.
constexpr std::array<Sine, 4> kVoices = {Sine{220.0, -6.0}, Sine{330.0, -12.0}, Sine{3000.0, -20.0},
                                         Sine{1000.0, -10.0}};

const Block kBlocks[] = {
    {512, 0.1f, 0.2f, 0.5f, false, 48000.0, {true, false, false, false}, Call::Replacing, kVoices},
    {300, 0.05f, 0.3f, 0.5f, true, 44100.0, {true, true, false, false}, Call::InPlace, kVoices},
    {257, 0.2f, 0.1f, 0.3f, false, 96000.0, {true, true, true, false}, Call::Accumulating, kVoices},
    {129, 0.0f, 0.0f, 0.7f, true, 22050.0, {true, true, true, true}, Call::Accumulating, kVoices},
};

}  // namespace

std::vector<Seed> kernelSeeds() {
    std::vector<Seed> seeds;
    for (std::size_t variant = 0; variant < kVariantNames.size(); ++variant) {
        SeedWriter writer;
        writer.integral<std::int32_t>(0, static_cast<std::int32_t>(kVariantNames.size()) - 1,
                                      static_cast<std::int32_t>(variant));
        for (const Block& block : kBlocks) writeBlock(writer, block);
        seeds.push_back({std::string(kVariantNames[variant]) + "-duck-and-key", writer.input()});
    }
    return seeds;
}

}  // namespace qm::fuzz
