#include "gui/cairo/CairoImage.h"

#include <stb/stb_image.h>

#include <map>
#include <memory>
#include <mutex>

namespace qm {

void setResourceModule(void*) {}

std::unique_ptr<NativeImage> decodeBmp(const unsigned char* bytes, std::size_t length) {
    if (bytes == nullptr || length == 0 || length > static_cast<std::size_t>(INT32_MAX)) return nullptr;
    int width = 0;
    int height = 0;
    int channels = 0;
    std::unique_ptr<unsigned char, void (*)(void*)> decoded(
        stbi_load_from_memory(bytes, static_cast<int>(length), &width, &height, &channels, 3), stbi_image_free);
    if (decoded == nullptr || width <= 0 || height <= 0) return nullptr;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const unsigned char* rgb = decoded.get() + 3 * i;
        pixels[i] = (std::uint32_t{rgb[0]} << 16) | (std::uint32_t{rgb[1]} << 8) | rgb[2];
    }
    return std::make_unique<CairoImage>(width, height, std::move(pixels));
}

std::unique_ptr<NativeImage> sharedResourcePicture(std::int32_t resourceId,
                                                   std::unique_ptr<NativeImage> (*read)(std::int32_t)) {
    static std::mutex decodedLock;
    static std::map<std::int32_t, CairoImage> decoded;
    const std::lock_guard<std::mutex> hold(decodedLock);
    auto found = decoded.find(resourceId);
    if (found == decoded.end()) {
        // Only pictures found are kept: a source that lacks one now may still provide it later.
        std::unique_ptr<NativeImage> image = read(resourceId);
        if (image == nullptr) return nullptr;
        found = decoded.emplace(resourceId, static_cast<const CairoImage&>(*image)).first;
    }
    return std::make_unique<CairoImage>(found->second);
}

std::unique_ptr<NativeImage> NativeImage::fromPixels(std::int32_t width, std::int32_t height,
                                                     const std::uint32_t* pixels) {
    if (width <= 0 || height <= 0 || pixels == nullptr) return nullptr;
    return std::make_unique<CairoImage>(
        width, height,
        std::vector<std::uint32_t>(pixels, pixels + static_cast<std::size_t>(width) * static_cast<std::size_t>(height)));
}

}  // namespace qm
