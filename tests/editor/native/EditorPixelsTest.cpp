// The open editor as the user sees it, drawn by the cairo backend into the native build's
// window picture: the slot symbol, the lit bypass, the handles at the default values and the meter
// after a ducked block, compared with the bitmaps they come from.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "editor/DuckerEditor.h"
#include "editor/EditorLayout.h"
#include "support/EditorAccess.h"
#include "engine/Parameters.h"
#include "support/GuiTestSupport.h"
#include "support/LayoutPlaces.h"
#include "support/PluginInstance.h"
#include "support/TestResources.h"

namespace qm {
namespace {

class EditorPixels : public ::testing::Test {
protected:
    void SetUp() override { test::useTestResources(); }

    // Opens the editor in a (pretend) host window and paints it as the first paint message does.
    DuckerEditor& openAndPaint(const test::PluginInstance& plugin) {
        static int parentWindow = 0;
        EXPECT_EQ(plugin.dispatch(effEditOpen, 0, 0, &parentWindow), 1);
        auto& editor = *test::duckerEditorOf(plugin.get());
        screen = editor.getFrame()->createWindowTarget();
        Canvas paint(editor.getFrame(), screen.get(), nullptr);
        editor.getFrame()->drawInRect(paint, layout::kEditor);
        return editor;
    }

    // True when the window shows `bitmap`'s block at `source` in `place`.
    bool shows(std::int32_t resourceId, const Rect& place, Point source) {
        Bitmap* picture = new Bitmap(resourceId);
        auto expected = createMemoryTarget(place.width(), place.height(), nullptr);
        Canvas canvas(nullptr, expected.get(), nullptr);
        picture->draw(canvas, Rect{0, 0, place.width(), place.height()}, source);
        picture->release();
        for (int y = 0; y < place.height(); ++y) {
            for (int x = 0; x < place.width(); ++x) {
                if (test::rgbAt(*screen, place.left + x, place.top + y) != test::rgbAt(*expected, x, y)) return false;
            }
        }
        return true;
    }

    std::unique_ptr<DrawingTarget> screen;
};

TEST_F(EditorPixels, AFreshEditorShowsItsSlotTheLitBypassAndTheDefaultHandles) {
    test::PluginInstance plugin;
    openAndPaint(plugin);
    EXPECT_TRUE(shows(layout::kSlotDigitsPicture, test::slotDigitPlace(), Point{0, 0}));    // α for slot 0
    EXPECT_TRUE(shows(layout::kBypassPicture, layout::kBypassSwitch, Point{0, 24}));           // bypass lit
    EXPECT_TRUE(shows(layout::kInputPictures[0], layout::kInputSwitches[0], Point{0, 0}));     // α input off
    EXPECT_TRUE(shows(layout::kDuckKeyPicture, layout::kDuckKeySwitch, Point{0, 0}));          // keying lit
    EXPECT_TRUE(shows(layout::kBackgroundPicture, test::backgroundCorner(), Point{0, 0}));
    // Attack 0.19858: handle at 1 + trunc(141 x 0.19858) = 29 of the control.
    EXPECT_TRUE(shows(layout::kSliderHandlePicture, test::handlePlace(0, layout::kSliderLeft + 29), Point{0, 0}));
    EXPECT_TRUE(shows(layout::kSliderTrackPicture, test::trackBefore(0, layout::kSliderLeft + 29), Point{0, 0}));
    // Threshold 0.5: handle at 1 + 70 = 71.
    EXPECT_TRUE(shows(layout::kSliderHandlePicture, test::handlePlace(2, layout::kSliderLeft + 71), Point{0, 0}));
    // The meter starts from full and falls back by 0.1 per idle pass until it is dark.
    EXPECT_TRUE(shows(layout::kMeterLitPicture, test::meterColumns(0, 247), Point{0, 0}));
    for (int pass = 0; pass < 9; ++pass) plugin.dispatch(effEditIdle);
    EXPECT_TRUE(shows(layout::kMeterUnlitPicture, layout::kMeter, Point{0, 0}));
    // The readouts carry text over their box colour.
    int readoutText = 0;
    const Rect readout = layout::readoutRect(0);
    for (int y = readout.top + 1; y < readout.bottom; ++y) {
        for (int x = readout.left + 1; x < readout.right; ++x) {
            readoutText += test::rgbAt(*screen, x, y) != 0x424242u ? 1 : 0;
        }
    }
    EXPECT_GT(readoutText, 20);
}

TEST_F(EditorPixels, AFifthInstanceShowsTheRedCrossAndADuckedBlockLightsTheMeter) {
    std::vector<std::unique_ptr<test::PluginInstance>> plugins;
    for (int i = 0; i < 5; ++i) plugins.push_back(std::make_unique<test::PluginInstance>());
    {
        openAndPaint(*plugins[4]);
        EXPECT_TRUE(shows(layout::kSlotDigitsPicture, test::slotDigitPlace(), Point{0, 6 * test::kSlotDigitHeight}));
        plugins[4]->dispatch(effEditClose);
    }
    const test::PluginInstance& sender = *plugins[0];
    const test::PluginInstance& listener = *plugins[1];
    DuckerEditor& editor = openAndPaint(listener);
    // β for slot 1
    EXPECT_TRUE(shows(layout::kSlotDigitsPicture, test::slotDigitPlace(), Point{0, test::kSlotDigitHeight}));
    test::runDuckedBlocks(sender, listener, 200);
    listener.dispatch(effEditIdle);
    // 0.99602 of 400 steps is k = 398: 273 of the 275 columns lit.
    EXPECT_TRUE(shows(layout::kMeterLitPicture, test::meterColumns(0, 273), Point{0, 0}));
    EXPECT_TRUE(shows(layout::kMeterUnlitPicture, test::meterColumns(273, layout::kMeter.width()), Point{273, 0}));
    EXPECT_TRUE(shows(layout::kInputPictures[0], layout::kInputSwitches[0], Point{0, 24}));  // α input lit
    EXPECT_TRUE(shows(layout::kDuckKeyPicture, layout::kDuckKeySwitch, Point{0, 24}));       // ducking lit
    EXPECT_TRUE(shows(layout::kBypassPicture, layout::kBypassSwitch, Point{0, 0}));          // bypass off
    (void)editor;
}

}  // namespace
}  // namespace qm
