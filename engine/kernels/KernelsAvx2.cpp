// The passes for AVX2 with fused multiply-add. Only this file is compiled for those instructions
// (the pragma below, after every library header): the module still loads and runs on processors
// without them, where this set is never chosen.

#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/kernels/DuckKernels.h"
#include "engine/kernels/KernelVariants.h"
#include "engine/kernels/MathTables.h"
#include "engine/kernels/ScalarPasses.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC target("avx2,fma")
#endif

#include "engine/kernels/SimdAvx2.h"

#include "engine/kernels/KernelBody.h"

namespace qm::kernels {

const KernelSet kAvx2Kernels = {"avx2+fma", Body<Avx2>::keyPeaks, Body<Avx2>::duck, Body<Avx2>::passThrough,
                              Body<Avx2>::truePeaks};

}  // namespace qm::kernels

#if defined(__clang__)
#pragma clang attribute pop
#endif
