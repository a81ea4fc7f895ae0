# The LV2 bundle, dist/linux-x86_64/QuellmarV3.lv2/: the DSP binary (the engine behind the plug-in's
# descriptor, needing only libc and libm), the UI binary (the editor as an X11 UI), both with the
# C++ runtime linked statically and only their descriptor exported, and the description files,
# generated from the port and control tables by a build-time program. The asan build makes an
# instrumented bundle of its own in its build folder.
set(QM_LV2_DSP_EXPORTS ${CMAKE_SOURCE_DIR}/formats/lv2/QuellmarV3_dsp.map)
set(QM_LV2_UI_EXPORTS ${CMAKE_SOURCE_DIR}/formats/lv2/QuellmarV3_ui.map)
if(QM_VARIANT STREQUAL "native")
  set(QM_LV2_BUNDLE ${QM_DIST_DIR}/linux-x86_64/QuellmarV3.lv2)
else()
  set(QM_LV2_BUNDLE ${CMAKE_BINARY_DIR}/QuellmarV3.lv2)
endif()

qm_require_modules(LV2 lv2-dev lv2)

# The plug-in and the editor over the engine and the toolkit, as static libraries for the binaries
# and for the tests that call the descriptors directly.
add_library(quellmar_lv2_plugin STATIC formats/lv2/DuckerPlugin.cpp formats/lv2/Features.cpp)
target_link_libraries(quellmar_lv2_plugin PUBLIC quellmar_pic_engine)
add_library(quellmar_lv2_ui STATIC formats/lv2/DuckerUi.cpp formats/lv2/Features.cpp)
target_link_libraries(quellmar_lv2_ui PUBLIC quellmar_pic_editor quellmar_pic_engine)
foreach(part quellmar_lv2_plugin quellmar_lv2_ui)
  set_target_properties(${part} PROPERTIES POSITION_INDEPENDENT_CODE ON CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
endforeach()

add_library(QuellmarV3_dsp MODULE formats/lv2/PluginEntry.cpp formats/lv2/linux/RuntimePools.cpp)
target_link_libraries(QuellmarV3_dsp PRIVATE quellmar_lv2_plugin)
target_link_options(QuellmarV3_dsp PRIVATE -Wl,--version-script=${QM_LV2_DSP_EXPORTS})
add_library(QuellmarV3_ui MODULE formats/lv2/UiEntry.cpp formats/lv2/linux/RuntimePools.cpp
  formats/lv2/linux/DrawingLibraries.cpp)
target_link_libraries(QuellmarV3_ui PRIVATE quellmar_lv2_ui)
target_link_options(QuellmarV3_ui PRIVATE -Wl,--version-script=${QM_LV2_UI_EXPORTS})
set_target_properties(QuellmarV3_dsp PROPERTIES LINK_DEPENDS ${QM_LV2_DSP_EXPORTS})
set_target_properties(QuellmarV3_ui PROPERTIES LINK_DEPENDS ${QM_LV2_UI_EXPORTS})
foreach(binary QuellmarV3_dsp QuellmarV3_ui)
  target_link_options(${binary} PRIVATE -static-libstdc++ -static-libgcc -Wl,--exclude-libs,ALL -Wl,--as-needed
    -Wl,-z,defs)
  set_target_properties(${binary} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${QM_LV2_BUNDLE}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  if(QM_VARIANT STREQUAL "native")
    target_link_options(${binary} PRIVATE -s)
  endif()
endforeach()

# The description files, made whenever a table changes.
add_executable(quellmar_lv2_ttl formats/lv2/ttl/GenerateBundle.cpp formats/lv2/ttl/PluginText.cpp
  formats/lv2/ttl/ManifestText.cpp engine/ControlTable.cpp engine/ControlOutputs.cpp engine/Presets.cpp)
target_include_directories(quellmar_lv2_ttl PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(quellmar_lv2_ttl PRIVATE qm_warnings)
set(QM_LV2_TTL ${QM_LV2_BUNDLE}/manifest.ttl ${QM_LV2_BUNDLE}/QuellmarV3.ttl ${QM_LV2_BUNDLE}/presets.ttl)
add_custom_command(OUTPUT ${QM_LV2_TTL}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QM_LV2_BUNDLE}
  COMMAND quellmar_lv2_ttl ${QM_LV2_BUNDLE} ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR}
  DEPENDS quellmar_lv2_ttl
  COMMENT "Describing the LV2 bundle in ${QM_LV2_BUNDLE}"
  VERBATIM)
add_custom_target(lv2_bundle ALL DEPENDS ${QM_LV2_TTL} QuellmarV3_dsp QuellmarV3_ui)
if(QM_VARIANT STREQUAL "native")
  install(DIRECTORY ${QM_LV2_BUNDLE} DESTINATION lib/lv2)
endif()

if(NOT QM_TESTS)
  return()
endif()

# The plug-in through its descriptor, linked into the test program: unit tier natively, sanitize
# tier in the asan build.
add_executable(quellmar_lv2_tests tests/formats/lv2/DescriptorTest.cpp formats/lv2/PluginEntry.cpp)
target_include_directories(quellmar_lv2_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(quellmar_lv2_tests PRIVATE quellmar_lv2_plugin quellmar_host_support GTest::gtest_main
  Threads::Threads)
if(QM_VARIANT STREQUAL "native")
  add_test(NAME unit.lv2 COMMAND quellmar_lv2_tests)
  set_tests_properties(unit.lv2 PROPERTIES LABELS unit RESOURCE_LOCK keybus
    ENVIRONMENT "XDG_RUNTIME_DIR=${QM_TEST_RUNTIME_DIR}")
  add_test(NAME sanitize.asan-ubsan.lv2 COMMAND ${CMAKE_BINARY_DIR}/asan/quellmar_lv2_tests)
  set_tests_properties(sanitize.asan-ubsan.lv2 PROPERTIES LABELS sanitize RESOURCE_LOCK keybus
    ENVIRONMENT "XDG_RUNTIME_DIR=${QM_TEST_RUNTIME_DIR};LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/data/lsan.supp")
endif()

# module: the bundle as hosts load it, through lilv; with our host program and the VST 2 module for
# the keys shared between formats and processes. The test program counts its allocations.
if(QM_VARIANT STREQUAL "native")
  add_executable(quellmar_lv2_module_tests tests/formats/lv2/ModuleTest.cpp tests/formats/vst2/linux/AllocationCounter.cpp)
  target_include_directories(quellmar_lv2_module_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(quellmar_lv2_module_tests PRIVATE quellmar_host_lv2 quellmar_host_posix quellmar_engine
    GTest::gtest_main)
  add_dependencies(quellmar_lv2_module_tests lv2_bundle QuellmarV3 quellmar_host)
  add_test(NAME module.lv2.instances COMMAND quellmar_lv2_module_tests)
  set_tests_properties(module.lv2.instances PROPERTIES LABELS module RESOURCE_LOCK keybus
    ENVIRONMENT "QM_LV2_BUNDLE=${QM_LV2_BUNDLE};QM_MODULE_PATH=${QM_SO};QM_HOST_PATH=$<TARGET_FILE:quellmar_host>;XDG_RUNTIME_DIR=${QM_TEST_RUNTIME_DIR}")
endif()

# module: the bundle's description checked, lv2apply against quellmar-duck, Ardour's sessions, and
# the desktop-ducking configuration in a PipeWire of the test's own.
if(QM_VARIANT STREQUAL "native")
  set(QM_LV2_WORK ${CMAKE_BINARY_DIR}/lv2-tests)
  add_test(NAME module.lv2.pipewire COMMAND sh ${CMAKE_SOURCE_DIR}/tests/formats/lv2/pipewire-ducking.sh
    ${CMAKE_SOURCE_DIR}/docs/pipewire/quellmar-desktop-ducking.conf ${QM_LV2_BUNDLE} ${QM_LV2_WORK}/pipewire)
  set_tests_properties(module.lv2.pipewire PROPERTIES LABELS module TIMEOUT 120)
endif()
if(QM_VARIANT STREQUAL "native")
  add_test(NAME module.lv2.bundle COMMAND sh ${CMAKE_SOURCE_DIR}/tests/formats/lv2/check-bundle.sh ${QM_LV2_BUNDLE}
    ${QM_LV2_WORK}/bundle)
  add_test(NAME module.lv2.lv2apply COMMAND sh ${CMAKE_SOURCE_DIR}/tests/formats/lv2/lv2apply-identity.sh
    $<TARGET_FILE:quellmar-duck> ${QM_LV2_BUNDLE} ${QM_LV2_WORK}/lv2apply)
  set_tests_properties(module.lv2.bundle module.lv2.lv2apply PROPERTIES LABELS module)
endif()
if(QM_VARIANT STREQUAL "native")
  add_test(NAME module.lv2.ardour COMMAND sh ${CMAKE_SOURCE_DIR}/tests/formats/lv2/ardour-sessions.sh ${QM_LV2_BUNDLE}
    ${QM_LV2_WORK}/ardour)
  set_tests_properties(module.lv2.ardour PROPERTIES LABELS module TIMEOUT 600)
endif()

# gui: the editor in a real LV2 host, jalv.gtk3 over JACK's dummy driver under Xvfb: a screenshot,
# and a real click reaching the host as a control change.
if(QM_VARIANT STREQUAL "native")
  add_executable(quellmar_lv2_editor_probe tests/formats/lv2/EditorProbe.cpp)
  target_include_directories(quellmar_lv2_editor_probe PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(quellmar_lv2_editor_probe PRIVATE qm_warnings quellmar_host_x11 PkgConfig::CAIRO_XLIB
    PkgConfig::X11)
  set(QM_LV2_ARTEFACTS ${CMAKE_BINARY_DIR}/artefacts/lv2)
  file(MAKE_DIRECTORY ${QM_LV2_ARTEFACTS})
  add_test(NAME gui.lv2.jalv COMMAND sh ${CMAKE_SOURCE_DIR}/tools/run-under-xvfb.sh
    sh ${CMAKE_SOURCE_DIR}/tests/formats/lv2/jalv-editor.sh ${QM_LV2_BUNDLE} $<TARGET_FILE:quellmar_lv2_editor_probe>
    ${QM_LV2_WORK}/jalv ${QM_LV2_ARTEFACTS})
  # Alone, and given time to start its host three times: in CI runs, JACK's client now and then
  # never wakes for its first cycle. jalv's threads then show its process thread waiting inside
  # libjack for a wake-up that the server says it gave; no plug-in code is on any stack.
  set_tests_properties(gui.lv2.jalv PROPERTIES LABELS gui TIMEOUT 180 RUN_SERIAL ON)
endif()

# gui: the editor as an LV2 UI in a host window of the test's own under Xvfb; built in the asan
# build too, whose program the sanitize tier runs.
add_executable(quellmar_lv2_ui_tests tests/formats/lv2/UiTest.cpp formats/lv2/UiEntry.cpp)
target_include_directories(quellmar_lv2_ui_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(quellmar_lv2_ui_tests PRIVATE quellmar_lv2_ui quellmar_host_x11 GTest::gtest_main Threads::Threads)
if(QM_VARIANT STREQUAL "native")
  add_test(NAME gui.lv2.ui COMMAND sh ${CMAKE_SOURCE_DIR}/tools/run-under-xvfb.sh $<TARGET_FILE:quellmar_lv2_ui_tests>)
  add_test(NAME sanitize.asan-ubsan.lv2-ui COMMAND sh ${CMAKE_SOURCE_DIR}/tools/run-under-xvfb.sh
    ${CMAKE_BINARY_DIR}/asan/quellmar_lv2_ui_tests)
  set_tests_properties(gui.lv2.ui PROPERTIES LABELS gui)
  set_tests_properties(sanitize.asan-ubsan.lv2-ui PROPERTIES LABELS sanitize
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/data/lsan.supp")
endif()

# bench: the LV2 plug-in beside the .so and LSP's stereo side-chain compressor, and lv2bench.
if(QM_VARIANT STREQUAL "native")
  add_executable(quellmar_lv2_bench tests/bench/Lv2Bench.cpp)
  target_include_directories(quellmar_lv2_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(quellmar_lv2_bench PRIVATE quellmar_host_lv2 quellmar_host_posix)
  add_dependencies(quellmar_lv2_bench lv2_bundle QuellmarV3)
  add_test(NAME bench.lv2 COMMAND sh ${CMAKE_SOURCE_DIR}/tests/bench/lv2-bench.sh $<TARGET_FILE:quellmar_lv2_bench>
    ${QM_LV2_BUNDLE} ${QM_SO} ${QM_LV2_WORK}/bench)
  set_tests_properties(bench.lv2 PROPERTIES LABELS bench RESOURCE_LOCK keybus
    ENVIRONMENT "XDG_RUNTIME_DIR=${QM_TEST_RUNTIME_DIR}")
endif()
