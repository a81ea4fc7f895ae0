// The passes for SSE2, which every processor that runs the module has.

#include "engine/kernels/SimdSse2.h"

#include "engine/kernels/KernelBody.h"
#include "engine/kernels/KernelVariants.h"

namespace qm::kernels {

const KernelSet kSse2Kernels = {"sse2", Body<Sse2>::keyPeaks, Body<Sse2>::duck, Body<Sse2>::passThrough,
                              Body<Sse2>::truePeaks};

}  // namespace qm::kernels
