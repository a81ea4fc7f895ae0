#pragma once
// The detector loop as the processor ran it before its block-wise kernels: per frame, the peak of
// the key, one C library log and one exp in double precision, the gain applied in single
// precision. Kept as the speed reference that the kernels are measured against.

#include <cmath>
#include <cstdint>

namespace qmhost {

class PerFrameLoop {
public:
    // Attack and release times in ms, threshold in dB, at `sampleRateHz`.
    PerFrameLoop(double attackMs, double releaseMs, double thresholdDb, double sampleRateHz)
        : attack(std::exp(-1.0 / (attackMs * sampleRateHz * 0.001))),
          release(std::exp(-1.0 / (releaseMs * sampleRateHz * 0.001))),
          thresholdDb(thresholdDb) {}

    // Ducks `frames` frames of `left` and `right` into the outputs by the key `keyLeft`, `keyRight`.
    void run(const float* keyLeft, const float* keyRight, const float* left, const float* right, float* outLeft,
             float* outRight, std::int32_t frames) {
        for (std::int32_t i = 0; i < frames; ++i) {
            const float l = std::fabs(keyLeft[i]);
            const float r = std::fabs(keyRight[i]);
            const double level = 8.685889638065037 * std::log((r > l ? r : l) + 1e-25);
            double over = level - thresholdDb;
            if (over < 0.0) over = 0.0;
            over += 1e-25;
            const double c = over > envelope ? attack : release;
            envelope = (envelope - over) * c + over;
            const auto gain = static_cast<float>(std::exp(-(envelope - 1e-25) * 0.11512925464970228));
            outLeft[i] = gain * left[i];
            outRight[i] = gain * right[i];
        }
    }

private:
    double attack;
    double release;
    double thresholdDb;
    double envelope = 1e-25;
};

}  // namespace qmhost
