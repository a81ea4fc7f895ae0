// The passes for WebAssembly's 128-bit SIMD: the only vector set of the wasm build, which is
// compiled with -msimd128 throughout.

#include "engine/kernels/SimdWasm128.h"

#include "engine/kernels/KernelBody.h"
#include "engine/kernels/KernelVariants.h"

namespace qm::kernels {

const KernelSet kWasm128Kernels = {"wasm-simd128", Body<Wasm128>::keyPeaks, Body<Wasm128>::duck,
                                   Body<Wasm128>::passThrough, Body<Wasm128>::truePeaks};

}  // namespace qm::kernels
