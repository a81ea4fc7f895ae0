#include "cli/TruePeakPasses.h"

#include <cmath>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace qmduck::peakpasses {

namespace {
constexpr int kTaps = TruePeak::kTaps;
constexpr int kCentre = TruePeak::kDelayFrames - 1;

// The larger of a and b as the vector instructions take it: b when either is NaN.
inline float larger(float a, float b) { return a > b ? a : b; }

}  // namespace

std::int32_t scalar(const TruePeak::Phases& phases, const float* window, std::int32_t frames, float* peaks) {
    for (std::int32_t i = 0; i < frames; ++i) {
        const float* at = window + i;
        float peak = std::fabs(at[kCentre]);
        for (const auto& taps : phases) {
            float sum = 0.0f;
            for (int j = 0; j < kTaps; ++j) sum += at[j] * taps[static_cast<std::size_t>(j)];
            peak = larger(peak, std::fabs(sum));
        }
        peaks[i] = larger(peaks[i], peak);
    }
    return frames;
}

#if defined(__SSE2__)

// Eight frames at a time, in two groups of four: every tap's window is loaded once for the three
// phases, and the six sums, unrolled into registers, hide each other's latency.
std::int32_t sse2(const TruePeak::Phases& phases, const float* window, std::int32_t frames, float* peaks) {
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    std::int32_t i = 0;
    for (; i + 8 <= frames; i += 8) {
        const float* at = window + i;
        __m128 sums[2][3] = {{_mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps()},
                             {_mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps()}};
        for (int j = 0; j < kTaps; ++j) {
            const __m128 x[2] = {_mm_loadu_ps(at + j), _mm_loadu_ps(at + j + 4)};
            #pragma GCC unroll 3
            for (int p = 0; p < 3; ++p) {
                const __m128 tap = _mm_set1_ps(phases[static_cast<std::size_t>(p)][static_cast<std::size_t>(j)]);
                #pragma GCC unroll 3
                for (int g = 0; g < 2; ++g) sums[g][p] = _mm_add_ps(sums[g][p], _mm_mul_ps(x[g], tap));
            }
        }
        #pragma GCC unroll 3
        for (int g = 0; g < 2; ++g) {
            __m128 peak = _mm_and_ps(_mm_loadu_ps(at + 4 * g + kCentre), magnitude);
            #pragma GCC unroll 3
            for (int p = 0; p < 3; ++p) peak = _mm_max_ps(peak, _mm_and_ps(sums[g][p], magnitude));
            _mm_storeu_ps(peaks + i + 4 * g, _mm_max_ps(_mm_loadu_ps(peaks + i + 4 * g), peak));
        }
    }
    return i;
}

// Sixteen frames at a time, in two groups of eight, as the SSE2 pass.
__attribute__((target("avx2"))) std::int32_t avx2(const TruePeak::Phases& phases, const float* window,
                                                  std::int32_t frames, float* peaks) {
    const __m256 magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    std::int32_t i = 0;
    for (; i + 16 <= frames; i += 16) {
        const float* at = window + i;
        __m256 sums[2][3] = {{_mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps()},
                             {_mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps()}};
        for (int j = 0; j < kTaps; ++j) {
            const __m256 x[2] = {_mm256_loadu_ps(at + j), _mm256_loadu_ps(at + j + 8)};
            #pragma GCC unroll 3
            for (int p = 0; p < 3; ++p) {
                const __m256 tap = _mm256_set1_ps(phases[static_cast<std::size_t>(p)][static_cast<std::size_t>(j)]);
                #pragma GCC unroll 3
                for (int g = 0; g < 2; ++g) sums[g][p] = _mm256_add_ps(sums[g][p], _mm256_mul_ps(x[g], tap));
            }
        }
        #pragma GCC unroll 3
        for (int g = 0; g < 2; ++g) {
            __m256 peak = _mm256_and_ps(_mm256_loadu_ps(at + 8 * g + kCentre), magnitude);
            #pragma GCC unroll 3
            for (int p = 0; p < 3; ++p) peak = _mm256_max_ps(peak, _mm256_and_ps(sums[g][p], magnitude));
            _mm256_storeu_ps(peaks + i + 8 * g, _mm256_max_ps(_mm256_loadu_ps(peaks + i + 8 * g), peak));
        }
    }
    return i;
}

#else

std::int32_t sse2(const TruePeak::Phases&, const float*, std::int32_t, float*) { return 0; }
std::int32_t avx2(const TruePeak::Phases&, const float*, std::int32_t, float*) { return 0; }

#endif

}  // namespace qmduck::peakpasses
