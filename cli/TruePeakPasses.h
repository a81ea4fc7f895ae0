#pragma once
// The passes of the true-peak estimate over one channel: for each frame i of `frames`, the
// largest of |window[i + kDelayFrames - 1]| and of the three interpolated points, each the sum
// of window[i + j] * tap j for j = 0..kTaps-1 in that order, merged into peaks[i] by the largest.
// A pass returns how many frames it did (the vector passes do whole groups of frames; the
// scalar pass does the rest). Every pass computes each frame with the same float operations in
// the same order, so all give the same estimates, bit for bit.

#include <cstdint>

#include "cli/TruePeak.h"

namespace qmduck::peakpasses {

std::int32_t scalar(const TruePeak::Phases& phases, const float* window, std::int32_t frames, float* peaks);
std::int32_t sse2(const TruePeak::Phases& phases, const float* window, std::int32_t frames, float* peaks);
std::int32_t avx2(const TruePeak::Phases& phases, const float* window, std::int32_t frames, float* peaks);

}  // namespace qmduck::peakpasses
