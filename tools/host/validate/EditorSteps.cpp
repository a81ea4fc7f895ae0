// The editor steps of a session: opened into the desk's window (one editor at a time, as the
// desk has one window; now and then opened again over itself), idled, clicked through the
// platform's real input on its switches, slider handles, help mark or anywhere, given keys, and
// closed; closed editors idled and given keys too; after each the user controls read as the
// editor's automation said.

#include <algorithm>
#include <cmath>
#include <iterator>

#include "editor/EditorLayout.h"
#include "tools/host/validate/UiStep.h"

namespace qmhost::validate {
namespace {

namespace layout = qm::layout;

constexpr std::int32_t kEditorWidth = layout::kEditor.right - layout::kEditor.left;
constexpr std::int32_t kEditorHeight = layout::kEditor.bottom - layout::kEditor.top;

struct Spot {
    std::int32_t x;
    std::int32_t y;
};

constexpr Spot centreOf(const qm::Rect& place) {
    return {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
}

// A point of the editor at 1x: one of its switches, a slider's handle, the help mark, anywhere.
Spot chooseSpot(SessionRandom& random, const InstanceModel& instance) {
    static constexpr Spot kSwitches[] = {
        centreOf(layout::kBypassSwitch),     centreOf(layout::kInputSwitches[0]), centreOf(layout::kInputSwitches[1]),
        centreOf(layout::kInputSwitches[2]), centreOf(layout::kInputSwitches[3]), centreOf(layout::kDuckKeySwitch),
        centreOf(layout::kHelpMark)};
    static_assert(std::size(kSwitches) == 7);
    switch (random.weighted({50, 30, 20})) {
    case 0: return kSwitches[random.below(7)];
    case 1: {
        const std::int32_t row = static_cast<std::int32_t>(random.below(3));
        const qm::ControlId aim = layout::kSliderControls[row];
        const float value = qm::parameterValueForExtended(aim, instance.expectedControl(aim));
        const float along = value >= 0.0f && value <= 1.0f ? value : static_cast<float>(random.unit());
        // Somewhere on the handle, whose left edge is its position plus the offset.
        constexpr std::int32_t kTravel = layout::kSliderHandleMax - layout::kSliderHandleMin;
        return {layout::kSliderHandleMin + layout::kSliderHandleOffset.h +
                    static_cast<std::int32_t>(static_cast<float>(kTravel) * along) +
                    random.between(1, layout::kSliderHandleWidth - 2),
                layout::kSliderRows[row] + layout::kSliderHandleHeight / 2};
    }
    default: return {random.between(0, kEditorWidth - 1), random.between(0, kEditorHeight - 1)};
    }
}

InstanceModel* openEditorOwner(SessionState& state) {
    for (const auto& instance : state.instances) {
        if (instance->editorOpen) return instance.get();
    }
    return nullptr;
}

void idleEditor(SessionState& state, InstanceModel& instance) {
    if (state.desk != nullptr) state.desk->pumpMessages();
    instance.driver->idleEditor();
    state.count(1);
}

void checkUserControls(UiStep& step, InstanceModel& instance) {
    for (std::int32_t number = kFirstDrawnControl; number <= kLastDrawnControl && !step.state.failed(); ++number) {
        step.checkControl(instance, drawnControl(number));
    }
}

void clickEditor(UiStep& step, InstanceModel& instance) {
    SessionState& state = step.state;
    std::int32_t width = 0;
    std::int32_t height = 0;
    const bool sized = instance.driver->editorSize(width, height);
    state.count(1);
    if (!sized || width <= 0 || height <= 0 || width > 4 * kEditorWidth) {
        return step.fail("the open editor announces a size of " + std::to_string(width) + " x " + std::to_string(height));
    }
    const Spot spot = chooseSpot(state.random, instance);
    const double scale = static_cast<double>(width) / kEditorWidth;
    instance.dragBegan.store(false);
    ++state.counts.clicks;
    const bool clicked = state.desk->click(
        static_cast<std::int32_t>(std::lround(spot.x * scale)), static_cast<std::int32_t>(std::lround(spot.y * scale)),
        [&] { idleEditor(state, instance); }, [&] { return instance.dragBegan.load(); });
    state.count(2);
    if (!clicked) step.fail("the open editor shows no window in its parent");
}

}  // namespace

void editorStep(UiStep& step, InstanceModel& instance) {
    SessionState& state = step.state;
    if (!state.config.editors || !instance.driver->hasEditor()) return;
    InstanceModel* owner = openEditorOwner(state);
    instance.beginTouch();
    if (owner == nullptr && state.random.chance(200)) {
        // Hosts idle and send keys to every editor, open or not.
        idleEditor(state, instance);
        instance.driver->editorKey(0, state.random.between(0, 60), true);
        state.count(1);
    } else if (owner == nullptr || (owner == &instance && state.random.chance(30))) {
        // Opened, or (now and then) opened again over itself without a close.
        const bool opened = instance.driver->openEditor(state.desk != nullptr ? state.desk->parent() : nullptr);
        state.count(1);
        instance.editorOpen = true;
        ++state.counts.editorOpens;
        if (!opened) step.fail("the editor did not open");
        for (int round = state.random.between(0, 5); round > 0; --round) idleEditor(state, instance);
    } else {
        InstanceModel& open = *owner;
        if (&open != &instance) open.beginTouch();
        switch (state.random.weighted({45, 35, 5, 15})) {
        case 0:
            for (int round = state.random.between(1, 12); round > 0; --round) idleEditor(state, open);
            break;
        case 1:
            if (state.desk != nullptr) clickEditor(step, open);
            break;
        case 2: {
            const std::int32_t key = state.random.between(0, 60);
            const std::int32_t character = state.random.chance(500) ? 0 : state.random.between(32, 126);
            open.driver->editorKey(character, key, true);
            open.driver->editorKey(character, key, false);
            state.count(2);
            break;
        }
        default:
            open.driver->closeEditor();
            open.editorOpen = false;
            state.count(1);
            break;
        }
        if (!state.failed()) checkUserControls(step, open);
        if (&open != &instance) open.endTouch();
    }
    instance.endTouch();
}

}  // namespace qmhost::validate
