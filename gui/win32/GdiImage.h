#pragma once
// A picture for the Windows build: a GDI bitmap, owned; copies share it, and it is deleted with the
// last of them. Pictures are never drawn into after they are made, so sharing is read-only.

#include <windows.h>

#include <memory>

#include "gui/DrawingTarget.h"

namespace qm {

class GdiImage : public NativeImage {
public:
    explicit GdiImage(HBITMAP bitmap);
    GdiImage(const GdiImage&) = default;
    GdiImage& operator=(const GdiImage&) = delete;

    std::int32_t width() const override { return pictureWidth; }
    std::int32_t height() const override { return pictureHeight; }
    const void* pixelStore() const override { return bitmap.get(); }
    HBITMAP handle() const { return static_cast<HBITMAP>(bitmap.get()); }

private:
    std::shared_ptr<void> bitmap;
    std::int32_t pictureWidth = 0;
    std::int32_t pictureHeight = 0;
};

}  // namespace qm
