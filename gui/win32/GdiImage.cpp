#include "gui/win32/GdiImage.h"

#include <cstring>
#include <memory>

#include "gui/win32/GdiObjects.h"

namespace qm {

GdiImage::GdiImage(HBITMAP bitmap) : bitmap(bitmap) {
    BITMAP description{};
    if (bitmap != nullptr && GetObjectA(bitmap, sizeof description, &description) != 0) {
        pictureWidth = description.bmWidth;
        pictureHeight = description.bmHeight < 0 ? -description.bmHeight : description.bmHeight;
    }
}

GdiImage::~GdiImage() { deleteCounted(bitmap); }

std::unique_ptr<NativeImage> NativeImage::loadResource(std::int32_t resourceId) {
    HANDLE loaded = LoadImageA(resourceModule(), MAKEINTRESOURCEA(static_cast<WORD>(resourceId)), IMAGE_BITMAP, 0, 0,
                               LR_CREATEDIBSECTION);
    if (loaded == nullptr) return nullptr;
    return std::make_unique<GdiImage>(countedBitmap(static_cast<HBITMAP>(loaded)));
}

std::unique_ptr<NativeImage> NativeImage::fromPixels(std::int32_t width, std::int32_t height,
                                                     const std::uint32_t* pixels) {
    if (width <= 0 || height <= 0 || pixels == nullptr) return nullptr;
    void* bits = nullptr;
    HBITMAP made = countedDibSection(nullptr, width, height, &bits);
    if (made == nullptr) return nullptr;
    std::memcpy(bits, pixels, sizeof(std::uint32_t) * static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    GdiFlush();
    return std::make_unique<GdiImage>(made);
}

}  // namespace qm
