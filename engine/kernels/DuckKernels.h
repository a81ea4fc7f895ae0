#pragma once
// The audio path's block-wise passes: key peaks from the summed key slots, the detector with the
// gain and the output in one pass, and the plain pass-through. Each exists for SSE2 and for AVX2
// with FMA; the fastest one this processor runs is chosen once, when the module is loaded.

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
};

// The kernels the audio path uses: chosen at load, or forced by `useKernels`. Any thread.
const KernelSet& activeKernels();

// Every variant this processor can run, the plain per-frame one first and the fastest last.
std::int32_t kernelVariantCount();
const KernelSet& kernelVariant(std::int32_t index);

// Makes `kernels` the active set; for tests and benchmarks that compare variants. Not while audio runs.
void useKernels(const KernelSet& kernels);

}  // namespace qm
