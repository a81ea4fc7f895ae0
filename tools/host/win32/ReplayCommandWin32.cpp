#include <windows.h>

#include <cstdlib>

#include "tools/host/validate/ReplayCommand.h"

namespace qmhost::validate {

std::string replayPrefix() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return {};
    const char* prefix = std::getenv("WINEPREFIX");
    return (prefix != nullptr ? std::string("WINEPREFIX=") + prefix + " " : std::string()) + "wine ";
}

}  // namespace qmhost::validate
