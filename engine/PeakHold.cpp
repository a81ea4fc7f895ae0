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
    // Locals, so that the stores to `peaks` cannot alias the state the loop carries.
    const std::size_t block = current.size();
    float* const ownPeaks = current.data();
    float* const suffix = previousSuffix.data();
    std::size_t at = position;
    float largestSoFar = prefix;
    for (std::int32_t i = 0; i < frames;) {
        // As far as the end of the call or of the block, whichever comes first.
        const std::size_t run = std::min(block - at, static_cast<std::size_t>(frames - i));
        for (std::size_t k = 0; k < run; ++k, ++i, ++at) {
            const float peak = peaks[i];
            const bool finite = peak <= std::numeric_limits<float>::max();
            const float value = finite ? peak : 0.0f;
            ownPeaks[at] = value;
            largestSoFar = largestSoFar > value ? largestSoFar : value;
            // The window is the rest of the previous block after this position, and this block
            // up to here.
            const float rest = suffix[at + 1];
            const float held = rest > largestSoFar ? rest : largestSoFar;
            peaks[i] = finite ? held : peak;
        }
        if (at == block) {
            float largest = 0.0f;
            for (std::size_t k = block; k-- > 0;) {
                largest = largest > ownPeaks[k] ? largest : ownPeaks[k];
                suffix[k] = largest;
            }
            at = 0;
            largestSoFar = 0.0f;
        }
    }
    position = at;
    prefix = largestSoFar;
}

}  // namespace qm
