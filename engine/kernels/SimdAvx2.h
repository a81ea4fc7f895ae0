#pragma once
// Four doubles per register with AVX2 and fused multiply-add. Only KernelBody.h uses this, inside
// the one file compiled for these instructions.

#include <immintrin.h>

#include <cstdint>

#include "engine/kernels/MathTables.h"

namespace qm::kernels {
namespace {

struct Avx2 {
    static constexpr int kLanes = 4;
    static constexpr int kFloatLanes = 8;
    using D = __m256d;
    using I = __m256i;
    using F = __m256;

    static D set(double x) { return _mm256_set1_pd(x); }
    static I setBits(std::uint64_t x) { return _mm256_set1_epi64x(static_cast<long long>(x)); }
    static D add(D a, D b) { return _mm256_add_pd(a, b); }
    static D sub(D a, D b) { return _mm256_sub_pd(a, b); }
    static D mul(D a, D b) { return _mm256_mul_pd(a, b); }
    static D max(D a, D b) { return _mm256_max_pd(a, b); }
    static D min(D a, D b) { return _mm256_min_pd(a, b); }
    // a * b + c with one rounding.
    static D mulAdd(D a, D b, D c) { return _mm256_fmadd_pd(a, b, c); }
    static D less(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static D equal(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
    static D select(D mask, D ifSet, D ifClear) { return _mm256_blendv_pd(ifClear, ifSet, mask); }
    static D bitsToDouble(I x) { return _mm256_castsi256_pd(x); }
    static I doubleToBits(D x) { return _mm256_castpd_si256(x); }
    static I add64(I a, I b) { return _mm256_add_epi64(a, b); }
    static I sub64(I a, I b) { return _mm256_sub_epi64(a, b); }
    static I and64(I a, I b) { return _mm256_and_si256(a, b); }
    static I or64(I a, I b) { return _mm256_or_si256(a, b); }
    template <int Bits> static I shiftRight64(I x) { return _mm256_srli_epi64(x, Bits); }
    template <int Bits> static I shiftLeft64(I x) { return _mm256_slli_epi64(x, Bits); }
    // The entries of `table` at `index`: their first and second values. Four 16-byte loads and a
    // transposition beat a gather instruction, which is slow on many processors.
    static void lookUp(const math::LogEntry* table, I index, D& first, D& second) {
        alignas(32) std::uint64_t at[4];
        _mm256_store_si256(reinterpret_cast<I*>(at), index);
        const __m128d e0 = _mm_load_pd(&table[at[0]].invc);
        const __m128d e1 = _mm_load_pd(&table[at[1]].invc);
        const __m128d e2 = _mm_load_pd(&table[at[2]].invc);
        const __m128d e3 = _mm_load_pd(&table[at[3]].invc);
        first = _mm256_set_m128d(_mm_unpacklo_pd(e2, e3), _mm_unpacklo_pd(e0, e1));
        second = _mm256_set_m128d(_mm_unpackhi_pd(e2, e3), _mm_unpackhi_pd(e0, e1));
    }
    // The smoothing's scalars, each in the low lane of a register: it runs frame by frame.
    using S = __m128d;
    static S setS(double x) { return _mm_set_sd(x); }
    static S loadS(const double* p) { return _mm_load_sd(p); }
    static S minS(S a, S b) { return _mm_min_sd(a, b); }
    static S maxS(S a, S b) { return _mm_max_sd(a, b); }
    static double valueOf(S x) { return _mm_cvtsd_f64(x); }
    // The lanes as scalars in the low halves of registers, and back.
    static void split(D x, __m128d* lanes) {
        const __m128d low = _mm256_castpd256_pd128(x);
        const __m128d high = _mm256_extractf128_pd(x, 1);
        lanes[0] = low;
        lanes[1] = _mm_unpackhi_pd(low, low);
        lanes[2] = high;
        lanes[3] = _mm_unpackhi_pd(high, high);
    }
    static D join(const __m128d* lanes) {
        return _mm256_set_m128d(_mm_unpacklo_pd(lanes[2], lanes[3]), _mm_unpacklo_pd(lanes[0], lanes[1]));
    }
    static void store(double* p, D x) { _mm256_store_pd(p, x); }
    static D loadFloats(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }
    static void storeFloats(float* p, D x) { _mm_storeu_ps(p, _mm256_cvtpd_ps(x)); }
    // A group's frames as floats.
    using G = __m128;
    static G narrow(D x) { return _mm256_cvtpd_ps(x); }
    static G loadGroup(const float* p) { return _mm_loadu_ps(p); }
    static void storeGroup(float* p, G x) { _mm_storeu_ps(p, x); }
    static G mulGroup(G a, G b) { return _mm_mul_ps(a, b); }
    static bool anyLess(D a, D b) { return _mm256_movemask_pd(_mm256_cmp_pd(a, b, _CMP_LT_OQ)) != 0; }

    // One step of the signed smoothed overshoot w: the larger of the attack candidate w ca + a and
    // the release candidate w cr + r. Scalars in the low lanes.
    static __m128d smoothStep(__m128d w, __m128d a, __m128d r, __m128d ca, __m128d cr) {
        return _mm_max_sd(_mm_fmadd_sd(w, ca, a), _mm_fmadd_sd(w, cr, r));
    }

    static F loadF(const float* p) { return _mm256_loadu_ps(p); }
    static void storeF(float* p, F x) { _mm256_storeu_ps(p, x); }
    static F setF(float x) { return _mm256_set1_ps(x); }
    static F addF(F a, F b) { return _mm256_add_ps(a, b); }
    static F mulF(F a, F b) { return _mm256_mul_ps(a, b); }
    static F absF(F x) { return _mm256_and_ps(x, _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF))); }
    // a when a > b, else b: b wins ties and a NaN in either.
    static F maxF(F a, F b) { return _mm256_max_ps(a, b); }
    static F orF(F a, F b) { return _mm256_or_ps(a, b); }
    static F andNotF(F mask, F x) { return _mm256_andnot_ps(mask, x); }
    // Set where a <= b does not hold (a NaN included), or where a < b does not hold.
    static F notLessEqualF(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_NLE_UQ); }
    static F notLessF(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_NLT_UQ); }
    static bool anySetF(F mask) { return _mm256_movemask_ps(mask) != 0; }
};

}  // namespace
}  // namespace qm::kernels
