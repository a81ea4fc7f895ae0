#pragma once
// Two doubles per register with SSE2 alone: what every processor that runs the module has. Only
// KernelBody.h uses this, inside a file of its own.

#include <emmintrin.h>

#include <cstdint>

#include "engine/kernels/MathTables.h"

namespace qm::kernels {
namespace {

struct Sse2 {
    static constexpr int kLanes = 2;
    static constexpr int kFloatLanes = 4;
    using D = __m128d;
    using I = __m128i;
    using F = __m128;

    static D set(double x) { return _mm_set1_pd(x); }
    static I setBits(std::uint64_t x) { return _mm_set1_epi64x(static_cast<long long>(x)); }
    static D add(D a, D b) { return _mm_add_pd(a, b); }
    static D sub(D a, D b) { return _mm_sub_pd(a, b); }
    static D mul(D a, D b) { return _mm_mul_pd(a, b); }
    static D max(D a, D b) { return _mm_max_pd(a, b); }
    static D min(D a, D b) { return _mm_min_pd(a, b); }
    // a * b + c with two roundings.
    static D mulAdd(D a, D b, D c) { return _mm_add_pd(_mm_mul_pd(a, b), c); }
    static D less(D a, D b) { return _mm_cmplt_pd(a, b); }
    static D equal(D a, D b) { return _mm_cmpeq_pd(a, b); }
    static D select(D mask, D ifSet, D ifClear) {
        return _mm_or_pd(_mm_and_pd(mask, ifSet), _mm_andnot_pd(mask, ifClear));
    }
    static D bitsToDouble(I x) { return _mm_castsi128_pd(x); }
    static I doubleToBits(D x) { return _mm_castpd_si128(x); }
    static I add64(I a, I b) { return _mm_add_epi64(a, b); }
    static I sub64(I a, I b) { return _mm_sub_epi64(a, b); }
    static I and64(I a, I b) { return _mm_and_si128(a, b); }
    static I or64(I a, I b) { return _mm_or_si128(a, b); }
    template <int Bits> static I shiftRight64(I x) { return _mm_srli_epi64(x, Bits); }
    template <int Bits> static I shiftLeft64(I x) { return _mm_slli_epi64(x, Bits); }
    // The entries of `table` at `index`: their first and second values.
    static void lookUp(const math::LogEntry* table, I index, D& first, D& second) {
        alignas(16) std::uint64_t at[2];
        _mm_store_si128(reinterpret_cast<I*>(at), index);
        const __m128d e0 = _mm_load_pd(&table[at[0]].invc);
        const __m128d e1 = _mm_load_pd(&table[at[1]].invc);
        first = _mm_unpacklo_pd(e0, e1);
        second = _mm_unpackhi_pd(e0, e1);
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
        lanes[0] = x;
        lanes[1] = _mm_unpackhi_pd(x, x);
    }
    static D join(const __m128d* lanes) { return _mm_unpacklo_pd(lanes[0], lanes[1]); }
    static void store(double* p, D x) { _mm_store_pd(p, x); }
    static D loadFloats(const float* p) {
        return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const I*>(p))));
    }
    static void storeFloats(float* p, D x) { _mm_storel_epi64(reinterpret_cast<I*>(p), _mm_castps_si128(_mm_cvtpd_ps(x))); }
    // A group's frames as floats, in the low half of a register.
    using G = __m128;
    static G narrow(D x) { return _mm_cvtpd_ps(x); }
    static G loadGroup(const float* p) { return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const I*>(p))); }
    static void storeGroup(float* p, G x) { _mm_storel_epi64(reinterpret_cast<I*>(p), _mm_castps_si128(x)); }
    static G mulGroup(G a, G b) { return _mm_mul_ps(a, b); }
    static bool anyLess(D a, D b) { return _mm_movemask_pd(_mm_cmplt_pd(a, b)) != 0; }

    // One step of the signed smoothed overshoot w: the larger of the attack candidate w ca + a and
    // the release candidate w cr + r. Scalars in the low lanes.
    static __m128d smoothStep(__m128d w, __m128d a, __m128d r, __m128d ca, __m128d cr) {
        return _mm_max_sd(_mm_add_sd(_mm_mul_sd(w, ca), a), _mm_add_sd(_mm_mul_sd(w, cr), r));
    }

    // Float lanes for the key, survey and copy passes.
    static F loadF(const float* p) { return _mm_loadu_ps(p); }
    static void storeF(float* p, F x) { _mm_storeu_ps(p, x); }
    static F setF(float x) { return _mm_set1_ps(x); }
    static F addF(F a, F b) { return _mm_add_ps(a, b); }
    static F mulF(F a, F b) { return _mm_mul_ps(a, b); }
    static F absF(F x) { return _mm_and_ps(x, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF))); }
    // a when a > b, else b: b wins ties and a NaN in either.
    static F maxF(F a, F b) { return _mm_max_ps(a, b); }
    static F orF(F a, F b) { return _mm_or_ps(a, b); }
    static F andNotF(F mask, F x) { return _mm_andnot_ps(mask, x); }
    // Set where a <= b does not hold (a NaN included), or where a < b does not hold.
    static F notLessEqualF(F a, F b) { return _mm_cmpnle_ps(a, b); }
    static F notLessF(F a, F b) { return _mm_cmpnlt_ps(a, b); }
    static bool anySetF(F mask) { return _mm_movemask_ps(mask) != 0; }
};

}  // namespace
}  // namespace qm::kernels
