#pragma once
// A look-ahead true-peak limiter for stereo streams. Each frame's true peak (TruePeak) gives the
// gain that keeps it at the ceiling; the smallest of these over the next attack time, held that
// long, recovers towards 1 with the release time, and is averaged over the attack time, so the
// gain has reached every peak's need when that peak plays, on a straight ramp of the attack
// time, and returns smoothly. No sample, and no point between samples, exceeds the ceiling.
// The audio is delayed by latencyFrames(); flush() gives the delayed tail at the end.

#include <cstdint>
#include <vector>

#include "engine/finishing/TruePeak.h"

namespace qm {

struct LimiterSettings {
    double ceilingDb = -1.0;
    // Look-ahead and ramp of the gain's fall, and time constant of its rise.
    double attackMs = 5.0;
    double releaseMs = 150.0;
};

class PeakLimiter {
public:
    PeakLimiter(const LimiterSettings& settings, int sampleRateHz);

    // Frames between a frame's arrival and its limited output.
    std::int32_t latencyFrames() const { return attackFrames + TruePeak::kDelayFrames; }

    // Takes `frames` frames and writes as many limited ones, latencyFrames() behind, in place.
    void process(float* left, float* right, std::int32_t frames);
    // Writes the last latencyFrames() frames (the input's tail, with silence after it).
    void flush(float* left, float* right);

    // The deepest reduction so far, in dB (0 or more).
    double deepestReductionDb() const;

private:
    void pushGain(float required);

    float ceiling;
    std::int32_t attackFrames;
    float releaseCoefficient;
    TruePeak truePeak;
    // Look-ahead minimum of the required gains: candidates (frame, gain) with rising gains.
    std::vector<std::int64_t> minimumFrames;
    std::vector<float> minimumGains;
    std::size_t minimumHead = 0;
    std::int64_t framesIn = 0;
    float released = 1.0f;
    // The last attackFrames + 1 released gains and their sum.
    std::vector<float> recent;
    std::size_t recentAt = 0;
    double recentSum;
    // The audio waiting for its gain.
    std::vector<float> delayed[2];
    std::size_t delayedAt = 0;
    std::vector<float> peaks;
    std::vector<float> gains;
    float lowestGain = 1.0f;
};

}  // namespace qm
