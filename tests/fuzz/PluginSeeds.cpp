// The plug-in fuzzer's seeds: sessions that reach what it exists for, each in the steps it reads.
// A listener hears one to four slots in duck and in key mode, on the shared and the in-process
// bus, after talkers published a loud block; the product's editor is opened, clicked, dragged,
// turned, typed at and its help panel opened and closed; program chunks are read and written; the
// shared region is overwritten between blocks.

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSeeds.h"
#include "PluginFuzzChoices.h"
#include "SeedWriter.h"
#include "engine/KeyRegionLayout.h"
#include "engine/Parameters.h"
#include "formats/vst2/base/PluginInterface.h"
#include "gui/KeyCode.h"

namespace qm::fuzz {
namespace {

// Blocks are filled with one value. ConsumeFloatingPoint gives no finite float between 0 and
// about 8e28, so a key that is heard is this loud; gains stay within 0..1, outputs finite.
constexpr float kLoud = 1e30f;
constexpr std::int32_t kBlockFrames = 64;
// The fuzz tier runs this target with -max_len=256: a longer seed would lose its end there.
constexpr std::size_t kMaxSeedBytes = 256;
// A point in the editor's coordinates.
struct At {
    std::int32_t x;
    std::int32_t y;
};
// The help mark, and a point inside the open help panel.
constexpr At kHelpMark{242, 30};
constexpr At kInsideHelp{100, 100};

// A scripted mouse state: buttons (MouseBits) and where the cursor is.
struct Mouse {
    std::uint8_t buttons;
    At at;
};

// One run of the plug-in fuzzer, step by step. Instances are numbered as the fuzzer keeps them:
// in the order they were made, a closed one taken out.
class Session {
public:
    Session& create(InstanceKind kind) {
        if (instances == kMaxInstances) throw std::logic_error("more instances than a run makes");
        writer.integral<int>(StepCreate, kLastStep, StepCreate);
        writer.integral<int>(KindProduct, KindLocalBus, kind);
        ++instances;
        return *this;
    }
    Session& close(std::size_t instance) {
        step(StepClose, instance);
        --instances;
        return *this;
    }
    // Sets a parameter to one of the typical values, or else the nearest value the fuzzer can give.
    Session& set(std::size_t instance, std::int32_t index, float value) {
        step(StepSetParameter, instance);
        writer.integral<std::int32_t>(-kParameterIndexReach, kParameterIndexReach, index);
        const auto* typical = std::find(std::begin(kTypicalParameterValues), std::end(kTypicalParameterValues), value);
        const bool isTypical = typical != std::end(kTypicalParameterValues);
        writer.boolean(isTypical);
        if (isTypical) {
            const auto index = static_cast<std::size_t>(typical - std::begin(kTypicalParameterValues));
            writer.integral<std::size_t>(0, std::size(kTypicalParameterValues) - 1, index);
        } else {
            writer.floating(value);
        }
        return *this;
    }
    // A host-sized block of separate buffers, every sample (inputs and outputs) at `level`.
    Session& process(std::size_t instance, float level, bool replacing = true) {
        step(StepProcess, instance);
        writer.integral<int>(FramesTiny, kLastFramesChoice, FramesHostSized);
        writer.integral<std::int32_t>(0, kMaxHostFrames, kBlockFrames);
        writer.floating(level);
        writer.integral<std::size_t>(1, kMaxSampleStride, kMaxSampleStride);
        for (std::size_t i = 0; i < 4 * kBlockFrames; i += kMaxSampleStride) writer.floating(level);
        writer.integral<int>(LayoutSeparate, LayoutNullOutputs, LayoutSeparate);
        writer.boolean(replacing);
        return *this;
    }
    // A dispatcher call with a buffer of what the opcode needs plus `extraBytes`, holding `text`.
    Session& dispatch(std::size_t instance, std::int32_t opcode, std::int32_t index, std::int64_t value,
                      std::string_view text = {}, std::size_t extraBytes = 0) {
        if (opcode == effClose) throw std::logic_error("the fuzzer closes instances by its own step");
        step(StepDispatch, instance);
        writer.integral<std::int32_t>(kFirstOpcode, kLastOpcode, opcode);
        writer.integral<std::int32_t>(index);
        writer.integral<VstIntPtr>(-kDispatchValueReach, kDispatchValueReach, static_cast<VstIntPtr>(value));
        writer.floating(0.0f);
        writer.boolean(extraBytes == 0);
        if (extraBytes != 0) writer.integral<std::size_t>(0, kMaxExtraBytes, extraBytes);
        writer.text(text, writableBytes(opcode) + extraBytes - 1);
        writer.integral<int>(0, kLastPointerChoice, kLastPointerChoice);
        if (opcode == effGetSpeakerArrangement || opcode == effSetSpeakerArrangement) writer.boolean(true);
        return *this;
    }
    // Editor actions that take no further choice: open, close, idle, draw, update.
    Session& editor(std::size_t instance, EditorAction action) {
        if (action != EditorOpen && action != EditorClose && action != EditorIdle && action != EditorDraw &&
            action != EditorUpdate) {
            throw std::logic_error("an editor action with choices of its own");
        }
        editorStep(instance, action);
        return *this;
    }
    Session& key(std::size_t instance, std::int32_t character, std::uint8_t virtualKey, int modifiers, bool down) {
        editorStep(instance, EditorKey);
        writer.integral<std::int32_t>(-1, kLastKeyCharacter, character);
        writer.integral<std::uint8_t>(virtualKey);
        writer.integral<int>(0, kLastKeyModifiers, modifiers);
        writer.boolean(down);
        return *this;
    }
    // A press at `where` while the mouse goes through `held`, then every button up.
    Session& press(std::size_t instance, At where, const std::vector<Mouse>& held) {
        editorStep(instance, EditorPress);
        point(where);
        mouse(held, where);
        return *this;
    }
    // The wheel turned over the editor as a whole, or over `where` in it.
    Session& wheel(std::size_t instance, float distance, const At* where = nullptr) {
        editorStep(instance, EditorWheel);
        writer.floatingInRange(-kMaxWheelDistance, kMaxWheelDistance, distance);
        writer.boolean(where == nullptr);
        if (where != nullptr) point(*where);
        return *this;
    }
    // The help mark pressed (opening the panel), then a press at `closeAt` (closing it).
    Session& help(std::size_t instance, const std::vector<Mouse>& opening, At closeAt,
                  const std::vector<Mouse>& closing) {
        editorStep(instance, EditorHelp);
        mouse(opening, opening.empty() ? At{0, 0} : opening.back().at);
        point(closeAt);
        mouse(closing, closeAt);
        return *this;
    }
    // Bytes written over the shared region's slot records, `offset` bytes into them.
    Session& overwriteSlotRecords(std::size_t offset, const std::vector<std::uint8_t>& bytes) {
        constexpr std::size_t kSlotsEnd = sizeof(KeyRegionHeader) + sizeof(KeySlotState) * kKeySlotCount;
        writer.integral<int>(StepCreate, kLastStep, StepTamper);
        writer.integral<int>(TamperUnlink, kLastTamper, TamperWrite);
        writer.integral<int>(PartHeader, PartAnywhere, PartSlots);
        writer.integral<std::size_t>(sizeof(KeyRegionHeader), kSlotsEnd - 1, sizeof(KeyRegionHeader) + offset);
        writer.integral<std::size_t>(1, kMaxTamperBytes, bytes.size());
        writer.bytes(bytes);
        return *this;
    }

    std::vector<std::uint8_t> input() const {
        std::vector<std::uint8_t> bytes = writer.input();
        if (bytes.size() > kMaxSeedBytes) throw std::length_error("a seed longer than the fuzz runs read");
        return bytes;
    }

private:
    void step(Step action, std::size_t instance) {
        if (instance >= instances) throw std::logic_error("a step on an instance that does not exist");
        writer.integral<int>(StepCreate, kLastStep, action);
        writer.integral<std::size_t>(0, instances - 1, instance);
    }
    void editorStep(std::size_t instance, EditorAction action) {
        step(StepEditor, instance);
        writer.integral<int>(EditorOpen, EditorUpdate, action);
    }
    void point(At at) {
        writer.integral<std::int32_t>(kLeastPointX, kMostPointX, at.x);
        writer.integral<std::int32_t>(kLeastPointY, kMostPointY, at.y);
    }
    void mouse(const std::vector<Mouse>& held, At release) {
        writer.integral<int>(0, kMaxPressSteps, static_cast<int>(held.size()));
        for (const Mouse& state : held) {
            writer.integral<std::uint8_t>(state.buttons);
            point(state.at);
        }
        point(release);
    }

    SeedWriter writer;
    std::size_t instances = 0;
};

// Talkers on the first slots publish a loud block; the listener after them hears `slots` slots
// (with four, its own among them) in duck or key mode and processes a block of its own.
Seed listener(bool duck, int slots, InstanceKind bus) {
    Session session;
    const std::size_t talkers = static_cast<std::size_t>(std::min(slots, kKeySlotCount - 1));
    for (std::size_t i = 0; i <= talkers; ++i) session.create(bus);
    const std::size_t listening = talkers;
    session.set(listening, ParamBypass, 0.0f).set(listening, ParamDuckKey, duck ? 1.0f : 0.0f);
    for (int k = 0; k < slots; ++k) session.set(listening, ParamInputAlpha + k, 1.0f);
    for (std::size_t i = 0; i < talkers; ++i) session.process(i, kLoud);
    session.process(listening, kLoud).process(listening, kLoud, false);
    const std::string busName = bus == KindSharedBus ? "shared" : "local";
    return {"listener-" + std::string(duck ? "duck" : "key") + "-" + std::to_string(slots) + "-" + busName,
            session.input()};
}

Seed editorMouse() {
    constexpr std::uint8_t kLeft = MouseLeft;
    Session session;
    session.create(KindProduct).editor(0, EditorOpen).editor(0, EditorDraw);
    // The Alpha input switch, clicked; the attack slider, dragged right with the fine key held.
    session.press(0, At{30, 115}, {{kLeft, {30, 115}}, {kLeft, {30, 115}}});
    session.press(0, At{150, 150}, {{kLeft, {150, 150}}, {kLeft, {170, 150}}, {kLeft | MouseShift, {200, 151}}});
    const At threshold{160, 194};
    session.wheel(0, 2.0f, &threshold).wheel(0, -1.0f);
    const std::vector<Mouse> atMark = {{kLeft, kHelpMark}, {kLeft, kHelpMark}};
    session.help(0, atMark, kInsideHelp, {{kLeft, kInsideHelp}, {kLeft, kInsideHelp}});
    session.editor(0, EditorUpdate).editor(0, EditorIdle).editor(0, EditorClose);
    return {"editor-mouse", session.input()};
}

Seed editorKeys() {
    Session session;
    session.create(KindProduct).editor(0, EditorOpen);
    // Arrows move the sliders (finer with shift); a character and the releases move nothing.
    session.key(0, 0, VKEY_RIGHT, 0, true).key(0, 0, VKEY_DOWN, MODIFIER_SHIFT, true).key(0, 0, VKEY_RIGHT, 0, false);
    session.key(0, 'a', 0, 0, true).key(0, 'a', 0, 0, false);
    session.editor(0, EditorIdle).editor(0, EditorClose).editor(0, EditorOpen).editor(0, EditorDraw);
    return {"editor-keys", session.input()};
}

Seed chunks() {
    Session session;
    session.create(KindLocalBus).create(KindSharedBus);
    session.dispatch(0, effGetChunk, 0, 0).dispatch(0, effGetChunk, 1, 0);
    // Index 0 is a bank's chunk, anything else a program's.
    session.dispatch(1, effSetChunk, 0, 0, "QuellmarV3 bank", 24).dispatch(1, effSetChunk, 1, 0, "program", 8);
    session.dispatch(0, effSetProgramName, 0, 0, "voice", 8).dispatch(0, effGetProgramName, 0, 0);
    session.process(0, kLoud).process(1, kLoud);
    return {"program-chunks", session.input()};
}

Seed hostCalls() {
    Session session;
    session.create(KindSharedBus);
    session.dispatch(0, effSetBlockSize, 0, 512).dispatch(0, effMainsChanged, 0, 1);
    session.dispatch(0, effGetParamDisplay, ParamThreshold, 0).dispatch(0, effGetParamName, ParamAttack, 0);
    session.dispatch(0, effCanDo, 0, 0, "bypass", 8).dispatch(0, effGetVendorString, 0, 0);
    session.process(0, kLoud).dispatch(0, effMainsChanged, 0, 0);
    return {"host-calls", session.input()};
}

// A listener on the shared bus whose talker's slot record is overwritten between blocks: both
// halves marked as being rewritten (odd sequence counts), with frame counts beyond the capacity.
Seed overwrittenRegion() {
    Session session;
    session.create(KindSharedBus).create(KindSharedBus);
    session.set(1, ParamBypass, 0.0f).set(1, ParamInputAlpha, 1.0f).process(0, kLoud);
    const std::vector<std::uint8_t> oddAndTooLong = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
    std::vector<std::uint8_t> halves = oddAndTooLong;
    halves.insert(halves.end(), oddAndTooLong.begin(), oddAndTooLong.end());
    session.overwriteSlotRecords(offsetof(KeySlotState, halves), halves);
    session.process(1, kLoud).process(0, kLoud).process(1, kLoud);
    // The talker gone, its slot is free: the listener (now the only instance) hears silence there.
    session.close(0).process(0, kLoud);
    return {"shared-region-overwritten", session.input()};
}

}  // namespace

std::vector<Seed> pluginSeeds() {
    std::vector<Seed> seeds;
    for (int slots = 1; slots <= kKeySlotCount; ++slots) {
        // Each mode on both buses, alternating with the number of slots heard.
        const bool sharedFirst = slots % 2 == 1;
        seeds.push_back(listener(true, slots, sharedFirst ? KindSharedBus : KindLocalBus));
        seeds.push_back(listener(false, slots, sharedFirst ? KindLocalBus : KindSharedBus));
    }
    seeds.push_back(editorMouse());
    seeds.push_back(editorKeys());
    seeds.push_back(chunks());
    seeds.push_back(hostCalls());
    seeds.push_back(overwrittenRegion());
    return seeds;
}

}  // namespace qm::fuzz
