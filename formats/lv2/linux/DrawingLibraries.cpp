// Hosts load and unload the editor's binary with their plug-in scans and UI sessions, which would
// load and unload cairo and Xlib with it when the host has not loaded them itself; both keep
// tables from their first load that they never give back. Kept loaded from the first load on, they
// cost that once per process instead of once per load.

#include <dlfcn.h>

#include <initializer_list>

__attribute__((constructor)) static void keepDrawingLibrariesLoaded() {
    for (const char* library : {"libcairo.so.2", "libX11.so.6"}) {
        // The flag stays with the library; the reference taken here is given back at once.
        if (void* handle = dlopen(library, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(handle);
    }
}
