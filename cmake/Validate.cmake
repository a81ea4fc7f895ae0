# The validate job of our host program: seeded random host sessions over a module. Its portable
# sources (each platform adds its desk, census and replay prefix); the tests that run it over every
# module are declared in SubBuilds.cmake, where all the modules are known.
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
)
