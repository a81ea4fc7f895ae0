// The passes for WebAssembly's 128-bit SIMD: the only vector set of the wasm build, which is
// compiled with -msimd128 throughout. Compiled once more with -mrelaxed-simd for the module whose
// multiply-adds are fused.

#include "engine/kernels/SimdWasm128.h"

#include "engine/kernels/KernelBody.h"
#include "engine/kernels/KernelVariants.h"

namespace qm::kernels {

const KernelSet kWasm128Kernels = {Wasm128::kName, Body<Wasm128>::keyPeaks, Body<Wasm128>::duck,
                                   Body<Wasm128>::passThrough, Body<Wasm128>::truePeaks};

}  // namespace qm::kernels
