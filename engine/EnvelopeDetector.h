#pragma once
// The gain computer: turns one key peak per frame into one gain, smoothing the key's overshoot
// above the threshold (in dB) with the attack time when it rises and the release time when it
// falls.
//
// The envelope is kept as the smoothed overshoot alone, without the 1e-25 floor that levels and
// envelopes carry: the floor is added to both sides of every comparison and subtraction, so it
// cancels; leaving it out keeps full precision where the overshoot is tiny and lets silence settle
// to exactly 0 (exactly unity gain).

#include <array>
#include <cstdint>

#include "engine/TimeConstant.h"
#include "engine/kernels/DuckKernels.h"

namespace qm {

class EnvelopeDetector {
public:
    // Floor added to peaks before their logarithm: silence reads as -500 dB.
    static constexpr double kFloor = 1e-25;
    // With a range, the longest the gain stays at the range's floor after the key falls silent
    // before it starts to recover, in ms: the envelope may exceed the floor's overshoot by what
    // the release brings back in this time, so that a steady key's troughs cannot lift the gain
    // above the floor.
    static constexpr double kRangeRecoveryMs = 1.0;

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

    // Keeps the detector on these times, threshold and rate. The same values give the same
    // coefficients, so they are computed again only on a change: cheap enough for every block. A
    // time or level that is not finite keeps the previous setting.
    void follow(double sampleRateHz, double attackMs, double releaseMs, double thresholdDb);

    // The largest reduction in dB (the duck range): the gain never falls below -rangeDb dB, and a
    // steady key loud enough to go further settles exactly there. 0 or less means no limit, the
    // plug-in's own behaviour. Set-up call.
    void setRangeDb(double rangeDb);
    double getRangeDb() const { return range; }

    // One detector step for the key's absolute peak of one frame (linear); returns the linear gain.
    // A peak that is not finite leaves the envelope as it was. Any thread that owns the detector.
    double computeGain(double peak);

    // The settings of the block-wise passes for the current parameters.
    DetectorBlock blockSettings() const;
    // The smoothed overshoot in dB (the envelope without its floor), which the passes carry on.
    double smoothedOvershootDb() const { return overshootDb; }
    // Takes the passes' smoothed overshoot back; values too small to change any float output
    // settle to exactly 0, which keeps the smoother out of subnormal numbers during silence.
    void setSmoothedOvershootDb(double db);

private:
    double threshold = 0.0;
    double ratio = 1.0;
    TimeConstant attack{10.0, 44100.0};
    TimeConstant release{100.0, 44100.0};
    double releaseTimeMs = 100.0;
    double overshootDb = 0.0;
    float quietPeak = 0.0f;
    double range = 0.0;
    double gainLnFloor;
    // The rate, times and threshold that `follow` last applied, as bits.
    std::array<std::uint64_t, 4> followed{};
    bool following = false;
};

}  // namespace qm
