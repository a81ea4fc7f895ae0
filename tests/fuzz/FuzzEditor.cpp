#include "FuzzEditor.h"

#include <memory>
#include <vector>

#include "PluginFuzzChoices.h"
#include "support/EditorAccess.h"
#include "gui/Canvas.h"
#include "gui/DrawingTarget.h"
#include "gui/cairo/CairoImage.h"
#include "formats/vst2/base/EffectBase.h"
#include "support/GuiTestSupport.h"

namespace qm::fuzz {
namespace {

test::ScriptedInput* scriptedInput = nullptr;
int opensLeft = 0;

Point choosePoint(FuzzedDataProvider& data) {
    // Mostly inside the editor, sometimes outside it.
    const std::int32_t x = data.ConsumeIntegralInRange<std::int32_t>(kLeastPointX, kMostPointX);
    return Point{x, data.ConsumeIntegralInRange<std::int32_t>(kLeastPointY, kMostPointY)};
}

PhysicalInput chooseButtons(FuzzedDataProvider& data) {
    const auto bits = data.ConsumeIntegral<std::uint8_t>();
    PhysicalInput input;
    input.leftButton = (bits & MouseLeft) != 0;
    input.middleButton = (bits & MouseMiddle) != 0;
    input.rightButton = (bits & MouseRight) != 0;
    input.shift = (bits & MouseShift) != 0;
    input.control = (bits & MouseControl) != 0;
    input.alt = (bits & MouseAlt) != 0;
    return input;
}

// A click or drag: a few scripted mouse states that always end with every button up.
void press(EditorFrame& frame, Canvas& canvas, FuzzedDataProvider& data, Point where) {
    std::vector<test::ScriptedInput::Step> steps;
    const int count = data.ConsumeIntegralInRange<int>(0, kMaxPressSteps);
    for (int i = 0; i < count; ++i) steps.push_back({chooseButtons(data), choosePoint(data)});
    steps.push_back({PhysicalInput{}, choosePoint(data)});
    scriptedInput->script(std::move(steps));
    frame.onMouseDown(canvas, where);
}

VstIntPtr dispatch(PluginRecord* record, std::int32_t opcode, std::int32_t index, VstIntPtr value, float opt) {
    return record->dispatcher(record, opcode, index, value, nullptr, opt);
}

}  // namespace

void prepareEditorInput() {
    addResourceDirectory(QM_PRODUCT_RESOURCE_DIR);
    static test::ScriptedInput input;
    scriptedInput = &input;
}

void beginRun() { opensLeft = 2; }

void driveEditor(PluginRecord* record, FuzzedDataProvider& data) {
    DuckerEditor* editor = test::duckerEditorOf(record);
    const int action = data.ConsumeIntegralInRange<int>(EditorOpen, EditorUpdate);
    // Without a parent window the frame has no window of its own; it draws on our picture.
    if (action == EditorOpen && opensLeft > 0) {
        --opensLeft;
        dispatch(record, effEditOpen, 0, 0, 0.0f);
    }
    if (action == EditorClose) dispatch(record, effEditClose, 0, 0, 0.0f);
    if (action == EditorIdle) dispatch(record, effEditIdle, 0, 0, 0.0f);
    if (action == EditorKey) {
        const std::int32_t character = data.ConsumeIntegralInRange<std::int32_t>(-1, kLastKeyCharacter);
        const VstIntPtr virtualKey = data.ConsumeIntegral<std::uint8_t>() % kVirtualKeyCount;
        const float modifiers = static_cast<float>(data.ConsumeIntegralInRange<int>(0, kLastKeyModifiers));
        dispatch(record, data.ConsumeBool() ? effEditKeyDown : effEditKeyUp, character, virtualKey, modifiers);
    }
    if (action < EditorDraw || editor == nullptr || editor->getFrame() == nullptr) return;
    EditorFrame& frame = *editor->getFrame();
    static std::unique_ptr<DrawingTarget> picture = createMemoryTarget(kEditorWidth, kEditorHeight, nullptr);
    Canvas canvas(&frame, picture.get(), nullptr);
    switch (action) {
    case EditorDraw: frame.draw(canvas); break;
    case EditorPress: press(frame, canvas, data, choosePoint(data)); break;
    case EditorWheel: {
        const float distance = data.ConsumeFloatingPointInRange<float>(-kMaxWheelDistance, kMaxWheelDistance);
        if (data.ConsumeBool()) editor->onWheel(distance);
        else frame.onWheel(&canvas, choosePoint(data), distance);
        break;
    }
    case EditorHelp:
        // The help mark opens the panel over everything; the next click anywhere closes it.
        press(frame, canvas, data, Point{242, 30});
        frame.draw(canvas);
        press(frame, canvas, data, choosePoint(data));
        break;
    default: frame.update(canvas); break;
    }
}

}  // namespace qm::fuzz
