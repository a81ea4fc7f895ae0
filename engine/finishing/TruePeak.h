#pragma once
// The true peak of a stereo stream, frame by frame: the largest magnitude of each frame's samples
// and of three points interpolated between it and the next frame (four times oversampling with a
// Kaiser-windowed sinc of 24 taps a phase), the inter-sample peaks a converter or a lossy
// decoder can reconstruct. The estimate of frame t is known 6 frames after it arrives.

#include <cstdint>
#include <vector>

#include "engine/kernels/DuckKernels.h"

namespace qm {

class TruePeak {
public:
    static constexpr int kTaps = qm::kTruePeakTaps;
    // Frames between a frame's arrival and its estimate.
    static constexpr int kDelayFrames = kTaps / 2;
    // The interpolation filters for the points 1/4, 2/4 and 3/4 of the way to the next frame.
    using Phases = qm::TruePeakPhases;

    // The estimate is computed by the engine's true-peak pass of `kernels` (by default the one
    // the engine chose for this processor); every variant gives the same estimates, bit for bit.
    explicit TruePeak(const qm::KernelSet& kernels = qm::activeKernels());

    // Takes `frames` frames of both channels and writes the estimates of the frames
    // kDelayFrames earlier to `peaks` (the first kDelayFrames estimates of a stream are of the
    // silence before it). Linear magnitudes.
    void process(const float* left, const float* right, std::int32_t frames, float* peaks);

    // The interpolation filters, tap 0 applied to the oldest frame of the window.
    const Phases& phases() const { return filters; }

private:
    Phases filters;
    const qm::KernelSet* kernels;
    std::vector<float> history[2];
};

// The true peak in dBTP of a linear magnitude; -200 for silence.
double truePeakDb(double magnitude);

}  // namespace qm
