#include "formats/vst2/DuckerEffectWithEditor.h"

#include <new>

#include "editor/DuckerEditor.h"
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

void DuckerEffectWithEditor::setParameter(std::int32_t index, float value) {
    DuckerEffect::setParameter(index, value);
    if (editor != nullptr) static_cast<EditorHosting*>(editor)->parameterChanged(index);
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
