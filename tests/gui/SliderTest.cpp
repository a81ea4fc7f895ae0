#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "gui/EditorFrame.h"
#include "gui/controls/Slider.h"
#include "support/GuiTestSupport.h"

namespace qm {
namespace {

class RecordingListener : public ControlListener {
public:
    void onControlChanged(Canvas* canvas, Control* control) override {
        values.push_back(control->getValue());
        canvases.push_back(canvas);
    }
    std::vector<float> values;
    std::vector<Canvas*> canvases;
};

class RecordingEditor : public FrameEditor {
public:
    void beginEdit(std::int32_t tag) override { events.push_back("begin " + std::to_string(tag)); }
    void endEdit(std::int32_t tag) override { events.push_back("end " + std::to_string(tag)); }
    void pumpIdle() override { ++pumps; }
    std::vector<std::string> events;
    int pumps = 0;
};

// The attack slider as the editor builds it: track 160 x 17, handle 18 x 14.
class SliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        track = test::solidBitmap(160, 17, 0x202020);
        handle = test::solidBitmap(18, 14, 0xC0C0C0);
        slider = new HorizontalSlider(Rect{140, 145, 300, 162}, &listener, 6, 140, 281, handle, track, Point{0, 0},
                                      SliderOriginLeft);
        slider->setHandleOffset(Point{1, 0});
        frame.addView(slider);
    }
    void TearDown() override {
        frame.removeAllViews(true);
        track->release();
        handle->release();
    }
    // A press at window x: the first step is the state at the press, each further step one pass
    // of the tracking loop (its cursor is read at the end of the pass before).
    void press(std::int32_t x, std::vector<test::ScriptedInput::Step> steps) {
        steps.insert(steps.begin(), steps.front());
        input.script(std::move(steps));
        Canvas canvas(&frame, nullptr, nullptr);
        Point where{x, 150};
        slider->onMouseDown(canvas, where);
    }
    static test::ScriptedInput::Step held(std::int32_t x, bool shift = false, bool control = false) {
        return {test::primary(shift, control), Point{x, 150}};
    }
    static test::ScriptedInput::Step released() { return {PhysicalInput{}, Point{}}; }

    test::ScriptedInput input;
    RecordingListener listener;
    RecordingEditor editor;
    EditorFrame frame{Rect{0, 0, 317, 260}, &editor};
    Bitmap* track = nullptr;
    Bitmap* handle = nullptr;
    HorizontalSlider* slider = nullptr;
};

TEST_F(SliderTest, GeometryOfTheEditorsSlider) {
    EXPECT_EQ(slider->getStyle(), 9);
    EXPECT_EQ(slider->getStartOffset(), 0);
    EXPECT_EQ(slider->getTravel(), 141);
    EXPECT_EQ(slider->getMinLimit(), 1);
    EXPECT_EQ(slider->getMaxLimit(), 160);
    const std::pair<float, std::pair<int, int>> expected[] = {{0.0f, {1, 19}}, {0.5f, {71, 89}}, {1.0f, {142, 160}}};
    for (const auto& [value, edges] : expected) {
        slider->setValue(value);
        const Rect h = slider->handleRect();
        EXPECT_EQ(h.left, edges.first) << value;
        EXPECT_EQ(h.right, edges.second) << value;
        EXPECT_EQ(h.top, 0);
        EXPECT_EQ(h.bottom, 14);
    }
}

TEST_F(SliderTest, AValueOutsideZeroToOneOrNotANumberPutsTheHandleAtAnEnd) {
    const float infinity = std::numeric_limits<float>::infinity();
    const std::pair<float, int> expected[] = {{std::nanf(""), 1}, {-0.5f, 1},   {-infinity, 1},
                                              {1.5f, 142},        {infinity, 142}, {1e30f, 142}};
    for (const auto& [value, left] : expected) {
        slider->setValue(value);
        const Rect h = slider->handleRect();
        EXPECT_EQ(h.left, left) << value;
        EXPECT_EQ(h.right, left + 18) << value;
    }
}

TEST_F(SliderTest, DrawComposesTrackAndHandleAndCopiesThemInOneBlock) {
    auto picture = createMemoryTarget(317, 260, nullptr);
    Canvas canvas(&frame, picture.get(), nullptr);
    slider->setValue(0.5f);
    slider->draw(canvas);
    EXPECT_FALSE(slider->needsRedraw());
    EXPECT_EQ(test::rgbAt(*picture, 140 + 70, 150), 0x202020u);
    EXPECT_EQ(test::rgbAt(*picture, 140 + 71, 150), 0xC0C0C0u);
    EXPECT_EQ(test::rgbAt(*picture, 140 + 88, 158), 0xC0C0C0u);
    EXPECT_EQ(test::rgbAt(*picture, 140 + 89, 150), 0x202020u);
    EXPECT_EQ(test::rgbAt(*picture, 140 + 80, 145 + 14), 0x202020u);
    EXPECT_EQ(test::rgbAt(*picture, 139, 150), 0u);
    EXPECT_EQ(test::rgbAt(*picture, 300, 150), 0u);
}

TEST_F(SliderTest, APressAnywhereCentresTheHandleUnderTheMouseAndFramesTheDrag) {
    press(200, {held(200), released()});
    EXPECT_NEAR(slider->getValue(), (200.0f - 149.0f) / 141.0f, 1e-6);
    EXPECT_EQ(editor.events, (std::vector<std::string>{"begin 6", "end 6"}));
    EXPECT_EQ(listener.values.size(), 1u);
    EXPECT_EQ(frame.getFocusView(), slider);
    EXPECT_EQ(editor.pumps, 1);

    press(120, {held(120), released()});
    EXPECT_EQ(slider->getValue(), 0.0f);
    press(295, {held(295), held(250), held(250), released()});
    EXPECT_NEAR(slider->getValue(), (250.0f - 149.0f) / 141.0f, 1e-6);
}

TEST_F(SliderTest, ShiftMovesTenTimesFinerFromWhereItWentDown) {
    slider->setValue(0.3f);
    // The raw position for 0.8 is 149 + 0.8 * 141 = 261.8.
    press(262, {held(262, true), held(262, true), released()});
    EXPECT_NEAR(slider->getValue(), 0.3f + (113.0f / 141.0f - 0.3f) / 10.0f, 1e-5);
    EXPECT_NEAR(slider->getValue(), 0.35f, 2e-3);
}

TEST_F(SliderTest, ControlClickReturnsToTheDefaultWithoutADrag) {
    slider->setValue(0.8f);
    slider->setNeedsRedraw(false);
    press(200, {held(200, false, true), released()});
    EXPECT_EQ(slider->getValue(), 0.5f);
    EXPECT_EQ(listener.values, (std::vector<float>{0.5f}));
    EXPECT_TRUE(editor.events.empty());
    // Already at the default: no notification.
    slider->setNeedsRedraw(false);
    press(200, {held(200, false, true), released()});
    EXPECT_EQ(listener.values.size(), 1u);
    // With Shift too it is an ordinary drag.
    press(200, {held(200, true, true), released()});
    EXPECT_EQ(editor.events.size(), 2u);
}

TEST_F(SliderTest, SecondaryButtonDoesNothingAndAHandleOnlySliderIgnoresPressesBesideIt) {
    PhysicalInput right;
    right.rightButton = true;
    press(200, {{right, Point{200, 150}}, released()});
    EXPECT_EQ(slider->getValue(), 0.0f);
    EXPECT_TRUE(editor.events.empty());

    slider->setGrabAnywhere(false);
    press(250, {held(250), released()});
    EXPECT_TRUE(editor.events.empty());
    // On the handle (window x 141..159 at value 0): it keeps its place relative to the mouse.
    press(145, {held(145), held(215), released()});
    EXPECT_NEAR(slider->getValue(), 70.0f / 141.0f, 1e-6);
}

TEST_F(SliderTest, WheelAndArrowKeysStepTheValue) {
    slider->setValue(0.5f);
    slider->setNeedsRedraw(false);
    input.hold(PhysicalInput{});
    Canvas canvas(&frame, nullptr, nullptr);
    EXPECT_TRUE(slider->onWheel(&canvas, Point{}, 1.0f));
    EXPECT_NEAR(slider->getValue(), 0.6f, 1e-6);
    PhysicalInput shift;
    shift.shift = true;
    input.hold(shift);
    slider->onWheel(&canvas, Point{}, 1.0f);
    EXPECT_NEAR(slider->getValue(), 0.61f, 1e-6);

    KeyCode down{0, VKEY_DOWN, 0};
    EXPECT_EQ(slider->onKeyDown(down), 1);
    EXPECT_NEAR(slider->getValue(), 0.51f, 1e-6);
    KeyCode fineLeft{0, VKEY_LEFT, MODIFIER_SHIFT};
    slider->onKeyDown(fineLeft);
    EXPECT_NEAR(slider->getValue(), 0.50f, 1e-6);
    EXPECT_EQ(listener.canvases.back(), nullptr);
    KeyCode other{0, 15, 0};
    EXPECT_EQ(slider->onKeyDown(other), -1);
    EXPECT_NEAR(slider->getValue(), 0.50f, 1e-6);
    slider->setValue(1.0f);
    KeyCode up{0, VKEY_UP, 0};
    slider->onKeyDown(up);
    EXPECT_EQ(slider->getValue(), 1.0f);
}

TEST_F(SliderTest, ASliderWithoutTravelStaysAtZeroInsteadOfDividingByZero) {
    auto* flat = new HorizontalSlider(Rect{0, 200, 20, 210}, &listener, 3, 5, 5, nullptr, nullptr, Point{}, 8);
    frame.addView(flat);
    EXPECT_EQ(flat->getTravel(), 0);
    input.script({held(10), held(10), released()});
    Canvas canvas(&frame, nullptr, nullptr);
    Point where{10, 205};
    flat->onMouseDown(canvas, where);
    EXPECT_EQ(flat->getValue(), 0.0f);
    EXPECT_EQ(flat->handleRect().right - flat->handleRect().left, 1);
}

}  // namespace
}  // namespace qm
