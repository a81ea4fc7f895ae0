#pragma once
// Copies into and out of memory that another thread or process may rewrite at the same time (the
// key bus's sample halves). The copies are byte-wise atomic: every byte is read or written whole,
// nothing more is promised, so a copy that raced with a writer may hold bytes of two blocks. The
// key bus's sequence counters, which are C++ atomics, tell the reader whether that happened.
//
// On x86 the copy is one string instruction in inline assembly: it moves whole cache lines, and the
// compiler neither splits it into racing C++ accesses nor reorders memory accesses across it.

#include <cstddef>

namespace qm {

// Copies `bytes` bytes from `source` to `target`; the two regions do not overlap.
inline void copySharedBytes(void* target, const void* source, std::size_t bytes) {
#if defined(__i386__) || defined(__x86_64__)
    asm volatile("rep movsb" : "+D"(target), "+S"(source), "+c"(bytes) : : "memory");
#else
    auto* out = static_cast<volatile unsigned char*>(target);
    const auto* in = static_cast<const volatile unsigned char*>(source);
    for (std::size_t i = 0; i < bytes; ++i) out[i] = in[i];
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
