# The web tier: the module and its interface built, then held against quellmar-duck and against
# the same shell built natively; and the web bench (wasm against native per frame).
add_executable(quellmar_web_native tests/web/NativeDucker.cpp formats/web/WebDucker.cpp)
target_link_libraries(quellmar_web_native PRIVATE quellmar_engine)
add_executable(quellmar_web_loudness_native tests/web/NativeLoudness.cpp)
target_link_libraries(quellmar_web_loudness_native PRIVATE quellmar_engine)

# ctest builds what the tier runs, so that `ctest -L web` alone checks the build too.
add_test(NAME web.build COMMAND nice -n 15 ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} -j2
  --target web web_interface web_presets web_page quellmar-duck quellmar_web_native
  quellmar_web_loudness_native)
set_tests_properties(web.build PROPERTIES LABELS "web;bench" FIXTURES_SETUP web-module TIMEOUT 1200)

set(QM_WEB_ENV "QM_WEB_DIST=${QM_DIST_DIR}/web" "QM_DUCK=$<TARGET_FILE:quellmar-duck>"
  "QM_WEB_NATIVE=$<TARGET_FILE:quellmar_web_native>"
  "QM_WEB_LOUDNESS_NATIVE=$<TARGET_FILE:quellmar_web_loudness_native>" "QM_WEB_WORK=${CMAKE_BINARY_DIR}/web-tests")
add_test(NAME web.compare COMMAND ${QM_NODE} --test ${CMAKE_SOURCE_DIR}/tests/web/duck-compare.test.mjs
  ${CMAKE_SOURCE_DIR}/tests/web/limiter-compare.test.mjs ${CMAKE_SOURCE_DIR}/tests/web/loudness-compare.test.mjs
  ${CMAKE_SOURCE_DIR}/tests/web/audio-files.test.mjs ${CMAKE_SOURCE_DIR}/tests/web/m4a.test.mjs
  ${CMAKE_SOURCE_DIR}/tests/web/resampler.test.mjs ${CMAKE_SOURCE_DIR}/tests/web/episode.test.mjs)
set_tests_properties(web.compare PROPERTIES LABELS web FIXTURES_REQUIRED web-module ENVIRONMENT "${QM_WEB_ENV}")
add_test(NAME bench.web COMMAND ${QM_NODE} ${CMAKE_SOURCE_DIR}/tests/web/bench.mjs)
set_tests_properties(bench.web PROPERTIES LABELS bench FIXTURES_REQUIRED web-module RUN_SERIAL ON
  ENVIRONMENT "${QM_WEB_ENV}")

# The page in headless Chromium (Debian's), driven by puppeteer-core and checked by axe-core.
find_program(QM_CHROMIUM chromium)
if(QM_CHROMIUM)
  set(QM_WEB_ARTEFACTS ${CMAKE_BINARY_DIR}/artefacts/web)
  file(MAKE_DIRECTORY ${QM_WEB_ARTEFACTS})
  add_test(NAME web.page COMMAND ${QM_NODE} --test --test-concurrency=1 ${CMAKE_SOURCE_DIR}/tests/web/page.test.mjs)
  set_tests_properties(web.page PROPERTIES LABELS web FIXTURES_REQUIRED web-module TIMEOUT 300
    ENVIRONMENT "${QM_WEB_ENV};QM_WEB_NODE_MODULES=${QM_WEB_NPM}/node_modules;QM_WEB_ARTEFACTS=${QM_WEB_ARTEFACTS};QM_CHROMIUM=${QM_CHROMIUM}")
  # The page's bench: a ten-minute MP3 export beside quellmar-duck, the ducker in Chromium beside
  # native, the worklet's share of its budget, the page's weight and first paint.
  add_test(NAME bench.web.page COMMAND ${QM_NODE} ${CMAKE_SOURCE_DIR}/tests/web/bench-page.mjs)
  set_tests_properties(bench.web.page PROPERTIES LABELS bench FIXTURES_REQUIRED web-module RUN_SERIAL ON TIMEOUT 900
    ENVIRONMENT "${QM_WEB_ENV};QM_WEB_NODE_MODULES=${QM_WEB_NPM}/node_modules;QM_CHROMIUM=${QM_CHROMIUM}")
  # An hour-long voice and bed read as needed and exported to Opus: the tab's peak memory. Not a
  # timing, so it runs beside other tests.
  add_test(NAME bench.web.long COMMAND ${QM_NODE} ${CMAKE_SOURCE_DIR}/tests/web/bench-long.mjs)
  set_tests_properties(bench.web.long PROPERTIES LABELS bench FIXTURES_REQUIRED web-module TIMEOUT 1500
    ENVIRONMENT "${QM_WEB_ENV};QM_WEB_NODE_MODULES=${QM_WEB_NPM}/node_modules;QM_CHROMIUM=${QM_CHROMIUM}")
else()
  message(STATUS "web.page left out: no chromium (the web set of tools/setup.sh installs it)")
endif()
