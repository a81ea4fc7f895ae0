#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

#include "gui/EditorFrame.h"
#include "gui/controls/DigitDisplay.h"
#include "gui/controls/LevelMeter.h"
#include "gui/controls/OverlayPanel.h"
#include "gui/controls/ToggleButton.h"
#include "gui/controls/ValueDisplay.h"
#include "support/GuiTestSupport.h"

namespace qm {
namespace {

class CountingListener : public ControlListener {
public:
    void onControlChanged(Canvas*, Control* control) override { values.push_back(control->getValue()); }
    std::vector<float> values;
};

class ControlsTest : public ::testing::Test {
protected:
    void click(Control& control, Point where, PhysicalInput buttons = test::primary()) {
        input.hold(buttons);
        Canvas canvas(&frame, picture.get(), nullptr);
        control.onMouseDown(canvas, where);
    }

    test::ScriptedInput input;
    CountingListener listener;
    EditorFrame frame{Rect{0, 0, 317, 260}, nullptr};
    std::unique_ptr<DrawingTarget> picture = createMemoryTarget(317, 520, nullptr);
};

TEST(Control, RedrawFollowsTheDifferenceBetweenValueAndDrawnValue) {
    ToggleButton control(Rect{140, 145, 300, 162}, nullptr, 0, nullptr);
    EXPECT_EQ(control.getValue(), 0.0f);
    EXPECT_EQ(control.getDrawnValue(), 1.0f);
    EXPECT_TRUE(control.needsRedraw());
    control.setNeedsRedraw(false);
    EXPECT_FALSE(control.needsRedraw());
    control.setValue(0.3f);
    EXPECT_TRUE(control.needsRedraw());
    control.setNeedsRedraw(false);
    control.setValue(0.3f);
    EXPECT_FALSE(control.needsRedraw());
    control.setValue(std::numeric_limits<float>::quiet_NaN());
    control.setNeedsRedraw(false);
    EXPECT_TRUE(control.needsRedraw());

    control.setValue(-1.0f);
    control.setNeedsRedraw(true);
    EXPECT_EQ(control.getDrawnValue(), 0.0f);
    control.setValue(0.25f);
    control.setNeedsRedraw(true);
    EXPECT_EQ(control.getDrawnValue(), -1.0f);

    control.setValue(1.7f);
    control.clampValue();
    EXPECT_EQ(control.getValue(), 1.0f);
    control.setValue(-0.2f);
    control.clampValue();
    EXPECT_EQ(control.getValue(), 0.0f);
    control.setValue(0.5f);
    control.clampValue();
    EXPECT_EQ(control.getValue(), 0.5f);
    control.alignBackgroundOffset();
}

TEST(Control, SettingTheBitmapItAlreadyHoldsKeepsItAlive) {
    Bitmap* picture = test::solidBitmap(2, 2, 0);
    {
        ToggleButton control(Rect{}, nullptr, 0, picture);
        EXPECT_EQ(picture->getRefCount(), 2);
        control.setBackground(picture);
        EXPECT_EQ(picture->getRefCount(), 2);
        control.setBackground(nullptr);
        EXPECT_EQ(picture->getRefCount(), 1);
        control.setBackground(picture);
    }
    EXPECT_EQ(picture->getRefCount(), 1);
    picture->release();
}

TEST_F(ControlsTest, AToggleShowsTheTopHalfOffAndTheBottomHalfOnAndFlipsOnAPrimaryPress) {
    Bitmap* states = test::coordinateBitmap(62, 48);
    auto* toggle = new ToggleButton(Rect{237, 54, 299, 78}, &listener, 1, states);
    frame.addView(toggle);
    Canvas canvas(&frame, picture.get(), nullptr);
    toggle->draw(canvas);
    EXPECT_EQ(test::rgbAt(*picture, 237, 54), 0u);
    EXPECT_EQ(test::rgbAt(*picture, 298, 77), (61u << 16) | (23u << 8));
    for (float on : {1.0f, 0.3f}) {
        toggle->setValue(on);
        toggle->draw(canvas);
        EXPECT_EQ(test::rgbAt(*picture, 237, 54), 24u << 8) << on;
        EXPECT_EQ(test::rgbAt(*picture, 298, 77), (61u << 16) | (47u << 8)) << on;
    }
    EXPECT_FALSE(toggle->needsRedraw());

    toggle->setValue(0.0f);
    Point where{240, 60};
    click(*toggle, where);
    EXPECT_EQ(toggle->getValue(), 1.0f);
    click(*toggle, where);
    EXPECT_EQ(toggle->getValue(), 0.0f);
    PhysicalInput right;
    right.rightButton = true;
    click(*toggle, where, right);
    EXPECT_EQ(toggle->getValue(), 0.0f);
    toggle->setValue(0.4f);
    click(*toggle, where);
    EXPECT_EQ(toggle->getValue(), 1.0f);
    toggle->setValue(1.7f);
    click(*toggle, where);
    EXPECT_EQ(toggle->getValue(), 0.0f);
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
    states->release();
}

TEST_F(ControlsTest, AValueDisplayPaintsItsBoxAndPrintsTheValue) {
    auto* display = new ValueDisplay(Rect{94, 145, 137, 159}, nullptr, 1);
    frame.addView(display);
    display->setFont(FontSmall);
    display->setFontColor(Color{29, 146, 255, 0});
    display->setBackColor(Color{66, 66, 66, 0});
    display->setFrameColor(Color{200, 0, 0, 0});
    display->setValue(78.87f);
    Canvas canvas(&frame, picture.get(), nullptr);
    display->draw(canvas);
    EXPECT_EQ(test::rgbAt(*picture, 94, 145), 0xC80000u);
    EXPECT_EQ(test::rgbAt(*picture, 137, 159), 0xC80000u);
    EXPECT_EQ(test::rgbAt(*picture, 95, 146), 0x424242u);
    EXPECT_EQ(test::rgbAt(*picture, 138, 150), 0u);
    int textPixels = 0;
    for (int y = 146; y < 159; ++y) {
        for (int x = 95; x < 137; ++x) textPixels += test::rgbAt(*picture, x, y) != 0x424242u ? 1 : 0;
    }
    EXPECT_GT(textPixels, 10);

    // Without a formatter the text is the value printed with "%2.2f": the same pixels as a
    // formatter that writes that text.
    const std::pair<float, const char*> printed[] = {{78.87f, "78.87"}, {-48.0f, "-48.00"}, {2000.0f, "2000.00"}};
    for (const auto& [value, expected] : printed) {
        auto plain = createMemoryTarget(60, 20, nullptr);
        auto formatted = createMemoryTarget(60, 20, nullptr);
        ValueDisplay byValue(Rect{0, 0, 59, 19}, nullptr, 1);
        byValue.setValue(value);
        ValueDisplay byText(Rect{0, 0, 59, 19}, nullptr, 1);
        byText.setFormatterWithData([](float, char* out, void* data) { std::snprintf(out, 256, "%s", static_cast<const char*>(data)); },
                                    const_cast<char*>(expected));
        Canvas plainCanvas(nullptr, plain.get(), nullptr);
        Canvas formattedCanvas(nullptr, formatted.get(), nullptr);
        byValue.draw(plainCanvas);
        byText.draw(formattedCanvas);
        int differing = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 60; ++x) differing += test::rgbAt(*plain, x, y) != test::rgbAt(*formatted, x, y) ? 1 : 0;
        }
        EXPECT_EQ(differing, 0) << expected;
    }

    display->setNeedsRedraw(false);
    display->setFrameColor(Color{200, 0, 0, 77});
    EXPECT_FALSE(display->needsRedraw());
    display->setFontColor(Color{29, 146, 254, 0});
    EXPECT_TRUE(display->needsRedraw());
    ValueDisplay hidden(Rect{}, nullptr, NoDraw);
    EXPECT_FALSE(hidden.needsRedraw());
}

TEST_F(ControlsTest, ADigitDisplayCutsEachDigitFromTheStrip) {
    Bitmap* strip = test::coordinateBitmap(42, 460);
    const std::int32_t xs[7] = {172, 172, 172, 172, 172, 172, 172};
    std::int32_t ys[7];
    for (int i = 0; i < 7; ++i) ys[i] = 41 + 460 * i;
    auto* digits = new DigitDisplay(Rect{172, 41, 214, 106}, &listener, 0, 0, 7, xs, ys, 42, 46, strip);
    frame.addView(digits);
    EXPECT_EQ(digits->getMax(), 9999999.0f);
    Canvas canvas(&frame, picture.get(), nullptr);
    const std::pair<float, std::uint32_t> shown[] = {{3000000.0f, 3}, {12000000.0f, 9}, {-5.0f, 0}, {6000000.0f, 6}};
    for (const auto& [value, digit] : shown) {
        digits->setValue(value);
        digits->draw(canvas);
        EXPECT_EQ(test::rgbAt(*picture, 172, 41), (digit * 46) << 8) << value;
        EXPECT_EQ(test::rgbAt(*picture, 213, 86), (41u << 16) | ((digit * 46 + 45) << 8)) << value;
    }
    EXPECT_EQ(test::rgbAt(*picture, 172, 87), 0u);
    EXPECT_NEAR(digits->getNormalizedValue(), 6000000.0f / 9999999.0f, 1e-6);

    // More than seven digits: only the seven stored positions are drawn.
    std::int32_t nine[9] = {0, 0, 0, 0, 0, 0, 0, 500, 500};
    DigitDisplay wide(Rect{}, nullptr, 0, 123456789, 9, nine, nine, 42, 46, strip);
    wide.draw(canvas);
    EXPECT_EQ(wide.getDigitCount(), 9);
    strip->release();
}

TEST_F(ControlsTest, AnOverlayOpensAsTheModalViewAndTheNextClickAnywhereClosesIt) {
    Bitmap* panel = test::solidBitmap(317, 260, 0x336699);
    auto* overlay = new OverlayPanel(Rect{237, 24, 248, 37}, &listener, 11, panel, Rect{0, 0, 317, 260}, Point{});
    frame.addView(overlay);
    EXPECT_FALSE(overlay->hitTest(Point{240, 30}, ButtonSecondary));
    EXPECT_TRUE(overlay->hitTest(Point{248, 37}, ButtonPrimary));
    EXPECT_FALSE(overlay->hitTest(Point{100, 100}, ButtonPrimary));

    input.hold(test::primary());
    Canvas canvas(&frame, picture.get(), nullptr);
    Point where{240, 30};
    frame.onMouseDown(canvas, where);
    EXPECT_TRUE(overlay->isOpen());
    EXPECT_EQ(frame.getModalView(), overlay);
    EXPECT_EQ(overlay->bounds(), (Rect{0, 0, 317, 260}));
    EXPECT_EQ(test::rgbAt(*picture, 10, 200), 0x336699u);

    Point elsewhere{20, 200};
    frame.onMouseDown(canvas, elsewhere);
    EXPECT_FALSE(overlay->isOpen());
    EXPECT_EQ(frame.getModalView(), nullptr);
    EXPECT_EQ(overlay->bounds(), (Rect{237, 24, 248, 37}));
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f}));

    // Refused by a frame that already has a modal view: it keeps its small size.
    ToggleButton blocker(Rect{}, nullptr, 0, nullptr);
    frame.setModalView(&blocker);
    overlay->onMouseDown(canvas, where);
    EXPECT_EQ(overlay->bounds(), (Rect{237, 24, 248, 37}));
    frame.setModalView(nullptr);
    overlay->closeOverlay();
    EXPECT_FALSE(overlay->isOpen());
    panel->release();
}

TEST_F(ControlsTest, AMeterLightsItsColumnsAtOnceAndFallsBackByTheDecayPerRedraw) {
    Bitmap* lit = test::solidBitmap(275, 19, 0x2060FF);
    Bitmap* unlit = test::coordinateBitmap(275, 19);
    auto* meter = new LevelMeter(Rect{20, 224, 295, 243}, lit, unlit, 400, 1);
    meter->setDecay(0.1f);
    frame.addView(meter);
    Canvas canvas(&frame, picture.get(), nullptr);
    meter->setValue(0.5f);
    meter->setDrawnValue(0.0f);
    meter->update(canvas);
    for (int x = 20; x < 20 + 137; ++x) EXPECT_EQ(test::rgbAt(*picture, x, 230), 0x2060FFu) << x;
    EXPECT_EQ(test::rgbAt(*picture, 20 + 137, 230), (137u << 16) | (6u << 8));
    EXPECT_EQ(test::rgbAt(*picture, 294, 242), (274u % 256 << 16) | (18u << 8));
    EXPECT_FALSE(meter->needsRedraw());

    meter->setValue(0.8f);
    meter->update(canvas);
    EXPECT_EQ(test::rgbAt(*picture, 20 + 219, 230), 0x2060FFu);
    EXPECT_NE(test::rgbAt(*picture, 20 + 220, 230), 0x2060FFu);

    // From 1.0 down to 0.0: 0.9, 0.8, ... and dark at the tenth redraw, then clean.
    meter->setValue(1.0f);
    meter->update(canvas);
    meter->setValue(0.0f);
    int redraws = 0;
    while (meter->needsRedraw() && redraws < 20) {
        meter->update(canvas);
        ++redraws;
    }
    EXPECT_EQ(redraws, 10);
    EXPECT_EQ(meter->getDrawnValue(), 0.0f);
    EXPECT_NE(test::rgbAt(*picture, 20, 230), 0x2060FFu);

    // 400 steps on 275 pixels: a move that leaves the lit edge on its pixel draws nothing.
    meter->setValue(0.5f);
    meter->update(canvas);
    for (const float value : {0.501f, 0.4995f, 0.5f}) {
        meter->setValue(value);
        EXPECT_FALSE(meter->needsRedraw()) << value;
    }
    for (const float value : {0.5025f, 0.4975f, 0.0f}) {
        meter->setValue(value);
        EXPECT_TRUE(meter->needsRedraw()) << value;
    }
    lit->release();
    unlit->release();
}

}  // namespace
}  // namespace qm
