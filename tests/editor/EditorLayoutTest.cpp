#include <gtest/gtest.h>

#include "editor/EditorLayout.h"
#include "gui/Bitmap.h"
#include "support/TestResources.h"

namespace qm {
namespace {

// The width and height of picture `resourceId` at 1x; 0 x 0 when it does not load.
Rect pictureSize(std::int32_t resourceId) {
    Bitmap* picture = new Bitmap(resourceId);
    const Rect size{0, 0, picture->getWidth(), picture->getHeight()};
    picture->release();
    return size;
}

class EditorLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { test::useTestResources(); }
};

TEST_F(EditorLayoutTest, TheEditorAndItsHelpAreTheBackgroundsSize) {
    const Rect background = pictureSize(layout::kBackgroundPicture);
    EXPECT_EQ(background.width(), layout::kEditor.width());
    EXPECT_EQ(background.height(), layout::kEditor.height());
    EXPECT_EQ(pictureSize(layout::kHelpPicture), background);
}

TEST_F(EditorLayoutTest, EverySwitchIsItsPictureWideAndHalfItsPictureHigh) {
    struct Switch {
        Rect place;
        std::int32_t picture;
    };
    const Switch switches[] = {{layout::kBypassSwitch, layout::kBypassPicture},
                               {layout::kDuckKeySwitch, layout::kDuckKeyPicture},
                               {layout::kInputSwitches[0], layout::kInputPictures[0]},
                               {layout::kInputSwitches[1], layout::kInputPictures[1]},
                               {layout::kInputSwitches[2], layout::kInputPictures[2]},
                               {layout::kInputSwitches[3], layout::kInputPictures[3]}};
    for (const Switch& each : switches) {
        const Rect picture = pictureSize(each.picture);
        EXPECT_EQ(each.place.width(), picture.width()) << each.picture;
        EXPECT_EQ(each.place.height() * 2, picture.height()) << each.picture;
    }
}

TEST_F(EditorLayoutTest, SlidersAndMeterAreTheSizeOfTheirPictures) {
    const Rect track = pictureSize(layout::kSliderTrackPicture);
    const Rect handle = pictureSize(layout::kSliderHandlePicture);
    for (std::int32_t row = 0; row < layout::kSliderRowCount; ++row) {
        EXPECT_EQ(layout::sliderRect(row).width(), track.width()) << row;
        EXPECT_EQ(layout::sliderRect(row).height(), track.height()) << row;
    }
    EXPECT_EQ(layout::kSliderHandleWidth, handle.width());
    EXPECT_EQ(layout::kSliderHandleHeight, handle.height());
    const Rect lit = pictureSize(layout::kMeterLitPicture);
    EXPECT_EQ(layout::kMeter.width(), lit.width());
    EXPECT_EQ(layout::kMeter.height(), lit.height());
    EXPECT_EQ(pictureSize(layout::kMeterUnlitPicture), lit);
}

TEST_F(EditorLayoutTest, TheSlotDigitIsOneStripWideAndItsPlacesOneStripApart) {
    const Rect strip = pictureSize(layout::kSlotDigitsPicture);
    ASSERT_GT(strip.height(), 0);
    EXPECT_EQ(layout::kSlotDigit.width(), strip.width());
    EXPECT_EQ(layout::kSlotDigit.height(), strip.height() / 7);
    EXPECT_EQ(layout::kSlotDigitPlaceStep, strip.height());
}

TEST_F(EditorLayoutTest, EveryControlLiesInsideTheEditor) {
    auto inside = [](const Rect& place) {
        return place.left >= layout::kEditor.left && place.top >= layout::kEditor.top &&
               place.right <= layout::kEditor.right && place.bottom <= layout::kEditor.bottom;
    };
    EXPECT_TRUE(inside(layout::kHelpMark));
    EXPECT_TRUE(inside(layout::kSlotDigit));
    EXPECT_TRUE(inside(layout::kBypassSwitch));
    EXPECT_TRUE(inside(layout::kDuckKeySwitch));
    for (const Rect& place : layout::kInputSwitches) EXPECT_TRUE(inside(place));
    EXPECT_TRUE(inside(layout::kMeter));
    for (std::int32_t row = 0; row < layout::kSliderRowCount; ++row) {
        EXPECT_TRUE(inside(layout::sliderRect(row))) << row;
        EXPECT_TRUE(inside(layout::readoutRect(row))) << row;
    }
}

}  // namespace
}  // namespace qm
