#include "engine/EnvelopeDetector.h"

namespace qm {

EnvelopeDetector::EnvelopeDetector() = default;

void EnvelopeDetector::setThreshold(double thresholdDb) { threshold = thresholdDb; }
void EnvelopeDetector::setRatio(double newRatio) { ratio = newRatio; }
void EnvelopeDetector::setAttack(double attackMs) { attack.setTime(attackMs); }
void EnvelopeDetector::setRelease(double releaseMs) { release.setTime(releaseMs); }
double EnvelopeDetector::getThreshold() { return threshold; }
double EnvelopeDetector::getRatio() { return ratio; }
double EnvelopeDetector::getAttack() { return attack.getTime(); }
double EnvelopeDetector::getRelease() { return release.getTime(); }

void EnvelopeDetector::setSampleRate(double sampleRateHz) {
    attack.setSampleRate(sampleRateHz);
    release.setSampleRate(sampleRateHz);
}

void EnvelopeDetector::reset() { envelope = kFloor; }

}  // namespace qm
