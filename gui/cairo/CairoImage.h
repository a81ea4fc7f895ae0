#pragma once
// A picture for the cairo build: RGB pixels in memory, decoded from the BMP picture of a resource
// number (a file in a resource folder natively, bytes built into the Linux module).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/DrawingTarget.h"

namespace qm {

// Copies share their pixels, which never change after decoding.
class CairoImage : public NativeImage {
public:
    CairoImage(std::int32_t width, std::int32_t height, std::vector<std::uint32_t> pixels)
        : pictureWidth(width), pictureHeight(height),
          pixels(std::make_shared<const std::vector<std::uint32_t>>(std::move(pixels))) {}

    std::int32_t width() const override { return pictureWidth; }
    std::int32_t height() const override { return pictureHeight; }
    const void* pixelStore() const override { return pixels.get(); }
    // 0x00RRGGBB of the pixel at (x, y), which must lie inside.
    std::uint32_t rgbAt(std::int32_t x, std::int32_t y) const {
        return (*pixels)[static_cast<std::size_t>(y) * static_cast<std::size_t>(pictureWidth) + static_cast<std::size_t>(x)];
    }

private:
    std::int32_t pictureWidth;
    std::int32_t pictureHeight;
    std::shared_ptr<const std::vector<std::uint32_t>> pixels;
};

// Decodes a BMP picture of `length` bytes; null when it is not one.
std::unique_ptr<NativeImage> decodeBmp(const unsigned char* bytes, std::size_t length);

// The picture of resource `resourceId` decoded by `read` at the first call of the process that
// finds it, shared read-only by every later call (a copy sharing its pixels); null while `read`
// finds none. Any thread.
std::unique_ptr<NativeImage> sharedResourcePicture(std::int32_t resourceId,
                                                   std::unique_ptr<NativeImage> (*read)(std::int32_t));

// Native test builds: adds a folder in which the cairo build looks for resource N as N.bmp; folders added earlier are
// searched first.
void addResourceDirectory(const std::string& directory);

}  // namespace qm
