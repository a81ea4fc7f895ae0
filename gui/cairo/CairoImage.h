#pragma once
// A picture for the cairo build: RGB pixels in memory, decoded from the BMP file of a resource
// number in the resource folder.

#include <cstdint>
#include <string>
#include <vector>

#include "gui/DrawingTarget.h"

namespace qm {

class CairoImage : public NativeImage {
public:
    CairoImage(std::int32_t width, std::int32_t height, std::vector<std::uint32_t> pixels)
        : pictureWidth(width), pictureHeight(height), pixels(std::move(pixels)) {}

    std::int32_t width() const override { return pictureWidth; }
    std::int32_t height() const override { return pictureHeight; }
    // 0x00RRGGBB of the pixel at (x, y), which must lie inside.
    std::uint32_t rgbAt(std::int32_t x, std::int32_t y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(pictureWidth) + static_cast<std::size_t>(x)];
    }

private:
    std::int32_t pictureWidth;
    std::int32_t pictureHeight;
    std::vector<std::uint32_t> pixels;
};

// Adds a folder in which the cairo build looks for resource N as N.bmp; folders added earlier are
// searched first.
void addResourceDirectory(const std::string& directory);

}  // namespace qm
