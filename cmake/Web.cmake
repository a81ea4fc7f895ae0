# The web variant (a sub-build with cmake/Wasm32Wasi.cmake): the engine as WebAssembly modules for
# browsers and Node, in dist/web. Reactors: JS calls their exports, no main runs.
#   quellmar.wasm          128-bit SIMD, for every engine that runs WebAssembly SIMD;
#   quellmar-relaxed.wasm  the same with the ducker's multiply-adds fused (relaxed SIMD), which
#                          engine.js loads where the engine validates relaxed SIMD.
# Only the kernels differ between the two, so the rest is compiled once.
set(QM_WEB_COMMON_SOURCES ${QM_WEB_SOURCES} ${QM_FINISHING_SOURCES})
list(REMOVE_ITEM QM_WEB_COMMON_SOURCES engine/kernels/KernelsWasm128.cpp)
add_library(quellmar_web_common OBJECT ${QM_WEB_COMMON_SOURCES})
# The shim of the few SSE2 operations engine files use comes before the system's headers.
target_include_directories(quellmar_web_common PUBLIC ${CMAKE_SOURCE_DIR}/engine/wasm ${CMAKE_SOURCE_DIR})
# Bulk memory: the engine's copies become memory.copy, which the browser runs as a native copy.
target_compile_options(quellmar_web_common PUBLIC -msimd128 -mbulk-memory)
target_link_libraries(quellmar_web_common PUBLIC qm_warnings)

add_executable(quellmar_web engine/kernels/KernelsWasm128.cpp)
target_link_libraries(quellmar_web PRIVATE quellmar_web_common)
target_link_options(quellmar_web PRIVATE -mexec-model=reactor -Wl,--strip-debug)
set_target_properties(quellmar_web PROPERTIES OUTPUT_NAME quellmar SUFFIX .wasm RUNTIME_OUTPUT_DIRECTORY ${QM_DIST_DIR}/web)

# Clang 14 writes relaxed SIMD's fused multiply-adds with the proposal's early opcodes: the module
# it links stays in this build folder, and the one that ships has the standard opcodes.
find_program(QM_NODE node REQUIRED)
find_program(QM_LLVM_OBJDUMP llvm-objdump-14 REQUIRED)
add_executable(quellmar_web_relaxed engine/kernels/KernelsWasm128.cpp)
target_compile_options(quellmar_web_relaxed PRIVATE -mrelaxed-simd)
target_link_libraries(quellmar_web_relaxed PRIVATE quellmar_web_common)
target_link_options(quellmar_web_relaxed PRIVATE -mexec-model=reactor -Wl,--strip-debug)
set_target_properties(quellmar_web_relaxed PROPERTIES OUTPUT_NAME quellmar-relaxed-early-opcodes SUFFIX .wasm)
add_custom_command(OUTPUT ${QM_DIST_DIR}/web/quellmar-relaxed.wasm
  COMMAND ${QM_NODE} ${CMAKE_SOURCE_DIR}/tools/web/relaxed-simd-opcodes.mjs ${QM_LLVM_OBJDUMP}
    $<TARGET_FILE:quellmar_web_relaxed> ${QM_DIST_DIR}/web/quellmar-relaxed.wasm
  DEPENDS quellmar_web_relaxed ${CMAKE_SOURCE_DIR}/tools/web/relaxed-simd-opcodes.mjs
  COMMENT "dist/web/quellmar-relaxed.wasm: the standard relaxed-SIMD opcodes")
add_custom_target(quellmar_web_relaxed_module ALL DEPENDS ${QM_DIST_DIR}/web/quellmar-relaxed.wasm)
