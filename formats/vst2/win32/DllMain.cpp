// The loader's entry hook: records the module instance handle for resources and window classes.

#include <windows.h>

#include "formats/vst2/base/ModuleState.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/) {
    qm::moduleInstance.store(instance, std::memory_order_release);
    return TRUE;
}
