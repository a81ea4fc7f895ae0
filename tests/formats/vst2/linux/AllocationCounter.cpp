// Counts the heap allocations of every thread of the test program while counting is on: this
// program's malloc, calloc and realloc stand in for the C library's (and so for operator new, in
// modules too) and pass on to it.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "formats/vst2/linux/RealTimeCheck.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
}

namespace {

std::atomic<bool> counting{false};
std::atomic<std::int32_t> counted{0};

void note() {
    if (counting.load(std::memory_order_relaxed)) counted.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

namespace qmhost {

void startCountingAllocations() {
    counted.store(0);
    counting.store(true);
}

std::int32_t allocationsCounted() { return counted.load(); }

}  // namespace qmhost

extern "C" {

void* malloc(std::size_t size) {
    note();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
    note();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) {
    note();
    return __libc_realloc(pointer, size);
}

}
