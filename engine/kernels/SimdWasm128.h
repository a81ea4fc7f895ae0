#pragma once
// Four doubles in two registers of WebAssembly's 128-bit SIMD: the engine's vector passes in a
// browser or Node. The smoothing runs in doubles, rounding as SSE2's does, or as AVX2's does when
// compiled with -mrelaxed-simd (its multiply-adds fused); the levels and gains are computed in
// floats (kSingleMath), as a browser's engine runs two registers of doubles at about half the
// native passes' speed. Minima and maxima take the x86 operand order (the second operand on ties
// and NaN). Only KernelBody.h uses this, inside the one file compiled for each wasm module.

#include <wasm_simd128.h>

#include <cstdint>

#include "engine/kernels/MathTables.h"

namespace qm::kernels {
namespace {

// Four frames of doubles in two registers: the passes then run two independent chains side by
// side (the gain's series above all), which the processor overlaps, where one register of two
// frames leaves it waiting on each step's latency.
struct Pair {
    v128_t low;   // frames 0 and 1 of the group
    v128_t high;  // frames 2 and 3
};

struct Wasm128 {
#ifdef __wasm_relaxed_simd__
    static constexpr const char* kName = "wasm-relaxed-simd";
#else
    static constexpr const char* kName = "wasm-simd128";
#endif
    static constexpr int kLanes = 4;
    static constexpr int kFloatLanes = 4;
    using D = Pair;
    using I = Pair;
    using F = v128_t;

    // A value the compiler may not rebuild at each use. A constant is then built once, before the
    // loop, and kept in a register or on the stack: an engine that builds a 128-bit constant at
    // every use spends several instructions on it. Also keeps a conversion whole where using only
    // its low half would let the compiler convert lane by lane.
    static v128_t opaque(v128_t x) {
        __asm__("" : "+r"(x));
        return x;
    }
    // `op` on the low registers of its operands, then on the high ones.
    template <class Op>
    static Pair each(Pair a, Op op) {
        return {op(a.low), op(a.high)};
    }
    template <class Op>
    static Pair each(Pair a, Pair b, Op op) {
        return {op(a.low, b.low), op(a.high, b.high)};
    }
    template <class Op>
    static Pair each(Pair a, Pair b, Pair c, Op op) {
        return {op(a.low, b.low, c.low), op(a.high, b.high, c.high)};
    }

    static D set(double x) {
        const v128_t value = opaque(wasm_f64x2_splat(x));
        return {value, value};
    }
    static I setBits(std::uint64_t x) {
        const v128_t value = opaque(wasm_i64x2_splat(static_cast<std::int64_t>(x)));
        return {value, value};
    }
    static D add(D a, D b) { return each(a, b, [](v128_t x, v128_t y) { return wasm_f64x2_add(x, y); }); }
    static D sub(D a, D b) { return each(a, b, [](v128_t x, v128_t y) { return wasm_f64x2_sub(x, y); }); }
    static D mul(D a, D b) { return each(a, b, [](v128_t x, v128_t y) { return wasm_f64x2_mul(x, y); }); }
    // pmax(b, a) is b < a ? a : b, which is x86's a > b ? a : b; pmin likewise.
    static D max(D a, D b) { return each(a, b, [](v128_t x, v128_t y) { return wasm_f64x2_pmax(y, x); }); }
    static D min(D a, D b) { return each(a, b, [](v128_t x, v128_t y) { return wasm_f64x2_pmin(y, x); }); }
    // a * b + c of two doubles and of four floats: fused where relaxed SIMD is compiled in (one
    // rounding, or two on a processor without fused multiply-add), else with two roundings.
#ifdef __wasm_relaxed_simd__
    static v128_t mulAddDoubles(v128_t a, v128_t b, v128_t c) {
        return (v128_t)__builtin_wasm_fma_f64x2((__f64x2)a, (__f64x2)b, (__f64x2)c);
    }
    static v128_t mulAddFloats(v128_t a, v128_t b, v128_t c) {
        return (v128_t)__builtin_wasm_fma_f32x4((__f32x4)a, (__f32x4)b, (__f32x4)c);
    }
#else
    static v128_t mulAddDoubles(v128_t a, v128_t b, v128_t c) { return wasm_f64x2_add(wasm_f64x2_mul(a, b), c); }
    static v128_t mulAddFloats(v128_t a, v128_t b, v128_t c) { return wasm_f32x4_add(wasm_f32x4_mul(a, b), c); }
#endif
    static D mulAdd(D a, D b, D c) { return each(a, b, c, mulAddDoubles); }
    static D less(D a, D b) { return each(a, b, [](v128_t x, v128_t y) { return wasm_f64x2_lt(x, y); }); }
    static D equal(D a, D b) { return each(a, b, [](v128_t x, v128_t y) { return wasm_f64x2_eq(x, y); }); }
    static D select(D mask, D ifSet, D ifClear) {
        return each(mask, ifSet, ifClear, [](v128_t m, v128_t x, v128_t y) { return wasm_v128_bitselect(x, y, m); });
    }
    static D bitsToDouble(I x) { return x; }
    static I doubleToBits(D x) { return x; }
    static I add64(I a, I b) { return each(a, b, [](v128_t x, v128_t y) { return wasm_i64x2_add(x, y); }); }
    static I sub64(I a, I b) { return each(a, b, [](v128_t x, v128_t y) { return wasm_i64x2_sub(x, y); }); }
    static I and64(I a, I b) { return each(a, b, [](v128_t x, v128_t y) { return wasm_v128_and(x, y); }); }
    static I or64(I a, I b) { return each(a, b, [](v128_t x, v128_t y) { return wasm_v128_or(x, y); }); }
    template <int Bits>
    static I shiftRight64(I x) {
        return each(x, [](v128_t v) { return wasm_u64x2_shr(v, Bits); });
    }
    template <int Bits>
    static I shiftLeft64(I x) {
        return each(x, [](v128_t v) { return wasm_i64x2_shl(v, Bits); });
    }
    // The entries of `table` at `index`: their first and second values.
    static void lookUp(const math::LogEntry* table, I index, D& first, D& second) {
        const v128_t e0 = wasm_v128_load(&table[wasm_i64x2_extract_lane(index.low, 0)].invc);
        const v128_t e1 = wasm_v128_load(&table[wasm_i64x2_extract_lane(index.low, 1)].invc);
        const v128_t e2 = wasm_v128_load(&table[wasm_i64x2_extract_lane(index.high, 0)].invc);
        const v128_t e3 = wasm_v128_load(&table[wasm_i64x2_extract_lane(index.high, 1)].invc);
        first = {wasm_i64x2_shuffle(e0, e1, 0, 2), wasm_i64x2_shuffle(e2, e3, 0, 2)};
        second = {wasm_i64x2_shuffle(e0, e1, 1, 3), wasm_i64x2_shuffle(e2, e3, 1, 3)};
    }

    // The smoothing's scalars, each in the low lane of a register as on x86: wasm's pmin and pmax
    // are then one instruction each, where scalar selects would branch.
    using S = v128_t;
    static S setS(double x) { return wasm_f64x2_splat(x); }
    // Both lanes loaded: V8 builds a zeroed high lane with an insert after the load.
    static S loadS(const double* p) { return wasm_v128_load64_splat(p); }
    static S minS(S a, S b) { return wasm_f64x2_pmin(b, a); }
    static S maxS(S a, S b) { return wasm_f64x2_pmax(b, a); }
    static double valueOf(S x) { return wasm_f64x2_extract_lane(x, 0); }
    static D join(const S* lanes) {
        return {wasm_i64x2_shuffle(lanes[0], lanes[1], 0, 2), wasm_i64x2_shuffle(lanes[2], lanes[3], 0, 2)};
    }
    static void store(double* p, D x) {
        wasm_v128_store(p, x.low);
        wasm_v128_store(p + 2, x.high);
    }
    static D loadFloats(const float* p) {
        return {wasm_f64x2_promote_low_f32x4(wasm_v128_load64_zero(p)),
                wasm_f64x2_promote_low_f32x4(wasm_v128_load64_zero(p + 2))};
    }
    static void storeFloats(float* p, D x) { wasm_v128_store(p, narrow(x)); }
    // A group's frames as floats.
    using G = v128_t;
    static G narrow(D x) {
        const v128_t low = opaque(wasm_f32x4_demote_f64x2_zero(x.low));
        const v128_t high = opaque(wasm_f32x4_demote_f64x2_zero(x.high));
        return wasm_i64x2_shuffle(low, high, 0, 2);
    }
    static G loadGroup(const float* p) { return wasm_v128_load(p); }
    static void storeGroup(float* p, G x) { wasm_v128_store(p, x); }
    static G mulGroup(G a, G b) { return wasm_f32x4_mul(a, b); }
    static bool anyLess(D a, D b) { return wasm_v128_any_true(wasm_v128_or(wasm_f64x2_lt(a.low, b.low), wasm_f64x2_lt(a.high, b.high))); }

    // One step of the signed smoothed overshoot w: the larger of the attack candidate w ca + a and
    // the release candidate w cr + r. Scalars in the low lanes.
    static S smoothStep(S w, S a, S r, S ca, S cr) {
        return maxS(mulAddDoubles(w, ca, a), mulAddDoubles(w, cr, r));
    }

    // The levels and gains of a group in one register of four floats (see KernelBody.h): half
    // the instructions of two registers of doubles, for results within a few float roundings.
    static constexpr bool kSingleMath = true;
    using N = v128_t;  // four 32-bit integers
    static D widen(F x) {
        return {wasm_f64x2_promote_low_f32x4(x), wasm_f64x2_promote_low_f32x4(wasm_i64x2_shuffle(x, x, 1, 1))};
    }
    static D widenInts(N x) {
        return {wasm_f64x2_convert_low_i32x4(x), wasm_f64x2_convert_low_i32x4(wasm_i64x2_shuffle(x, x, 1, 1))};
    }
    static F constantF(float x) { return opaque(wasm_f32x4_splat(x)); }
    static N constantN(std::int32_t x) { return opaque(wasm_i32x4_splat(x)); }
    static F subF(F a, F b) { return wasm_f32x4_sub(a, b); }
    static F mulAddF(F a, F b, F c) { return mulAddFloats(a, b, c); }
    static F lessF(F a, F b) { return wasm_f32x4_lt(a, b); }
    static F equalF(F a, F b) { return wasm_f32x4_eq(a, b); }
    static F selectF(F mask, F ifSet, F ifClear) { return wasm_v128_bitselect(ifSet, ifClear, mask); }
    static N addN(N a, N b) { return wasm_i32x4_add(a, b); }
    static N subN(N a, N b) { return wasm_i32x4_sub(a, b); }
    template <int Bits>
    static N shiftLeftN(N x) {
        return wasm_i32x4_shl(x, Bits);
    }
    template <int Bits>
    static N shiftRightArithmeticN(N x) {
        return wasm_i32x4_shr(x, Bits);
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
