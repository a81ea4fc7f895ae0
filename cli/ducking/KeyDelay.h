#pragma once
// The keys as the mix hears them: the summed key that the detector reads `lookahead` frames
// ahead, delayed by as much again, so that in the mix the keys keep their own timing.

#include <cstdint>

#include "engine/AudioDelay.h"

namespace qmduck {

class KeyDelay {
public:
    // Throws std::bad_alloc when the delay's memory cannot be had.
    explicit KeyDelay(std::int64_t frames);

    // Takes `frames` frames of the key as the detector reads it; writes the key `frames` behind
    // to `outLeft` and `outRight` (silence before the start).
    void process(const float* left, const float* right, std::int32_t frames, float* outLeft, float* outRight);
    // Takes frames that are not yet due (the first look-ahead), without giving any out.
    void prime(const float* left, const float* right, std::int32_t frames);

private:
    qm::AudioDelay delay;
};

}  // namespace qmduck
