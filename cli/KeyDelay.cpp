#include "cli/KeyDelay.h"

#include <algorithm>

namespace qmduck {

KeyDelay::KeyDelay(std::int64_t frames) {
    for (auto& channel : delayed) channel.assign(static_cast<std::size_t>(frames), 0.0f);
}

void KeyDelay::process(const float* left, const float* right, std::int32_t frames, float* outLeft, float* outRight) {
    const std::size_t length = delayed[0].size();
    if (length == 0) {
        std::copy_n(left, frames, outLeft);
        std::copy_n(right, frames, outRight);
        return;
    }
    for (std::int32_t i = 0; i < frames; ++i) {
        outLeft[i] = delayed[0][at];
        outRight[i] = delayed[1][at];
        delayed[0][at] = left[i];
        delayed[1][at] = right[i];
        at = at + 1 == length ? 0 : at + 1;
    }
}

void KeyDelay::prime(const float* left, const float* right, std::int32_t frames) {
    const std::size_t length = delayed[0].size();
    for (std::int32_t i = 0; i < frames && length > 0; ++i) {
        delayed[0][at] = left[i];
        delayed[1][at] = right[i];
        at = at + 1 == length ? 0 : at + 1;
    }
}

}  // namespace qmduck
