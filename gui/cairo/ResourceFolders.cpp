// Resources of the native test builds: resource N is the file N.bmp of the first registered
// folder that has it. Each picture is read and decoded once; every load after that shares its
// pixels, as editors load all their bitmaps on each open.

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <vector>

#include "gui/cairo/CairoImage.h"

namespace qm {
namespace {

std::vector<std::string>& resourceDirectories() {
    static std::vector<std::string> directories;
    return directories;
}

std::unique_ptr<NativeImage> readResource(std::int32_t resourceId) {
    for (const std::string& directory : resourceDirectories()) {
        std::ifstream file(directory + "/" + std::to_string(resourceId) + ".bmp", std::ios::binary | std::ios::ate);
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
    static std::mutex decodedLock;
    static std::map<std::int32_t, CairoImage> decoded;
    const std::lock_guard<std::mutex> hold(decodedLock);
    auto found = decoded.find(resourceId);
    if (found == decoded.end()) {
        // Only pictures found are kept: a folder registered later may still provide a missing one.
        std::unique_ptr<NativeImage> image = readResource(resourceId);
        if (image == nullptr) return nullptr;
        found = decoded.emplace(resourceId, static_cast<const CairoImage&>(*image)).first;
    }
    return std::make_unique<CairoImage>(found->second);
}

}  // namespace qm
