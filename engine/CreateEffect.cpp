// The effect that the module entry creates for every instance.

#include <new>

#include "engine/DuckerEffect.h"
#include "host/PluginEntry.h"

namespace qm {

EffectBase* createEffect(HostCallback hostCallback) { return new (std::nothrow) DuckerEffect(hostCallback); }

}  // namespace qm
