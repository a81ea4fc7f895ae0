// Drives up to six instances with what the fuzzer chooses: dispatcher opcodes with arbitrary
// index, value and opt (and valid buffers behind every pointer), parameter writes of any float at
// any index, and processing of random frame counts and sample values in both forms.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <vector>

#include "host/PluginEntry.h"
#include "support/RecordingHost.h"

namespace {

using namespace qm;

constexpr int kMaxInstances = 6;
constexpr int kMaxFrames = 5000;

struct Buffers {
    alignas(16) char text[1024];
    alignas(16) char pointerTarget[1024];
    void* pointers[4];
};

void dispatchSomething(PluginRecord* record, FuzzedDataProvider& data, Buffers& buffers) {
    const std::int32_t opcode = data.ConsumeIntegralInRange<std::int32_t>(-3, 80);
    if (opcode == effClose) return;
    const std::int32_t index = data.ConsumeIntegral<std::int32_t>();
    VstIntPtr value = data.ConsumeIntegralInRange<VstIntPtr>(-70000, 70000);
    const float opt = data.ConsumeFloatingPoint<float>();
    std::memset(buffers.text, 0, sizeof buffers.text);
    const std::string name = data.ConsumeRandomLengthString(sizeof buffers.text - 1);
    std::memcpy(buffers.text, name.data(), name.size());
    void* ptr = buffers.text;
    // Opcodes whose ptr or value is the address of a pointer get a valid one.
    if (opcode == effEditGetRect || opcode == effGetChunk || opcode == effGetSpeakerArrangement) {
        buffers.pointers[0] = buffers.pointerTarget;
        ptr = &buffers.pointers[0];
    }
    if (opcode == effGetSpeakerArrangement || opcode == effSetSpeakerArrangement) {
        buffers.pointers[1] = buffers.pointerTarget;
        value = reinterpret_cast<VstIntPtr>(&buffers.pointers[1]);
    }
    if (opcode == effSetChunk) value = 0;
    record->dispatcher(record, opcode, index, value, ptr, opt);
}

void processSomething(PluginRecord* record, FuzzedDataProvider& data) {
    const int frames = data.ConsumeIntegralInRange<int>(0, kMaxFrames);
    std::vector<float> samples(static_cast<std::size_t>(frames) * 4);
    const float fill = data.ConsumeFloatingPoint<float>();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = data.remaining_bytes() >= sizeof(float) && i % 97 == 0 ? data.ConsumeFloatingPoint<float>() : fill;
    }
    float* in[2] = {samples.data(), samples.data() + frames};
    float* out[2] = {samples.data() + 2 * frames, samples.data() + 3 * frames};
    if (data.ConsumeBool()) record->processReplacing(record, in, out, frames);
    else record->process(record, in, out, frames);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    std::vector<PluginRecord*> instances;
    Buffers buffers{};
    while (data.remaining_bytes() > 0) {
        switch (data.ConsumeIntegralInRange<int>(0, 5)) {
        case 0:
            if (instances.size() < kMaxInstances) {
                if (PluginRecord* record = quellmarMain(test::RecordingHost::callback)) instances.push_back(record);
            }
            break;
        case 1:
            if (!instances.empty()) {
                const std::size_t which = data.ConsumeIntegralInRange<std::size_t>(0, instances.size() - 1);
                instances[which]->dispatcher(instances[which], effClose, 0, 0, nullptr, 0.0f);
                instances.erase(instances.begin() + static_cast<std::ptrdiff_t>(which));
            }
            break;
        case 2:
            if (!instances.empty()) {
                dispatchSomething(instances[data.ConsumeIntegralInRange<std::size_t>(0, instances.size() - 1)], data,
                                  buffers);
            }
            break;
        case 3:
            if (!instances.empty()) {
                PluginRecord* record = instances[data.ConsumeIntegralInRange<std::size_t>(0, instances.size() - 1)];
                record->setParameter(record, data.ConsumeIntegralInRange<std::int32_t>(-20, 20),
                                     data.ConsumeFloatingPoint<float>());
            }
            break;
        default:
            if (!instances.empty()) {
                processSomething(instances[data.ConsumeIntegralInRange<std::size_t>(0, instances.size() - 1)], data);
            }
            break;
        }
    }
    for (PluginRecord* record : instances) record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
    test::RecordingHost::get().reset();
    return 0;
}
