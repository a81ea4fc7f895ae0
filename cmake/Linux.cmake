# The native Linux module, dist/linux-x86_64/QuellmarV3.so: the module's code built once more,
# position-independent with hidden symbols, over the X11 window backend, its bitmaps built in, the
# C++ runtime linked statically, and only `VSTPluginMain` and `main` exported. The same code as a
# static library is linked into the gui tier's test program, which counts its X resources.
qm_require_modules(X11 libx11-dev x11)
qm_require_modules(CAIRO_XLIB libcairo2-dev cairo-xlib)

add_library(quellmar_stb STATIC gui/cairo/StbImage.cpp)
target_include_directories(quellmar_stb PRIVATE /usr/include/stb)
set_target_properties(quellmar_stb PROPERTIES POSITION_INDEPENDENT_CODE ON C_VISIBILITY_PRESET hidden
  CXX_VISIBILITY_PRESET hidden)

# The module's code in three position-independent, hidden-symbol parts: the engine; the toolkit and
# the editor over the X11 window backend with the bitmaps built in; the VST 2 shell. The LV2
# bundle's binaries take the first two (cmake/Lv2.cmake).
add_library(quellmar_pic_engine STATIC ${QM_ENGINE_SOURCES})
add_library(quellmar_pic_editor STATIC ${QM_GUI_PORTABLE_SOURCES} ${QM_GUI_X11_SOURCES} ${QM_EDITOR_SOURCES})
add_library(quellmar_x11_module STATIC ${QM_VST2_SOURCES} ${QM_VST2_EDITOR_SOURCES} ${QM_MODULE_SOURCES})
target_link_libraries(quellmar_pic_engine PUBLIC qm_warnings)
target_link_libraries(quellmar_pic_editor PUBLIC qm_warnings quellmar_pic_engine quellmar_stb PkgConfig::CAIRO_XLIB
  PkgConfig::X11)
target_link_libraries(quellmar_x11_module PUBLIC quellmar_pic_editor quellmar_pic_engine)
target_compile_definitions(quellmar_pic_editor PRIVATE QM_BITMAP_DIR=${CMAKE_SOURCE_DIR}/resources/bitmaps)
target_include_directories(quellmar_pic_editor PRIVATE /usr/include/stb)
foreach(part quellmar_pic_engine quellmar_pic_editor quellmar_x11_module)
  target_include_directories(${part} PUBLIC ${CMAKE_SOURCE_DIR})
  set_target_properties(${part} PROPERTIES POSITION_INDEPENDENT_CODE ON CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
endforeach()
if(QM_VARIANT STREQUAL "asan")
  # Hosts send NaN, infinities and huge values: the module's float-to-integer conversions are
  # checked too (GCC's UndefinedBehaviorSanitizer leaves them out unless asked).
  foreach(part quellmar_pic_engine quellmar_pic_editor quellmar_x11_module)
    target_compile_options(${part} PRIVATE -fsanitize=float-cast-overflow)
  endforeach()
endif()
file(GLOB_RECURSE QM_BITMAP_FILES ${CMAKE_SOURCE_DIR}/resources/bitmaps/*.bmp)
set_source_files_properties(resources/EmbeddedBitmaps.cpp PROPERTIES OBJECT_DEPENDS "${QM_BITMAP_FILES}")

set(QM_LINUX_EXPORTS ${CMAKE_SOURCE_DIR}/formats/vst2/linux/QuellmarV3.map)
add_library(QuellmarV3 MODULE formats/vst2/linux/LinuxEntry.cpp)
target_link_libraries(QuellmarV3 PRIVATE quellmar_x11_module)
target_link_options(QuellmarV3 PRIVATE -static-libstdc++ -static-libgcc -Wl,--version-script=${QM_LINUX_EXPORTS}
  -Wl,--exclude-libs,ALL -Wl,--as-needed -Wl,-z,defs)
set_target_properties(QuellmarV3 PROPERTIES PREFIX "" OUTPUT_NAME QuellmarV3 LINK_DEPENDS ${QM_LINUX_EXPORTS}
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
if(QM_VARIANT STREQUAL "native")
  set_target_properties(QuellmarV3 PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${QM_DIST_DIR}/linux-x86_64)
  target_link_options(QuellmarV3 PRIVATE -s)
  install(TARGETS QuellmarV3 LIBRARY DESTINATION lib/vst)
endif()

set(QM_SO ${QM_DIST_DIR}/linux-x86_64/QuellmarV3.so)
if(NOT QM_TESTS)
  return()
endif()

# Our host program, natively: loads the .so with dlopen for the module tests and the bench job.
add_library(quellmar_host_posix STATIC tools/host/PluginLoader.cpp tools/host/posix/ModuleLoaderPosix.cpp)
target_include_directories(quellmar_host_posix PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quellmar_host_posix PUBLIC qm_warnings quellmar_host_support ${CMAKE_DL_LIBS})

# Our host program natively, in every variant that builds the .so (the sanitizer builds drive their
# own instrumented module with it): its validate job shows editors in an X11 window of its own.
# Its validate job drives LV2 plug-ins too, through lilv.
qm_require_modules(XTST libxtst-dev xtst)
qm_require_modules(LILV liblilv-dev lilv-0)
# The host window that parents editors and the XTEST input, for the validator and the X11 tests.
add_library(quellmar_host_x11 STATIC tools/host/support/x11/X11HostWindow.cpp tools/host/support/x11/X11FakeInput.cpp
  tools/host/support/x11/ScreenshotPng.cpp)
target_link_libraries(quellmar_host_x11 PUBLIC qm_warnings quellmar_host_support PkgConfig::X11 PkgConfig::XTST
  PRIVATE PkgConfig::CAIRO_XLIB)
# Our LV2 host on lilv, for the validator's LV2 driver and the LV2 tests and benches.
add_library(quellmar_host_lv2 STATIC tools/host/support/lv2/LilvHost.cpp tools/host/support/lv2/HostedInstance.cpp)
target_link_libraries(quellmar_host_lv2 PUBLIC qm_warnings quellmar_host_support PkgConfig::LILV)
include(cmake/Validate.cmake)
add_executable(quellmar_host tools/host/HostMain.cpp tools/host/RenderJob.cpp tools/host/BenchJob.cpp
  tools/host/ServeJob.cpp tools/host/posix/StopSignalPosix.cpp tools/host/posix/EditorScreenshotPosix.cpp
  ${QM_VALIDATE_SOURCES} tools/host/posix/X11EditorDesk.cpp tools/host/posix/CensusPosix.cpp
  tools/host/posix/ReplayCommandPosix.cpp tools/host/posix/ValidateDriversPosix.cpp ${QM_VALIDATE_LV2_SOURCES})
target_link_libraries(quellmar_host PRIVATE quellmar_host_posix quellmar_host_x11 quellmar_host_lv2 Threads::Threads)
add_dependencies(quellmar_host QuellmarV3)

if(QM_VARIANT STREQUAL "native")

  # module: the .so as Linux hosts load it
  add_executable(quellmar_linux_module_tests tests/formats/vst2/linux/ModuleTest.cpp)
  target_include_directories(quellmar_linux_module_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(quellmar_linux_module_tests PRIVATE quellmar_host_posix GTest::gtest_main)
  add_dependencies(quellmar_linux_module_tests QuellmarV3 quellmar_host)
  add_test(NAME module.linux.exports COMMAND sh ${CMAKE_SOURCE_DIR}/tests/formats/vst2/linux/check-module.sh ${QM_SO})
  add_test(NAME module.linux.instances COMMAND quellmar_linux_module_tests)
  set_tests_properties(module.linux.instances PROPERTIES RESOURCE_LOCK keybus
    ENVIRONMENT "QM_MODULE_PATH=${QM_SO};QM_HOST_PATH=$<TARGET_FILE:quellmar_host>")
  set_tests_properties(module.linux.exports module.linux.instances PROPERTIES LABELS module)

  # bench: the .so through its entry, in the same format as the DLLs' figures
  add_test(NAME bench.linux-x86_64 COMMAND quellmar_host bench ${QM_SO})
  set_tests_properties(bench.linux-x86_64 PROPERTIES LABELS bench RESOURCE_LOCK keybus)
endif()

# gui: the .so's editor in real X11 windows under Xvfb, with real input through XTEST; built in the
# AddressSanitizer build too, which runs it over its own instrumented module.
if(QM_VARIANT MATCHES "^(native|asan)$")
add_executable(quellmar_x11_gui_tests tests/editor/x11/X11EditorTest.cpp tests/editor/x11/X11ResourceTest.cpp
  tests/editor/x11/X11ScaleTest.cpp)
target_include_directories(quellmar_x11_gui_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(quellmar_x11_gui_tests PRIVATE
  QM_PRODUCT_RESOURCE_DIR="${CMAKE_SOURCE_DIR}/resources/bitmaps")
target_link_libraries(quellmar_x11_gui_tests PRIVATE quellmar_x11_module quellmar_host_posix quellmar_host_x11
  GTest::gtest_main Threads::Threads)
add_dependencies(quellmar_x11_gui_tests QuellmarV3)
if(QM_VARIANT STREQUAL "native")
  set(QM_LINUX_ARTEFACTS ${CMAKE_BINARY_DIR}/artefacts/linux-x86_64)
  file(MAKE_DIRECTORY ${QM_LINUX_ARTEFACTS})
  add_test(NAME gui.linux-x86_64.editor COMMAND sh ${CMAKE_SOURCE_DIR}/tools/run-under-xvfb.sh
    $<TARGET_FILE:quellmar_x11_gui_tests>)
  set_tests_properties(gui.linux-x86_64.editor PROPERTIES LABELS gui RESOURCE_LOCK keybus
    ENVIRONMENT "QM_MODULE_PATH=${QM_SO};QM_ARTIFACT_UNIX_DIR=${QM_LINUX_ARTEFACTS}")
  add_test(NAME sanitize.asan-ubsan.x11-editor COMMAND sh ${CMAKE_SOURCE_DIR}/tools/run-under-xvfb.sh
    ${CMAKE_BINARY_DIR}/asan/quellmar_x11_gui_tests)
  set_tests_properties(sanitize.asan-ubsan.x11-editor PROPERTIES LABELS sanitize RESOURCE_LOCK keybus
    ENVIRONMENT "QM_MODULE_PATH=${CMAKE_BINARY_DIR}/asan/QuellmarV3.so;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/data/lsan.supp")
endif()
endif()

if(QM_VARIANT STREQUAL "native")
  # bench: how the editor's picture reaches the window (the measurement behind the cairo surface)
  qm_require_modules(XEXT libxext-dev xext)
  find_package(benchmark REQUIRED)
  add_executable(quellmar_x11_blit_bench tests/bench/X11BlitBench.cpp)
  target_link_libraries(quellmar_x11_blit_bench PRIVATE qm_warnings PkgConfig::CAIRO_XLIB PkgConfig::XEXT
    PkgConfig::X11 benchmark::benchmark Threads::Threads)
  add_test(NAME bench.linux-x86_64.x11-blit COMMAND sh ${CMAKE_SOURCE_DIR}/tools/run-under-xvfb.sh
    $<TARGET_FILE:quellmar_x11_blit_bench> --benchmark_min_time=0.2)
  set_tests_properties(bench.linux-x86_64.x11-blit PROPERTIES LABELS bench)

  # bench: what an open editor and a new instance cost, beside LSP's side-chain compressor
  add_executable(quellmar_editor_bench tests/bench/EditorBench.cpp)
  target_include_directories(quellmar_editor_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(quellmar_editor_bench PRIVATE quellmar_host_posix quellmar_host_x11 PkgConfig::CAIRO_XLIB
  PkgConfig::X11)
  add_dependencies(quellmar_editor_bench QuellmarV3)
  set(QM_LSP_PEER /usr/lib/vst/lsp-plugins/sc-compressor-stereo.so)
  add_test(NAME bench.linux-x86_64.editor COMMAND sh ${CMAKE_SOURCE_DIR}/tools/run-under-xvfb.sh
    $<TARGET_FILE:quellmar_editor_bench> ${QM_SO} ${QM_LSP_PEER})
  set_tests_properties(bench.linux-x86_64.editor PROPERTIES LABELS bench RESOURCE_LOCK keybus
    ENVIRONMENT "XDG_RUNTIME_DIR=${QM_TEST_RUNTIME_DIR}")
endif()
