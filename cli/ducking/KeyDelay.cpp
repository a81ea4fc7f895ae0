#include "cli/ducking/KeyDelay.h"

#include <algorithm>
#include <limits>
#include <new>

namespace qmduck {

KeyDelay::KeyDelay(std::int64_t frames) {
    const auto length = static_cast<std::int32_t>(std::clamp<std::int64_t>(frames, 0, std::numeric_limits<std::int32_t>::max() / 2));
    if (!delay.reserve(length)) throw std::bad_alloc();
    delay.setDelayFrames(length);
}

void KeyDelay::process(const float* left, const float* right, std::int32_t frames, float* outLeft, float* outRight) {
    // Without a look-ahead the keys are due as they come: no ring to keep.
    if (delay.delayFrames() == 0) {
        std::copy_n(left, frames, outLeft);
        std::copy_n(right, frames, outRight);
        return;
    }
    for (std::int32_t done = 0; done < frames; done += qm::AudioDelay::kChunkFrames) {
        const std::int32_t count = std::min(frames - done, qm::AudioDelay::kChunkFrames);
        const float* in[2] = {left + done, right + done};
        float* out[2] = {outLeft + done, outRight + done};
        delay.process(in, out, count);
    }
}

void KeyDelay::prime(const float* left, const float* right, std::int32_t frames) {
    float discarded[2][qm::AudioDelay::kChunkFrames];
    for (std::int32_t done = 0; done < frames; done += qm::AudioDelay::kChunkFrames) {
        const std::int32_t count = std::min(frames - done, qm::AudioDelay::kChunkFrames);
        process(left + done, right + done, count, discarded[0], discarded[1]);
    }
}

}  // namespace qmduck
