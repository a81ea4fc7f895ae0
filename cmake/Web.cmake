# The web variant (a sub-build with cmake/Wasm32Wasi.cmake): the engine as a WebAssembly module
# for browsers and Node, dist/web/quellmar.wasm. A reactor: JS calls its exports, no main runs.
add_executable(quellmar_web ${QM_WEB_SOURCES} ${QM_FINISHING_SOURCES})
# The shim of the few SSE2 operations engine files use comes before the system's headers.
target_include_directories(quellmar_web PRIVATE ${CMAKE_SOURCE_DIR}/engine/wasm ${CMAKE_SOURCE_DIR})
# Bulk memory: the engine's copies become memory.copy, which the browser runs as a native copy.
target_compile_options(quellmar_web PRIVATE -msimd128 -mbulk-memory)
target_link_options(quellmar_web PRIVATE -mexec-model=reactor -Wl,--strip-debug)
target_link_libraries(quellmar_web PRIVATE qm_warnings)
set_target_properties(quellmar_web PROPERTIES OUTPUT_NAME quellmar SUFFIX .wasm RUNTIME_OUTPUT_DIRECTORY ${QM_DIST_DIR}/web)
