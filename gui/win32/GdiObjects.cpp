#include "gui/win32/GdiObjects.h"

#include <atomic>

#include "gui/DrawingTarget.h"

namespace qm {
namespace {

std::atomic<std::int32_t> live{0};
std::atomic<TransparentBltProc> transparentBlt{nullptr};
std::atomic<HINSTANCE> resources{nullptr};

template <typename Handle>
Handle counted(Handle handle) {
    if (handle != nullptr) ++live;
    return handle;
}

}  // namespace

std::int32_t liveGdiObjects() { return live.load(); }

HPEN countedPen(int style, int width, COLORREF color) { return counted(CreatePen(style, width, color)); }
HBRUSH countedSolidBrush(COLORREF color) { return counted(CreateSolidBrush(color)); }
HFONT countedFont(const LOGFONTA& font) { return counted(CreateFontIndirectA(&font)); }
HBITMAP countedBitmap(HBITMAP made) { return counted(made); }
HBITMAP countedDibSection(HDC like, std::int32_t width, std::int32_t height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return counted(CreateDIBSection(like, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

HDC countedMemoryDc(HDC like) { return counted(CreateCompatibleDC(like)); }

void deleteCounted(HGDIOBJ object) {
    if (object != nullptr && DeleteObject(object)) --live;
}

void deleteCountedDc(HDC dc) {
    if (dc != nullptr && DeleteDC(dc)) --live;
}

TransparentBltProc transparentBltProc() { return transparentBlt.load(); }
void setTransparentBltProc(TransparentBltProc proc) { transparentBlt.store(proc); }
HINSTANCE resourceModule() { return resources.load(); }
void setResourceModule(void* module) { resources.store(static_cast<HINSTANCE>(module)); }

}  // namespace qm
