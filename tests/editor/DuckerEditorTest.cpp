#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "editor/DuckerEditor.h"
#include "editor/EditorLayout.h"
#include "support/EditorAccess.h"
#include "engine/Parameters.h"
#include "support/GuiTestSupport.h"
#include "support/PluginInstance.h"
#include "support/TestResources.h"

namespace qm {
namespace {

class DuckerEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::useTestResources();
        test::RecordingHost::get().reset();
    }
    DuckerEditor& editorOf(const test::PluginInstance& plugin) {
        return *test::duckerEditorOf(plugin.get());
    }
    // Opens the editor without a native window: the controls exist and are drawn once, as the
    // window's first paint would, onto nothing.
    DuckerEditor& open(const test::PluginInstance& plugin) {
        EXPECT_EQ(plugin.dispatch(effEditOpen), 1);
        DuckerEditor& editor = editorOf(plugin);
        Canvas firstPaint(editor.getFrame(), nullptr, nullptr);
        editor.getFrame()->draw(firstPaint);
        return editor;
    }
    std::vector<test::HostCall> calls(std::int32_t opcode) { return test::RecordingHost::get().callsWith(opcode); }
    void clickAt(DuckerEditor& editor, Point where, PhysicalInput buttons = test::primary()) {
        input.script({{buttons, where}, {buttons, where}, {PhysicalInput{}, where}});
        Canvas canvas(editor.getFrame(), nullptr, nullptr);
        editor.getFrame()->onMouseDown(canvas, where);
    }

    test::ScriptedInput input;
};

TEST_F(DuckerEditorTest, TheRectangleIsTheBackgroundsSizeEvenBeforeOpening) {
    test::PluginInstance plugin;
    ERect* rect = nullptr;
    EXPECT_EQ(plugin.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, layout::kEditor.bottom);
    EXPECT_EQ(rect->right, layout::kEditor.right);
    // Keys without an open frame are nobody's; the knob mode is kept for every editor.
    EXPECT_EQ(plugin.dispatch(effEditKeyDown, 0, VKEY_UP), -1);
    EXPECT_EQ(plugin.dispatch(effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(EditorHosting::knobMode(), 2);
}

TEST_F(DuckerEditorTest, OpenBuildsTheFifteenControlsFromTheParameters) {
    test::PluginInstance first;
    test::PluginInstance plugin;
    DuckerEditor& editor = open(plugin);
    EditorFrame* frame = editor.getFrame();
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(frame->getViewCount(), 15);
    EXPECT_EQ(frame->viewAt(0), editor.helpOverlayControl());
    EXPECT_EQ(frame->viewAt(14), editor.strengthMeterControl());
    EXPECT_EQ(frame->getBackground()->getWidth(), layout::kEditor.width());

    struct Expected {
        Control* control;
        Rect size;
        std::int32_t tag;
        float value;
    };
    const Expected expected[] = {
        {editor.helpOverlayControl(), layout::kHelpMark, -1, 0.0f},
        {editor.slotDigitControl(), layout::kSlotDigit, 0, 1000000.0f},
        {editor.attackSliderControl(), layout::sliderRect(0), ControlAttack, 0.19858247f},
        {editor.releaseSliderControl(), layout::sliderRect(1), ControlRelease, 0.19856989f},
        {editor.thresholdSliderControl(), layout::sliderRect(2), ControlThreshold, 0.5f},
        {editor.attackDisplayControl(), layout::readoutRect(0), 0, 0.19858247f * 0.19858247f * 2000.0f},
        {editor.releaseDisplayControl(), layout::readoutRect(1), 0, 0.19856989f * 0.19856989f * 1000.0f},
        {editor.thresholdDisplayControl(), layout::readoutRect(2), 0, -48.0f},
        {editor.bypassButtonControl(), layout::kBypassSwitch, ControlEnabled, 1.0f},
        {editor.inputButtonControl(0), layout::kInputSwitches[0], ControlInputAlpha, 0.0f},
        {editor.inputButtonControl(1), layout::kInputSwitches[1], ControlInputBeta, 0.0f},
        {editor.inputButtonControl(2), layout::kInputSwitches[2], ControlInputGamma, 0.0f},
        {editor.inputButtonControl(3), layout::kInputSwitches[3], ControlInputDelta, 0.0f},
        {editor.duckKeyButtonControl(), layout::kDuckKeySwitch, ControlDuckKey, 0.0f},
        {editor.strengthMeterControl(), layout::kMeter, 0, 0.0f},
    };
    for (const Expected& each : expected) {
        ASSERT_NE(each.control, nullptr);
        EXPECT_EQ(each.control->bounds(), each.size) << each.tag;
        EXPECT_EQ(each.control->tag, each.tag);
        EXPECT_FLOAT_EQ(each.control->getValue(), each.value) << each.tag;
    }
    EXPECT_EQ(editor.attackSliderControl()->getTravel(), 141);
    EXPECT_EQ(editor.attackSliderControl()->getMinLimit(), 1);
    EXPECT_EQ(editor.attackSliderControl()->getMaxLimit(), 160);

    // Close and open again: everything is built anew.
    View* before = editor.attackSliderControl();
    plugin.dispatch(effEditClose);
    EXPECT_EQ(editor.getFrame(), nullptr);
    EXPECT_EQ(editor.attackSliderControl(), nullptr);
    open(plugin);
    EXPECT_EQ(editor.getFrame()->getViewCount(), 15);
    (void)before;
}

TEST_F(DuckerEditorTest, HostChangesReachTheControlsAtTheNextIdlePassOnlyWhileOpen) {
    test::PluginInstance plugin;
    plugin.setParameter(ParamRelease, 0.5f);
    DuckerEditor& editor = open(plugin);
    EXPECT_FLOAT_EQ(editor.releaseDisplayControl()->getValue(), 250.0f);

    plugin.setParameter(ParamThreshold, 0.25f);
    plugin.setParameter(ParamInputGamma, 1.0f);
    plugin.setParameter(ParamMeter, 0.8f);
    plugin.setParameter(11, 0.5f);
    EXPECT_EQ(editor.thresholdSliderControl()->getValue(), 0.5f);
    plugin.dispatch(effEditIdle);
    EXPECT_EQ(editor.thresholdSliderControl()->getValue(), 0.25f);
    EXPECT_FLOAT_EQ(editor.thresholdDisplayControl()->getValue(), -24.0f);
    EXPECT_EQ(editor.inputButtonControl(2)->getValue(), 1.0f);
    EXPECT_FLOAT_EQ(editor.strengthMeterControl()->getValue(), 0.8f);

    plugin.dispatch(effEditClose);
    plugin.setParameter(ParamRelease, 0.1f);
    plugin.dispatch(effEditIdle);
    open(plugin);
    EXPECT_FLOAT_EQ(editor.releaseSliderControl()->getValue(), 0.1f);
    EXPECT_FLOAT_EQ(editor.releaseDisplayControl()->getValue(), 10.0f);
}

TEST_F(DuckerEditorTest, TheSlotDisplayFollowsOnlyTheFirstChangeOfItsLife) {
    test::PluginInstance plugin;
    DuckerEditor& editor = open(plugin);
    plugin.setParameter(ParamOwnSlot, 2.0f);
    plugin.dispatch(effEditIdle);
    EXPECT_EQ(editor.slotDigitControl()->getValue(), 2000000.0f);
    plugin.setParameter(ParamOwnSlot, 3.0f);
    plugin.dispatch(effEditIdle);
    EXPECT_EQ(editor.slotDigitControl()->getValue(), 2000000.0f);
    plugin.dispatch(effEditClose);
    open(plugin);
    EXPECT_EQ(editor.slotDigitControl()->getValue(), 3000000.0f);
    plugin.setParameter(ParamOwnSlot, 1.0f);
    plugin.dispatch(effEditIdle);
    EXPECT_EQ(editor.slotDigitControl()->getValue(), 3000000.0f);
}

TEST_F(DuckerEditorTest, ValuesAHostSetsOutsideTheControlsRangesReachTheControlsAsStored) {
    test::PluginInstance plugin;
    DuckerEditor& editor = open(plugin);
    struct Row {
        std::int32_t parameter;
        Control* control;
    } rows[] = {{ParamBypass, editor.bypassButtonControl()},        {ParamInputGamma, editor.inputButtonControl(2)},
                {ParamDuckKey, editor.duckKeyButtonControl()},      {ParamAttack, editor.attackSliderControl()},
                {ParamRelease, editor.releaseSliderControl()},      {ParamThreshold, editor.thresholdSliderControl()}};
    for (const float stored : {0.7f, 1.5f, -0.25f, 1e30f, -0.0f, 1e-40f, std::numeric_limits<float>::infinity()}) {
        for (const Row& row : rows) {
            plugin.setParameter(row.parameter, stored);
            plugin.dispatch(effEditIdle);
            EXPECT_EQ(std::bit_cast<std::uint32_t>(row.control->getValue()), std::bit_cast<std::uint32_t>(stored))
                << row.parameter << " at " << stored;
        }
    }
    // Parameter 0 without a slot shows the strip's no-slot digit.
    test::PluginInstance other;
    DuckerEditor& second = open(other);
    other.setParameter(ParamOwnSlot, kNoSlotValue);
    other.dispatch(effEditIdle);
    EXPECT_EQ(second.slotDigitControl()->getValue(), static_cast<float>(layout::kNoSlotDigit) * 1000000.0f);
}

TEST_F(DuckerEditorTest, TheMeterFollowsTheProcessorsGainReduction) {
    test::PluginInstance sender;
    test::PluginInstance listener;
    DuckerEditor& editor = open(listener);
    test::runDuckedBlocks(sender, listener, 200);
    listener.dispatch(effEditIdle);
    EXPECT_NEAR(editor.strengthMeterControl()->getValue(), 0.99602f, 1e-4);
    // The processor's meter value reaches the editor but not the host.
    EXPECT_TRUE(calls(audioMasterAutomate).empty());
}

TEST_F(DuckerEditorTest, AToggleClickAutomatesItsParameterOnce) {
    test::PluginInstance plugin;
    DuckerEditor& editor = open(plugin);
    clickAt(editor, Point{30, 120});
    EXPECT_EQ(plugin.getParameter(ParamInputAlpha), 1.0f);
    const auto automated = calls(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, ParamInputAlpha);
    EXPECT_EQ(automated[0].opt, 1.0f);
    EXPECT_TRUE(calls(audioMasterBeginEdit).empty());
}

TEST_F(DuckerEditorTest, ASliderDragIsOneGestureOfAutomationAndTheReadoutFollows) {
    test::PluginInstance plugin;
    plugin.setParameter(ParamAttack, 0.0f);
    DuckerEditor& editor = open(plugin);
    // Press at the handle's centre, then move until the value is 0.5 (window x 149 + 70.5). The
    // frame and the slider each read the buttons once at the press.
    const std::int32_t y = 150;
    input.script({{test::primary(), {149, y}},
                  {test::primary(), {149, y}},
                  {test::primary(), {149, y}},
                  {test::primary(), {190, y}},
                  {test::primary(), {219, y}},
                  {test::primary(), {219, y}},
                  {PhysicalInput{}, {219, y}}});
    Canvas canvas(editor.getFrame(), nullptr, nullptr);
    Point where{149, y};
    editor.getFrame()->onMouseDown(canvas, where);
    plugin.dispatch(effEditIdle);

    const auto begin = calls(audioMasterBeginEdit);
    const auto end = calls(audioMasterEndEdit);
    const auto automated = calls(audioMasterAutomate);
    ASSERT_EQ(begin.size(), 1u);
    ASSERT_EQ(end.size(), 1u);
    EXPECT_EQ(begin[0].index, ParamAttack);
    EXPECT_EQ(end[0].index, ParamAttack);
    ASSERT_GE(automated.size(), 2u);
    for (const auto& call : automated) EXPECT_EQ(call.index, ParamAttack);
    const float expected = 70.0f / 141.0f;
    EXPECT_FLOAT_EQ(automated.back().opt, expected);
    EXPECT_FLOAT_EQ(plugin.getParameter(ParamAttack), expected);
    EXPECT_FLOAT_EQ(editor.attackDisplayControl()->getValue(), expected * expected * 2000.0f);
    // The host's calls came in order: begin edit, the automation, end edit.
    std::vector<std::int32_t> order;
    for (const auto& call : test::RecordingHost::get().calls()) {
        const bool edit = call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit;
        if (edit || call.opcode == audioMasterAutomate) {
            if (order.empty() || order.back() != call.opcode) order.push_back(call.opcode);
        }
    }
    EXPECT_EQ(order, (std::vector<std::int32_t>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}));
    EXPECT_EQ(editor.getFrame()->getFocusView(), editor.attackSliderControl());
}

TEST_F(DuckerEditorTest, ControlClickResetsASliderAndArrowKeysStepTheFocusedOrTheLastSlider) {
    test::PluginInstance plugin;
    DuckerEditor& editor = open(plugin);
    clickAt(editor, Point{200, 195}, test::primary(false, true));
    EXPECT_EQ(plugin.getParameter(ParamThreshold), 0.5f);
    EXPECT_TRUE(calls(audioMasterAutomate).empty());
    clickAt(editor, Point{200, 150}, test::primary(false, true));
    EXPECT_EQ(plugin.getParameter(ParamAttack), 0.5f);
    EXPECT_EQ(calls(audioMasterAutomate).size(), 1u);

    // No focus: the threshold slider, added last, takes the arrow keys.
    EXPECT_EQ(plugin.dispatch(effEditKeyDown, 0, VKEY_UP), 1);
    EXPECT_FLOAT_EQ(plugin.getParameter(ParamThreshold), 0.6f);
    EXPECT_EQ(plugin.dispatch(effEditKeyDown, 0, VKEY_DOWN, nullptr, 1.0f), 1);
    EXPECT_FLOAT_EQ(plugin.getParameter(ParamThreshold), 0.59f);
    EXPECT_EQ(plugin.dispatch(effEditKeyDown, 'x', 0), -1);

    // After a drag the dragged slider has the focus.
    editor.getFrame()->setFocusView(editor.releaseSliderControl());
    const float release = plugin.getParameter(ParamRelease);
    plugin.dispatch(effEditKeyDown, 0, VKEY_RIGHT);
    EXPECT_FLOAT_EQ(plugin.getParameter(ParamRelease), release + 0.1f);
}

TEST_F(DuckerEditorTest, TheHelpMarkOpensThePanelAndTheNextClickClosesItWithoutAParameter) {
    test::PluginInstance plugin;
    DuckerEditor& editor = open(plugin);
    clickAt(editor, Point{240, 30});
    EXPECT_TRUE(editor.helpOverlayControl()->isOpen());
    EXPECT_EQ(editor.getFrame()->getModalView(), editor.helpOverlayControl());
    clickAt(editor, Point{30, 120});
    EXPECT_FALSE(editor.helpOverlayControl()->isOpen());
    EXPECT_EQ(plugin.getParameter(ParamInputAlpha), 0.0f);
    EXPECT_TRUE(calls(audioMasterAutomate).empty());
}

TEST_F(DuckerEditorTest, TheIdlePumpRunsAFullPassAtMostEvery100Milliseconds) {
    test::PluginInstance plugin;
    DuckerEditor& editor = open(plugin);
    input.ticks = editor.getNextIdleTime() - 10;
    const std::uint32_t before = input.ticks;
    editor.pumpIdle();
    EXPECT_EQ(input.slept, 4u);
    EXPECT_EQ(input.paintsDispatched, 1);
    EXPECT_EQ(editor.getNextIdleTime(), before + 104);
    EXPECT_EQ(calls(audioMasterIdle).size(), 1u);

    input.ticks = editor.getNextIdleTime() - 60;
    editor.pumpIdle();
    EXPECT_EQ(input.slept, 8u);
    EXPECT_EQ(input.paintsDispatched, 1);

    input.ticks = editor.getNextIdleTime() + 5;
    const std::uint32_t late = input.ticks;
    editor.pumpIdle();
    EXPECT_EQ(input.slept, 8u);
    EXPECT_EQ(editor.getNextIdleTime(), late + 100);
    EXPECT_EQ(calls(audioMasterIdle).size(), 2u);

    // Across the wrap of the tick counter: a pass due 36 ms after the wrap, asked for 52 ms before
    // it, sleeps first like any other early call, then runs.
    input.ticks = editor.getNextIdleTime() + 0x7FFFFF00u;
    editor.pumpIdle();
    input.ticks = 0xFFFFFFC0u;
    editor.pumpIdle();
    EXPECT_EQ(editor.getNextIdleTime(), 0x24u);
    const auto passes = calls(audioMasterIdle).size();
    input.ticks = 0xFFFFFFF0u;
    editor.pumpIdle();
    EXPECT_EQ(input.slept, 12u);
    EXPECT_EQ(calls(audioMasterIdle).size(), passes + 1);
    EXPECT_EQ(editor.getNextIdleTime(), 0x58u);
}

PluginRecord* closeAtNextHostIdle = nullptr;

// The recording host, which also closes the editor of `closeAtNextHostIdle` from inside the next
// idle request, as a host may do from its own event loop.
VstIntPtr QM_CALL closingHost(PluginRecord* record, std::int32_t opcode, std::int32_t index, VstIntPtr value,
                              void* ptr, float opt) {
    const VstIntPtr answer = test::RecordingHost::callback(record, opcode, index, value, ptr, opt);
    if (opcode == audioMasterIdle && closeAtNextHostIdle != nullptr) {
        PluginRecord* closing = closeAtNextHostIdle;
        closeAtNextHostIdle = nullptr;
        closing->dispatcher(closing, effEditClose, 0, 0, nullptr, 0.0f);
    }
    return answer;
}

TEST_F(DuckerEditorTest, ClosingDuringADragEndsTheGestureAndTheFrameGoesAfterTheClick) {
    test::PluginInstance plugin(closingHost);
    plugin.setParameter(ParamAttack, 0.0f);
    DuckerEditor& editor = open(plugin);
    EditorFrame* frame = editor.getFrame();
    // The button stays down: only the closing frame can end the drag loop.
    input.hold(test::primary(), Point{149, 150});
    closeAtNextHostIdle = plugin.get();
    Canvas canvas(frame, nullptr, nullptr);
    Point where{149, 150};
    frame->onMouseDown(canvas, where);
    EXPECT_EQ(closeAtNextHostIdle, nullptr);
    EXPECT_FALSE(editor.isEditorOpen());
    EXPECT_EQ(editor.getFrame(), nullptr);
    EXPECT_EQ(editor.attackSliderControl(), nullptr);
    EXPECT_EQ(calls(audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(calls(audioMasterEndEdit).size(), 1u);
    // The retired frame reads the mouse as released and draws nothing; the next idle deletes it.
    EXPECT_TRUE(frame->isClosing());
    EXPECT_EQ(canvas.queryMouseButtons(), 0);
    plugin.dispatch(effEditIdle);
    EXPECT_EQ(plugin.dispatch(effEditOpen), 1);
    EXPECT_NE(editor.getFrame(), nullptr);
    plugin.dispatch(effEditClose);
}

TEST_F(DuckerEditorTest, AnEditorDestroyedWhileOpenClosesFirst) {
    auto plugin = std::make_unique<test::PluginInstance>();
    DuckerEditor& editor = open(*plugin);
    // Held beyond the editor: once its frame is gone, only these references are left.
    View* meter = editor.strengthMeterControl();
    Bitmap* background = editor.getFrame()->getBackground();
    meter->retain();
    background->retain();
    plugin->setParameter(ParamMeter, 0.3f);
    plugin.reset();
    EXPECT_EQ(meter->getRefCount(), 1);
    EXPECT_EQ(background->getRefCount(), 1);
    meter->release();
    background->release();
}

}  // namespace
}  // namespace qm
