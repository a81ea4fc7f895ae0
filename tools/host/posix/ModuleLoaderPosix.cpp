// Loads a module the way Linux hosts do: dlopen, then its export `VSTPluginMain`, else `main`.

#include <dlfcn.h>

#include "tools/host/PluginLoader.h"

namespace qmhost {

PluginModule::PluginModule(const std::string& path) {
    module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return;
    void* entry = dlsym(module, "VSTPluginMain");
    if (entry == nullptr) entry = dlsym(module, "main");
    main = reinterpret_cast<MainProc>(entry);
}

PluginModule::~PluginModule() {
    if (module != nullptr) dlclose(module);
}

void* PluginModule::findExport(const char* name) const {
    return module != nullptr ? dlsym(module, name) : nullptr;
}

}  // namespace qmhost
