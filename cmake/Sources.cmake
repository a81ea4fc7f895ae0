# The engine: everything of the ducker that no plug-in format sees, portable but for the shared
# memory and process identity of each platform.
set(QM_ENGINE_SOURCES
  engine/AudioDelay.cpp
  engine/ControlOutputs.cpp
  engine/ControlTable.cpp
  engine/DuckChain.cpp
  engine/DuckerCore.cpp
  engine/EnvelopeDetector.cpp
  engine/KeyBus.cpp
  engine/LocalKeyBus.cpp
  engine/PeakHold.cpp
  engine/Presets.cpp
  engine/SessionKeyBus.cpp
  engine/SharedKeyBus.cpp
  engine/KeyStorage.cpp
  engine/StreamDucker.cpp
  engine/TimeConstant.cpp
  engine/kernels/KernelSelect.cpp
  engine/kernels/KernelsAvx2.cpp
  engine/loudness/IntegratedLoudness.cpp
  engine/kernels/KernelsScalar.cpp
  engine/kernels/KernelsSse2.cpp
)
if(WIN32)
  list(APPEND QM_ENGINE_SOURCES engine/win32/SharedMemoryWin32.cpp)
else()
  list(APPEND QM_ENGINE_SOURCES engine/posix/SharedMemoryPosix.cpp engine/posix/ProcessTokenPosix.cpp)
endif()

# The VST 2 shell's portable sources: the record, dispatcher, effect base, host wrappers, value
# formatting and the effect over the engine's core (the module entry and the editor's hosting are
# below).
set(QM_VST2_SOURCES
  formats/vst2/DuckerEffect.cpp
  formats/vst2/base/EffectBase.cpp
  formats/vst2/base/EffectBaseExt.cpp
  formats/vst2/base/HostWrappers.cpp
  formats/vst2/base/ModuleState.cpp
  formats/vst2/base/PluginEntry.cpp
  formats/vst2/base/SpeakerArrangements.cpp
  formats/vst2/base/ValueFormat.cpp
)

set(QM_GUI_CAIRO_SOURCES
  gui/cairo/CairoImage.cpp
  gui/cairo/CairoTarget.cpp
  gui/cairo/DamageList.cpp)

# The toolkit: views, canvas, bitmaps and controls above the drawing seam, and one backend below
# it per target (GDI for Windows, cairo natively).
set(QM_GUI_PORTABLE_SOURCES
  gui/Bitmap.cpp
  gui/Canvas.cpp
  gui/EditorFrame.cpp
  gui/OffscreenCanvas.cpp
  gui/PlatformInput.cpp
  gui/Scale.cpp
  gui/View.cpp
  gui/controls/Control.cpp
  gui/controls/DigitDisplay.cpp
  gui/controls/LevelMeter.cpp
  gui/controls/OverlayPanel.cpp
  gui/controls/Slider.cpp
  gui/controls/ToggleButton.cpp
  gui/controls/ValueDisplay.cpp
)
set(QM_GUI_SOURCES ${QM_GUI_PORTABLE_SOURCES})
if(WIN32)
  list(APPEND QM_GUI_SOURCES
    gui/win32/FrameDropTarget.cpp
    gui/win32/GdiImage.cpp
    gui/win32/GdiObjects.cpp
    gui/win32/GdiTarget.cpp
    gui/win32/Win32Density.cpp
    gui/win32/Win32FrameWindow.cpp
    gui/win32/Win32PlatformInput.cpp)
else()
  list(APPEND QM_GUI_SOURCES ${QM_GUI_CAIRO_SOURCES}
    gui/cairo/HeadlessFrameWindow.cpp
    gui/cairo/HeadlessPlatformInput.cpp
    gui/cairo/ResourceFolders.cpp)
endif()

# The Linux module's backend: cairo drawing shown in an X11 child window, pointer polling through
# the X connection, and the bitmaps built into the module.
set(QM_GUI_X11_SOURCES ${QM_GUI_CAIRO_SOURCES}
  gui/cairo/EmbeddedResources.cpp
  gui/x11/X11FrameWindow.cpp
  gui/x11/X11PlatformInput.cpp
  gui/x11/XDensity.cpp
  gui/x11/XErrorTrap.cpp
  gui/x11/XResourceCount.cpp
  resources/EmbeddedBitmaps.cpp)

# The editor, whatever the plug-in format; the VST 2 shell's hosting of it and the effect that owns
# it; the VST 2 module entry, which creates this effect.
set(QM_EDITOR_SOURCES
  editor/DuckerEditor.cpp
  editor/ToolkitEditor.cpp
)
set(QM_VST2_EDITOR_SOURCES
  formats/vst2/DuckerEffectWithEditor.cpp
  formats/vst2/EditorHosting.cpp
)
set(QM_MODULE_SOURCES formats/vst2/base/ModuleEntry.cpp)

# The web module: the engine's portable part with the wasm SIMD kernels (no key bus: a page has
# one instance per track, and no x86 kernels), and the web shell over it.
set(QM_WEB_SOURCES
  engine/AudioDelay.cpp
  engine/ControlTable.cpp
  engine/DuckChain.cpp
  engine/EnvelopeDetector.cpp
  engine/PeakHold.cpp
  engine/StreamDucker.cpp
  engine/TimeConstant.cpp
  engine/kernels/KernelSelect.cpp
  engine/kernels/KernelsScalar.cpp
  engine/kernels/KernelsWasm128.cpp
  engine/loudness/IntegratedLoudness.cpp
  formats/web/ControlExports.cpp
  formats/web/Exports.cpp
  formats/web/LoudnessExports.cpp
  formats/web/LimiterExports.cpp
  formats/web/Mp3JoinExports.cpp
  formats/web/QuantizerExports.cpp
  formats/web/Unwinding.cpp
  formats/web/WebDucker.cpp
)
# The finished episode's last stage, shared by the file tool and the web module: the true-peak
# estimate and the limiter over it, and the join of an MP3 encoded in two halves side by side.
set(QM_FINISHING_SOURCES
  codecs/Mp3Join.cpp
  engine/finishing/PeakLimiter.cpp
  engine/finishing/Quantizer.cpp
  engine/finishing/TruePeak.cpp
)
