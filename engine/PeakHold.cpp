#include "engine/PeakHold.h"

#include <emmintrin.h>

#include <algorithm>
#include <limits>

namespace qm {
namespace {

constexpr float kLargest = std::numeric_limits<float>::max();

// Lane i becomes the largest of lanes 0..i (to the right: of lanes i..3). Peaks are 0 or more,
// so the zeros shifted in change nothing.
__m128 maxFromLeft(__m128 x) {
    x = _mm_max_ps(x, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(x), 4)));
    return _mm_max_ps(x, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(x), 8)));
}

__m128 maxFromRight(__m128 x) {
    x = _mm_max_ps(x, _mm_castsi128_ps(_mm_srli_si128(_mm_castps_si128(x), 4)));
    return _mm_max_ps(x, _mm_castsi128_ps(_mm_srli_si128(_mm_castps_si128(x), 8)));
}

}  // namespace

void PeakHold::setWindow(std::int64_t windowFrames) {
    window = windowFrames > 0 ? windowFrames : 0;
    const std::size_t block = window > 0 ? static_cast<std::size_t>(window) + 1 : 0;
    current.assign(block, 0.0f);
    previousSuffix.assign(block > 0 ? block + 1 : 0, 0.0f);
    position = 0;
    prefix = 0.0f;
}

void PeakHold::reserve(std::int64_t maxWindowFrames) {
    if (maxWindowFrames <= 0) return;
    const auto block = static_cast<std::size_t>(maxWindowFrames) + 1;
    current.reserve(block);
    previousSuffix.reserve(block + 1);
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
        // As far as the end of the call or of the block, whichever comes first. The window is
        // the rest of the previous block after each position, and this block up to it.
        const std::size_t run = std::min(block - at, static_cast<std::size_t>(frames - i));
        std::size_t k = 0;
        __m128 carry = _mm_set1_ps(largestSoFar);
        for (; k + 4 <= run; k += 4) {
            const __m128 peak = _mm_loadu_ps(peaks + i + k);
            const __m128 finite = _mm_cmple_ps(peak, _mm_set1_ps(kLargest));
            const __m128 value = _mm_and_ps(finite, peak);
            _mm_storeu_ps(ownPeaks + at + k, value);
            const __m128 soFar = _mm_max_ps(maxFromLeft(value), carry);
            carry = _mm_shuffle_ps(soFar, soFar, _MM_SHUFFLE(3, 3, 3, 3));
            const __m128 held = _mm_max_ps(_mm_loadu_ps(suffix + at + k + 1), soFar);
            _mm_storeu_ps(peaks + i + k, _mm_or_ps(_mm_and_ps(finite, held), _mm_andnot_ps(finite, peak)));
        }
        largestSoFar = _mm_cvtss_f32(carry);
        for (; k < run; ++k) {
            const float peak = peaks[i + k];
            const bool finite = peak <= kLargest;
            const float value = finite ? peak : 0.0f;
            ownPeaks[at + k] = value;
            largestSoFar = largestSoFar > value ? largestSoFar : value;
            const float rest = suffix[at + k + 1];
            peaks[i + k] = finite ? (rest > largestSoFar ? rest : largestSoFar) : peak;
        }
        i += static_cast<std::int32_t>(run);
        at += run;
        if (at == block) {
            // The maxima from each position to the block's end, for the next block.
            std::size_t j = block;
            float largest = 0.0f;
            for (; j % 4 != 0; --j) {
                largest = largest > ownPeaks[j - 1] ? largest : ownPeaks[j - 1];
                suffix[j - 1] = largest;
            }
            __m128 after = _mm_set1_ps(largest);
            for (; j > 0; j -= 4) {
                const __m128 toEnd = _mm_max_ps(maxFromRight(_mm_loadu_ps(ownPeaks + j - 4)), after);
                after = _mm_shuffle_ps(toEnd, toEnd, _MM_SHUFFLE(0, 0, 0, 0));
                _mm_storeu_ps(suffix + j - 4, toEnd);
            }
            at = 0;
            largestSoFar = 0.0f;
        }
    }
    position = at;
    prefix = largestSoFar;
}

}  // namespace qm
