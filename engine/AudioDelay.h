#pragma once
// A stereo delay line of a fixed largest length: each frame comes out `delayFrames` frames after
// it went in, the first ones as silence. The look-ahead of the ducker: the audio is delayed while
// its key is not, so the gain is already falling when the key's onset reaches the audio. The
// memory is sized once, at set-up; changing the delay keeps the past, so a longer delay reads
// frames that were already there.

#include <cstdint>
#include <vector>

namespace qm {

class AudioDelay {
public:
    // The most frames one call of `process` takes.
    static constexpr std::int32_t kChunkFrames = 256;

    // Makes room for delays up to `maxDelayFrames` and clears the past; false when the memory
    // cannot be had (the delay is then 0). Allocates: set-up only.
    bool reserve(std::int32_t maxDelayFrames);
    // The delay in frames, limited to 0..the reserved largest. No allocation.
    void setDelayFrames(std::int32_t frames);
    std::int32_t delayFrames() const { return delay; }
    std::int32_t maxDelayFrames() const { return maxDelay; }

    // Writes `frames` (at most kChunkFrames) frames of both channels of `in`, delayed, to `out`,
    // which may be `in`. No allocation.
    void process(const float* const* in, float* const* out, std::int32_t frames);

private:
    // Ring of the latest frames of each channel: the largest delay and one chunk.
    std::vector<float> ring[2];
    std::int32_t size = 0;
    std::int32_t writeAt = 0;
    std::int32_t maxDelay = 0;
    std::int32_t delay = 0;
};

}  // namespace qm
