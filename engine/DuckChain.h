#pragma once
// The ducking engine over plain buffers: key peaks in, the audio times its gain (duck) or one
// minus it (key) out, frame by frame, with the detector's envelope carried from call to call.
// The plug-in's processor feeds it the peaks of the slots it listens to; quellmar-duck feeds it
// the summed key of its files. Its detector takes the times, the threshold and the range (a floor
// on the gain in the kernels) from its owner; the chain itself can hold the key's peak over
// pauses. Range and hold are off unless set, and then cost nothing.

#include <cstdint>

#include "engine/EnvelopeDetector.h"
#include "engine/PeakHold.h"
#include "engine/kernels/DuckKernels.h"

namespace qm {

class DuckChain {
public:
    // The most frames one call of `duckPeaks` takes.
    static constexpr std::int32_t kChunkFrames = 256;

    // Ratio 0: the gain falls by as many dB as the smoothed key exceeds the threshold.
    DuckChain() { envelope.setRatio(0.0); }

    // Holds the key's peak for `holdMs` (0: off) at `sampleRateHz`. Set-up call: allocates, unless
    // `reserveHoldMs` made room for the time.
    void setHoldMs(double holdMs, double sampleRateHz);
    // Makes room for holds up to `maxHoldMs` at `sampleRateHz`, so that setHoldMs within it
    // allocates nothing and may be called between blocks. Set-up call: allocates.
    void reserveHoldMs(double maxHoldMs, double sampleRateHz);

    // Ducks `frames` (at most kChunkFrames) frames of `in` into `out` (which may be `in`) by one
    // key peak per frame; the peaks are overwritten by the held ones. When `factors` is not null
    // it receives each frame's factor (the gain in duck mode, one minus it in key mode). Audio
    // thread.
    void duckPeaks(const KernelSet& kernels, float* peaks, const float* const* in, float* const* out,
                   std::int32_t frames, DuckMode mode, float* factors = nullptr);
    // The same by a stereo key in two buffers of `frames` frames, any number of them.
    void duck(const KernelSet& kernels, const float* keyLeft, const float* keyRight, const float* const* in,
              float* const* out, std::int32_t frames, DuckMode mode, float* factors = nullptr);

    // The gain (0..1, range applied) of the last frame ducked; 1 before any.
    double lastGain() const;

    EnvelopeDetector& detector() { return envelope; }
    const EnvelopeDetector& detector() const { return envelope; }

private:
    EnvelopeDetector envelope;
    PeakHold hold;
};

}  // namespace qm
