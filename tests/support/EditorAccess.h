#pragma once
// The editor of a VST 2 instance as the tests reach it: through the shell's editor hosting.

#include "editor/DuckerEditor.h"
#include "formats/vst2/EditorHosting.h"
#include "formats/vst2/base/EffectBase.h"

namespace qm::test {

// The toolkit editor of the instance behind `record`; null when it has none.
inline DuckerEditor* duckerEditorOf(PluginRecord* record) {
    auto* hosting = static_cast<EditorHosting*>(EffectBase::fromRecord(record)->getEditorObject());
    return hosting != nullptr ? hosting->toolkitEditor() : nullptr;
}

}  // namespace qm::test
