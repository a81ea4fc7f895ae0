// The extended layer's requests to the host: each sends one host opcode with this instance's
// record and turns the answer into what the caller expects; without a host callback nothing is
// sent and the caller gets 0, false or null.

#include "formats/vst2/base/EffectBaseExt.h"

namespace qm {

void EffectBaseExt::hostWantMidi(std::int32_t filter) { callHost(audioMasterWantMidi, 0, filter, nullptr, 0.0f); }

VstTimeInfo* EffectBaseExt::hostGetTime(std::int32_t filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter, nullptr, 0.0f));
}

std::int32_t EffectBaseExt::hostTempoAt(std::int32_t position) {
    return static_cast<std::int32_t>(callHost(audioMasterTempoAt, 0, position, nullptr, 0.0f));
}

std::int32_t EffectBaseExt::hostGetNumAutomatableParameters() {
    return static_cast<std::int32_t>(callHost(audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0.0f));
}

std::int32_t EffectBaseExt::hostGetParameterQuantization() {
    return static_cast<std::int32_t>(callHost(audioMasterGetParameterQuantization, 0, 0, nullptr, 0.0f));
}

bool EffectBaseExt::hostIOChanged() { return callHost(audioMasterIOChanged, 0, 0, nullptr, 0.0f) != 0; }
bool EffectBaseExt::hostNeedIdle() { return callHost(audioMasterNeedIdle, 0, 0, nullptr, 0.0f) != 0; }

bool EffectBaseExt::hostSizeWindow(std::int32_t width, std::int32_t height) {
    return callHost(audioMasterSizeWindow, width, height, nullptr, 0.0f) != 0;
}

float EffectBaseExt::refreshSampleRate() {
    const VstIntPtr answer = callHost(audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
    if (answer > 0) sampleRate.store(static_cast<float>(static_cast<std::int32_t>(answer)), std::memory_order_relaxed);
    return getSampleRate();
}

std::int32_t EffectBaseExt::refreshBlockSize() {
    const VstIntPtr answer = callHost(audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
    if (answer > 0) blockSize.store(static_cast<std::int32_t>(answer), std::memory_order_relaxed);
    return getBlockSize();
}

std::int32_t EffectBaseExt::hostGetInputLatency() {
    return static_cast<std::int32_t>(callHost(audioMasterGetInputLatency, 0, 0, nullptr, 0.0f));
}

std::int32_t EffectBaseExt::hostGetOutputLatency() {
    return static_cast<std::int32_t>(callHost(audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f));
}

PluginRecord* EffectBaseExt::hostGetPreviousPlug(std::int32_t pin) {
    return reinterpret_cast<PluginRecord*>(callHost(audioMasterGetPreviousPlug, 0, pin, nullptr, 0.0f));
}

PluginRecord* EffectBaseExt::hostGetNextPlug(std::int32_t pin) {
    return reinterpret_cast<PluginRecord*>(callHost(audioMasterGetNextPlug, 0, pin, nullptr, 0.0f));
}

std::int32_t EffectBaseExt::hostWillReplaceOrAccumulate() {
    return static_cast<std::int32_t>(callHost(audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0.0f));
}

std::int32_t EffectBaseExt::hostGetCurrentProcessLevel() {
    return static_cast<std::int32_t>(callHost(audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f));
}

std::int32_t EffectBaseExt::hostGetAutomationState() {
    return static_cast<std::int32_t>(callHost(audioMasterGetAutomationState, 0, 0, nullptr, 0.0f));
}

bool EffectBaseExt::hostOfflineRead(VstOfflineTask* task, std::int32_t option, bool readSource) {
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, task, 0.0f) != 0;
}

bool EffectBaseExt::hostOfflineWrite(VstOfflineTask* task, std::int32_t option) {
    return callHost(audioMasterOfflineWrite, 0, option, task, 0.0f) != 0;
}

bool EffectBaseExt::hostOfflineStart(VstAudioFile* files, std::int32_t fileCount, std::int32_t newFileCount) {
    return callHost(audioMasterOfflineStart, newFileCount, fileCount, files, 0.0f) != 0;
}

bool EffectBaseExt::hostOfflineGetCurrentPass() {
    return callHost(audioMasterOfflineGetCurrentPass, 0, 0, nullptr, 0.0f) != 0;
}

bool EffectBaseExt::hostOfflineGetCurrentMetaPass() {
    return callHost(audioMasterOfflineGetCurrentMetaPass, 0, 0, nullptr, 0.0f) != 0;
}

void EffectBaseExt::hostSetOutputSampleRate(float sampleRateHz) {
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, sampleRateHz);
}

VstSpeakerArrangement* EffectBaseExt::hostGetInputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(
        callHost(audioMasterGetInputSpeakerArrangement, 0, 0, nullptr, 0.0f));
}

VstSpeakerArrangement* EffectBaseExt::hostGetOutputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetSpeakerArrangement, 0, 0, nullptr, 0.0f));
}

bool EffectBaseExt::hostGetVendorString(char* text) {
    return callHost(audioMasterGetVendorString, 0, 0, text, 0.0f) != 0;
}

bool EffectBaseExt::hostGetProductString(char* text) {
    return callHost(audioMasterGetProductString, 0, 0, text, 0.0f) != 0;
}

std::int32_t EffectBaseExt::hostGetVendorVersion() {
    return static_cast<std::int32_t>(callHost(audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f));
}

VstIntPtr EffectBaseExt::hostVendorSpecific(std::int32_t index, VstIntPtr value, void* ptr, float opt) {
    return callHost(audioMasterVendorSpecific, index, value, ptr, opt);
}

bool EffectBaseExt::hostCanDo(char* text) { return callHost(audioMasterCanDo, 0, 0, text, 0.0f) > 0; }

std::int32_t EffectBaseExt::hostGetLanguage() {
    return static_cast<std::int32_t>(callHost(audioMasterGetLanguage, 0, 0, nullptr, 0.0f));
}

void* EffectBaseExt::hostOpenWindow(VstWindow* window) {
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window, 0.0f));
}

bool EffectBaseExt::hostCloseWindow(VstWindow* window) {
    return callHost(audioMasterCloseWindow, 0, 0, window, 0.0f) != 0;
}

void* EffectBaseExt::hostGetDirectory() {
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory, 0, 0, nullptr, 0.0f));
}

bool EffectBaseExt::hostUpdateDisplay() { return callHost(audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f) != 0; }

bool EffectBaseExt::hostBeginEdit(std::int32_t index) {
    return callHost(audioMasterBeginEdit, index, 0, nullptr, 0.0f) != 0;
}

bool EffectBaseExt::hostEndEdit(std::int32_t index) {
    return callHost(audioMasterEndEdit, index, 0, nullptr, 0.0f) != 0;
}

bool EffectBaseExt::hostOpenFileSelector(VstFileSelect* selector) {
    if (selector == nullptr) return false;
    return callHost(audioMasterOpenFileSelector, 0, 0, selector, 0.0f) != 0;
}

}  // namespace qm
