#include "formats/vst2/base/EffectBase.h"

#include <cstring>

#include "formats/vst2/base/NumberConversion.h"
#include "formats/vst2/base/PluginEntry.h"
#include "formats/vst2/base/TextCopy.h"
#include "formats/vst2/base/ValueFormat.h"

namespace qm {

EffectBase::EffectBase(HostCallback hostCallback, std::int32_t numPrograms, std::int32_t numParams)
    : hostCallback(hostCallback), numPrograms(numPrograms), numParams(numParams) {
    std::memset(&record, 0, sizeof record);
    record.numParams = numParams;
    record.numPrograms = numPrograms;
    record.magic = kEffectMagic;
    record.numInputs = 1;
    record.numOutputs = 2;
    record.version = 1;
    record.dispatcher = dispatcherEntry;
    record.process = processEntry;
    record.setParameter = setParameterEntry;
    record.getParameter = getParameterEntry;
    record.processReplacing = processReplacingEntry;
    record.ioRatio = 1.0f;
    record.object = this;
    record.uniqueID = kBaseUniqueId;
}

EffectBase::~EffectBase() {
    if (editor != nullptr && editor->releaseEffect()) delete editor;
    editor = nullptr;
}

void EffectBase::attachEditor(EditorBase* newEditor) {
    editor = newEditor;
    if (newEditor != nullptr) setFlag(effFlagsHasEditor, true);
}

void EffectBase::setParameter(std::int32_t, float) {}
float EffectBase::getParameter(std::int32_t) { return 0.0f; }

void EffectBase::setParameterAutomated(std::int32_t index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void EffectBase::processReplacing(float**, float**, std::int32_t) {}

VstIntPtr EffectBase::dispatcher(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr, float opt) {
    if (static_cast<std::uint32_t>(opcode) > static_cast<std::uint32_t>(effSetChunk)) return 0;
    switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms) setProgram(static_cast<std::int32_t>(value));
        return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName: setProgramName(static_cast<char*>(ptr)); return 0;
    case effGetProgramName: getProgramName(static_cast<char*>(ptr)); return 0;
    case effGetParamLabel: getParamLabel(index, static_cast<char*>(ptr)); return 0;
    case effGetParamDisplay: getParamDisplay(index, static_cast<char*>(ptr)); return 0;
    case effGetParamName: getParamName(index, static_cast<char*>(ptr)); return 0;
    case effGetVu: return truncateToInt32(static_cast<double>(getVu()) * 32767.0);
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(static_cast<std::int32_t>(value)); return 0;
    case effMainsChanged:
        if (value == 0) suspend();
        else resume();
        return 0;
    case effEditGetRect: return editor != nullptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen: return editor != nullptr ? editor->open(ptr) : 0;
    case effEditClose:
        if (editor != nullptr) editor->close();
        return 0;
    case effEditIdle:
        if (editor != nullptr) editor->idle();
        return 0;
    case effIdentify: return kIdentifyAnswer;
    case effGetChunk: return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk: return setChunk(ptr, static_cast<std::int32_t>(value), index != 0);
    default: return 0;
    }
}

void EffectBase::open() {}
void EffectBase::close() {}
std::int32_t EffectBase::getProgram() { return curProgram; }
void EffectBase::setProgram(std::int32_t program) { curProgram = program; }
void EffectBase::setProgramName(char* name) { copyText(name, "", 1); }
void EffectBase::getProgramName(char* name) { copyText(name, "", 1); }
void EffectBase::getParamLabel(std::int32_t, char* text) { copyText(text, "", 1); }
void EffectBase::getParamDisplay(std::int32_t, char* text) { copyText(text, "", 1); }
void EffectBase::getParamName(std::int32_t, char* text) { copyText(text, "", 1); }
float EffectBase::getVu() { return 0.0f; }
std::int32_t EffectBase::getChunk(void**, bool) { return 0; }
std::int32_t EffectBase::setChunk(void*, std::int32_t, bool) { return 0; }
void EffectBase::setSampleRate(float sampleRateHz) { sampleRate.store(sampleRateHz, std::memory_order_relaxed); }
void EffectBase::setBlockSize(std::int32_t frames) { blockSize.store(frames, std::memory_order_relaxed); }
void EffectBase::suspend() {}
void EffectBase::resume() {}

void EffectBase::setUniqueID(std::int32_t id) { record.uniqueID = id; }
void EffectBase::setNumInputs(std::int32_t inputs) { record.numInputs = inputs; }
void EffectBase::setNumOutputs(std::int32_t outputs) { record.numOutputs = outputs; }
void EffectBase::setFlagHasVu(bool state) { setFlag(effFlagsHasVu, state); }
void EffectBase::setFlagHasClip(bool state) { setFlag(effFlagsHasClip, state); }
void EffectBase::setFlagCanMono(bool state) { setFlag(effFlagsCanMono, state); }
void EffectBase::setFlagCanReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
void EffectBase::setFlagProgramChunks(bool state) { setFlag(effFlagsProgramChunks, state); }
void EffectBase::setRealQualities(std::int32_t qualities) { record.realQualities = qualities; }
void EffectBase::setOffQualities(std::int32_t qualities) { record.offQualities = qualities; }
void EffectBase::setInitialDelay(std::int32_t delayFrames) { record.initialDelay = delayFrames; }

float EffectBase::getSampleRate() { return sampleRate.load(std::memory_order_relaxed); }
std::int32_t EffectBase::getBlockSize() { return blockSize.load(std::memory_order_relaxed); }

std::int32_t EffectBase::hostVersion() {
    if (hostCallback == nullptr) return 1;
    const VstIntPtr answer = callHost(audioMasterVersion, 0, 0, nullptr, 0.0f);
    return answer == 0 ? 1 : static_cast<std::int32_t>(answer);
}

std::int32_t EffectBase::hostCurrentId() {
    return static_cast<std::int32_t>(callHost(audioMasterCurrentId, 0, 0, nullptr, 0.0f));
}

void EffectBase::hostIdle() { callHost(audioMasterIdle, 0, 0, nullptr, 0.0f); }

bool EffectBase::isInputConnected(std::int32_t input) {
    return callHost(audioMasterPinConnected, input, 0, nullptr, 0.0f) == 0;
}

bool EffectBase::isOutputConnected(std::int32_t output) {
    return callHost(audioMasterPinConnected, output, 1, nullptr, 0.0f) == 0;
}

void EffectBase::formatDecibels(float linearGain, char* text) { formatDecibelsText(linearGain, text); }
void EffectBase::formatHertz(float periodSamples, char* text) {
    formatHertzText(periodSamples, getSampleRate(), text);
}
void EffectBase::formatMilliseconds(float durationSamples, char* text) {
    formatMillisecondsText(durationSamples, getSampleRate(), text);
}
void EffectBase::formatFloat(float value, char* text) { formatFloatText(value, text); }
void EffectBase::formatInteger(std::int32_t value, char* text) { formatIntegerText(value, text); }

VstIntPtr EffectBase::callHost(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr, float opt) {
    if (hostCallback == nullptr) return 0;
    return hostCallback(&record, opcode, index, value, ptr, opt);
}

void EffectBase::setFlag(std::int32_t flag, bool state) {
    if (state) record.flags |= flag;
    else record.flags &= ~flag;
}

}  // namespace qm
