// The wasm build has no exception handling: the C++ library throws only where memory runs out or
// a length is impossible, and then the module traps, which JS sees as a RuntimeError.

#include <cstddef>

extern "C" {

void* __cxa_allocate_exception(std::size_t) noexcept { __builtin_trap(); }

void __cxa_throw(void*, void*, void (*)(void*)) { __builtin_trap(); }

}
