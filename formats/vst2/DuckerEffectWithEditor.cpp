#include "formats/vst2/DuckerEffectWithEditor.h"

#include <new>

#include "editor/DuckerEditor.h"
#include "engine/ControlOutputs.h"
#include "formats/vst2/EditorHosting.h"
#include "formats/vst2/base/ModuleState.h"
#include "formats/vst2/base/PluginEntry.h"
#include "formats/vst2/base/TextCopy.h"

namespace qm {

DuckerEffectWithEditor::DuckerEffectWithEditor(HostCallback hostCallback) : DuckerEffect(hostCallback) {
    setUniqueID(fourCharCode('Q', 'M', 'V', '3'));
    EditorHosting::useModuleResources();
    DuckerEditor* made = new (std::nothrow) DuckerEditor(this);
    EditorHosting* hosting = made != nullptr ? new (std::nothrow) EditorHosting(this, made) : nullptr;
    if (hosting == nullptr) {
        delete made;
        editor = nullptr;
        creationFailed.store(true, std::memory_order_release);
    }
}

// The editor hears a parameter change as a change of the control, slot or meter it carries.
void DuckerEffectWithEditor::setParameter(std::int32_t index, float value) {
    DuckerEffect::setParameter(index, value);
    DuckerEditor* shown = editor != nullptr ? static_cast<EditorHosting*>(editor)->toolkitEditor() : nullptr;
    if (shown == nullptr) return;
    if (index == ParamOwnSlot) shown->slotChanged();
    else if (index == ParamMeter) shown->meterChanged();
    else if (const std::int32_t id = controlForParameter(index); id >= 0) shown->controlChanged(static_cast<ControlId>(id));
}

double DuckerEffectWithEditor::value(ControlId id) {
    const std::int32_t index = controlInfo(id).parameter;
    return index >= 0 ? extendedControlValueFor(id, getParameter(index)) : 0.0;
}

std::int32_t DuckerEffectWithEditor::slot() {
    const float value = getParameter(ParamOwnSlot);
    return value >= 0.0f && value < static_cast<float>(kKeySlotCount) ? static_cast<std::int32_t>(value) : kNoSlot;
}

void DuckerEffectWithEditor::setFromEditor(ControlId id, double value) {
    const std::int32_t index = controlInfo(id).parameter;
    if (index >= 0) setParameterAutomated(index, parameterValueForExtended(id, value));
}

bool DuckerEffectWithEditor::getEffectName(char* text) {
    copyLiteral(text, "QuellmarV3EditGUI");
    return true;
}

bool DuckerEffectWithEditor::getProductString(char* text) { return getEffectName(text); }

std::int32_t DuckerEffectWithEditor::getVendorVersion() { return 1000; }

EffectBase* createEffect(HostCallback hostCallback) {
    return new (std::nothrow) DuckerEffectWithEditor(hostCallback);
}

}  // namespace qm
