#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "tools/host/validate/ReplayCommand.h"

namespace qmhost::validate {

namespace {

bool underWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

std::string replayProgram(const std::string& program) {
    if (!underWine() || program.size() < 3 || (program[0] != 'Z' && program[0] != 'z') || program[1] != ':') return program;
    std::string path = program.substr(2);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string replayPrefix() {
    if (!underWine()) return {};
    const char* prefix = std::getenv("WINEPREFIX");
    return (prefix != nullptr ? std::string("WINEPREFIX=") + prefix + " " : std::string()) + "wine ";
}

}  // namespace qmhost::validate
