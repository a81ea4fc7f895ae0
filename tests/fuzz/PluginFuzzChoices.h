#pragma once
// The choices that steer the plug-in fuzzer, by name and range: the fuzzer reads them from its
// input and the seed generator writes them, so that both agree on what each number means.

#include <cstddef>
#include <cstdint>

#include "editor/EditorLayout.h"
#include "formats/vst2/base/PluginInterface.h"

namespace qm::fuzz {

// What one step of a run does: its first choice, from 0 to kLastStep.
enum Step : int {
    StepCreate = 0,
    StepTamper,
    StepClose,
    StepDispatch,
    StepSetParameter,
    StepGetParameter,
    StepEditor,
    StepProcess,
};
// Steps past StepProcess process too, so that blocks come often.
constexpr int kLastStep = StepProcess + 1;

// The instance a create step makes: the product with its editor (once per run; later ones become
// effects on the in-process bus), an effect on the shared bus, or one on the in-process bus.
enum InstanceKind : int { KindProduct = 0, KindSharedBus, KindLocalBus };
constexpr std::size_t kMaxInstances = 6;

// Parameter indices a step chooses, beyond the eleven on both sides.
constexpr std::int32_t kParameterIndexReach = 20;
// Values a parameter step picks when its first choice says so; switches often exactly on.
inline constexpr float kTypicalParameterValues[] = {0.0f, 1.0f, 1.0f, 0.5f, 0.49f, 0.999f, 0.25f};

// Dispatcher opcodes chosen, a few past both ends of the interface's list.
constexpr std::int32_t kFirstOpcode = -3;
constexpr std::int32_t kLastOpcode = 80;
constexpr std::int64_t kDispatchValueReach = 70000;
// Bytes a dispatch's buffer may have beyond what the opcode needs.
constexpr std::size_t kMaxExtraBytes = 300;
// The buffer pointer is null for choice 0 of 0..kLastPointerChoice.
constexpr int kLastPointerChoice = 3;

// The most the plug-in may write through the pointer of an opcode; 1 where it writes nothing.
inline std::size_t writableBytes(std::int32_t opcode) {
    switch (opcode) {
    case effGetParamLabel:
    case effGetParamName: return 13;
    case effGetParamDisplay: return 9;
    case effGetProgramName:
    case effGetProgramNameIndexed: return 24;
    case effGetEffectName: return 32;
    case effGetVendorString:
    case effGetProductString:
    case effShellGetNextPlugin: return 64;
    case effGetErrorText: return 256;
    default: return 1;
    }
}

// How many frames a block has: 0 a tiny or negative count, 1 just past the key bus capacity
// (once per run), 2 a large block, anything else up to kLastFramesChoice a host-sized block.
enum FramesChoice : int { FramesTiny = 0, FramesPastCapacity, FramesLarge, FramesHostSized };
constexpr int kLastFramesChoice = 19;
constexpr std::int32_t kMaxHostFrames = 1024;
// The largest stride between the samples a block sets one by one.
constexpr std::size_t kMaxSampleStride = 997;

// How a block's channel buffers are laid out.
enum BufferLayout : int {
    LayoutSeparate = 0,
    LayoutInPlace,
    LayoutOneInput,
    LayoutOneOutput,
    LayoutNullChannel,
    LayoutNullInputs,
    LayoutNullOutputs,
};

// What an editor step does.
enum EditorAction : int {
    EditorOpen = 0,
    EditorClose,
    EditorIdle,
    EditorKey,
    EditorDraw,
    EditorPress,
    EditorWheel,
    EditorHelp,
    EditorUpdate,
};
// The editor's size; the points pressed lie mostly inside it, sometimes outside.
constexpr std::int32_t kEditorWidth = layout::kEditor.right - layout::kEditor.left;
constexpr std::int32_t kEditorHeight = layout::kEditor.bottom - layout::kEditor.top;
constexpr std::int32_t kLeastPointX = -20;
constexpr std::int32_t kMostPointX = 340;
constexpr std::int32_t kLeastPointY = -20;
constexpr std::int32_t kMostPointY = 280;
// The bits of a scripted mouse state's buttons and modifier keys.
enum MouseBits : std::uint8_t {
    MouseLeft = 1,
    MouseMiddle = 2,
    MouseRight = 4,
    MouseShift = 8,
    MouseControl = 16,
    MouseAlt = 32,
};
// The most scripted mouse states of one press before the last one, which has every button up.
constexpr int kMaxPressSteps = 12;
// Keys: characters from -1 to kLastKeyCharacter, virtual keys below kVirtualKeyCount, modifier
// bits up to kLastKeyModifiers.
constexpr std::int32_t kLastKeyCharacter = 130;
constexpr int kVirtualKeyCount = 60;
constexpr int kLastKeyModifiers = 15;
constexpr float kMaxWheelDistance = 8.0f;

// A hostile act on the shared key bus region: choices from kLastTamper down to TamperWrite write
// bytes into a part of it.
enum RegionTamper : int { TamperUnlink = 0, TamperBlockName, TamperFreeName, TamperWrite };
constexpr int kLastTamper = 7;
enum RegionPart : int { PartHeader = 0, PartSlots, PartSamples, PartAnywhere };
constexpr std::size_t kMaxTamperBytes = 64;

}  // namespace qm::fuzz
