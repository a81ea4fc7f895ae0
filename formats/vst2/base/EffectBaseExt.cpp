#include "formats/vst2/base/EffectBaseExt.h"

#include "formats/vst2/base/NumberConversion.h"

namespace qm {
namespace {

VstIntPtr answer(bool state) { return state ? 1 : 0; }

std::int32_t asInt32(VstIntPtr value) { return static_cast<std::int32_t>(value); }

}  // namespace

EffectBaseExt::EffectBaseExt(HostCallback hostCallback, std::int32_t numPrograms, std::int32_t numParams)
    : EffectBase(hostCallback, numPrograms, numParams) {}

VstIntPtr EffectBaseExt::dispatcher(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr,
                                    float opt) {
    if (static_cast<std::uint32_t>(opcode) - effProcessEvents >
        static_cast<std::uint32_t>(effBeginLoadProgram - effProcessEvents)) {
        return EffectBase::dispatcher(opcode, index, value, ptr, opt);
    }
    switch (opcode) {
    case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated: return answer(canBeAutomated(index));
    case effString2Parameter: return answer(string2Parameter(index, static_cast<char*>(ptr)));
    case effGetNumProgramCategories: return getNumProgramCategories();
    case effGetProgramNameIndexed:
        return answer(getProgramNameIndexed(asInt32(value), index, static_cast<char*>(ptr)));
    case effCopyProgram: return answer(copyProgram(index));
    case effConnectInput: connectInput(index, value != 0); return 1;
    case effConnectOutput: connectOutput(index, value != 0); return 1;
    case effGetInputProperties: return answer(getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties: return answer(getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory: return getPlugCategory();
    case effGetCurrentPosition: return getCurrentPosition();
    case effGetDestinationBuffer: return reinterpret_cast<VstIntPtr>(getDestinationBuffer());
    case effOfflineNotify: return answer(offlineNotify(static_cast<VstAudioFile*>(ptr), asInt32(value), index != 0));
    case effOfflinePrepare: return answer(offlinePrepare(static_cast<VstOfflineTask*>(ptr), asInt32(value)));
    case effOfflineRun: return answer(offlineRun(static_cast<VstOfflineTask*>(ptr), asInt32(value)));
    case effProcessVarIo: return answer(processVarIo(static_cast<VstVariableIo*>(ptr)));
    case effSetSpeakerArrangement:
        return answer(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                            static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBlockSizeAndSampleRate: setBlockSizeAndSampleRate(asInt32(value), opt); return 1;
    case effSetBypass: return answer(setBypass(value != 0));
    case effGetEffectName: return answer(getEffectName(static_cast<char*>(ptr)));
    case effGetErrorText: return answer(getErrorText(static_cast<char*>(ptr)));
    case effGetVendorString: return answer(getVendorString(static_cast<char*>(ptr)));
    case effGetProductString: return answer(getProductString(static_cast<char*>(ptr)));
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
    case effCanDo: return canDo(static_cast<char*>(ptr));
    case effGetTailSize: return getTailSize();
    case effIdle: return idle();
    case effGetIcon: return reinterpret_cast<VstIntPtr>(getIcon());
    case effSetViewPosition: return answer(setViewPosition(index, asInt32(value)));
    case effGetParameterProperties:
        return answer(getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
    case effKeysRequired: return keysRequired() ? 0 : 1;
    case effGetVstVersion: return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
        if (editor == nullptr) return 0;
        VstKeyCode key{index, static_cast<std::uint8_t>(value & 0xFF),
                       static_cast<std::uint8_t>(truncateToInt32(opt) & 0xFF)};
        return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
    }
    case effSetEditKnobMode: return editor != nullptr ? editor->setKnobMode(asInt32(value)) : 0;
    case effGetMidiProgramName: return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram: return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory: return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged: return answer(hasMidiProgramsChanged(index));
    case effGetMidiKeyName: return answer(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
    case effBeginSetProgram: return answer(beginSetProgram());
    case effEndSetProgram: return answer(endSetProgram());
    case effGetSpeakerArrangement:
        return answer(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                            static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin: return shellGetNextPlugin(static_cast<char*>(ptr));
    case effStartProcess: return startProcess();
    case effStopProcess: return stopProcess();
    case effSetTotalSampleToProcess: return setTotalSampleToProcess(asInt32(value));
    case effSetPanLaw: return answer(setPanLaw(asInt32(value), opt));
    case effBeginLoadBank: return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram: return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    default: return 0;
    }
}

EditorBase* EffectBaseExt::getEditor() { return editor; }
std::int32_t EffectBaseExt::processEvents(VstEvents*) { return 0; }
bool EffectBaseExt::canBeAutomated(std::int32_t) { return true; }
bool EffectBaseExt::string2Parameter(std::int32_t, char*) { return false; }
float EffectBaseExt::getChannelParameter(std::int32_t, std::int32_t) { return 0.0f; }
std::int32_t EffectBaseExt::getNumProgramCategories() { return 1; }
bool EffectBaseExt::getProgramNameIndexed(std::int32_t, std::int32_t, char*) { return false; }
bool EffectBaseExt::copyProgram(std::int32_t) { return false; }
void EffectBaseExt::connectInput(std::int32_t, bool) {}
void EffectBaseExt::connectOutput(std::int32_t, bool) {}
bool EffectBaseExt::getInputProperties(std::int32_t, VstPinProperties*) { return false; }
bool EffectBaseExt::getOutputProperties(std::int32_t, VstPinProperties*) { return false; }
std::int32_t EffectBaseExt::getPlugCategory() { return (record.flags & effFlagsIsSynth) != 0 ? 2 : 0; }
void EffectBaseExt::setFlagExtIsAsync(bool state) { setFlag(effFlagsExtIsAsync, state); }
void EffectBaseExt::setFlagExtHasBuffer(bool state) { setFlag(effFlagsExtHasBuffer, state); }
std::int32_t EffectBaseExt::getCurrentPosition() { return 0; }
float* EffectBaseExt::getDestinationBuffer() { return nullptr; }
bool EffectBaseExt::offlineNotify(VstAudioFile*, std::int32_t, bool) { return false; }
bool EffectBaseExt::offlinePrepare(VstOfflineTask*, std::int32_t) { return false; }
bool EffectBaseExt::offlineRun(VstOfflineTask*, std::int32_t) { return false; }
std::int32_t EffectBaseExt::offlineGetNumPasses() { return 0; }
std::int32_t EffectBaseExt::offlineGetNumMetaPasses() { return 0; }
void EffectBaseExt::setFlagIsSynth(bool state) { setFlag(effFlagsIsSynth, state); }
void EffectBaseExt::setFlagNoSoundInStop(bool state) { setFlag(effFlagsNoSoundInStop, state); }
bool EffectBaseExt::processVarIo(VstVariableIo*) { return false; }
bool EffectBaseExt::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) { return false; }

bool EffectBaseExt::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
    if (input != nullptr) *input = nullptr;
    if (output != nullptr) *output = nullptr;
    return false;
}

void EffectBaseExt::setBlockSizeAndSampleRate(std::int32_t blockSizeFrames, float sampleRateHz) {
    blockSize.store(blockSizeFrames, std::memory_order_relaxed);
    sampleRate.store(sampleRateHz, std::memory_order_relaxed);
}

bool EffectBaseExt::setBypass(bool) { return false; }
bool EffectBaseExt::getEffectName(char*) { return false; }
bool EffectBaseExt::getErrorText(char*) { return false; }
bool EffectBaseExt::getVendorString(char*) { return false; }
bool EffectBaseExt::getProductString(char*) { return false; }
std::int32_t EffectBaseExt::getVendorVersion() { return 0; }
VstIntPtr EffectBaseExt::vendorSpecific(std::int32_t, VstIntPtr, void*, float) { return 0; }
std::int32_t EffectBaseExt::canDo(char*) { return 0; }
void* EffectBaseExt::getIcon() { return nullptr; }
bool EffectBaseExt::setViewPosition(std::int32_t, std::int32_t) { return false; }
std::int32_t EffectBaseExt::getTailSize() { return 0; }
std::int32_t EffectBaseExt::idle() { return 0; }
bool EffectBaseExt::getParameterProperties(std::int32_t, VstParameterProperties*) { return false; }
bool EffectBaseExt::keysRequired() { return false; }
std::int32_t EffectBaseExt::getVstVersion() { return 2300; }
std::int32_t EffectBaseExt::getMidiProgramName(std::int32_t, MidiProgramName*) { return 0; }
std::int32_t EffectBaseExt::getCurrentMidiProgram(std::int32_t, MidiProgramName*) { return -1; }
std::int32_t EffectBaseExt::getMidiProgramCategory(std::int32_t, MidiProgramCategory*) { return 0; }
bool EffectBaseExt::hasMidiProgramsChanged(std::int32_t) { return false; }
bool EffectBaseExt::getMidiKeyName(std::int32_t, MidiKeyName*) { return false; }
bool EffectBaseExt::beginSetProgram() { return false; }
bool EffectBaseExt::endSetProgram() { return false; }
std::int32_t EffectBaseExt::setTotalSampleToProcess(std::int32_t value) { return value; }
std::int32_t EffectBaseExt::shellGetNextPlugin(char*) { return 0; }
std::int32_t EffectBaseExt::startProcess() { return 0; }
std::int32_t EffectBaseExt::stopProcess() { return 0; }
bool EffectBaseExt::setPanLaw(std::int32_t, float) { return false; }
std::int32_t EffectBaseExt::beginLoadBank(VstPatchChunkInfo*) { return 0; }
std::int32_t EffectBaseExt::beginLoadProgram(VstPatchChunkInfo*) { return 0; }

}  // namespace qm
