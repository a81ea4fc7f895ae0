#include "engine/kernels/ScalarPasses.h"

namespace qm::kernels {

void keyPeaksScalar(const float* const* left, const float* const* right, std::int32_t keys, std::int32_t frames,
                    float* peaks) {
    for (std::int32_t i = 0; i < frames; ++i) {
        float sumLeft = 0.0f;
        float sumRight = 0.0f;
        for (std::int32_t k = 0; k < keys; ++k) {
            sumLeft += left[k][i];
            sumRight += right[k][i];
        }
        const float absLeft = std::fabs(sumLeft);
        const float absRight = std::fabs(sumRight);
        peaks[i] = absRight > absLeft ? absRight : absLeft;
    }
}

void duckScalar(const DetectorBlock& detector, double& overshootDb, const float* peaks, const float* const* in,
                float* const* out, std::int32_t frames, DuckMode mode, float* factors) {
    double overshoot = overshootDb;
    for (std::int32_t i = 0; i < frames; ++i) {
        overshoot = smoothOvershoot(detector, overshoot, peaks[i]);
        const double scaled = detector.gainLnPerDb * overshoot;
        const double y = scaled < detector.gainLnFloor ? detector.gainLnFloor : scaled;
        const double factor = mode.key ? -math::expMinusOneOf(y) : math::expOf(y);
        if (factors != nullptr) factors[i] = static_cast<float>(factor);
        const double left = factor * in[0][i];
        const double right = factor * in[1][i];
        out[0][i] = static_cast<float>(mode.accumulate ? out[0][i] + left : left);
        out[1][i] = static_cast<float>(mode.accumulate ? out[1][i] + right : right);
    }
    overshootDb = overshoot;
}

void passThroughScalar(const float* const* in, float* const* out, std::int32_t frames, bool accumulate) {
    for (std::int32_t i = 0; i < frames; ++i) {
        const float left = in[0][i];
        const float right = in[1][i];
        out[0][i] = accumulate ? out[0][i] + left : left;
        out[1][i] = accumulate ? out[1][i] + right : right;
    }
}

void truePeaksScalar(const TruePeakPhases& phases, const float* window, std::int32_t frames, float* peaks) {
    // The larger of a and b as the vector maximum takes it: b when either is NaN.
    const auto larger = [](float a, float b) { return a > b ? a : b; };
    for (std::int32_t i = 0; i < frames; ++i) {
        const float* at = window + i;
        float peak = std::fabs(at[kTruePeakTaps / 2 - 1]);
        for (const auto& taps : phases) {
            float sum = 0.0f;
            for (std::int32_t j = 0; j < kTruePeakTaps; ++j) sum += at[j] * taps[static_cast<std::size_t>(j)];
            peak = larger(peak, std::fabs(sum));
        }
        peaks[i] = larger(peaks[i], peak);
    }
}

}  // namespace qm::kernels
