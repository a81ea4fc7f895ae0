#pragma once
// The audio path's block-wise passes: key peaks from the summed key slots, the detector with the
// gain and the output in one pass, and the plain pass-through; and, for the file tool's finished
// episodes, the true-peak estimate. Each exists for SSE2 and for AVX2 with FMA; the fastest one
// this processor runs is chosen once, when the module is loaded.

#include <array>
#include <cstdint>

namespace qm {

// What the detector needs for one block.
struct DetectorBlock {
    double attackCoefficient;
    double releaseCoefficient;
    double thresholdDb;
    // ln of the gain per dB of smoothed overshoot: (ratio - 1) ln 10 / 20. The passes take the fast
    // route for 0 or less (ratio 1 or less), which is all the processor ever sets.
    double gainLnPerDb;
    // A peak below this lies surely below the threshold: no overshoot, no logarithm needed.
    float quietPeak;
    // ln of the lowest gain the passes give (the duck range); -infinity: no lower bound.
    double gainLnFloor;
    // The largest smoothed overshoot in dB the detector keeps: with a range, a little above the
    // overshoot whose gain is the range's floor, by what the release brings back down to it
    // within EnvelopeDetector::kRangeRecoveryMs. While the key stays loud its troughs cannot pull
    // the envelope below the floor's overshoot (the reduction stays at the range), and when the
    // key ends the gain starts to recover within that time. +infinity without a range.
    double overshootLimitDb;
};

// How the duck pass writes: replacing or accumulating, the gain (duck) or one minus it (key).
struct DuckMode {
    bool accumulate;
    bool key;
};

// The true-peak estimate's interpolation filters for the points 1/4, 2/4 and 3/4 of the way from
// one frame to the next (four times oversampling), tap 0 applied to the oldest frame of a window.
constexpr std::int32_t kTruePeakTaps = 24;
using TruePeakPhases = std::array<std::array<float, kTruePeakTaps>, 3>;

struct KernelSet {
    const char* name;
    // peaks[i] = max(|left sum|, |right sum|) of frame i, the sums taken over the `keys` buffers in
    // order, in single precision; |left| when they are equal or the right one is not a number.
    void (*keyPeaks)(const float* const* left, const float* const* right, std::int32_t keys, std::int32_t frames,
                     float* peaks);
    // Runs the detector over `frames` peaks, starting from and updating `overshootDb` (the smoothed
    // overshoot without its floor), and writes each frame's input times its gain (duck) or one
    // minus its gain (key) to the outputs. Outputs may be the inputs. When `factors` is not null
    // it receives each frame's factor (the gain, or one minus it), as applied.
    void (*duck)(const DetectorBlock& detector, double& overshootDb, const float* peaks, const float* const* in,
                 float* const* out, std::int32_t frames, DuckMode mode, float* factors);
    // Copies (replacing) or adds (accumulating) both input channels to the outputs.
    void (*passThrough)(const float* const* in, float* const* out, std::int32_t frames, bool accumulate);
    // For each frame i of `frames`: the largest of |window[i + kTruePeakTaps / 2 - 1]| and of the
    // three interpolated points, each the single-precision sum of window[i + j] * tap j for
    // j = 0 .. kTruePeakTaps - 1 in that order, merged into peaks[i] by the larger (a NaN point
    // wins, as the vector maximum takes it). `window` holds frames + kTruePeakTaps - 1 samples.
    // Every variant computes each frame with the same operations in the same order: the
    // estimates are the same, bit for bit.
    void (*truePeaks)(const TruePeakPhases& phases, const float* window, std::int32_t frames, float* peaks);
};

// The kernels the audio path uses: chosen at load, or forced by `useKernels`. Any thread.
const KernelSet& activeKernels();

// Every variant this processor can run, the plain per-frame one first and the fastest last.
std::int32_t kernelVariantCount();
const KernelSet& kernelVariant(std::int32_t index);

// Makes `kernels` the active set; for tests and benchmarks that compare variants. Not while audio runs.
void useKernels(const KernelSet& kernels);

}  // namespace qm
