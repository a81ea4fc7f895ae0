#include "gui/win32/GdiImage.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "gui/win32/GdiObjects.h"

namespace qm {

GdiImage::GdiImage(HBITMAP made) : bitmap(made, [](void* handle) { deleteCounted(static_cast<HBITMAP>(handle)); }) {
    BITMAP description{};
    if (made != nullptr && GetObjectA(made, sizeof description, &description) != 0) {
        pictureWidth = description.bmWidth;
        pictureHeight = description.bmHeight < 0 ? -description.bmHeight : description.bmHeight;
    }
}

// Each resource of each module is loaded once per process; every later load shares that bitmap,
// so making instances and opening editors decodes nothing. The bitmaps go when the module unloads.
std::unique_ptr<NativeImage> NativeImage::loadResource(std::int32_t resourceId) {
    static std::mutex loadedLock;
    static std::map<std::pair<HINSTANCE, std::int32_t>, GdiImage> loaded;
    const std::lock_guard<std::mutex> hold(loadedLock);
    const std::pair<HINSTANCE, std::int32_t> key{resourceModule(), resourceId};
    auto found = loaded.find(key);
    if (found == loaded.end()) {
        HANDLE made = LoadImageA(key.first, MAKEINTRESOURCEA(static_cast<WORD>(resourceId)), IMAGE_BITMAP, 0, 0,
                                 LR_CREATEDIBSECTION);
        if (made == nullptr) return nullptr;
        found = loaded.emplace(key, GdiImage(countedBitmap(static_cast<HBITMAP>(made)))).first;
    }
    return std::make_unique<GdiImage>(found->second);
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
