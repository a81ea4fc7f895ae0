// Loads a module the way Windows hosts do: LoadLibrary, then its export `main`.

#include <windows.h>

#include "tools/host/PluginLoader.h"

namespace qmhost {

PluginModule::PluginModule(const std::string& path) {
    HMODULE handle = LoadLibraryA(path.c_str());
    module = handle;
    if (handle != nullptr) main = reinterpret_cast<MainProc>(reinterpret_cast<void*>(GetProcAddress(handle, "main")));
}

PluginModule::~PluginModule() {
    if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

void* PluginModule::findExport(const char* name) const {
    return module != nullptr ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name)) : nullptr;
}

}  // namespace qmhost
