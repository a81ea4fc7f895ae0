// Chooses the kernels once, when the module is loaded: AVX2 with FMA where the processor and the
// operating system support them, SSE2 otherwise; in the wasm build, wasm SIMD. Built with QM_BASELINE_KERNELS_ONLY (a bench
// build), SSE2 always.

#include <atomic>

#include "engine/kernels/KernelVariants.h"
#include "engine/kernels/ScalarPasses.h"

namespace qm {
namespace kernels {

const KernelSet kScalarKernels = {"scalar", keyPeaksScalar, duckScalar, passThroughScalar,
                                truePeaksScalar};

namespace {

[[maybe_unused]] bool processorHasAvx2AndFma() {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

struct Variants {
    const KernelSet* sets[3];
    int count;
};

const Variants& variants() {
    static const Variants available = [] {
        Variants v{{&kScalarKernels, nullptr, nullptr}, 1};
#if defined(__wasm_simd128__)
        // A wasm module's instruction set is fixed when it is compiled.
        v.sets[v.count++] = &kWasm128Kernels;
#endif
#if defined(__i386__) || defined(__x86_64__)
        v.sets[v.count++] = &kSse2Kernels;
#if !defined(QM_BASELINE_KERNELS_ONLY)
        if (processorHasAvx2AndFma()) v.sets[v.count++] = &kAvx2Kernels;
#endif
#endif
        return v;
    }();
    return available;
}

// Set during static initialisation, that is at load, before any instance exists.
std::atomic<const KernelSet*> active{variants().sets[variants().count - 1]};

}  // namespace
}  // namespace kernels

const KernelSet& activeKernels() {
    const KernelSet* chosen = kernels::active.load(std::memory_order_relaxed);
    return chosen != nullptr ? *chosen : kernelVariant(kernelVariantCount() - 1);
}

std::int32_t kernelVariantCount() { return kernels::variants().count; }

const KernelSet& kernelVariant(std::int32_t index) {
    const auto& v = kernels::variants();
    return *v.sets[index < 0 ? 0 : index >= v.count ? v.count - 1 : index];
}

void useKernels(const KernelSet& chosen) { kernels::active.store(&chosen, std::memory_order_relaxed); }

}  // namespace qm
