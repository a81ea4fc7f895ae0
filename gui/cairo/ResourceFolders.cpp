// Resources of the native test builds: resource N is the file N.bmp of the first registered
// folder that has it.

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "gui/cairo/CairoImage.h"

namespace qm {
namespace {

std::vector<std::string>& resourceDirectories() {
    static std::vector<std::string> directories;
    return directories;
}

}  // namespace

void addResourceDirectory(const std::string& directory) {
    auto& directories = resourceDirectories();
    if (std::find(directories.begin(), directories.end(), directory) == directories.end()) {
        directories.push_back(directory);
    }
}

std::unique_ptr<NativeImage> NativeImage::loadResource(std::int32_t resourceId) {
    for (const std::string& directory : resourceDirectories()) {
        std::ifstream file(directory + "/" + std::to_string(resourceId) + ".bmp", std::ios::binary);
        if (!file) continue;
        const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (auto image = decodeBmp(bytes.data(), bytes.size())) return image;
    }
    return nullptr;
}

}  // namespace qm
