#include "formats/vst2/DuckerEffect.h"

#include "formats/vst2/TextCopy.h"

namespace qm {

DuckerEffect::DuckerEffect(HostCallback hostCallback) : DuckerEffect(hostCallback, KeyBus::processBus()) {}

DuckerEffect::DuckerEffect(HostCallback hostCallback, KeyBus& keyBus)
    : EffectBaseExt(hostCallback, 1, kParameterCount), keyBus(keyBus) {
    for (std::int32_t i = 0; i < kParameterCount; ++i) {
        parameters[i].store(kParameterDefaults[i], std::memory_order_relaxed);
    }
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharCode('Q', 'M', 'V', '3'));
    setFlagCanMono(true);
    setFlagCanReplacing(true);
    copyLiteral(programName, "QuellmarV3");

    ownSlot = keyBus.join(getBlockSize());
    if (ownSlot >= 0) parameters[ParamOwnSlot].store(static_cast<float>(ownSlot), std::memory_order_relaxed);
}

DuckerEffect::~DuckerEffect() { keyBus.leave(ownSlot); }

void DuckerEffect::setParameter(std::int32_t index, float value) {
    if (index < 0 || index >= kParameterCount) return;
    parameters[index].store(value, std::memory_order_relaxed);
}

float DuckerEffect::getParameter(std::int32_t index) {
    if (index < 0 || index >= kParameterCount) return 0.0f;
    return parameter(index);
}

void DuckerEffect::setProgramName(char* name) { copyText(programName, name, sizeof programName); }

void DuckerEffect::getProgramName(char* name) { copyText(name, programName, sizeof programName); }

void DuckerEffect::getParamLabel(std::int32_t index, char* text) { getParamName(index, text); }

void DuckerEffect::getParamName(std::int32_t index, char* text) {
    const bool named = index > ParamOwnSlot && index < ParamMeter;
    copyText(text, named ? kParameterNames[index] : "DISABLED", 13);
}

void DuckerEffect::getParamDisplay(std::int32_t index, char* text) {
    if (index < 0 || index >= kParameterCount) return copyText(text, "", 1);
    formatFloat(parameter(index), text);
}

bool DuckerEffect::getVendorString(char* text) {
    copyLiteral(text, "Quellmar V3");
    return true;
}

bool DuckerEffect::getProductString(char* text) {
    copyLiteral(text, "QuellmarV3");
    return true;
}

void DuckerEffect::setBlockSize(std::int32_t blockSizeFrames) {
    EffectBaseExt::setBlockSize(blockSizeFrames);
    if (ownSlot >= 0) keyBus.reserve(blockSizeFrames);
}

void DuckerEffect::setBlockSizeAndSampleRate(std::int32_t blockSizeFrames, float sampleRateHz) {
    EffectBaseExt::setBlockSizeAndSampleRate(blockSizeFrames, sampleRateHz);
    if (ownSlot >= 0) keyBus.reserve(blockSizeFrames);
}

}  // namespace qm
