// The module's only export: creates one instance of the product's effect for a host.

#include "formats/vst2/base/EffectBase.h"
#include "formats/vst2/base/ModuleState.h"
#include "formats/vst2/base/PluginEntry.h"

extern "C" qm::PluginRecord* QM_CALL quellmarMain(qm::HostCallback hostCallback) {
    using namespace qm;
    if (hostCallback == nullptr) return nullptr;
    try {
        if (hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
        EffectBase* effect = createEffect(hostCallback);
        if (effect == nullptr) return nullptr;
        if (creationFailed.load(std::memory_order_acquire)) {
            delete effect;
            return nullptr;
        }
        return effect->getRecord();
    } catch (...) {
        return nullptr;
    }
}
