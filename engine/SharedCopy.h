#pragma once
// Copies into and out of memory that another thread or process may rewrite at the same time (the
// key bus's sample halves). The copies are byte-wise atomic: every byte is read or written whole,
// nothing more is promised, so a copy that raced with a writer may hold bytes of two blocks. The
// key bus's sequence counters, which are C++ atomics, tell the reader whether that happened.
//
// On x86 the copy is inline assembly: the compiler neither splits it into racing C++ accesses nor
// reorders memory accesses across it. x86 keeps stores in order with other stores and loads with
// other loads, so a counter stored before a copy is seen before its data, and a counter loaded
// after a copy is loaded after its data: `orderSharedCopies` then only needs to stop the compiler.

#include <cstddef>

#include <atomic>

namespace qm {

// Orders the copies above against the atomic accesses around them (see above).
inline void orderSharedCopies() {
#if defined(__i386__) || defined(__x86_64__)
    std::atomic_signal_fence(std::memory_order_seq_cst);
#else
    std::atomic_thread_fence(std::memory_order_seq_cst);
#endif
}

#if defined(__i386__) || defined(__x86_64__)
// Whether the processor moves 32 bytes at once (AVX); decided when the module is loaded.
inline const bool kSharedCopyWide = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
}();
#endif

// Copies `bytes` bytes from `source` to `target` and, unless `alsoTarget` is null, to `alsoTarget`
// as well, in one pass that reads the source once. None of the regions overlap.
inline void copySharedBytes(void* target, const void* source, std::size_t bytes, void* alsoTarget = nullptr) {
#if defined(__i386__) || defined(__x86_64__)
    // 64 bytes a round through registers (32-byte AVX moves where the processor has them, 16-byte
    // SSE2 moves otherwise), the rest as string moves. Without a second target the second stores
    // go to the first one again, which costs next to nothing.
    void* also = alsoTarget != nullptr ? alsoTarget : target;
    std::size_t rounds = bytes / 64;
    const std::size_t rest = bytes % 64;
    if (rounds > 0 && kSharedCopyWide) {
        asm volatile(
            "1:\n\t"
            "vmovups (%[in]), %%ymm0\n\t"
            "vmovups 32(%[in]), %%ymm1\n\t"
            "vmovups %%ymm0, (%[out])\n\t"
            "vmovups %%ymm1, 32(%[out])\n\t"
            "vmovups %%ymm0, (%[also])\n\t"
            "vmovups %%ymm1, 32(%[also])\n\t"
            "add $64, %[in]\n\t"
            "add $64, %[out]\n\t"
            "add $64, %[also]\n\t"
            "dec %[rounds]\n\t"
            "jnz 1b\n\t"
            "vzeroupper"
            : [in] "+r"(source), [out] "+r"(target), [also] "+r"(also), [rounds] "+r"(rounds)
            :
            : "xmm0", "xmm1", "memory", "cc");
    } else if (rounds > 0) {
        asm volatile(
            "1:\n\t"
            "movups (%[in]), %%xmm0\n\t"
            "movups 16(%[in]), %%xmm1\n\t"
            "movups 32(%[in]), %%xmm2\n\t"
            "movups 48(%[in]), %%xmm3\n\t"
            "movups %%xmm0, (%[out])\n\t"
            "movups %%xmm1, 16(%[out])\n\t"
            "movups %%xmm2, 32(%[out])\n\t"
            "movups %%xmm3, 48(%[out])\n\t"
            "movups %%xmm0, (%[also])\n\t"
            "movups %%xmm1, 16(%[also])\n\t"
            "movups %%xmm2, 32(%[also])\n\t"
            "movups %%xmm3, 48(%[also])\n\t"
            "add $64, %[in]\n\t"
            "add $64, %[out]\n\t"
            "add $64, %[also]\n\t"
            "dec %[rounds]\n\t"
            "jnz 1b"
            : [in] "+r"(source), [out] "+r"(target), [also] "+r"(also), [rounds] "+r"(rounds)
            :
            : "xmm0", "xmm1", "xmm2", "xmm3", "memory", "cc");
    }
    if (rest > 0 && alsoTarget != nullptr) {
        const void* in = source;
        std::size_t count = rest;
        asm volatile("rep movsb" : "+D"(also), "+S"(in), "+c"(count) : : "memory");
    }
    if (rest > 0) {
        std::size_t count = rest;
        asm volatile("rep movsb" : "+D"(target), "+S"(source), "+c"(count) : : "memory");
    }
#else
    auto* out = static_cast<volatile unsigned char*>(target);
    auto* also = static_cast<unsigned char*>(alsoTarget);
    const auto* in = static_cast<const volatile unsigned char*>(source);
    for (std::size_t i = 0; i < bytes; ++i) {
        out[i] = in[i];
        if (also != nullptr) also[i] = out[i];
    }
#endif
}

// Sets `bytes` bytes at `target` to zero.
inline void zeroSharedBytes(void* target, std::size_t bytes) {
#if defined(__i386__) || defined(__x86_64__)
    asm volatile("rep stosb" : "+D"(target), "+c"(bytes) : "a"(0) : "memory");
#else
    auto* out = static_cast<volatile unsigned char*>(target);
    for (std::size_t i = 0; i < bytes; ++i) out[i] = 0;
#endif
}

}  // namespace qm
