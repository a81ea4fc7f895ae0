#include "engine/PeakHold.h"

#include <algorithm>
#include <limits>

namespace qm {

void PeakHold::setWindow(std::int64_t windowFrames) {
    window = windowFrames > 0 ? windowFrames : 0;
    const std::size_t block = window > 0 ? static_cast<std::size_t>(window) + 1 : 0;
    current.assign(block, 0.0f);
    previousSuffix.assign(block > 0 ? block + 1 : 0, 0.0f);
    position = 0;
    prefix = 0.0f;
}

void PeakHold::apply(float* peaks, std::int32_t frames) {
    if (window == 0) return;
    const std::size_t block = current.size();
    for (std::int32_t i = 0; i < frames; ++i) {
        const float peak = peaks[i];
        const bool finite = peak <= std::numeric_limits<float>::max();
        const float value = finite ? peak : 0.0f;
        current[position] = value;
        prefix = std::max(prefix, value);
        // The window is the rest of the previous block after this position, and this block
        // up to here.
        const float held = std::max(previousSuffix[position + 1], prefix);
        peaks[i] = finite ? held : peak;
        if (++position == block) {
            float largest = 0.0f;
            for (std::size_t k = block; k-- > 0;) {
                largest = std::max(largest, current[k]);
                previousSuffix[k] = largest;
            }
            position = 0;
            prefix = 0.0f;
        }
    }
}

}  // namespace qm
