#include "formats/vst2/base/PluginEntry.h"

#include "formats/vst2/base/EffectBase.h"

namespace qm {

VstIntPtr QM_CALL dispatcherEntry(PluginRecord* record, std::int32_t opcode, std::int32_t index, VstIntPtr value,
                                  void* ptr, float opt) {
    if (record == nullptr) return 0;
    EffectBase* effect = EffectBase::fromRecord(record);
    try {
        if (opcode == effClose) {
            effect->dispatcher(opcode, index, value, ptr, opt);
            delete effect;
            return 1;
        }
        return effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void QM_CALL processEntry(PluginRecord* record, float** inputs, float** outputs, std::int32_t frames) {
    EffectBase::fromRecord(record)->process(inputs, outputs, frames);
}

void QM_CALL processReplacingEntry(PluginRecord* record, float** inputs, float** outputs, std::int32_t frames) {
    EffectBase::fromRecord(record)->processReplacing(inputs, outputs, frames);
}

void QM_CALL setParameterEntry(PluginRecord* record, std::int32_t index, float value) {
    EffectBase::fromRecord(record)->setParameter(index, value);
}

float QM_CALL getParameterEntry(PluginRecord* record, std::int32_t index) {
    return EffectBase::fromRecord(record)->getParameter(index);
}

}  // namespace qm
