// Drives instances as hosts and users do, with what the fuzzer chooses: the product with its
// editor, and effects on the shared bus (a region of the fuzzer's own) and on an in-process bus;
// dispatcher opcodes with arbitrary index, value and opt, and behind the pointers null, buffers of
// exactly the size the interface promises, or program chunks of any content; parameter writes of
// any float, switches often exactly on; blocks of any length, longer than the bus capacity too, in
// separate, in-place, aliased and null channel buffers, in both forms; hostile writes into the
// shared region between blocks; and the editor's mouse, wheel, keys and help panel. Any crash,
// sanitizer report, or a non-finite output of finite input fails.

#include <fuzzer/FuzzedDataProvider.h>
#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "FuzzEditor.h"
#include "FuzzRegion.h"
#include "PluginFuzzChoices.h"
#include "formats/vst2/DuckerEffectWithEditor.h"
#include "engine/LocalKeyBus.h"
#include "engine/SharedKeyBus.h"
#include "formats/vst2/base/PluginEntry.h"
#include "support/RecordingHost.h"

namespace {

using namespace qm;
using namespace qm::fuzz;

constexpr std::int32_t kCapacityFrames = SharedKeyBus::kCapacityFrames;

// The instances of one run: the product itself from the module entry (with its editor; at most
// one per run, as its bitmaps make it the slowest to create), and effects without an editor on the
// process's bus (the shared region) or on an in-process bus of the run.
struct Instances {
    std::vector<PluginRecord*> records;
    std::vector<std::unique_ptr<DuckerEffect>> effects;
    LocalKeyBus* localBus;
    bool productMade = false;

    PluginRecord* pick(FuzzedDataProvider& data) const {
        if (records.empty()) return nullptr;
        return records[data.ConsumeIntegralInRange<std::size_t>(0, records.size() - 1)];
    }
    void create(FuzzedDataProvider& data) {
        if (records.size() >= kMaxInstances) return;
        const int kind = data.ConsumeIntegralInRange<int>(KindProduct, KindLocalBus);
        if (kind == KindProduct && !productMade) {
            productMade = true;
            if (PluginRecord* record = quellmarMain(test::RecordingHost::callback)) records.push_back(record);
            return;
        }
        if (kind == KindSharedBus) effects.push_back(std::make_unique<DuckerEffect>(test::RecordingHost::callback));
        else effects.push_back(std::make_unique<DuckerEffect>(test::RecordingHost::callback, *localBus));
        records.push_back(effects.back()->getRecord());
    }
    void close(PluginRecord* record) {
        records.erase(std::find(records.begin(), records.end(), record));
        for (auto it = effects.begin(); it != effects.end(); ++it) {
            if ((*it)->getRecord() == record) {
                effects.erase(it);
                return;
            }
        }
        record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
    }
};

void dispatchSomething(PluginRecord* record, FuzzedDataProvider& data) {
    const std::int32_t opcode = data.ConsumeIntegralInRange<std::int32_t>(kFirstOpcode, kLastOpcode);
    if (opcode == effClose) return;
    const std::int32_t index = data.ConsumeIntegral<std::int32_t>();
    VstIntPtr value = data.ConsumeIntegralInRange<VstIntPtr>(-kDispatchValueReach, kDispatchValueReach);
    const float opt = data.ConsumeFloatingPoint<float>();
    // Exactly sized heap buffers: a byte written beyond them is an AddressSanitizer report.
    const std::size_t extra = data.ConsumeBool() ? 0 : data.ConsumeIntegralInRange<std::size_t>(0, kMaxExtraBytes);
    const std::size_t bytes = writableBytes(opcode) + extra;
    std::vector<char> buffer(bytes, '\0');
    const std::string text = data.ConsumeRandomLengthString(bytes - 1);
    std::memcpy(buffer.data(), text.data(), text.size());
    void* ptr = data.ConsumeIntegralInRange<int>(0, kLastPointerChoice) == 0 ? nullptr : buffer.data();
    void* pointerSlots[2] = {buffer.data(), buffer.data()};
    switch (opcode) {
    case effEditOpen: ptr = nullptr; break;  // a parent window would have to be real
    case effEditGetRect:
    case effGetChunk:
        if (ptr != nullptr) ptr = &pointerSlots[0];
        break;
    case effGetSpeakerArrangement:
        if (ptr != nullptr) ptr = &pointerSlots[0];
        value = data.ConsumeBool() ? reinterpret_cast<VstIntPtr>(&pointerSlots[1]) : 0;
        break;
    case effSetSpeakerArrangement: value = data.ConsumeBool() ? reinterpret_cast<VstIntPtr>(buffer.data()) : 0; break;
    case effSetChunk: value = ptr != nullptr ? static_cast<VstIntPtr>(bytes) : 0; break;
    default: break;
    }
    record->dispatcher(record, opcode, index, value, ptr, opt);
}

std::int32_t chooseParameterIndex(FuzzedDataProvider& data) {
    return data.ConsumeIntegralInRange<std::int32_t>(-kParameterIndexReach, kParameterIndexReach);
}

float chooseParameterValue(FuzzedDataProvider& data) {
    constexpr std::size_t kLast = std::size(kTypicalParameterValues) - 1;
    if (data.ConsumeBool()) return kTypicalParameterValues[data.ConsumeIntegralInRange<std::size_t>(0, kLast)];
    return data.ConsumeFloatingPoint<float>();
}

// Mostly host-sized blocks; sometimes empty or negative counts, larger ones, or blocks just longer
// than the bus capacity (at most one such per run, to keep runs fast).
std::int32_t chooseFrames(FuzzedDataProvider& data, bool& longBlockDone) {
    switch (data.ConsumeIntegralInRange<int>(FramesTiny, kLastFramesChoice)) {
    case FramesTiny: return data.ConsumeIntegralInRange<std::int32_t>(-3, 3);
    case FramesPastCapacity:
        if (longBlockDone) return 0;
        longBlockDone = true;
        return data.ConsumeIntegralInRange<std::int32_t>(kCapacityFrames - 2, kCapacityFrames + 3000);
    case FramesLarge: return data.ConsumeIntegralInRange<std::int32_t>(kMaxHostFrames + 1, 8192);
    default: return data.ConsumeIntegralInRange<std::int32_t>(0, kMaxHostFrames);
    }
}

void processSomething(PluginRecord* record, FuzzedDataProvider& data, bool& longBlockDone) {
    const std::int32_t frames = chooseFrames(data, longBlockDone);
    const std::size_t length = frames > 0 ? static_cast<std::size_t>(frames) : 0;
    // One buffer for every run, so that its pages are not mapped anew at every block; what lies
    // beyond this block's four channels is poisoned, so a write past them is still reported.
    static std::vector<float> buffer(4 * static_cast<std::size_t>(kCapacityFrames + 3000) + 1);
    ASAN_UNPOISON_MEMORY_REGION(buffer.data(), buffer.size() * sizeof(float));
    const std::span<float> samples(buffer.data(), 4 * length);
    ASAN_POISON_MEMORY_REGION(buffer.data() + samples.size(), (buffer.size() - samples.size()) * sizeof(float));
    const float fill = data.ConsumeFloatingPoint<float>();
    const std::size_t stride = data.ConsumeIntegralInRange<std::size_t>(1, kMaxSampleStride);
    std::fill(samples.begin(), samples.end(), fill);
    for (std::size_t i = 0; i < samples.size() && data.remaining_bytes() >= sizeof(float); i += stride) {
        samples[i] = data.ConsumeFloatingPoint<float>();
    }
    float* in[2] = {samples.data(), samples.data() + length};
    float* out[2] = {samples.data() + 2 * length, samples.data() + 3 * length};
    const int layout = data.ConsumeIntegralInRange<int>(LayoutSeparate, LayoutNullOutputs);
    if (layout == LayoutInPlace) std::memcpy(out, in, sizeof in);
    if (layout == LayoutOneInput) in[1] = in[0];
    if (layout == LayoutOneOutput) out[1] = out[0];
    if (layout == LayoutNullChannel) (data.ConsumeBool() ? in : out)[data.ConsumeIntegralInRange<int>(0, 1)] = nullptr;
    const bool replacing = data.ConsumeBool();
    float** inputs = layout == LayoutNullInputs ? nullptr : in;
    float** outputs = layout == LayoutNullOutputs ? nullptr : out;
    if (replacing) record->processReplacing(record, inputs, outputs, frames);
    else record->process(record, inputs, outputs, frames);

    // Finite input through separate buffers gives finite output, whatever the keys hold.
    if (!replacing || layout != LayoutSeparate) return;
    bool finiteInput = true;
    for (std::size_t i = 0; i < 2 * length; ++i) finiteInput = finiteInput && std::isfinite(samples[i]);
    for (std::size_t i = 2 * length; finiteInput && i < 4 * length; ++i) {
        if (!std::isfinite(samples[i])) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::usePrivateRuntimeDirectory();
    fuzz::prepareEditorInput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    LocalKeyBus localBus;
    Instances instances{{}, {}, &localBus, false};
    bool longBlockDone = false;
    fuzz::beginRun();
    while (data.remaining_bytes() > 0) {
        const int action = data.ConsumeIntegralInRange<int>(StepCreate, kLastStep);
        if (action == StepCreate) {
            instances.create(data);
            continue;
        }
        if (action == StepTamper) {
            fuzz::tamperWithRegion(data);
            continue;
        }
        PluginRecord* record = instances.pick(data);
        if (record == nullptr) continue;
        switch (action) {
        case StepClose: instances.close(record); break;
        case StepDispatch: dispatchSomething(record, data); break;
        case StepSetParameter: {
            const std::int32_t index = chooseParameterIndex(data);
            record->setParameter(record, index, chooseParameterValue(data));
            break;
        }
        case StepGetParameter: record->getParameter(record, chooseParameterIndex(data)); break;
        case StepEditor: fuzz::driveEditor(record, data); break;
        default: processSomething(record, data, longBlockDone); break;
        }
    }
    while (!instances.records.empty()) instances.close(instances.records.back());
    test::RecordingHost::get().reset();
    return 0;
}
