# The portable sources: everything of the host interface and the engine that does not need the
# Windows loader.
set(QM_CORE_SOURCES
  host/EffectBase.cpp
  host/EffectBaseExt.cpp
  host/HostWrappers.cpp
  host/ModuleState.cpp
  host/PluginEntry.cpp
  host/SpeakerArrangements.cpp
  host/ValueFormat.cpp
  engine/CreateEffect.cpp
  engine/DuckerEffect.cpp
  engine/DuckingProcessor.cpp
  engine/EnvelopeDetector.cpp
  engine/KeyBus.cpp
  engine/LocalKeyBus.cpp
  engine/SharedKeyBus.cpp
  engine/KeyStorage.cpp
  engine/TimeConstant.cpp
)

if(WIN32)
  list(APPEND QM_CORE_SOURCES engine/win32/SharedMemoryWin32.cpp)
else()
  list(APPEND QM_CORE_SOURCES engine/posix/SharedMemoryPosix.cpp)
endif()
