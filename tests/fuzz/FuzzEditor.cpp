#include "FuzzEditor.h"

#include <memory>
#include <vector>

#include "support/EditorAccess.h"
#include "gui/Canvas.h"
#include "gui/DrawingTarget.h"
#include "gui/cairo/CairoImage.h"
#include "formats/vst2/EffectBase.h"
#include "support/GuiTestSupport.h"

namespace qm::fuzz {
namespace {

test::ScriptedInput* scriptedInput = nullptr;
int opensLeft = 0;

Point choosePoint(FuzzedDataProvider& data) {
    // Mostly inside the 317 x 260 editor, sometimes outside it.
    const std::int32_t x = data.ConsumeIntegralInRange<std::int32_t>(-20, 340);
    return Point{x, data.ConsumeIntegralInRange<std::int32_t>(-20, 280)};
}

PhysicalInput chooseButtons(FuzzedDataProvider& data) {
    const auto bits = data.ConsumeIntegral<std::uint8_t>();
    PhysicalInput input;
    input.leftButton = (bits & 1) != 0;
    input.middleButton = (bits & 2) != 0;
    input.rightButton = (bits & 4) != 0;
    input.shift = (bits & 8) != 0;
    input.control = (bits & 16) != 0;
    input.alt = (bits & 32) != 0;
    return input;
}

// A click or drag: a few scripted mouse states that always end with every button up.
void press(EditorFrame& frame, Canvas& canvas, FuzzedDataProvider& data, Point where) {
    std::vector<test::ScriptedInput::Step> steps;
    const int count = data.ConsumeIntegralInRange<int>(0, 12);
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
    const int action = data.ConsumeIntegralInRange<int>(0, 8);
    // Without a parent window the frame has no window of its own; it draws on our picture.
    if (action == 0 && opensLeft > 0) {
        --opensLeft;
        dispatch(record, effEditOpen, 0, 0, 0.0f);
    }
    if (action == 1) dispatch(record, effEditClose, 0, 0, 0.0f);
    if (action == 2) dispatch(record, effEditIdle, 0, 0, 0.0f);
    if (action == 3) {
        const std::int32_t character = data.ConsumeIntegralInRange<std::int32_t>(-1, 130);
        const VstIntPtr virtualKey = data.ConsumeIntegral<std::uint8_t>() % 60;
        const float modifiers = static_cast<float>(data.ConsumeIntegralInRange<int>(0, 15));
        dispatch(record, data.ConsumeBool() ? effEditKeyDown : effEditKeyUp, character, virtualKey, modifiers);
    }
    if (action < 4 || editor == nullptr || editor->getFrame() == nullptr) return;
    EditorFrame& frame = *editor->getFrame();
    static std::unique_ptr<DrawingTarget> picture = createMemoryTarget(317, 260, nullptr);
    Canvas canvas(&frame, picture.get(), nullptr);
    switch (action) {
    case 4: frame.draw(canvas); break;
    case 5: press(frame, canvas, data, choosePoint(data)); break;
    case 6: {
        const float distance = data.ConsumeFloatingPointInRange<float>(-8.0f, 8.0f);
        if (data.ConsumeBool()) editor->onWheel(distance);
        else frame.onWheel(&canvas, choosePoint(data), distance);
        break;
    }
    case 7:
        // The help mark opens the panel over everything; the next click anywhere closes it.
        press(frame, canvas, data, Point{242, 30});
        frame.draw(canvas);
        press(frame, canvas, data, choosePoint(data));
        break;
    default: frame.update(canvas); break;
    }
}

}  // namespace qm::fuzz
