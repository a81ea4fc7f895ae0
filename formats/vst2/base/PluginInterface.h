#pragma once
// The published plug-in interface as hosts see it: the record that `main` returns, the entry
// and callback signatures, the opcodes both ways, the flag bits and the few structures that this
// plug-in reads or writes. Field order and widths are fixed by hosts; see the static_asserts.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define QM_CALL __cdecl
#else
#define QM_CALL
#endif

namespace qm {

// Pointer-sized integer of the interface: 32 bits in 32-bit hosts, 64 bits in 64-bit hosts.
using VstIntPtr = std::intptr_t;

struct PluginRecord;

using HostCallback = VstIntPtr(QM_CALL*)(PluginRecord* record, std::int32_t opcode, std::int32_t index,
                                         VstIntPtr value, void* ptr, float opt);
using DispatcherProc = VstIntPtr(QM_CALL*)(PluginRecord* record, std::int32_t opcode, std::int32_t index,
                                           VstIntPtr value, void* ptr, float opt);
using ProcessProc = void(QM_CALL*)(PluginRecord* record, float** inputs, float** outputs,
                                   std::int32_t sampleFrames);
using SetParameterProc = void(QM_CALL*)(PluginRecord* record, std::int32_t index, float value);
using GetParameterProc = float(QM_CALL*)(PluginRecord* record, std::int32_t index);

struct PluginRecord {
    std::int32_t magic;
    DispatcherProc dispatcher;
    ProcessProc process;
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::int32_t numInputs;
    std::int32_t numOutputs;
    std::int32_t flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    std::int32_t initialDelay;
    std::int32_t realQualities;
    std::int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    std::int32_t uniqueID;
    std::int32_t version;
    ProcessProc processReplacing;
    std::uint8_t reserved[56 + sizeof(void*)];
};

#if INTPTR_MAX == INT32_MAX
static_assert(sizeof(PluginRecord) == 144);
static_assert(offsetof(PluginRecord, dispatcher) == 4);
static_assert(offsetof(PluginRecord, process) == 8);
static_assert(offsetof(PluginRecord, setParameter) == 12);
static_assert(offsetof(PluginRecord, getParameter) == 16);
static_assert(offsetof(PluginRecord, numPrograms) == 20);
static_assert(offsetof(PluginRecord, numParams) == 24);
static_assert(offsetof(PluginRecord, numInputs) == 28);
static_assert(offsetof(PluginRecord, numOutputs) == 32);
static_assert(offsetof(PluginRecord, flags) == 36);
static_assert(offsetof(PluginRecord, resvd1) == 40);
static_assert(offsetof(PluginRecord, resvd2) == 44);
static_assert(offsetof(PluginRecord, initialDelay) == 48);
static_assert(offsetof(PluginRecord, realQualities) == 52);
static_assert(offsetof(PluginRecord, offQualities) == 56);
static_assert(offsetof(PluginRecord, ioRatio) == 60);
static_assert(offsetof(PluginRecord, object) == 64);
static_assert(offsetof(PluginRecord, user) == 68);
static_assert(offsetof(PluginRecord, uniqueID) == 72);
static_assert(offsetof(PluginRecord, version) == 76);
static_assert(offsetof(PluginRecord, processReplacing) == 80);
static_assert(offsetof(PluginRecord, reserved) == 84);
#else
static_assert(sizeof(PluginRecord) == 192);
static_assert(offsetof(PluginRecord, dispatcher) == 8);
static_assert(offsetof(PluginRecord, process) == 16);
static_assert(offsetof(PluginRecord, setParameter) == 24);
static_assert(offsetof(PluginRecord, getParameter) == 32);
static_assert(offsetof(PluginRecord, numPrograms) == 40);
static_assert(offsetof(PluginRecord, numParams) == 44);
static_assert(offsetof(PluginRecord, numInputs) == 48);
static_assert(offsetof(PluginRecord, numOutputs) == 52);
static_assert(offsetof(PluginRecord, flags) == 56);
static_assert(offsetof(PluginRecord, resvd1) == 64);
static_assert(offsetof(PluginRecord, resvd2) == 72);
static_assert(offsetof(PluginRecord, initialDelay) == 80);
static_assert(offsetof(PluginRecord, realQualities) == 84);
static_assert(offsetof(PluginRecord, offQualities) == 88);
static_assert(offsetof(PluginRecord, ioRatio) == 92);
static_assert(offsetof(PluginRecord, object) == 96);
static_assert(offsetof(PluginRecord, user) == 104);
static_assert(offsetof(PluginRecord, uniqueID) == 112);
static_assert(offsetof(PluginRecord, version) == 116);
static_assert(offsetof(PluginRecord, processReplacing) == 120);
static_assert(offsetof(PluginRecord, reserved) == 128);
#endif

// Four characters packed with the first one in the most significant byte.
constexpr std::int32_t fourCharCode(char a, char b, char c, char d) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                     static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

constexpr std::int32_t kEffectMagic = fourCharCode('V', 's', 't', 'P');
constexpr std::int32_t kBaseUniqueId = fourCharCode('N', 'o', 'E', 'f');
constexpr std::int32_t kIdentifyAnswer = fourCharCode('N', 'v', 'E', 'f');

enum EffectFlags : std::int32_t {
    effFlagsHasEditor = 1,
    effFlagsHasClip = 2,
    effFlagsHasVu = 4,
    effFlagsCanMono = 8,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsExtIsAsync = 1024,
    effFlagsExtHasBuffer = 2048,
};

// Requests from the host to the plug-in, through the record's dispatcher.
enum EffectOpcode : std::int32_t {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop,
    effEditSleep,
    effIdentify,
    effGetChunk,
    effSetChunk,
    effProcessEvents,
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,
    effGetProgramNameIndexed,
    effCopyProgram,
    effConnectInput,
    effConnectOutput,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,
    effGetDestinationBuffer,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,
    effSetBypass,
    effGetEffectName,
    effGetErrorText,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,
    effCanDo,
    effGetTailSize,
    effIdle,
    effGetIcon,
    effSetViewPosition,
    effGetParameterProperties,
    effKeysRequired,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram,
};
static_assert(effBeginLoadProgram == 76);

// Requests from the plug-in to the host, through the host callback.
enum HostOpcode : std::int32_t {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterTempoAt = 10,
    audioMasterGetNumAutomatableParameters = 11,
    audioMasterGetParameterQuantization = 12,
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20,
    audioMasterGetNextPlug = 21,
    audioMasterWillReplaceOrAccumulate = 22,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,
    audioMasterGetSpeakerArrangement = 31,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,
    audioMasterCloseWindow = 40,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterGetInputSpeakerArrangement = 49,
};

// The key record that the editor key opcodes carry.
struct VstKeyCode {
    std::int32_t character;
    std::uint8_t virt;
    std::uint8_t modifier;
};

// One speaker of an arrangement: 112 bytes.
struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    std::int32_t type;
    std::uint8_t future[28];
};
static_assert(sizeof(VstSpeakerProperties) == 112);

// Header of a speaker arrangement; `numChannels` speaker records follow it directly.
struct VstSpeakerArrangement {
    std::int32_t type;
    std::int32_t numChannels;
};
static_assert(sizeof(VstSpeakerArrangement) == 8);

// Speaker record `channel` of an arrangement laid out as header plus records.
inline VstSpeakerProperties* speakerAt(VstSpeakerArrangement* arrangement, std::int32_t channel) {
    return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<std::uint8_t*>(arrangement) +
                                                   sizeof(VstSpeakerArrangement)) +
           channel;
}

// The editor rectangle handed to the host, in pixels.
struct ERect {
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

// Structures that pass through the plug-in unread.
struct VstEvents;
struct VstPinProperties;
struct VstTimeInfo;
struct VstVariableIo;
struct VstOfflineTask;
struct VstAudioFile;
struct VstParameterProperties;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct VstPatchChunkInfo;
struct VstFileSelect;
struct VstWindow;

}  // namespace qm
