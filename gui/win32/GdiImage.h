#pragma once
// A picture for the Windows build: a GDI bitmap, owned.

#include <windows.h>

#include "gui/DrawingTarget.h"

namespace qm {

class GdiImage : public NativeImage {
public:
    explicit GdiImage(HBITMAP bitmap);
    ~GdiImage() override;
    GdiImage(const GdiImage&) = delete;
    GdiImage& operator=(const GdiImage&) = delete;

    std::int32_t width() const override { return pictureWidth; }
    std::int32_t height() const override { return pictureHeight; }
    HBITMAP handle() const { return bitmap; }

private:
    HBITMAP bitmap;
    std::int32_t pictureWidth = 0;
    std::int32_t pictureHeight = 0;
};

}  // namespace qm
