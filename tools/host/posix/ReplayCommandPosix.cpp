#include <cstdlib>

#include "tools/host/validate/ReplayCommand.h"

namespace qmhost::validate {

std::string replayPrefix() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime != nullptr ? std::string("XDG_RUNTIME_DIR=") + runtime + " " : std::string();
}

std::string replayProgram(const std::string& program) { return program; }

}  // namespace qmhost::validate
