# The Windows builds: the module itself, the unit tests, the module tests and our small host
# program, all linked statically so that they need no MinGW runtime DLL.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QM_WIN_ARCH win32)
else()
  set(QM_WIN_ARCH win64)
endif()
add_link_options(-static -static-libgcc -static-libstdc++)
# The linker would derive each DLL's preferred base from its output path: a fixed one keeps two
# builds in different folders byte for byte the same (the loader relocates it anyway).
add_link_options(-Wl,--disable-auto-image-base)
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR}/resources -I${CMAKE_SOURCE_DIR}/tests/data -I${QM_GENERATED_DIR}")

add_library(QuellmarV3 SHARED formats/vst2/win32/DllMain.cpp formats/vst2/win32/QuellmarV3.def resources/QuellmarV3.rc)
target_link_libraries(QuellmarV3 PRIVATE quellmar_module)
target_link_options(QuellmarV3 PRIVATE -s)
set_target_properties(QuellmarV3 PROPERTIES
  PREFIX ""
  OUTPUT_NAME QuellmarV3
  RUNTIME_OUTPUT_DIRECTORY ${QM_DIST_DIR}/${QM_WIN_ARCH}
  ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/importlib)

include(cmake/Validate.cmake)
add_library(quellmar_host_app STATIC tools/host/PluginLoader.cpp tools/host/win32/ModuleLoaderWin32.cpp
  tools/host/EditorWindow.cpp)
target_include_directories(quellmar_host_app PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quellmar_host_app PUBLIC qm_warnings quellmar_host_support)
add_executable(quellmar_host tools/host/HostMain.cpp tools/host/RenderJob.cpp tools/host/BenchJob.cpp
  tools/host/ServeJob.cpp tools/host/win32/StopSignalWin32.cpp tools/host/win32/EditorScreenshotWin32.cpp
  tools/host/win32/EditorBenchWin32.cpp ${QM_VALIDATE_SOURCES} tools/host/win32/Win32EditorDesk.cpp
  tools/host/win32/CensusWin32.cpp tools/host/win32/ReplayCommandWin32.cpp tools/host/win32/ValidateDriversWin32.cpp)
target_link_libraries(quellmar_host PRIVATE quellmar_host_app)

# What this sub-build ships, and the host program the demo runs (the 32-bit one); `all` adds the
# test programs.
if(QM_WIN_ARCH STREQUAL "win32")
  add_custom_target(qm_ship DEPENDS QuellmarV3 quellmar_host)
else()
  add_custom_target(qm_ship DEPENDS QuellmarV3)
endif()
if(NOT QM_TESTS)
  return()
endif()

# GoogleTest from Debian's source package, built for this target.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
qm_lighten_test_programs(gtest)

file(GLOB QM_UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/engine/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/gui/*.cpp ${CMAKE_SOURCE_DIR}/tests/editor/*.cpp ${CMAKE_SOURCE_DIR}/tests/formats/vst2/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/tools/*.cpp ${CMAKE_SOURCE_DIR}/tests/gui/win32/*.cpp)
add_executable(quellmar_unit_tests ${QM_UNIT_TEST_SOURCES} tests/support/RecordingHost.cpp
  tests/support/TestResourcesWin32.cpp tests/data/test-resources.rc)
target_sources(quellmar_unit_tests PRIVATE resources/QuellmarV3.rc)
target_include_directories(quellmar_unit_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(quellmar_unit_tests PRIVATE quellmar_module quellmar_host_support gtest_main)

add_executable(quellmar_module_tests tests/formats/vst2/win32/ModuleTest.cpp)
target_include_directories(quellmar_module_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(quellmar_module_tests PRIVATE quellmar_host_app gtest_main version)

# The same module with the SSE2 kernels alone, as it runs on processors without AVX2: for the
# bench tier only, never shipped.
add_library(QuellmarV3Baseline SHARED formats/vst2/win32/DllMain.cpp formats/vst2/win32/QuellmarV3.def resources/QuellmarV3.rc
  engine/kernels/KernelSelect.cpp)
target_compile_definitions(QuellmarV3Baseline PRIVATE QM_BASELINE_KERNELS_ONLY)
target_link_libraries(QuellmarV3Baseline PRIVATE quellmar_module)
target_link_options(QuellmarV3Baseline PRIVATE -s)
set_target_properties(QuellmarV3Baseline PROPERTIES PREFIX "" OUTPUT_NAME QuellmarV3
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/baseline ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/importlib-baseline)

add_executable(quellmar_shared_bus_tests tests/formats/vst2/win32/SharedBusTest.cpp tests/formats/vst2/win32/HugeBlockTest.cpp)
target_link_libraries(quellmar_shared_bus_tests PRIVATE quellmar_host_app gtest_main)

# The gui tier: the real module's editor in real windows (run under Xvfb), and the same code
# linked in for counting native objects.
add_executable(quellmar_gui_tests tests/editor/win32/EditorWindowTest.cpp tests/editor/win32/EditorScaleTest.cpp
  tests/editor/win32/GuiHost.cpp
  resources/QuellmarV3.rc)
target_include_directories(quellmar_gui_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(quellmar_gui_tests PRIVATE quellmar_host_app quellmar_module gtest_main)
