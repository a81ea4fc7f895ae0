#include <gtest/gtest.h>

#include <memory>

#include "gui/Canvas.h"
#include "gui/OffscreenCanvas.h"
#include "support/GuiTestSupport.h"

namespace qm {
namespace {

class CanvasTest : public ::testing::Test {
protected:
    std::unique_ptr<DrawingTarget> picture = createMemoryTarget(64, 48, nullptr);
};

TEST_F(CanvasTest, StrokeRectDrawsAllFourEdgesAndPaintRectFillsOnlyTheInside) {
    ASSERT_NE(picture, nullptr);
    {
        Canvas canvas(nullptr, picture.get(), nullptr);
        canvas.setPenColor(ColorRed);
        canvas.strokeRect(Rect{10, 10, 20, 20});
    }
    for (int i = 10; i <= 20; ++i) {
        EXPECT_EQ(test::rgbAt(*picture, i, 10), 0xFF0000u) << i;
        EXPECT_EQ(test::rgbAt(*picture, i, 20), 0xFF0000u) << i;
        EXPECT_EQ(test::rgbAt(*picture, 10, i), 0xFF0000u) << i;
        EXPECT_EQ(test::rgbAt(*picture, 20, i), 0xFF0000u) << i;
    }
    EXPECT_EQ(test::rgbAt(*picture, 21, 15), 0u);
    EXPECT_EQ(test::rgbAt(*picture, 15, 21), 0u);
    EXPECT_EQ(test::rgbAt(*picture, 15, 15), 0u);

    {
        Canvas canvas(nullptr, picture.get(), nullptr);
        canvas.setBrushColor(ColorBlue);
        canvas.paintRect(Rect{10, 10, 20, 20});
    }
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 11 && x <= 19 && y >= 11 && y <= 19;
            const bool edge = !inside && x >= 10 && x <= 20 && y >= 10 && y <= 20;
            EXPECT_EQ(test::rgbAt(*picture, x, y), inside ? 0x0000FFu : edge ? 0xFF0000u : 0u) << x << "," << y;
        }
    }
}

TEST_F(CanvasTest, LinesLeaveOutTheirEndPixel) {
    Canvas canvas(nullptr, picture.get(), nullptr);
    canvas.setPenColor(ColorGreen);
    canvas.moveTo(Point{5, 5});
    canvas.lineTo(Point{15, 5});
    canvas.lineTo(Point{15, 9});
    canvas.moveTo(Point{30, 30});
    canvas.lineTo(Point{34, 34});
    EXPECT_EQ(test::rgbAt(*picture, 5, 5), 0x00FF00u);
    EXPECT_EQ(test::rgbAt(*picture, 14, 5), 0x00FF00u);
    EXPECT_EQ(test::rgbAt(*picture, 15, 5), 0x00FF00u);  // start of the second line
    EXPECT_EQ(test::rgbAt(*picture, 15, 8), 0x00FF00u);
    EXPECT_EQ(test::rgbAt(*picture, 15, 9), 0u);
    EXPECT_EQ(test::rgbAt(*picture, 16, 5), 0u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(test::rgbAt(*picture, 30 + i, 30 + i), 0x00FF00u) << i;
    EXPECT_EQ(test::rgbAt(*picture, 34, 34), 0u);
}

TEST_F(CanvasTest, FontsFollowTheTableAndItsRules) {
    Canvas canvas(nullptr, picture.get(), nullptr);
    canvas.selectFont(-1, 0, 0);
    EXPECT_EQ(canvas.getFontId(), FontBold);
    EXPECT_STREQ(canvas.getFontSpec().face, "Arial");
    EXPECT_EQ(canvas.getFontSpec().heightPx, 12);
    EXPECT_EQ(canvas.getFontSpec().weight, 700);
    canvas.selectFont(8, 0, 0);
    EXPECT_EQ(canvas.getFontId(), FontBold);
    canvas.selectFont(7, 0, 1);
    EXPECT_STREQ(canvas.getFontSpec().face, "Symbol");
    EXPECT_EQ(canvas.getFontSpec().heightPx, 13);
    EXPECT_EQ(canvas.getFontSpec().weight, 700);
    EXPECT_TRUE(canvas.getFontSpec().decorative);
    canvas.selectFont(3, 20, 6);
    EXPECT_EQ(canvas.getFontSpec().heightPx, 20);
    EXPECT_EQ(canvas.getFontSpec().weight, 400);
    EXPECT_TRUE(canvas.getFontSpec().italic);
    EXPECT_TRUE(canvas.getFontSpec().underline);
    EXPECT_FALSE(canvas.getFontSpec().decorative);
    canvas.setPenStyle(5);
    EXPECT_EQ(canvas.getPenStyle(), 5);
}

TEST_F(CanvasTest, TextIsDrawnInsideItsRectangleAndNullTextDrawsNothing) {
    Canvas canvas(nullptr, picture.get(), nullptr);
    canvas.selectFont(FontMedium, 0, 0);
    canvas.setTextColor(ColorWhite);
    canvas.drawText(nullptr, Rect{0, 0, 64, 48}, true, AlignLeft);
    canvas.drawText("WWW", Rect{8, 10, 56, 30}, false, AlignCenter);
    int lit = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            if (test::rgbAt(*picture, x, y) == 0) continue;
            ++lit;
            EXPECT_TRUE(x >= 8 && x < 56 && y >= 10 && y < 30) << x << "," << y;
        }
    }
    EXPECT_GT(lit, 10);
}

TEST_F(CanvasTest, MouseButtonsFollowTheSwapSettingAndLocationsAreWindowRelative) {
    test::ScriptedInput input;
    Canvas canvas(nullptr, picture.get(), reinterpret_cast<void*>(1));
    PhysicalInput left;
    left.leftButton = true;
    input.hold(left, Point{105, 207});
    EXPECT_EQ(canvas.queryMouseButtons(), ButtonPrimary);
    setButtonsSwapped(true);
    EXPECT_EQ(canvas.queryMouseButtons(), ButtonSecondary);
    left.shift = true;
    input.hold(left);
    EXPECT_EQ(canvas.queryMouseButtons(), ButtonSecondary | KeyShift);
    setButtonsSwapped(false);
    PhysicalInput all{true, true, true, true, true, true};
    input.hold(all, Point{105, 207});
    EXPECT_EQ(canvas.queryMouseButtons(), 63);

    input.windowOrigin = Point{100, 200};
    Canvas onWindow(nullptr, picture.get(), reinterpret_cast<void*>(1));
    Point where;
    onWindow.queryMouseLocation(where);
    EXPECT_EQ(where, (Point{5, 7}));
}

TEST(OffscreenCanvas, StartsClearedToItsBackgroundAndKeepsANormalisedClipRectangle) {
    OffscreenCanvas offscreen(nullptr, 20, 10, Color{12, 34, 56, 0});
    ASSERT_NE(offscreen.getTarget(), nullptr);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) EXPECT_EQ(test::rgbAt(*offscreen.getTarget(), x, y), 0x0C2238u);
    }
    EXPECT_EQ(offscreen.getClipRect(), (Rect{0, 0, 20, 10}));
    OffscreenCanvas odd(nullptr, -4, 3, ColorBlack);
    EXPECT_EQ(odd.getClipRect(), (Rect{-4, 0, 0, 3}));
    EXPECT_EQ(odd.getTarget(), nullptr);
    odd.strokeRect(Rect{0, 0, 5, 5});

    Canvas frameless(nullptr, nullptr, nullptr);
    EXPECT_EQ(frameless.getClipRect(), (Rect{0, 0, 1000, 1000}));
}

TEST(Bitmaps, DrawCopiesTheBlockFromTheSourceOffsetAndTheKeyColourIsLeftOut) {
    auto picture = createMemoryTarget(64, 48, nullptr);
    Bitmap* source = test::coordinateBitmap(40, 30, 0x40);
    ASSERT_EQ(source->getWidth(), 40);
    Canvas canvas(nullptr, picture.get(), nullptr);
    source->draw(canvas, Rect{10, 10, 30, 20}, Point{5, 0});
    EXPECT_EQ(test::rgbAt(*picture, 10, 10), (5u << 16) | 0x40);
    EXPECT_EQ(test::rgbAt(*picture, 29, 19), (24u << 16) | (9u << 8) | 0x40);
    EXPECT_EQ(test::rgbAt(*picture, 30, 15), 0u);
    EXPECT_EQ(test::rgbAt(*picture, 15, 20), 0u);
    source->release();

    const std::uint32_t pixels[4] = {0xFFFFFF, 0xFEFFFF, 0x123456, 0xFFFFFF};
    Bitmap* keyed = new Bitmap(NativeImage::fromPixels(2, 2, pixels));
    keyed->drawTransparent(canvas, Rect{40, 40, 42, 42}, Point{0, 0});
    EXPECT_EQ(test::rgbAt(*picture, 40, 40), 0u);
    EXPECT_EQ(test::rgbAt(*picture, 41, 40), 0xFEFFFFu);
    EXPECT_EQ(test::rgbAt(*picture, 40, 41), 0x123456u);
    EXPECT_EQ(test::rgbAt(*picture, 41, 41), 0u);
    keyed->release();
}

TEST(Bitmaps, AFailedLoadIsEmptyAndDrawsNothingEitherWay) {
    auto picture = createMemoryTarget(8, 8, nullptr);
    Bitmap* missing = new Bitmap(9999);
    EXPECT_FALSE(missing->isLoaded());
    EXPECT_EQ(missing->getWidth(), 0);
    EXPECT_EQ(missing->getHeight(), 0);
    EXPECT_EQ(missing->getTransparentColor(), ColorKey);
    Canvas canvas(nullptr, picture.get(), nullptr);
    missing->draw(canvas, Rect{0, 0, 8, 8}, Point{});
    missing->drawTransparent(canvas, Rect{0, 0, 8, 8}, Point{});
    EXPECT_EQ(test::rgbAt(*picture, 3, 3), 0u);
    missing->release();
}

TEST(Bitmaps, TheLastOfSeveralHoldersFreesTheBitmap) {
    Bitmap* shared = test::solidBitmap(4, 4, 0x112233);
    shared->retain();
    shared->retain();
    EXPECT_EQ(shared->getRefCount(), 3);
    shared->release();
    shared->release();
    EXPECT_EQ(shared->getRefCount(), 1);
    shared->release();
}

}  // namespace
}  // namespace qm
