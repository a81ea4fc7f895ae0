#pragma once
// A one-pole smoothing coefficient from a time and a sample rate: after one time constant a step
// has decayed to 1/e of its size.

namespace qm {

class TimeConstant {
public:
    // `timeMs` milliseconds at `sampleRateHz`.
    TimeConstant(double timeMs, double sampleRateHz);
    virtual ~TimeConstant() = default;

    virtual void setTime(double timeMs);
    virtual double getTime();
    virtual void setSampleRate(double sampleRateHz);
    virtual double getSampleRate();

    // The per-sample coefficient exp(-1 / samples in the time); 0 (instant) for a time of no
    // samples or less, 1 (hold) for an infinite one, never NaN.
    double getCoefficient() const { return coefficient; }

private:
    void recompute();

    double sampleRateHz;
    double timeMs;
    double coefficient = 0.0;
};

}  // namespace qm
