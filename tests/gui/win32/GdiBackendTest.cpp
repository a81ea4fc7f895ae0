// What only the GDI backend has: TransparentBlt from msimg32 beside the mask composition, and
// the count of native objects that every canvas, bitmap and offscreen picture gives back.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gui/Canvas.h"
#include "gui/OffscreenCanvas.h"
#include "gui/win32/GdiObjects.h"
#include "support/GuiTestSupport.h"

namespace qm {
namespace {

// Draws a 2 x 2 picture with the key colour in two corners over a grey picture.
std::uint32_t keyedPixels[4] = {0xFFFFFF, 0xFEFFFF, 0x123456, 0xFFFFFF};

void drawKeyed(DrawingTarget& target) {
    Canvas canvas(nullptr, &target, nullptr);
    canvas.setBrushColor(ColorGrey);
    canvas.paintRect(Rect{-1, -1, 8, 8});
    Bitmap* keyed = new Bitmap(NativeImage::fromPixels(2, 2, keyedPixels));
    keyed->drawTransparent(canvas, Rect{3, 3, 5, 5}, Point{0, 0});
    keyed->release();
}

TEST(GdiBackend, TransparentBltAndTheMaskCompositionGiveTheSamePixels) {
    std::string path(MAX_PATH, '\0');
    path.resize(GetSystemDirectoryA(path.data(), MAX_PATH));
    HMODULE library = LoadLibraryA((path + "\\msimg32.dll").c_str());
    ASSERT_NE(library, nullptr);
    auto proc = reinterpret_cast<TransparentBltProc>(reinterpret_cast<void*>(GetProcAddress(library, "TransparentBlt")));
    ASSERT_NE(proc, nullptr);

    auto masked = createMemoryTarget(8, 8, nullptr);
    setTransparentBltProc(nullptr);
    drawKeyed(*masked);
    auto blitted = createMemoryTarget(8, 8, nullptr);
    setTransparentBltProc(proc);
    drawKeyed(*blitted);
    setTransparentBltProc(nullptr);

    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) EXPECT_EQ(test::rgbAt(*masked, x, y), test::rgbAt(*blitted, x, y)) << x << "," << y;
    }
    EXPECT_EQ(test::rgbAt(*masked, 3, 3), 0x7F7F7Fu);
    EXPECT_EQ(test::rgbAt(*masked, 4, 3), 0xFEFFFFu);
    EXPECT_EQ(test::rgbAt(*masked, 3, 4), 0x123456u);
    EXPECT_EQ(test::rgbAt(*masked, 4, 4), 0x7F7F7Fu);
    FreeLibrary(library);
}

TEST(GdiBackend, EveryNativeObjectMadeIsDeletedAgain) {
    const std::int32_t before = liveGdiObjects();
    {
        auto picture = createMemoryTarget(64, 64, nullptr);
        Canvas canvas(nullptr, picture.get(), nullptr);
        for (int i = 0; i < 5; ++i) {
            canvas.setPenColor(ColorRed);
            canvas.setPenStyle(PenDotted);
            canvas.setBrushColor(ColorBlue);
            canvas.selectFont(i, 0, 1);
            canvas.drawText("abc", Rect{0, 0, 64, 20}, true, AlignRight);
        }
        OffscreenCanvas offscreen(nullptr, 16, 16, ColorWhite);
        offscreen.blitTo(canvas, Rect{0, 0, 16, 16}, Point{});
        Bitmap* keyed = new Bitmap(NativeImage::fromPixels(2, 2, keyedPixels));
        keyed->drawTransparent(canvas, Rect{3, 3, 5, 5}, Point{0, 0});
        keyed->draw(canvas, Rect{3, 3, 5, 5}, Point{0, 0});
        keyed->release();
        EXPECT_GT(liveGdiObjects(), before);
    }
    EXPECT_EQ(liveGdiObjects(), before);
}

}  // namespace
}  // namespace qm
