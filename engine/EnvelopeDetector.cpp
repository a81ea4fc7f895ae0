#include "engine/EnvelopeDetector.h"

#include <bit>
#include <cmath>
#include <limits>

#include "engine/kernels/ScalarPasses.h"

namespace qm {
namespace {

// ln 10 / 20: nepers per dB.
constexpr double kNeperPerDb = 0.11512925464970228;

// The largest float that, plus the floor, lies below the threshold's linear level by a margin far
// beyond any rounding of the logarithm: such peaks have no overshoot.
float quietPeakFor(double thresholdDb) {
    const double bound = (math::expOf(thresholdDb * kNeperPerDb) - EnvelopeDetector::kFloor) * (1.0 - 1e-9);
    if (!(bound > 0.0)) return 0.0f;
    if (bound >= std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
    auto peak = static_cast<float>(bound);
    while (static_cast<double>(peak) > bound) peak = std::nextafter(peak, 0.0f);
    return peak;
}

}  // namespace

EnvelopeDetector::EnvelopeDetector()
    : quietPeak(quietPeakFor(threshold)), gainLnFloor(-std::numeric_limits<double>::infinity()) {}

void EnvelopeDetector::setRangeDb(double rangeDb) {
    range = rangeDb > 0.0 ? rangeDb : 0.0;
    gainLnFloor = range > 0.0 ? -range * kNeperPerDb : -std::numeric_limits<double>::infinity();
}

void EnvelopeDetector::setThreshold(double thresholdDb) {
    if (thresholdDb == threshold) return;
    threshold = thresholdDb;
    quietPeak = quietPeakFor(threshold);
}

void EnvelopeDetector::setRatio(double newRatio) { ratio = newRatio; }
void EnvelopeDetector::setAttack(double attackMs) { attack.setTime(attackMs); }
void EnvelopeDetector::setRelease(double releaseMs) {
    release.setTime(releaseMs);
    releaseTimeMs = releaseMs;
}
double EnvelopeDetector::getThreshold() { return threshold; }
double EnvelopeDetector::getRatio() { return ratio; }
double EnvelopeDetector::getAttack() { return attack.getTime(); }
double EnvelopeDetector::getRelease() { return release.getTime(); }

void EnvelopeDetector::setSampleRate(double sampleRateHz) {
    attack.setSampleRate(sampleRateHz);
    release.setSampleRate(sampleRateHz);
}

void EnvelopeDetector::follow(double sampleRateHz, double attackMs, double releaseMs, double thresholdDb) {
    const std::array<std::uint64_t, 4> wanted = {
        std::bit_cast<std::uint64_t>(sampleRateHz), std::bit_cast<std::uint64_t>(attackMs),
        std::bit_cast<std::uint64_t>(releaseMs), std::bit_cast<std::uint64_t>(thresholdDb)};
    if (following && wanted == followed) return;
    followed = wanted;
    following = true;
    setSampleRate(sampleRateHz);
    if (std::isfinite(attackMs)) setAttack(attackMs);
    if (std::isfinite(releaseMs)) setRelease(releaseMs);
    if (std::isfinite(thresholdDb)) setThreshold(thresholdDb);
}

void EnvelopeDetector::reset() { overshootDb = 0.0; }

DetectorBlock EnvelopeDetector::blockSettings() const {
    const double gainLnPerDb = (ratio - 1.0) * kNeperPerDb;
    // The overshoot whose gain is the range's floor, raised by what the release takes
    // kRangeRecoveryMs to bring back down to it (a release of no time brings anything back at once);
    // no limit when there is no range or no reduction.
    double overshootLimitDb = std::numeric_limits<double>::infinity();
    if (range > 0.0 && gainLnPerDb < 0.0) {
        overshootLimitDb =
            gainLnFloor / gainLnPerDb * (releaseTimeMs > 0.0 ? math::expOf(kRangeRecoveryMs / releaseTimeMs) : 1.0);
    }
    return {attack.getCoefficient(), release.getCoefficient(), threshold, gainLnPerDb, quietPeak, gainLnFloor,
            overshootLimitDb};
}

double EnvelopeDetector::computeGain(double peak) {
    const DetectorBlock settings = blockSettings();
    overshootDb = kernels::smoothOvershoot(settings, overshootDb, peak);
    const double y = settings.gainLnPerDb * overshootDb;
    return math::expOf(y < gainLnFloor ? gainLnFloor : y);
}

void EnvelopeDetector::setSmoothedOvershootDb(double db) {
    // Below 1e-90 dB even a full-scale float times 1 - gain rounds to zero.
    overshootDb = db < 1e-90 ? 0.0 : db;
}

}  // namespace qm
