#include "cli/reading/KeyMix.h"

#include <algorithm>

namespace qmduck {

KeyMix::KeyMix(std::vector<std::unique_ptr<SoundReader>> keyReaders, std::int32_t blockFrames)
    : keys(std::move(keyReaders)), ended(keys.size(), false), left(blockFrames), right(blockFrames) {}

bool KeyMix::fill(float* sumLeft, float* sumRight, std::int32_t frames) {
    std::fill(sumLeft, sumLeft + frames, 0.0f);
    std::fill(sumRight, sumRight + frames, 0.0f);
    filled = 0;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        std::int32_t done = 0;
        while (!ended[k] && done < frames) {
            const std::int64_t got = keys[k]->read(left.data() + done, right.data() + done, frames - done);
            if (got < 0) {
                failure = keys[k]->path() + ": cannot read: " + keys[k]->error();
                return false;
            }
            if (got == 0) ended[k] = true;
            done += static_cast<std::int32_t>(got);
        }
        filled = std::max(filled, done);
        for (std::int32_t i = 0; i < done; ++i) {
            sumLeft[i] += left[static_cast<std::size_t>(i)];
            sumRight[i] += right[static_cast<std::size_t>(i)];
        }
    }
    return true;
}

bool KeyMix::skip(std::int64_t frames,
                  const std::function<void(const float* left, const float* right, std::int32_t frames)>& seen) {
    std::vector<float> dropLeft(left.size());
    std::vector<float> dropRight(right.size());
    for (std::int64_t done = 0; done < frames;) {
        const auto piece = static_cast<std::int32_t>(std::min<std::int64_t>(frames - done, std::ssize(left)));
        if (!fill(dropLeft.data(), dropRight.data(), piece)) return false;
        if (seen) seen(dropLeft.data(), dropRight.data(), piece);
        done += piece;
    }
    return true;
}

}  // namespace qmduck
