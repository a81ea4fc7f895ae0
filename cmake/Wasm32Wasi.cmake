# Cross build of the WebAssembly module with Debian's clang 14, wasi-libc and libc++ for wasm32
# (tools/setup.sh, the web set). No operating system: the module runs under a browser or Node.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
set(CMAKE_AR llvm-ar-14)
set(CMAKE_RANLIB llvm-ranlib-14)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld")
# Test programs of the compiler checks link without a main.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
