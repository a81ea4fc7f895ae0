#pragma once
// The few SSE2 operations that engine files outside the kernels use (PeakHold's running maxima),
// on wasm SIMD with x86's results: only the wasm build finds this header, ahead of the system's.

#include <wasm_simd128.h>

typedef v128_t __m128;
typedef v128_t __m128i;

#define _MM_SHUFFLE(z, y, x, w) (((z) << 6) | ((y) << 4) | ((x) << 2) | (w))

static inline __m128 _mm_set1_ps(float x) { return wasm_f32x4_splat(x); }
static inline __m128 _mm_loadu_ps(const float* p) { return wasm_v128_load(p); }
static inline void _mm_storeu_ps(float* p, __m128 x) { wasm_v128_store(p, x); }
static inline float _mm_cvtss_f32(__m128 x) { return wasm_f32x4_extract_lane(x, 0); }
static inline __m128 _mm_castsi128_ps(__m128i x) { return x; }
static inline __m128i _mm_castps_si128(__m128 x) { return x; }
// a > b ? a : b, as maxps: b on ties and NaN.
static inline __m128 _mm_max_ps(__m128 a, __m128 b) { return wasm_f32x4_pmax(b, a); }
static inline __m128 _mm_cmple_ps(__m128 a, __m128 b) { return wasm_f32x4_le(a, b); }
static inline __m128 _mm_and_ps(__m128 a, __m128 b) { return wasm_v128_and(a, b); }
static inline __m128 _mm_or_ps(__m128 a, __m128 b) { return wasm_v128_or(a, b); }
static inline __m128 _mm_andnot_ps(__m128 mask, __m128 x) { return wasm_v128_andnot(x, mask); }

// Whole-register shifts by bytes, zeros shifted in (lane 0 is the lowest address).
#define _mm_slli_si128(x, bytes) \
    wasm_i8x16_shuffle(wasm_i64x2_const(0, 0), (x), 16 - (bytes), 17 - (bytes), 18 - (bytes), 19 - (bytes), \
                       20 - (bytes), 21 - (bytes), 22 - (bytes), 23 - (bytes), 24 - (bytes), 25 - (bytes), \
                       26 - (bytes), 27 - (bytes), 28 - (bytes), 29 - (bytes), 30 - (bytes), 31 - (bytes))
#define _mm_srli_si128(x, bytes) \
    wasm_i8x16_shuffle((x), wasm_i64x2_const(0, 0), (bytes), 1 + (bytes), 2 + (bytes), 3 + (bytes), 4 + (bytes), \
                       5 + (bytes), 6 + (bytes), 7 + (bytes), 8 + (bytes), 9 + (bytes), 10 + (bytes), 11 + (bytes), \
                       12 + (bytes), 13 + (bytes), 14 + (bytes), 15 + (bytes))
// Lanes w and x from a, y and z from b.
#define _mm_shuffle_ps(a, b, mask) \
    wasm_i32x4_shuffle((a), (b), (mask) & 3, ((mask) >> 2) & 3, 4 + (((mask) >> 4) & 3), 4 + (((mask) >> 6) & 3))
