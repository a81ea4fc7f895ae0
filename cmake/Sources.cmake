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
  engine/DuckerEffect.cpp
  engine/DuckingProcessor.cpp
  engine/EnvelopeDetector.cpp
  engine/KeyBus.cpp
  engine/LocalKeyBus.cpp
  engine/SessionKeyBus.cpp
  engine/SharedKeyBus.cpp
  engine/KeyStorage.cpp
  engine/TimeConstant.cpp
)

if(WIN32)
  list(APPEND QM_CORE_SOURCES engine/win32/SharedMemoryWin32.cpp)
else()
  list(APPEND QM_CORE_SOURCES engine/posix/SharedMemoryPosix.cpp engine/posix/ProcessTokenPosix.cpp)
endif()

# The toolkit: views, canvas, bitmaps and controls above the drawing seam, and one backend below
# it per target (GDI for Windows, cairo natively).
set(QM_GUI_SOURCES
  gui/Bitmap.cpp
  gui/Canvas.cpp
  gui/EditorFrame.cpp
  gui/OffscreenCanvas.cpp
  gui/PlatformInput.cpp
  gui/View.cpp
  gui/controls/Control.cpp
  gui/controls/DigitDisplay.cpp
  gui/controls/LevelMeter.cpp
  gui/controls/OverlayPanel.cpp
  gui/controls/Slider.cpp
  gui/controls/ToggleButton.cpp
  gui/controls/ValueDisplay.cpp
)
if(WIN32)
  list(APPEND QM_GUI_SOURCES
    gui/win32/FrameDropTarget.cpp
    gui/win32/GdiImage.cpp
    gui/win32/GdiObjects.cpp
    gui/win32/GdiTarget.cpp
    gui/win32/Win32FrameWindow.cpp
    gui/win32/Win32PlatformInput.cpp)
else()
  list(APPEND QM_GUI_SOURCES
    gui/cairo/CairoImage.cpp
    gui/cairo/CairoTarget.cpp
    gui/cairo/NativeFrameWindow.cpp
    gui/cairo/NativePlatformInput.cpp)
endif()

# The editor and the effect that owns it; the module entry creates this effect.
set(QM_MODULE_SOURCES host/ModuleEntry.cpp)
set(QM_EDITOR_SOURCES
  editor/DuckerEditor.cpp
  editor/DuckerEffectWithEditor.cpp
  editor/GuiEditorBase.cpp
)
