#pragma once
// Two doubles per register with WebAssembly's 128-bit SIMD: the engine's vector passes in a
// browser or Node. Without fused multiply-add, like SSE2, so both variants round alike; minima
// and maxima take the x86 operand order (the second operand on ties and NaN). Only KernelBody.h
// uses this, inside the one file compiled for the wasm build.

#include <wasm_simd128.h>

#include <cstdint>

#include "engine/kernels/MathTables.h"

namespace qm::kernels {
namespace {

struct Wasm128 {
    static constexpr int kLanes = 2;
    static constexpr int kFloatLanes = 4;
    using D = v128_t;
    using I = v128_t;
    using F = v128_t;

    static D set(double x) { return wasm_f64x2_splat(x); }
    static I setBits(std::uint64_t x) { return wasm_i64x2_splat(static_cast<std::int64_t>(x)); }
    static D add(D a, D b) { return wasm_f64x2_add(a, b); }
    static D sub(D a, D b) { return wasm_f64x2_sub(a, b); }
    static D mul(D a, D b) { return wasm_f64x2_mul(a, b); }
    // pmax(b, a) is b < a ? a : b, which is x86's a > b ? a : b; pmin likewise.
    static D max(D a, D b) { return wasm_f64x2_pmax(b, a); }
    static D min(D a, D b) { return wasm_f64x2_pmin(b, a); }
    // a * b + c with two roundings.
    static D mulAdd(D a, D b, D c) { return wasm_f64x2_add(wasm_f64x2_mul(a, b), c); }
    static D less(D a, D b) { return wasm_f64x2_lt(a, b); }
    static D equal(D a, D b) { return wasm_f64x2_eq(a, b); }
    static D select(D mask, D ifSet, D ifClear) { return wasm_v128_bitselect(ifSet, ifClear, mask); }
    static D bitsToDouble(I x) { return x; }
    static I doubleToBits(D x) { return x; }
    static I add64(I a, I b) { return wasm_i64x2_add(a, b); }
    static I sub64(I a, I b) { return wasm_i64x2_sub(a, b); }
    static I and64(I a, I b) { return wasm_v128_and(a, b); }
    static I or64(I a, I b) { return wasm_v128_or(a, b); }
    template <int Bits> static I shiftRight64(I x) { return wasm_u64x2_shr(x, Bits); }
    template <int Bits> static I shiftLeft64(I x) { return wasm_i64x2_shl(x, Bits); }
    // The entries of `table` at `index`: their first and second values.
    static void lookUp(const math::LogEntry* table, I index, D& first, D& second) {
        const v128_t e0 = wasm_v128_load(&table[wasm_i64x2_extract_lane(index, 0)].invc);
        const v128_t e1 = wasm_v128_load(&table[wasm_i64x2_extract_lane(index, 1)].invc);
        first = wasm_i64x2_shuffle(e0, e1, 0, 2);
        second = wasm_i64x2_shuffle(e0, e1, 1, 3);
    }

    // The smoothing's scalars, each in the low lane of a register as on x86: wasm's pmin and pmax
    // are then one instruction each, where scalar selects would branch.
    using S = v128_t;
    static S setS(double x) { return wasm_f64x2_splat(x); }
    static S loadS(const double* p) { return wasm_v128_load64_zero(p); }
    static S minS(S a, S b) { return wasm_f64x2_pmin(b, a); }
    static S maxS(S a, S b) { return wasm_f64x2_pmax(b, a); }
    static double valueOf(S x) { return wasm_f64x2_extract_lane(x, 0); }
    static D join(const S* lanes) { return wasm_i64x2_shuffle(lanes[0], lanes[1], 0, 2); }
    static void store(double* p, D x) { wasm_v128_store(p, x); }
    static D loadFloats(const float* p) { return wasm_f64x2_promote_low_f32x4(wasm_v128_load64_zero(p)); }
    static void storeFloats(float* p, D x) { wasm_v128_store64_lane(p, wasm_f32x4_demote_f64x2_zero(x), 0); }

    // One step of the signed smoothed overshoot w: the larger of the attack candidate w ca + a and
    // the release candidate w cr + r. Scalars in the low lanes.
    static S smoothStep(S w, S a, S r, S ca, S cr) {
        return maxS(wasm_f64x2_add(wasm_f64x2_mul(w, ca), a), wasm_f64x2_add(wasm_f64x2_mul(w, cr), r));
    }

    // Float lanes for the key, survey and copy passes.
    static F loadF(const float* p) { return wasm_v128_load(p); }
    static void storeF(float* p, F x) { wasm_v128_store(p, x); }
    static F setF(float x) { return wasm_f32x4_splat(x); }
    static F addF(F a, F b) { return wasm_f32x4_add(a, b); }
    static F mulF(F a, F b) { return wasm_f32x4_mul(a, b); }
    static F absF(F x) { return wasm_f32x4_abs(x); }
    // a when a > b, else b: b wins ties and a NaN in either.
    static F maxF(F a, F b) { return wasm_f32x4_pmax(b, a); }
    static F orF(F a, F b) { return wasm_v128_or(a, b); }
    static F andNotF(F mask, F x) { return wasm_v128_andnot(x, mask); }
    // Set where a <= b does not hold (a NaN included), or where a < b does not hold.
    static F notLessEqualF(F a, F b) { return wasm_v128_not(wasm_f32x4_le(a, b)); }
    static F notLessF(F a, F b) { return wasm_v128_not(wasm_f32x4_lt(a, b)); }
    static bool anySetF(F mask) { return wasm_v128_any_true(mask); }
};

}  // namespace
}  // namespace qm::kernels
