#include "formats/vst2/DuckerEffect.h"

#include "formats/vst2/base/TextCopy.h"

namespace qm {

DuckerEffect::DuckerEffect(HostCallback hostCallback) : DuckerEffect(hostCallback, KeyBus::processBus()) {}

DuckerEffect::DuckerEffect(HostCallback hostCallback, KeyBus& keyBus)
    : EffectBaseExt(hostCallback, 1, kParameterCount), core(keyBus, getBlockSize()) {
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharCode('Q', 'M', 'V', '3'));
    setFlagCanMono(true);
    setFlagCanReplacing(true);
    copyLiteral(programName, "QuellmarV3");
}

DuckerEffect::~DuckerEffect() = default;

void DuckerEffect::setParameter(std::int32_t index, float value) { core.setParameter(index, value); }

float DuckerEffect::getParameter(std::int32_t index) { return core.getParameter(index); }

void DuckerEffect::process(float** inputs, float** outputs, std::int32_t frames) {
    const double reduction = core.processAccumulating(DuckerBlock{inputs, outputs, frames}, getSampleRate());
    setParameter(ParamMeter, static_cast<float>(reduction));
}

void DuckerEffect::processReplacing(float** inputs, float** outputs, std::int32_t frames) {
    const double reduction = core.processReplacing(DuckerBlock{inputs, outputs, frames}, getSampleRate());
    setParameter(ParamMeter, static_cast<float>(reduction));
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
    formatFloat(core.getParameter(index), text);
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
    core.reserve(blockSizeFrames);
}

void DuckerEffect::setBlockSizeAndSampleRate(std::int32_t blockSizeFrames, float sampleRateHz) {
    EffectBaseExt::setBlockSizeAndSampleRate(blockSizeFrames, sampleRateHz);
    core.reserve(blockSizeFrames);
}

}  // namespace qm
