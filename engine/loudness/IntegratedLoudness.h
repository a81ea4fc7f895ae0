#pragma once
// The integrated loudness of a stream (ITU-R BS.1770-4 with the EBU R128 gates): K-weighting at
// the stream's own rate, 400 ms blocks every 100 ms, the absolute -70 LUFS gate and the relative
// gate 10 LU below the loudness of what passed the first. For whole files, not the audio thread:
// `add` keeps one value per 100 ms step and grows that list.

#include <array>
#include <cstdint>
#include <vector>

namespace qm {

class IntegratedLoudness {
public:
    // A meter for `channels` (1 or 2, each weighted 1) at `sampleRateHz`.
    IntegratedLoudness(int channels, double sampleRateHz);

    // Adds `frames` frames; a mono meter reads `left` alone.
    void add(const float* left, const float* right, std::int32_t frames);

    // The gated integrated loudness in LUFS of what was added; -infinity when no block passes the
    // gates (silence, or less than 400 ms).
    double integratedLufs() const;

    // Starts over at the same rate and channel count.
    void reset();

private:
    struct Biquad {
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
        double z1 = 0, z2 = 0;
        double run(double x);
    };
    double weighted(int channel, float sample);

    int channelCount;
    double rateHz;
    std::int32_t stepFrames;
    std::array<Biquad, 2> shelves;
    std::array<Biquad, 2> highPasses;
    // Energy summed over the channels in the current step, and the last four steps' sums.
    double stepEnergy = 0.0;
    std::int32_t stepFill = 0;
    std::array<double, 4> recentSteps{};
    std::int64_t stepsDone = 0;
    // Mean square of each complete 400 ms block.
    std::vector<double> blockEnergies;
};

}  // namespace qm
