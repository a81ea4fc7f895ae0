#pragma once
// The passes one frame at a time, in plain C++: the variant for any processor, and the route the
// vector variants take for blocks they do not cover (a key peak that is not a finite number, a
// ratio above 1).

#include <cmath>
#include <cstdint>

#include "engine/kernels/DuckKernels.h"
#include "engine/kernels/ScalarMath.h"

namespace qm::kernels {

// 20 / ln 10: dB per neper.
inline constexpr double kDbPerNeper = 8.685889638065037;
// Added to a peak before its logarithm, so that silence reads as -500 dB.
inline constexpr double kPeakFloor = 1e-25;

// The smoothed overshoot after one frame of key peak `peak`: the attack coefficient while the
// overshoot rises above it, the release coefficient otherwise; never above the detector's limit.
// A peak that is not finite leaves it unchanged.
inline double smoothOvershoot(const DetectorBlock& detector, double overshootDb, double peak) {
    if (!std::isfinite(peak)) return overshootDb;
    const double levelDb = kDbPerNeper * math::logOf(peak + kPeakFloor);
    double over = levelDb - detector.thresholdDb;
    if (over < 0.0) over = 0.0;
    const double c = over > overshootDb ? detector.attackCoefficient : detector.releaseCoefficient;
    const double smoothed = (overshootDb - over) * c + over;
    return smoothed > detector.overshootLimitDb ? detector.overshootLimitDb : smoothed;
}

void keyPeaksScalar(const float* const* left, const float* const* right, std::int32_t keys, std::int32_t frames,
                    float* peaks);
void duckScalar(const DetectorBlock& detector, double& overshootDb, const float* peaks, const float* const* in,
                float* const* out, std::int32_t frames, DuckMode mode, float* factors);
void passThroughScalar(const float* const* in, float* const* out, std::int32_t frames, bool accumulate);
void truePeaksScalar(const TruePeakPhases& phases, const float* window, std::int32_t frames, float* peaks);

}  // namespace qm::kernels
