#pragma once
// The integrated loudness a stream will have after a gain and the true-peak limiter, predicted
// from one look at the stream without the gain: per millisecond its true peak and its K-weighted
// energy (ITU-R BS.1770) are kept, and the limiter's gain is played over them at the resolution
// of a millisecond (its 5 ms ramp and 150 ms release are far longer). What the limiter takes
// off the loudness is then known before writing, for any gain, in a fraction of a second.

#include <array>
#include <cstdint>
#include <vector>

#include "engine/finishing/PeakLimiter.h"
#include "engine/finishing/TruePeak.h"

namespace qmduck {

class LimitedLoudness {
public:
    // A predictor for `channels` (1 or 2) channels at `sampleRateHz`, for the limiter's `settings`.
    LimitedLoudness(int channels, int sampleRateHz, const qm::LimiterSettings& settings);

    // Adds `frames` frames before the gain (a mono stream takes `left` alone).
    void add(const float* left, const float* right, std::int32_t frames);

    // The loudness lost to the limiter (LU, 0 or more) at `gainDb` with its ceiling at
    // `ceilingDb` (dBTP), as this model measures it.
    double lossLu(double gainDb, double ceilingDb) const;
    // The stream's own integrated loudness in LUFS (BS.1770 gating over the kept energies, as
    // libebur128 measures it); -infinity when nothing passes the gates.
    double integratedLufs() const;
    // The largest true peak seen, in dBTP.
    double truePeakDb() const;

private:
    // The model's own integrated loudness (LUFS) at `gainDb`, limited at `ceilingDb` or not.
    double loudnessLufs(double gainDb, double ceilingDb, bool limited) const;
    // K-weights `frames` frames of `kChannels` channels into the bin's energy.
    template <int kChannels>
    void weigh(const float* const* channels, std::int32_t frames);
    void closeBin();
    // Per bin, the largest true peak over it and the limiter's look-ahead after it.
    const std::vector<float>& peaksAhead() const;

    struct Biquad {
        double b0, b1, b2, a1, a2;
        std::array<double, 2> z1{}, z2{};
    };
    int channelCount;
    int binFrames;
    int attackBins;
    double releasePerBin;
    Biquad shelf{};
    Biquad highPass{};
    qm::TruePeak truePeak;
    std::vector<float> peaks;
    // Per bin: the largest true peak (linear) and the K-weighted energy summed over channels.
    std::vector<float> binPeaks;
    std::vector<float> binEnergies;
    double energy = 0.0;
    int energyFrames = 0;
    float peak = 0.0f;
    int peakFrames = 0;
    float largestPeak = 0.0f;
    // peaksAhead()'s answer, for the bins there were when it was made.
    mutable std::vector<float> largestAhead;
    mutable std::size_t aheadBins = static_cast<std::size_t>(-1);
    // The first estimates of qm::TruePeak are of the silence before the stream.
    int peaksToSkip = qm::TruePeak::kDelayFrames;
};

}  // namespace qmduck
