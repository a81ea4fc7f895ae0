#pragma once
// The choices that steer the differential kernel fuzzer, by name and range: the fuzzer reads them
// from its input and the seed generator writes them, so that both agree on what each number means.

#include <cstddef>

namespace qm::fuzz {

// Blocks per run, and frames per block.
constexpr int kMaxKernelBlocks = 8;
constexpr std::size_t kMaxKernelBlockFrames = 4100;
constexpr double kLeastKernelRateHz = 8000.0;
constexpr double kMostKernelRateHz = 192000.0;

// How one channel of a block is made: one value throughout, noise of a level, values one by one,
// or a sine of a frequency and level.
enum SampleKind : int { SamplesConstant = 0, SamplesNoise, SamplesEach, SamplesSine };
constexpr double kLeastNoiseDb = -800.0;
constexpr double kMostNoiseDb = 40.0;
constexpr double kLeastSineHz = 20.0;
constexpr double kMostSineHz = 20000.0;
constexpr double kLeastSineDb = -100.0;
constexpr double kMostSineDb = 6.0;

}  // namespace qm::fuzz
