#include <cstdlib>

#include "tools/host/validate/ReplayCommand.h"

namespace qmhost::validate {

// The key bus's runtime directory, and where LV2 plug-ins named by their URI are found.
std::string replayPrefix() {
    std::string prefix;
    for (const char* name : {"XDG_RUNTIME_DIR", "LV2_PATH"}) {
        if (const char* value = std::getenv(name)) prefix += std::string(name) + "=" + value + " ";
    }
    return prefix;
}

std::string replayProgram(const std::string& program) { return program; }

}  // namespace qmhost::validate
