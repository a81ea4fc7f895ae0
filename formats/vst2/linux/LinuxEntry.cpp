// The Linux module's exports: Linux hosts look for `VSTPluginMain`, older ones for `main`; both
// are the module entry. Everything else of the module stays hidden (see QuellmarV3.map).

#include <dlfcn.h>

#include <initializer_list>

#include "ProductVersion.h"
#include "formats/vst2/base/PluginEntry.h"

#define QM_EXPORT __attribute__((visibility("default")))

extern "C" QM_EXPORT qm::PluginRecord* VSTPluginMain(qm::HostCallback hostCallback) {
    return quellmarMain(hostCallback);
}

// The same function under the name `main`, which C++ does not let a function of this kind carry.
extern "C" QM_EXPORT qm::PluginRecord* moduleMainAlias(qm::HostCallback hostCallback) __asm__("main")
    __attribute__((alias("VSTPluginMain")));

// The product's version in the module's read-only data, for `strings` and whoever packages it.
[[gnu::used]] static const char productVersion[] = "QuellmarV3 " QM_VERSION_TEXT;

namespace __gnu_cxx {
void __freeres() noexcept;
}

// Hosts rescan by loading and unloading the module, which would load and unload cairo and Xlib
// with it when the host has not loaded them itself; both (pixman under cairo above all) keep tables
// from their first load that they never give back. Kept loaded from the first load on, they cost
// that once per process instead of once per rescan.
__attribute__((constructor)) static void keepDrawingLibrariesLoaded() {
    for (const char* library : {"libcairo.so.2", "libX11.so.6"}) {
        // The flag stays with the library; the reference taken here is given back at once.
        if (void* handle = dlopen(library, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(handle);
    }
}

// The C++ runtime linked into this module keeps an emergency exception pool for the module's
// life; give it back when the host unloads the module, so that rescans leak nothing.
__attribute__((destructor)) static void releaseRuntimePools() { __gnu_cxx::__freeres(); }
