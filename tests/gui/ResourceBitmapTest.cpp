#include <gtest/gtest.h>

#include "gui/Bitmap.h"
#include "gui/Canvas.h"
#include "support/GuiTestSupport.h"
#include "support/TestResources.h"

namespace qm {
namespace {

TEST(ResourceBitmap, LoadsTheTwentyFourBitPictureOfAResourceNumber) {
    test::useTestResources();
    Bitmap* picture = new Bitmap(900);
    ASSERT_TRUE(picture->isLoaded());
    EXPECT_EQ(picture->getResourceId(), 900);
    EXPECT_EQ(picture->getWidth(), 8);
    EXPECT_EQ(picture->getHeight(), 4);
    auto target = createMemoryTarget(8, 4, nullptr);
    Canvas canvas(nullptr, target.get(), nullptr);
    picture->draw(canvas, Rect{0, 0, 8, 4}, Point{});
    for (std::uint32_t y = 0; y < 4; ++y) {
        for (std::uint32_t x = 0; x < 8; ++x) {
            EXPECT_EQ(test::rgbAt(*target, static_cast<int>(x), static_cast<int>(y)),
                      ((x * 30) << 16) | ((y * 60) << 8) | (200 - x * 20))
                << x << "," << y;
        }
    }
    picture->release();
}

TEST(ResourceBitmap, EveryLoadOfAResourceSharesThePixelsDecodedFirst) {
    test::useTestResources();
    Bitmap* first = new Bitmap(900);
    Bitmap* second = new Bitmap(900);
    ASSERT_TRUE(first->isLoaded());
    ASSERT_TRUE(second->isLoaded());
    EXPECT_EQ(first->nativeImage()->pixelStore(), second->nativeImage()->pixelStore());
    first->release();
    // The pixels outlive any one bitmap that shows them.
    Bitmap* third = new Bitmap(900);
    EXPECT_EQ(third->nativeImage()->pixelStore(), second->nativeImage()->pixelStore());
    second->release();
    third->release();
}

}  // namespace
}  // namespace qm
