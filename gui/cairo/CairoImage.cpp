#include "gui/cairo/CairoImage.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <memory>

namespace qm {
namespace {

std::vector<std::string>& resourceDirectories() {
    static std::vector<std::string> directories;
    return directories;
}

}  // namespace

void setResourceModule(void*) {}

void addResourceDirectory(const std::string& directory) {
    auto& directories = resourceDirectories();
    if (std::find(directories.begin(), directories.end(), directory) == directories.end()) {
        directories.push_back(directory);
    }
}

std::unique_ptr<NativeImage> NativeImage::loadResource(std::int32_t resourceId) {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::unique_ptr<unsigned char, void (*)(void*)> decoded(nullptr, stbi_image_free);
    for (const std::string& directory : resourceDirectories()) {
        const std::string path = directory + "/" + std::to_string(resourceId) + ".bmp";
        decoded.reset(stbi_load(path.c_str(), &width, &height, &channels, 3));
        if (decoded != nullptr) break;
    }
    if (decoded == nullptr || width <= 0 || height <= 0) return nullptr;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const unsigned char* rgb = decoded.get() + 3 * i;
        pixels[i] = (std::uint32_t{rgb[0]} << 16) | (std::uint32_t{rgb[1]} << 8) | rgb[2];
    }
    return std::make_unique<CairoImage>(width, height, std::move(pixels));
}

std::unique_ptr<NativeImage> NativeImage::fromPixels(std::int32_t width, std::int32_t height,
                                                     const std::uint32_t* pixels) {
    if (width <= 0 || height <= 0 || pixels == nullptr) return nullptr;
    return std::make_unique<CairoImage>(
        width, height,
        std::vector<std::uint32_t>(pixels, pixels + static_cast<std::size_t>(width) * static_cast<std::size_t>(height)));
}

}  // namespace qm
