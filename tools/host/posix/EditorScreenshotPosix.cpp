// Editor screenshots of the render job come from the Windows build (the demo); the native build
// renders audio only.

#include "tools/host/RenderBlocks.h"

namespace qmhost {

bool saveEditorScreenshot(const Plugin&, const Plugin&, const std::vector<float>&, const std::vector<float>&,
                          std::size_t, const std::string&) {
    return false;
}

}  // namespace qmhost
