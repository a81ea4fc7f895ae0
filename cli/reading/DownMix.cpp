#include "cli/reading/DownMix.h"

#include <cmath>

namespace qmduck {

StereoWeights stereoWeightsOf(Speaker speaker) {
    const double minus3Db = std::sqrt(0.5);
    switch (speaker) {
    case Speaker::FrontLeft: return {1.0, 0.0};
    case Speaker::FrontRight: return {0.0, 1.0};
    case Speaker::Centre: return {minus3Db, minus3Db};
    case Speaker::Lfe: return {0.0, 0.0};
    case Speaker::BackLeft:
    case Speaker::SideLeft: return {minus3Db, 0.0};
    case Speaker::BackRight:
    case Speaker::SideRight: return {0.0, minus3Db};
    // A back centre is a surround on both sides, any other speaker half on each.
    case Speaker::BackCentre: return {0.5, 0.5};
    case Speaker::Other: break;
    }
    return {0.5, 0.5};
}

std::vector<Speaker> defaultSpeakers(int channels) {
    using S = Speaker;
    switch (channels) {
    case 3: return {S::FrontLeft, S::FrontRight, S::Centre};
    case 4: return {S::FrontLeft, S::FrontRight, S::BackLeft, S::BackRight};
    case 5: return {S::FrontLeft, S::FrontRight, S::Centre, S::BackLeft, S::BackRight};
    case 6: return {S::FrontLeft, S::FrontRight, S::Centre, S::Lfe, S::BackLeft, S::BackRight};
    case 7: return {S::FrontLeft, S::FrontRight, S::Centre, S::Lfe, S::BackCentre, S::SideLeft, S::SideRight};
    case 8:
        return {S::FrontLeft, S::FrontRight, S::Centre, S::Lfe, S::BackLeft, S::BackRight, S::SideLeft, S::SideRight};
    default: break;
    }
    std::vector<Speaker> speakers(static_cast<std::size_t>(channels), S::Other);
    if (channels >= 2) {
        speakers[0] = S::FrontLeft;
        speakers[1] = S::FrontRight;
    }
    return speakers;
}

std::string downMixRemark(const std::string& path, int channels) {
    return path + ": its " + std::to_string(channels) +
           " channels are mixed down to stereo (ITU-R BS.775: centre and surrounds at -3 dB, LFE dropped)";
}

DownMix::DownMix(const std::vector<Speaker>& speakers) {
    for (Speaker speaker : speakers) {
        const StereoWeights weights = stereoWeightsOf(speaker);
        leftWeights.push_back(static_cast<float>(weights.left));
        rightWeights.push_back(static_cast<float>(weights.right));
    }
}

void DownMix::apply(const float* interleaved, std::int64_t frames, float* left, float* right) const {
    const std::size_t width = leftWeights.size();
    for (std::int64_t i = 0; i < frames; ++i) {
        const float* frame = interleaved + static_cast<std::size_t>(i) * width;
        float l = 0.0f;
        float r = 0.0f;
        for (std::size_t c = 0; c < width; ++c) {
            l += leftWeights[c] * frame[c];
            r += rightWeights[c] * frame[c];
        }
        left[i] = l;
        right[i] = r;
    }
}

}  // namespace qmduck
