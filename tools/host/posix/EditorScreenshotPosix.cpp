// Editor screenshots of the render job come from the Windows build (the demo); the native build
// renders audio only.

#include <cstdio>

#include "tools/host/RenderBlocks.h"

namespace qmhost {

bool saveEditorScreenshot(const Plugin&, const Plugin&, const std::vector<float>&, const std::vector<float>&,
                          std::size_t, const std::string&) {
    std::fprintf(stderr, "this build of the host program takes no editor screenshots\n");
    return false;
}

}  // namespace qmhost
