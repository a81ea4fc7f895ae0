// Resources of the native test builds: resource N is the file N.bmp of the first registered
// folder that has it (its 1.5x and 2x pictures, N + 1500 and N + 2000, in the folders 1.5x/ and 2x/). Each picture is read and decoded once; every load after that shares its
// pixels, as editors load all their bitmaps on each open.

#include <algorithm>
#include <fstream>
#include <vector>

#include "gui/cairo/CairoImage.h"

namespace qm {
namespace {

std::vector<std::string>& resourceDirectories() {
    static std::vector<std::string> directories;
    return directories;
}

std::string fileName(std::int32_t resourceId) {
    if (resourceId >= 2000 && resourceId < 3000) return "2x/" + std::to_string(resourceId - 2000) + ".bmp";
    if (resourceId >= 1500 && resourceId < 2000) return "1.5x/" + std::to_string(resourceId - 1500) + ".bmp";
    return std::to_string(resourceId) + ".bmp";
}

std::unique_ptr<NativeImage> readResource(std::int32_t resourceId) {
    for (const std::string& directory : resourceDirectories()) {
        std::ifstream file(directory + "/" + fileName(resourceId), std::ios::binary | std::ios::ate);
        if (!file) continue;
        const std::streamoff size = file.tellg();
        if (size <= 0) continue;
        std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
        file.seekg(0);
        if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) continue;
        if (auto image = decodeBmp(bytes.data(), bytes.size())) return image;
    }
    return nullptr;
}

}  // namespace

void addResourceDirectory(const std::string& directory) {
    auto& directories = resourceDirectories();
    if (std::find(directories.begin(), directories.end(), directory) == directories.end()) {
        directories.push_back(directory);
    }
}

std::unique_ptr<NativeImage> NativeImage::loadResource(std::int32_t resourceId) {
    return sharedResourcePicture(resourceId, readResource);
}

}  // namespace qm
