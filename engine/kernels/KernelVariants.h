#pragma once
// The kernel sets that exist in every build; which of them may run is decided at load.

#include "engine/kernels/DuckKernels.h"

namespace qm::kernels {

extern const KernelSet kScalarKernels;
extern const KernelSet kSse2Kernels;
extern const KernelSet kAvx2Kernels;
// Only in the wasm build, which has no x86 sets.
extern const KernelSet kWasm128Kernels;

}  // namespace qm::kernels
