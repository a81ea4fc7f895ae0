# The sub-builds that the native build drives, and the tests of every tier that run their
# programs. Each tier is a CTest label: unit, sanitize, windows, fuzz, bench, validate.
include(ExternalProject)

# A sub-build in a folder of its own, built as part of `all`: whole, or only the TARGETS its tests
# run.
function(qm_sub_build name)
  cmake_parse_arguments(PARSE_ARGV 1 SUB "" "" "TARGETS")
  set(build_command BUILD_COMMAND $(MAKE) ${SUB_TARGETS})
  if(NOT SUB_TARGETS)
    set(build_command)
  endif()
  ExternalProject_Add(${name}
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/${name}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DQM_DIST_DIR=${QM_DIST_DIR}
      -DQM_SOURCE_DATE_EPOCH=${QM_SOURCE_DATE_EPOCH} ${SUB_UNPARSED_ARGUMENTS}
    ${build_command}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
endfunction()

# A Windows sub-build: its main step builds only what ships (the module and our host program, which
# the demo runs), so that `ship` needs no test program; its `-tests` step builds the rest for `all`.
function(qm_windows_sub_build name toolchain)
  ExternalProject_Add(${name}
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/${name}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DQM_DIST_DIR=${QM_DIST_DIR}
      -DQM_SOURCE_DATE_EPOCH=${QM_SOURCE_DATE_EPOCH} -DQM_VARIANT=windows
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/${toolchain} -DQM_TESTS=${QM_TESTS}
    BUILD_COMMAND $(MAKE) qm_ship
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
  if(NOT QM_TESTS)
    return()
  endif()
  ExternalProject_Add_Step(${name} tests
    COMMAND $(MAKE)
    WORKING_DIRECTORY <BINARY_DIR>
    DEPENDEES build
    ALWAYS ON
    EXCLUDE_FROM_MAIN ON)
  ExternalProject_Add_StepTargets(${name} tests)
endfunction()

qm_windows_sub_build(win32 mingw-i686.cmake)
qm_windows_sub_build(win64 mingw-x86_64.cmake)

include(cmake/Packages.cmake)

# What ships, and nothing else: the three modules, the LV2 bundle, quellmar-duck, the page, the
# host program the demo runs, and the packages made of them.
add_custom_target(ship DEPENDS QuellmarV3 lv2_bundle quellmar-duck win32 win64 packages)
if(TARGET web_page)
  add_dependencies(ship web_page)
endif()
if(NOT QM_TESTS)
  return()
endif()

qm_sub_build(asan -DQM_VARIANT=asan)
# The thread sanitizer runs the stress tests and the validator over both modules only.
qm_sub_build(tsan -DQM_VARIANT=tsan TARGETS quellmar_stress_tests quellmar_host QuellmarV3 lv2_bundle)
qm_sub_build(fuzz -DQM_VARIANT=fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
add_custom_target(qm_windows_tests ALL DEPENDS win32-tests win64-tests)
include(cmake/TestPrograms.cmake)
include(cmake/ReleaseTests.cmake)
include(cmake/FreshTests.cmake)

# sanitize
add_test(NAME sanitize.asan-ubsan.unit COMMAND ${CMAKE_BINARY_DIR}/asan/tests/quellmar_unit_tests)
# The loudness table (forty finished episodes measured by ffmpeg) checks arithmetic that unit.cli
# already runs; under the sanitizers it would take two minutes for no path the other cases miss.
add_test(NAME sanitize.asan-ubsan.cli COMMAND ${CMAKE_BINARY_DIR}/asan/tests/quellmar_cli_tests
  --gtest_filter=-LoudnessTable.*)
add_test(NAME sanitize.tsan.stress COMMAND ${CMAKE_BINARY_DIR}/tsan/tests/quellmar_stress_tests)
set_tests_properties(sanitize.asan-ubsan.unit sanitize.asan-ubsan.cli sanitize.tsan.stress PROPERTIES LABELS sanitize)
set_tests_properties(sanitize.tsan.stress PROPERTIES
  ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1;XDG_RUNTIME_DIR=${QM_TEST_RUNTIME_DIR}")
set_tests_properties(sanitize.asan-ubsan.unit sanitize.asan-ubsan.cli PROPERTIES
  ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/data/lsan.supp;XDG_RUNTIME_DIR=${QM_TEST_RUNTIME_DIR}")
# Every test whose instances join the session's key bus runs alone on it.
set_tests_properties(sanitize.asan-ubsan.unit sanitize.asan-ubsan.cli sanitize.tsan.stress
  PROPERTIES RESOURCE_LOCK keybus)

# fuzz: a short run in every test run; fuzz-long (not run by tools/test.sh) for as long as
# QM_FUZZ_SECONDS says. Every run starts from the seeds the fuzz build makes (a second corpus folder
# after the writable one), so that even a fresh corpus reaches what each target exists for;
# fuzz.coverage checks that they still do. The fuzzer makes a key bus region of its own;
# fontconfig's caches are not leaks, and a smaller quarantine keeps runs fast.
set(QM_FUZZ_BUILD ${CMAKE_BINARY_DIR}/fuzz/tests/fuzz)
set(QM_FUZZ_SEEDS ${QM_FUZZ_BUILD}/seeds)
set(QM_FUZZ_CORPUS ${CMAKE_BINARY_DIR}/fuzz-corpus)
file(MAKE_DIRECTORY ${QM_FUZZ_CORPUS})
set(QM_FUZZ_ENV "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/data/lsan.supp"
  "ASAN_OPTIONS=quarantine_size_mb=32")
set(QM_PLUGIN_FUZZ_OPTIONS -max_len=256 -rss_limit_mb=4096)
set(QM_KERNEL_FUZZ_OPTIONS -rss_limit_mb=4096)
add_test(NAME fuzz.plugin COMMAND ${QM_FUZZ_BUILD}/quellmar_fuzz
  -max_total_time=45 -seed=1 ${QM_PLUGIN_FUZZ_OPTIONS} -print_final_stats=1 ${QM_FUZZ_CORPUS} ${QM_FUZZ_SEEDS}/plugin)
set_tests_properties(fuzz.plugin PROPERTIES LABELS fuzz ENVIRONMENT "${QM_FUZZ_ENV}")
add_test(NAME fuzz.long COMMAND sh ${CMAKE_SOURCE_DIR}/tests/fuzz/run-long.sh
  ${QM_FUZZ_BUILD}/quellmar_fuzz ${CMAKE_BINARY_DIR}/fuzz-long-corpus ${QM_PLUGIN_FUZZ_OPTIONS} ${QM_FUZZ_SEEDS}/plugin)
set_tests_properties(fuzz.long PROPERTIES LABELS fuzz-long ENVIRONMENT "${QM_FUZZ_ENV}" TIMEOUT 31536000)
set(QM_KERNEL_FUZZ_CORPUS ${CMAKE_BINARY_DIR}/kernel-fuzz-corpus)
file(MAKE_DIRECTORY ${QM_KERNEL_FUZZ_CORPUS})
add_test(NAME fuzz.kernels COMMAND ${QM_FUZZ_BUILD}/quellmar_kernel_fuzz
  -max_total_time=45 -seed=1 ${QM_KERNEL_FUZZ_OPTIONS} -print_final_stats=1 ${QM_KERNEL_FUZZ_CORPUS}
  ${QM_FUZZ_SEEDS}/kernels)
set_tests_properties(fuzz.kernels PROPERTIES LABELS fuzz ENVIRONMENT "${QM_FUZZ_ENV}")
# What fuzz.coverage runs: each target's name in tests/fuzz/required-coverage.txt, the fuzzer, its
# seeds and the options of its fuzz run; the file tool's fuzzers are added below.
set(QM_FUZZ_COVERAGE_RUNS
  plugin ${QM_FUZZ_BUILD}/quellmar_fuzz ${QM_FUZZ_SEEDS}/plugin ${QM_PLUGIN_FUZZ_OPTIONS}
  -- kernels ${QM_FUZZ_BUILD}/quellmar_kernel_fuzz ${QM_FUZZ_SEEDS}/kernels ${QM_KERNEL_FUZZ_OPTIONS})

# quellmar-duck's reading layer, its list of jobs and its command line, each from the seeds the
# fuzz build makes (sounds of every type it reads, lists, command lines) and a corpus of its own.
# FFmpeg's probing of a hostile file under the sanitizers may take seconds, never ten.
set(QM_CLI_FUZZ_ENV "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/fuzz/cli-lsan.supp"
  "ASAN_OPTIONS=quarantine_size_mb=32" "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
set(QM_CLI_FUZZERS
  "reader|reader|40|-max_len=32768 -timeout=10 -rss_limit_mb=2048"
  "job_list|lists|20|-max_len=4096 -timeout=5 -rss_limit_mb=1024"
  "options|options|20|-max_len=1024 -timeout=5 -rss_limit_mb=1024")
foreach(entry ${QM_CLI_FUZZERS})
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 name)
  list(GET parts 1 seeds)
  list(GET parts 2 seconds)
  list(GET parts 3 options)
  separate_arguments(options)
  string(REPLACE "_" "-" test_name ${name})
  set(fuzzer ${QM_FUZZ_BUILD}/quellmar_${name}_fuzz)
  set(corpus ${CMAKE_BINARY_DIR}/fuzz-${test_name}-corpus)
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME fuzz.${test_name} COMMAND ${fuzzer} -max_total_time=${seconds} -seed=1 ${options}
    -print_final_stats=1 ${corpus} ${QM_FUZZ_SEEDS}/${seeds})
  set_tests_properties(fuzz.${test_name} PROPERTIES LABELS fuzz ENVIRONMENT "${QM_CLI_FUZZ_ENV}")
  add_test(NAME fuzz.long.${test_name} COMMAND sh ${CMAKE_SOURCE_DIR}/tests/fuzz/run-long.sh
    ${fuzzer} ${CMAKE_BINARY_DIR}/fuzz-long-${test_name}-corpus ${options} ${QM_FUZZ_SEEDS}/${seeds})
  set_tests_properties(fuzz.long.${test_name} PROPERTIES LABELS fuzz-long ENVIRONMENT "${QM_CLI_FUZZ_ENV}"
    TIMEOUT 31536000)
  list(APPEND QM_FUZZ_COVERAGE_RUNS -- ${name} ${fuzzer} ${QM_FUZZ_SEEDS}/${seeds} ${options})
endforeach()

# Every target over its seeds alone covers the functions tests/fuzz/required-coverage.txt lists.
add_test(NAME fuzz.coverage COMMAND sh ${CMAKE_SOURCE_DIR}/tests/fuzz/check-coverage.sh
  ${CMAKE_SOURCE_DIR}/tests/fuzz/required-coverage.txt ${QM_FUZZ_COVERAGE_RUNS})
set_tests_properties(fuzz.coverage PROPERTIES LABELS fuzz ENVIRONMENT "${QM_CLI_FUZZ_ENV}")

# windows: one Wine prefix per build folder, made before and shut down after the Wine tests
set(QM_WINE_ENV
  WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
add_test(NAME windows.prefix COMMAND wineboot -i)
add_test(NAME windows.shutdown COMMAND sh -c "wineserver -k || true")
set_tests_properties(windows.prefix PROPERTIES FIXTURES_SETUP wine LABELS "windows;gui;bench" ENVIRONMENT "${QM_WINE_ENV}")
set_tests_properties(windows.shutdown PROPERTIES FIXTURES_CLEANUP wine LABELS "windows;gui;bench" ENVIRONMENT "${QM_WINE_ENV}")

# gui: the demo's job on a brand-new Wine prefix, as on a fresh machine (its own prefix and display).
add_test(NAME gui.demo.first-run COMMAND bash ${CMAKE_SOURCE_DIR}/tests/formats/vst2/win32/demo-first-run.sh ${CMAKE_BINARY_DIR})
set_tests_properties(gui.demo.first-run PROPERTIES LABELS gui RESOURCE_LOCK keybus)

foreach(arch win32 win64)
  if(arch STREQUAL "win32")
    set(peer win64)
  else()
    set(peer win32)
  endif()
  set(module ${QM_DIST_DIR}/${arch}/QuellmarV3.dll)
  set(peer_env "QM_HOST_PATH=Z:${CMAKE_BINARY_DIR}/${arch}/quellmar_host.exe"
    "QM_PEER_HOST_PATH=Z:${CMAKE_BINARY_DIR}/${peer}/quellmar_host.exe"
    "QM_PEER_MODULE_PATH=Z:${QM_DIST_DIR}/${peer}/QuellmarV3.dll")
  add_test(NAME windows.${arch}.unit COMMAND wine ${CMAKE_BINARY_DIR}/${arch}/quellmar_unit_tests.exe)
  add_test(NAME windows.${arch}.module COMMAND wine ${CMAKE_BINARY_DIR}/${arch}/quellmar_module_tests.exe)
  add_test(NAME windows.${arch}.shared-bus COMMAND wine ${CMAKE_BINARY_DIR}/${arch}/quellmar_shared_bus_tests.exe)
  add_test(NAME windows.${arch}.exports
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/formats/vst2/win32/check-module.sh ${arch} ${module})
  set(artefacts ${CMAKE_BINARY_DIR}/artefacts/${arch})
  file(MAKE_DIRECTORY ${artefacts})
  add_test(NAME gui.${arch}.editor COMMAND sh ${CMAKE_SOURCE_DIR}/tools/run-under-xvfb.sh
    wine ${CMAKE_BINARY_DIR}/${arch}/quellmar_gui_tests.exe)
  set_tests_properties(gui.${arch}.editor PROPERTIES LABELS gui FIXTURES_REQUIRED wine RESOURCE_LOCK keybus
    ENVIRONMENT "${QM_WINE_ENV};QM_MODULE_PATH=Z:${module};QM_ARTIFACT_DIR=Z:${artefacts};QM_ARTIFACT_UNIX_DIR=${artefacts}")
  add_test(NAME bench.${arch} COMMAND wine ${CMAKE_BINARY_DIR}/${arch}/quellmar_host.exe bench Z:${module}
    Z:${CMAKE_BINARY_DIR}/${arch}/baseline/QuellmarV3.dll)
  set_tests_properties(windows.${arch}.unit windows.${arch}.module windows.${arch}.shared-bus bench.${arch}
    PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${QM_WINE_ENV};QM_MODULE_PATH=Z:${module};${peer_env}"
    RESOURCE_LOCK keybus)
  set_tests_properties(windows.${arch}.unit windows.${arch}.module windows.${arch}.shared-bus
    windows.${arch}.exports PROPERTIES LABELS windows)
  add_test(NAME bench.${arch}.editor COMMAND sh ${CMAKE_SOURCE_DIR}/tools/run-under-xvfb.sh
    wine ${CMAKE_BINARY_DIR}/${arch}/quellmar_host.exe editor-bench Z:${module})
  set_tests_properties(bench.${arch}.editor PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK keybus
    ENVIRONMENT "${QM_WINE_ENV}")
  set_tests_properties(bench.${arch} bench.${arch}.editor PROPERTIES LABELS bench)
endforeach()

# validate: our host program's seeded random sessions over every module (the LV2 bundle through
# lilv), each driven by a host program of its own build (the sanitizer builds' by their own
# instrumented one). Natively each has a runtime directory of its own; under Wine the build's prefix.
set(QM_VALIDATE_RUNTIME ${CMAKE_BINARY_DIR}/validate-runtime)
set(QM_SANITIZER_REPORTS "UBSAN_OPTIONS=print_stacktrace=1:abort_on_error=1"
  "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/data/lsan.supp" "TSAN_OPTIONS=halt_on_error=1")
qm_validate_test(linux-x86_64 ${QM_SO} ${QM_VALIDATE_RUNTIME}/linux-x86_64 "" "60 5000 20 20000"
  $<TARGET_FILE:quellmar_host>)
qm_validate_test(lv2 ${QM_LV2_BUNDLE} ${QM_VALIDATE_RUNTIME}/lv2 "" "60 5000 20 20000" $<TARGET_FILE:quellmar_host>)
qm_validate_test(asan-ubsan ${CMAKE_BINARY_DIR}/asan/QuellmarV3.so ${QM_VALIDATE_RUNTIME}/asan-ubsan
  "${QM_SANITIZER_REPORTS}" "40 3000 10 10000" ${CMAKE_BINARY_DIR}/asan/quellmar_host)
qm_validate_test(tsan ${CMAKE_BINARY_DIR}/tsan/QuellmarV3.so ${QM_VALIDATE_RUNTIME}/tsan
  "${QM_SANITIZER_REPORTS}" "20 3000 10 10000" ${CMAKE_BINARY_DIR}/tsan/quellmar_host)
# The LV2 bundles the sanitizer builds make, each driven by the host program of its build.
qm_validate_test(lv2-asan-ubsan ${CMAKE_BINARY_DIR}/asan/QuellmarV3.lv2 ${QM_VALIDATE_RUNTIME}/lv2-asan-ubsan
  "${QM_SANITIZER_REPORTS}" "30 3000 10 10000" ${CMAKE_BINARY_DIR}/asan/quellmar_host)
qm_validate_test(lv2-tsan ${CMAKE_BINARY_DIR}/tsan/QuellmarV3.lv2 ${QM_VALIDATE_RUNTIME}/lv2-tsan
  "${QM_SANITIZER_REPORTS}" "15 3000 10 10000" ${CMAKE_BINARY_DIR}/tsan/quellmar_host)
foreach(arch win32 win64)
  qm_validate_test(${arch} Z:${QM_DIST_DIR}/${arch}/QuellmarV3.dll "" "${QM_WINE_ENV}" "30 3000 10 10000"
    wine ${CMAKE_BINARY_DIR}/${arch}/quellmar_host.exe)
  set_tests_properties(validate.${arch} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK keybus)
endforeach()
