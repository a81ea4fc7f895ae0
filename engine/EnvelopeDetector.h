#pragma once
// The gain computer: turns one key peak per frame into one gain, smoothing the key's overshoot
// above the threshold (in dB) with the attack time when it rises and the release time when it
// falls.

#include <cmath>

#include "engine/TimeConstant.h"

namespace qm {

class EnvelopeDetector {
public:
    // Floor added to levels and envelopes: keeps the logarithm finite and the smoother out of
    // denormal numbers during silence.
    static constexpr double kFloor = 1e-25;

    EnvelopeDetector();
    virtual ~EnvelopeDetector() = default;

    virtual void setThreshold(double thresholdDb);
    virtual void setRatio(double ratio);
    virtual void setAttack(double attackMs);
    virtual void setRelease(double releaseMs);
    virtual double getThreshold();
    virtual double getRatio();
    virtual double getAttack();
    virtual double getRelease();
    virtual void setSampleRate(double sampleRateHz);
    virtual void reset();

    // One detector step for the key's absolute peak of one frame (linear); returns the linear gain.
    // A peak that is not finite leaves the envelope as it was. Audio thread.
    double computeGain(double peak) {
        if (std::isfinite(peak)) {
            const double level = 8.685889638065037 * std::log(peak + kFloor);
            double over = level - threshold;
            if (over < 0.0) over = 0.0;
            over += kFloor;
            const double c = over > envelope ? attack.getCoefficient() : release.getCoefficient();
            envelope = (envelope - over) * c + over;
        }
        return std::exp((ratio - 1.0) * (envelope - kFloor) * 0.11512925464970228);
    }

private:
    double threshold = 0.0;
    double ratio = 1.0;
    TimeConstant attack{10.0, 44100.0};
    TimeConstant release{100.0, 44100.0};
    double envelope = kFloor;
};

}  // namespace qm
