// The user-interface side of a session: instances made and closed, activated and suspended, the
// stream changed, controls set and read back, texts and the program name, listening set up as a
// user does it, a project recalled; audio cycles too in single-threaded sessions.

#include <algorithm>
#include <cstdio>

#include "tools/host/validate/ControlValues.h"
#include "tools/host/validate/UiStep.h"
#include "tools/host/validate/SessionState.h"

namespace qmhost::validate {
namespace {

std::string formatValue(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.9g (0x%08x)", static_cast<double>(value), std::bit_cast<std::uint32_t>(value));
    return text;
}

float chooseSampleRate(SessionRandom& random) {
    static constexpr float kUsual[] = {44100.0f, 48000.0f};
    static constexpr float kOthers[] = {8000.0f,  11025.0f,  16000.0f,  22050.0f,  32000.0f,
                                        88200.0f, 96000.0f, 176400.0f, 192000.0f, 384000.0f};
    switch (random.weighted({70, 25, 5})) {
    case 0: return kUsual[random.below(2)];
    case 1: return kOthers[random.below(10)];
    default: return static_cast<float>(random.between(8000, 384000));
    }
}

std::int32_t chooseBlockSize(SessionRandom& random) {
    switch (random.weighted({75, 20, 5})) {
    case 0: return 64 << random.below(8);
    case 1: return random.between(1, kMaxBlockFrames);
    default: return 0;
    }
}

std::int32_t lowestFreeSlot(const SessionState& state) {
    for (std::int32_t slot = 0; slot < kSlots; ++slot) {
        const bool taken = std::any_of(state.instances.begin(), state.instances.end(),
                                       [slot](const auto& instance) { return instance->slot == slot; });
        if (!taken) return slot;
    }
    return qm::kNoSlot;
}

// A slot as read, for a failure's message: the number and the output's bits as the host reads them.
std::string describeSlot(std::int32_t slot, DriverInstance* driver) {
    std::string text = slot == qm::kNoSlot ? "no slot" : "slot " + std::to_string(slot);
    if (slot == kNotASlot) text = "no slot number";
    if (driver != nullptr) text += " (" + formatValue(driver->outputAsRead(qm::OutputSlot)) + ")";
    return text;
}

void makeInstance(UiStep& step) {
    SessionState& state = step.state;
    const int lane = state.config.threads ? static_cast<int>(state.random.below(2)) : 0;
    auto instance = std::make_unique<InstanceModel>(state.nextSerial++, lane);
    instance->automations = &state.automations;
    ++state.counts.instances;
    instance->driver = state.driver.make(*instance);
    state.count(2);
    if (instance->driver == nullptr) return step.fail("the module made no instance");
    const std::int32_t slot = lowestFreeSlot(state);
    const std::int32_t reported = instance->driver->slot();
    if (reported != slot) {
        return step.fail("new instance " + std::to_string(instance->serial) + " reads " +
                         describeSlot(reported, instance->driver.get()) + ", expected " + describeSlot(slot, nullptr));
    }
    instance->slot = slot;
    for (std::int32_t number = kFirstDrawnControl; number <= kLastDrawnControl; ++number) {
        const qm::ControlId id = drawnControl(number);
        instance->expect(id, instance->driver->control(id));
    }
    instance->rateHz = chooseSampleRate(state.random);
    instance->maxBlockFrames = chooseBlockSize(state.random);
    instance->driver->setStream(instance->rateHz, instance->maxBlockFrames, state.random.chance(300));
    state.count(11);
    // Hosts resume what they made; now and then one stays suspended for a while.
    if (state.random.chance(900)) {
        instance->driver->setActive(true);
        instance->active = true;
        state.count(1);
    }
    InstanceModel* made = instance.get();
    state.instances.push_back(std::move(instance));
    LaneChange change(state.lanes[made->lane]);
    state.lanes[made->lane].members.push_back(made);
}

void destroyInstance(UiStep& step, std::size_t which, bool habits) {
    SessionState& state = step.state;
    InstanceModel& instance = *state.instances[which];
    Lane& lane = state.lanes[instance.lane];
    {
        LaneChange change(lane);
        lane.members.erase(std::find(lane.members.begin(), lane.members.end(), &instance));
        if (habits && instance.active && state.random.chance(700)) {
            instance.driver->setActive(false);
            state.count(1);
        }
    }
    if (habits && instance.editorOpen && state.random.chance(600)) {
        instance.driver->closeEditor();
        state.count(1);
    }
    // Closed while other instances may be processing on the audio threads.
    instance.driver.reset();
    state.count(1);
    state.instances.erase(state.instances.begin() + static_cast<std::ptrdiff_t>(which));
}

void toggleActive(UiStep& step, InstanceModel& instance) {
    LaneChange change(step.state.lanes[instance.lane]);
    instance.active = !instance.active;
    instance.driver->setActive(instance.active);
    step.state.count(1);
}

// After a stream change that may have made a new instance behind the object: the same instance
// keeps its slot, a new one takes the lowest slot the others leave free. Under the lane's lock.
void followRemadeSlot(UiStep& step, InstanceModel& instance) {
    SessionState& state = step.state;
    const std::int32_t now = instance.driver->slot();
    state.count(1);
    const std::int32_t previous = instance.slot;
    instance.slot = qm::kNoSlot;
    const std::int32_t lowest = lowestFreeSlot(state);
    const bool known = now == qm::kNoSlot || (now >= 0 && now < kSlots);
    instance.slot = now;
    if (!known || (now != previous && now != lowest)) {
        instance.slot = previous;
        step.fail("instance " + std::to_string(instance.serial) + " reads " + describeSlot(now, instance.driver.get()) +
                  " after a stream change; it had " + describeSlot(previous, nullptr) + ", the lowest free is " +
                  describeSlot(lowest, nullptr));
    }
}

// Hosts change the stream while the instance is suspended; now and then one does it while it runs.
void changeStream(UiStep& step, InstanceModel& instance) {
    SessionState& state = step.state;
    // A stream change that may make a new instance changes what the audio threads may expect.
    const bool remakes = state.driver.remakesOnStreamChange();
    if (remakes) instance.beginTouch();
    const float rate = state.random.chance(500) ? instance.rateHz : chooseSampleRate(state.random);
    const std::int32_t block = state.random.chance(300) ? instance.maxBlockFrames : chooseBlockSize(state.random);
    const bool together = state.random.chance(300);
    if (state.random.chance(150)) {
        instance.driver->setStream(rate, block, together);
    } else {
        LaneChange change(state.lanes[instance.lane]);
        if (instance.active) instance.driver->setActive(false);
        instance.driver->setStream(rate, block, together);
        if (instance.active) instance.driver->setActive(true);
        state.count(2);
    }
    state.count(2);
    LaneChange change(state.lanes[instance.lane]);
    instance.rateHz = rate;
    instance.maxBlockFrames = block;
    if (remakes) {
        followRemadeSlot(step, instance);
        instance.endTouch();
    }
}

void setOneControl(UiStep& step, InstanceModel& instance) {
    SessionState& state = step.state;
    // Mostly the user's controls; now and then the slot or the meter, as a host recalling every
    // value it saw writes them too.
    const std::int32_t number = state.random.chance(30) ? (state.random.chance(500) ? 0 : kHostTargetCount - 1)
                                                        : state.random.between(kFirstDrawnControl, kLastDrawnControl);
    const float stored = chooseControlValue(state.random);
    step.setTarget(instance, hostTarget(number), stored);
}

// Listening as a user sets it up: processing on (mostly), the key inputs, duck or key, and now
// and then the threshold anywhere, the attack and the release low in their ranges.
void setUpListening(UiStep& step, InstanceModel& instance) {
    SessionState& state = step.state;
    step.setControl(instance, qm::ControlEnabled, state.random.chance(800) ? 1.0 : 0.0);
    for (std::int32_t slot = 0; slot < kSlots; ++slot) {
        const auto input = static_cast<qm::ControlId>(qm::ControlInputAlpha + slot);
        step.setControl(instance, input, state.random.chance(400) ? 1.0 : 0.0);
    }
    step.setControl(instance, qm::ControlDuckKey, state.random.chance(500) ? 1.0 : 0.0);
    if (state.random.chance(500)) {
        const auto stored = static_cast<float>(state.random.unit());
        step.setControl(instance, qm::ControlThreshold, controlAtStored(qm::ControlThreshold, stored));
    }
    if (state.random.chance(300)) {
        const auto stored = static_cast<float>(state.random.unit() * 0.3);
        step.setControl(instance, qm::ControlAttack, controlAtStored(qm::ControlAttack, stored));
    }
    if (state.random.chance(300)) {
        const auto stored = static_cast<float>(state.random.unit() * 0.5);
        step.setControl(instance, qm::ControlRelease, controlAtStored(qm::ControlRelease, stored));
    }
}

// A host restoring a project: every value of one instance written into another, as saved (the
// outputs too, which a format may keep where its host can write).
void recallProject(UiStep& step, InstanceModel& from, InstanceModel& to) {
    double controls[kHostTargetCount] = {};
    float outputs[kHostTargetCount] = {};
    for (std::int32_t number = 0; number < kHostTargetCount; ++number) {
        const HostTarget target = hostTarget(number);
        if (target.isControl()) controls[number] = from.driver->control(target.control());
        else outputs[number] = from.driver->outputAsRead(target.output());
    }
    step.state.count(kHostTargetCount);
    for (std::int32_t number = 0; number < kHostTargetCount; ++number) {
        const HostTarget target = hostTarget(number);
        if (target.isControl()) step.setControl(to, target.control(), controls[number]);
        else step.writeOutput(to, target.output(), outputs[number]);
    }
}

void readAllControls(UiStep& step, InstanceModel& instance) {
    for (std::int32_t number = 0; number < kHostTargetCount && !step.state.failed(); ++number) {
        step.checkTarget(instance, hostTarget(number));
    }
}

}  // namespace

void runUiStep(SessionState& state, bool withAudio) {
    UiStep step(state);
    const std::size_t live = state.instances.size();
    const bool full = live >= static_cast<std::size_t>(kMaxInstances);
    const std::uint32_t kind = state.random.weighted({
        full ? 0u : (live < 2 ? 30u : 5u),  // make
        live == 0 ? 0u : (full ? 8u : 3u),  // destroy
        live == 0 ? 0u : 3u,                // suspend or resume
        live == 0 ? 0u : 3u,                // stream
        live == 0 ? 0u : 20u,               // one control
        live == 0 ? 0u : 8u,                // listening
        live == 0 ? 0u : 3u,                // read all controls
        live == 0 ? 0u : 3u,                // texts and program name
        live < 2 ? 0u : 1u,                 // recall
        live == 0 ? 0u : 14u,               // editor
        withAudio && live > 0 ? 40u : 0u,   // audio
    });
    static constexpr const char* kNames[] = {"make",   "destroy", "suspend/resume", "stream", "control", "listening",
                                             "read controls", "texts", "recall", "editor", "audio"};
    step.begin(kNames[kind]);
    InstanceModel* instance = live > 0 ? state.instances[state.random.below(static_cast<std::uint32_t>(live))].get() : nullptr;
    switch (kind) {
    case 0: makeInstance(step); break;
    case 1: destroyInstance(step, state.random.below(static_cast<std::uint32_t>(live)), state.random.chance(850)); break;
    case 2: toggleActive(step, *instance); break;
    case 3: changeStream(step, *instance); break;
    case 4: setOneControl(step, *instance); break;
    case 5: setUpListening(step, *instance); break;
    case 6: readAllControls(step, *instance); break;
    case 7: step.texts(*instance); break;
    case 8: recallProject(step, *state.instances[state.random.below(static_cast<std::uint32_t>(live))], *instance); break;
    case 9: editorStep(step, *instance); break;
    default: {
        const int cycles = state.random.between(1, 4);
        for (int cycle = 0; cycle < cycles && !state.failed(); ++cycle) runAudioCycle(state, 0);
        break;
    }
    }
    step.end();
}

void endSession(SessionState& state) {
    UiStep step(state);
    step.begin("close project");
    while (!state.instances.empty() && !state.failed()) destroyInstance(step, state.instances.size() - 1, true);
    step.end();
    if (state.failed()) return;
    // Every slot is free again: four new instances take Alpha to Delta, a fifth none.
    step.begin("slot census");
    std::vector<std::unique_ptr<InstanceModel>> probes;
    for (std::int32_t i = 0; i <= kSlots && !state.failed(); ++i) {
        probes.push_back(std::make_unique<InstanceModel>(0, 0));
        probes.back()->driver = state.driver.make(*probes.back());
        state.count(2);
        const std::int32_t expected = i < kSlots ? i : qm::kNoSlot;
        DriverInstance* probe = probes.back()->driver.get();
        const std::int32_t slot = probe != nullptr ? probe->slot() : kNotASlot;
        if (slot != expected) {
            step.fail("after the project was closed, new instance " + std::to_string(i + 1) + " reads " +
                      describeSlot(slot, probe) + ", expected " + describeSlot(expected, nullptr) +
                      ": a slot stayed taken");
        }
    }
    probes.clear();
    step.end();
}

}  // namespace qmhost::validate
