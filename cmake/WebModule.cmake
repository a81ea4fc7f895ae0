# The page in the browser, which ships (dist/web/ and its zip among the packages): the engine as
# WebAssembly modules (dist/web/quellmar*.wasm, a sub-build with cmake/Wasm32Wasi.cmake), its
# TypeScript interface and page (dist/web/*.js), the page's static files and its service worker,
# with the web tier's tests. Needs the web set of tools/setup.sh, which the ship set includes.
set(QM_WASM_LIBCXX /usr/lib/llvm-14/lib/wasm32-wasi/libc++.a)
set(QM_WASI_LIBC /usr/lib/wasm32-wasi/libc.a)
set(QM_WASM_BUILTINS /usr/lib/llvm-14/lib/clang/14.0.6/lib/wasi/libclang_rt.builtins-wasm32.a)
find_program(QM_WASM_CLANG clang++-14)
find_program(QM_WASM_LD wasm-ld-14)
find_program(QM_NODE node)
find_program(QM_NPM npm)
set(QM_WEB_MISSING "")
foreach(need QM_WASM_CLANG QM_WASM_LD QM_NODE QM_NPM)
  if(NOT ${need})
    list(APPEND QM_WEB_MISSING ${need})
  endif()
endforeach()
foreach(need ${QM_WASM_LIBCXX} ${QM_WASI_LIBC} ${QM_WASM_BUILTINS})
  if(NOT EXISTS ${need})
    list(APPEND QM_WEB_MISSING ${need})
  endif()
endforeach()
# AUTO decides at every configure, not once: a build folder configured before the web set was
# installed builds the page once it is. tools/build.sh asks for ON, so that a missing package is
# an error there, not a page silently left out.
set(QM_WEB AUTO CACHE STRING "Build the engine as a WebAssembly module and its TypeScript interface: ON, OFF or AUTO (where the web set of tools/setup.sh is installed)")
set_property(CACHE QM_WEB PROPERTY STRINGS AUTO ON OFF)
if(QM_WEB STREQUAL "AUTO")
  if(QM_WEB_MISSING)
    return()
  endif()
elseif(NOT QM_WEB)
  return()
elseif(QM_WEB_MISSING)
  message(FATAL_ERROR "QM_WEB needs the web set of tools/setup.sh (missing: ${QM_WEB_MISSING})")
endif()

include(ExternalProject)
ExternalProject_Add(web
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/web
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DQM_DIST_DIR=${QM_DIST_DIR} -DQM_VARIANT=web
    -DQM_SOURCE_DATE_EPOCH=${QM_SOURCE_DATE_EPOCH}
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/Wasm32Wasi.cmake
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${QM_DIST_DIR}/web/quellmar.wasm ${QM_DIST_DIR}/web/quellmar-relaxed.wasm)

# TypeScript from the npm registry at the version web/package-lock.json pins, installed in this
# build folder (the source tree keeps no node_modules), compiling web/src to dist/web.
set(QM_WEB_NPM ${CMAKE_BINARY_DIR}/web-npm)
add_custom_command(OUTPUT ${QM_WEB_NPM}/node_modules/.package-lock.json
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QM_WEB_NPM}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/package.json ${CMAKE_SOURCE_DIR}/web/package-lock.json
    ${QM_WEB_NPM}
  COMMAND ${QM_NPM} ci --prefix ${QM_WEB_NPM} --no-audit --no-fund --loglevel=error
  DEPENDS ${CMAKE_SOURCE_DIR}/web/package.json ${CMAKE_SOURCE_DIR}/web/package-lock.json
  COMMENT "npm ci: the web interface's TypeScript")
file(GLOB_RECURSE QM_WEB_TS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/web/src/*.ts)
add_custom_command(OUTPUT ${QM_DIST_DIR}/web/engine.js ${QM_DIST_DIR}/web/engine.d.ts
  COMMAND ${QM_WEB_NPM}/node_modules/.bin/tsc -p ${CMAKE_SOURCE_DIR}/web/tsconfig.json --outDir ${QM_DIST_DIR}/web
  DEPENDS ${QM_WEB_TS_SOURCES} ${CMAKE_SOURCE_DIR}/web/tsconfig.json ${QM_WEB_NPM}/node_modules/.package-lock.json
  COMMENT "tsc: dist/web/engine.js")
add_custom_target(web_interface ALL DEPENDS ${QM_DIST_DIR}/web/engine.js)

# The page's presets and its plan for encoded episodes are the file tool's, written as JSON at
# build time.
add_executable(quellmar_web_presets tools/web/PresetsJson.cpp)
target_link_libraries(quellmar_web_presets PRIVATE qm_warnings quellmar_duck_lib)
add_custom_command(OUTPUT ${QM_DIST_DIR}/web/presets.json ${QM_DIST_DIR}/web/finishing.json
  COMMAND quellmar_web_presets ${QM_DIST_DIR}/web/presets.json ${QM_DIST_DIR}/web/finishing.json
  DEPENDS quellmar_web_presets
  COMMENT "dist/web/presets.json and finishing.json from the file tool's presets and plan")
add_custom_target(web_presets ALL DEPENDS ${QM_DIST_DIR}/web/presets.json ${QM_DIST_DIR}/web/finishing.json)

# The page's static files (HTML, CSS, manifest, icon) beside the compiled scripts.
file(GLOB QM_WEB_STATIC CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/web/static/*)
set(QM_WEB_STATIC_OUT "")
foreach(static ${QM_WEB_STATIC})
  get_filename_component(static_name ${static} NAME)
  add_custom_command(OUTPUT ${QM_DIST_DIR}/web/${static_name}
    COMMAND ${CMAKE_COMMAND} -E copy ${static} ${QM_DIST_DIR}/web/${static_name}
    DEPENDS ${static})
  list(APPEND QM_WEB_STATIC_OUT ${QM_DIST_DIR}/web/${static_name})
endforeach()
# The MP3 encoder (LAME as WebAssembly, npm's wasm-media-encoders at the lock file's version), which
# the page fetches only when an MP3 is asked for.
set(QM_WEB_MP3_PACKAGE ${QM_WEB_NPM}/node_modules/wasm-media-encoders)
add_custom_command(OUTPUT ${QM_DIST_DIR}/web/mp3/mp3.wasm
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QM_DIST_DIR}/web/mp3
  COMMAND ${CMAKE_COMMAND} -E copy ${QM_WEB_MP3_PACKAGE}/dist/umd/WasmMediaEncoder.min.js ${QM_WEB_MP3_PACKAGE}/wasm/mp3.wasm
    ${QM_WEB_MP3_PACKAGE}/LICENSE ${QM_DIST_DIR}/web/mp3
  # LAME inside mp3.wasm is under the LGPL (version 2 or later); the package's LICENSE covers its
  # own wrapper only.
  COMMAND ${CMAKE_COMMAND} -E copy /usr/share/common-licenses/LGPL-2 ${QM_DIST_DIR}/web/mp3/LAME-LICENSE.txt
  DEPENDS ${QM_WEB_NPM}/node_modules/.package-lock.json
  COMMENT "dist/web/mp3: the MP3 encoder the page loads when asked")
# The demuxer that reads long sounds as they are needed and encoded episodes back (npm's mediabunny
# at the lock file's version, under the MPL 2.0, unchanged), loaded with the page.
set(QM_WEB_DEMUXER_PACKAGE ${QM_WEB_NPM}/node_modules/mediabunny)
add_custom_command(OUTPUT ${QM_DIST_DIR}/web/mediabunny.js ${QM_DIST_DIR}/web/mediabunny-LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${QM_WEB_DEMUXER_PACKAGE}/dist/bundles/mediabunny.min.mjs ${QM_DIST_DIR}/web/mediabunny.js
  COMMAND ${CMAKE_COMMAND} -E copy ${QM_WEB_DEMUXER_PACKAGE}/LICENSE ${QM_DIST_DIR}/web/mediabunny-LICENSE.txt
  DEPENDS ${QM_WEB_NPM}/node_modules/.package-lock.json
  COMMENT "dist/web/mediabunny.js: the demuxer the page reads sounds with")
# The service worker, written last: it lists the page's files and takes its version from them.
set(QM_WEB_SERVICE_WORKER ${QM_DIST_DIR}/web/sw.js)
add_custom_command(OUTPUT ${QM_WEB_SERVICE_WORKER}
  COMMAND ${QM_NODE} ${CMAKE_SOURCE_DIR}/tools/web/write-service-worker.mjs ${CMAKE_SOURCE_DIR}/web/sw.template.js
    ${QM_DIST_DIR}/web
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/web/write-service-worker.mjs ${CMAKE_SOURCE_DIR}/web/sw.template.js
    ${QM_WEB_STATIC_OUT} ${QM_DIST_DIR}/web/mp3/mp3.wasm ${QM_DIST_DIR}/web/mediabunny.js ${QM_DIST_DIR}/web/engine.js ${QM_DIST_DIR}/web/presets.json
    ${QM_DIST_DIR}/web/finishing.json
    ${QM_DIST_DIR}/web/quellmar.wasm ${QM_DIST_DIR}/web/quellmar-relaxed.wasm
  COMMENT "dist/web/sw.js: the page's files for offline use")
add_custom_target(web_page ALL DEPENDS ${QM_WEB_SERVICE_WORKER})
add_dependencies(web_page web web_interface web_presets)

if(NOT QM_TESTS)
  return()
endif()
include(cmake/WebTests.cmake)
