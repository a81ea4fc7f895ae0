# The validate job of our host program: seeded random host sessions over a module. Its portable
# sources, with the instance model's tables that the sessions and drivers speak (each platform adds
# its desk, census and replay prefix); the tests that run it over every module are declared in
# SubBuilds.cmake, where all the modules are known.
set(QM_VALIDATE_SOURCES
  ${CMAKE_SOURCE_DIR}/tools/host/validate/AudioCycle.cpp
  ${CMAKE_SOURCE_DIR}/tools/host/validate/BlockCheck.cpp
  ${CMAKE_SOURCE_DIR}/tools/host/validate/EditorSteps.cpp
  ${CMAKE_SOURCE_DIR}/tools/host/validate/Session.cpp
  ${CMAKE_SOURCE_DIR}/tools/host/validate/UiStep.cpp
  ${CMAKE_SOURCE_DIR}/tools/host/validate/UiSteps.cpp
  ${CMAKE_SOURCE_DIR}/tools/host/validate/ValidateJob.cpp
  ${CMAKE_SOURCE_DIR}/tools/host/validate/Vst2Driver.cpp
  ${CMAKE_SOURCE_DIR}/tools/host/validate/Watchdog.cpp
  ${CMAKE_SOURCE_DIR}/engine/ControlOutputs.cpp
  ${CMAKE_SOURCE_DIR}/engine/ControlTable.cpp
)
# The LV2 driver, natively (lilv).
set(QM_VALIDATE_LV2_SOURCES
  ${CMAKE_SOURCE_DIR}/tools/host/validate/lv2/Lv2Driver.cpp
  ${CMAKE_SOURCE_DIR}/tools/host/validate/lv2/Lv2Editor.cpp
  ${CMAKE_SOURCE_DIR}/tools/host/validate/lv2/Lv2Instance.cpp
  ${CMAKE_SOURCE_DIR}/tools/host/validate/lv2/Lv2Module.cpp
)

# A validate test of one module: `name` is the module's, `module` the path our host program loads
# it by, `runtime` the private runtime directory of its key bus (empty under Wine, whose prefix in
# the build folder has a bus of its own), `environment` the test's other variables, `budget` the
# sessions and calls (single-threaded sessions, calls each, threaded sessions, calls each), and
# the rest our host program's command (its path, or wine and its path). The seeds are fixed, so
# every run of the tier plays the same sessions.
function(qm_validate_test name module runtime environment budget)
  separate_arguments(budget)
  add_test(NAME validate.${name} COMMAND sh ${CMAKE_SOURCE_DIR}/tools/run-under-xvfb.sh
    sh ${CMAKE_SOURCE_DIR}/tests/validate/validate-module.sh 1 ${budget} ${module} ${ARGN})
  if(runtime)
    file(MAKE_DIRECTORY ${runtime})
    file(CHMOD ${runtime} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    list(APPEND environment "XDG_RUNTIME_DIR=${runtime}")
  endif()
  set_tests_properties(validate.${name} PROPERTIES LABELS validate ENVIRONMENT "${environment}" TIMEOUT 300)
endfunction()
