#include "engine/PeakHold.h"

#include <limits>

namespace qm {

void PeakHold::setWindow(std::int64_t windowFrames) {
    window = windowFrames > 0 ? windowFrames : 0;
    ring.assign(window > 0 ? static_cast<std::size_t>(window) + 1 : 0, Candidate{0, 0.0f});
    position = 0;
    head = 0;
    count = 0;
}

void PeakHold::apply(float* peaks, std::int32_t frames) {
    if (window == 0) return;
    const std::size_t capacity = ring.size();
    const auto at = [&](std::size_t offset) -> Candidate& {
        const std::size_t index = head + offset;
        return ring[index < capacity ? index : index - capacity];
    };
    for (std::int32_t i = 0; i < frames; ++i, ++position) {
        const float peak = peaks[i];
        if (!(peak <= std::numeric_limits<float>::max())) continue;
        // The candidates' peaks fall from the front to the back: a new peak retires every
        // smaller one behind it, and the front leaves once it is older than the window.
        while (count > 0 && at(count - 1).peak <= peak) --count;
        while (count > 0 && ring[head].frame < position - window) {
            head = head + 1 < capacity ? head + 1 : 0;
            --count;
        }
        at(count) = Candidate{position, peak};
        ++count;
        peaks[i] = ring[head].peak;
    }
}

}  // namespace qm
