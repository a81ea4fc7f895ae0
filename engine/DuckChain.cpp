#include "engine/DuckChain.h"

#include <algorithm>
#include <cmath>

#include "engine/kernels/ScalarMath.h"

namespace qm {

void DuckChain::setHoldMs(double holdMs, double sampleRateHz) {
    hold.setWindow(holdMs > 0.0 ? std::llround(holdMs * sampleRateHz / 1000.0) : 0);
}

void DuckChain::reserveHoldMs(double maxHoldMs, double sampleRateHz) {
    if (maxHoldMs > 0.0) hold.reserve(std::llround(maxHoldMs * sampleRateHz / 1000.0));
}

void DuckChain::duckPeaks(const KernelSet& kernels, float* peaks, const float* const* in, float* const* out,
                          std::int32_t frames, DuckMode mode, float* factors) {
    if (hold.isOn()) hold.apply(peaks, frames);
    double overshootDb = envelope.smoothedOvershootDb();
    kernels.duck(envelope.blockSettings(), overshootDb, peaks, in, out, frames, mode, factors);
    envelope.setSmoothedOvershootDb(overshootDb);
}

void DuckChain::duck(const KernelSet& kernels, const float* keyLeft, const float* keyRight, const float* const* in,
                     float* const* out, std::int32_t frames, DuckMode mode, float* factors) {
    float peaks[kChunkFrames];
    for (std::int32_t first = 0; first < frames; first += kChunkFrames) {
        const std::int32_t count = std::min(kChunkFrames, frames - first);
        const float* left[1] = {keyLeft + first};
        const float* right[1] = {keyRight + first};
        kernels.keyPeaks(left, right, 1, count, peaks);
        const float* chunkIn[2] = {in[0] + first, in[1] + first};
        float* chunkOut[2] = {out[0] + first, out[1] + first};
        duckPeaks(kernels, peaks, chunkIn, chunkOut, count, mode, factors != nullptr ? factors + first : nullptr);
    }
}

double DuckChain::lastGain() const {
    const DetectorBlock settings = envelope.blockSettings();
    return math::expOf(std::max(settings.gainLnPerDb * envelope.smoothedOvershootDb(), settings.gainLnFloor));
}

}  // namespace qm
