#pragma once
// Files of more than two channels (5.1 and the like) folded to stereo the same way whichever
// reader decodes them: ITU-R BS.775's coefficients, the centre and the surrounds at -3 dB on
// their side, the LFE dropped (a podcast's playback has no subwoofer feed, and the LFE's
// content is in the main channels already). Nothing is normalised: a float sum above full
// scale is left to the loudness gain and the limiter.

#include <cstdint>
#include <string>
#include <vector>

namespace qmduck {

enum class Speaker { FrontLeft, FrontRight, Centre, Lfe, BackLeft, BackRight, SideLeft, SideRight, BackCentre, Other };

struct StereoWeights {
    double left = 0.0;
    double right = 0.0;
};

// What `speaker` adds to each side of the stereo mix.
StereoWeights stereoWeightsOf(Speaker speaker);

// The speakers of a file of `channels` channels in WAV's and FLAC's order (FL FR FC LFE BL BR
// SL SR), for files that do not name theirs.
std::vector<Speaker> defaultSpeakers(int channels);

// The message for a run whose file at `path` had `channels` channels.
std::string downMixRemark(const std::string& path, int channels);

class DownMix {
public:
    explicit DownMix(const std::vector<Speaker>& speakers);

    // Folds `frames` interleaved frames of the speakers' channels into `left` and `right`.
    void apply(const float* interleaved, std::int64_t frames, float* left, float* right) const;

private:
    std::vector<float> leftWeights;
    std::vector<float> rightWeights;
};

}  // namespace qmduck
