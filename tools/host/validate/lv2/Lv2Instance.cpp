#include "tools/host/validate/lv2/Lv2Instance.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>

#include "engine/Parameters.h"

namespace qmhost::validate {
namespace {

// What the audio ports point at for the empty block after instantiation.
float emptyBlock[1] = {0.0f};

}  // namespace

Lv2Instance::Lv2Instance(Lv2Module& module, InstanceEvents& events)
    : module(module), events(events), ports(module.ports()), portValues(ports.count, 0.0f),
      hostValues(new std::atomic<float>[ports.count]), shownValues(ports.count, 0.0f), shown(ports.count, false) {
    for (std::uint32_t port = 0; port < ports.count; ++port) hostValues[port].store(ports.defaults[port]);
    for (std::int32_t index = 0; index < 11; ++index) {
        const std::int32_t id = qm::controlForParameter(index);
        const float value = id >= 0 ? qm::parameterValueFor(static_cast<qm::ControlId>(id),
                                                             ports.defaults[ports.control[id]])
                                    : 0.0f;
        written[index].store(value);
    }
    // Instantiated at the most usual rate until the host sets its stream.
    std::lock_guard<std::mutex> guard(lock);
    instantiate(rateHz, 0);
}

Lv2Instance::~Lv2Instance() {
    editor.reset();
    std::lock_guard<std::mutex> guard(lock);
    release();
}

void Lv2Instance::release() {
    if (instance == nullptr) return;
    if (active) lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    instance = nullptr;
}

void Lv2Instance::instantiate(double newRateHz, std::int32_t maxFrames) {
    instance = module.instantiate(newRateHz, maxFrames, features);
    if (instance == nullptr) return;
    rateHz = newRateHz;
    announcedFrames = features.bounded ? maxFrames : 0;
    for (std::uint32_t port = 0; port < ports.count; ++port) {
        if (ports.isControl[port]) lilv_instance_connect_port(instance, port, &portValues[port]);
    }
    // Hosts run an empty block to read what the outputs report (latency, here the slot).
    lilv_instance_activate(instance);
    runPiece(nullptr, nullptr, nullptr, 0, 0);
    if (!active) lilv_instance_deactivate(instance);
}

void Lv2Instance::setControl(std::int32_t index, float value) {
    const std::int32_t id = index >= 1 && index <= 9 ? qm::controlForParameter(index) : -1;
    // The slot and meter are outputs: a host's write to them goes nowhere.
    if (id < 0) return;
    written[index].store(value);
    hostValues[ports.control[id]].store(qm::controlValueFor(static_cast<qm::ControlId>(id), value));
}

float Lv2Instance::control(std::int32_t index) {
    if (index == qm::ParamOwnSlot) {
        const float slot = slotOutput.load();
        return slot >= 0.0f ? slot : qm::kNoSlotValue;
    }
    if (index == qm::ParamMeter) return meterOutput.load();
    return index >= 1 && index <= 9 ? written[index].load() : 0.0f;
}

void Lv2Instance::setStream(float sampleRateHz, std::int32_t maxBlockFrames, bool) {
    const std::int32_t frames = std::max(maxBlockFrames, 0);
    // A bound can be kept while blocks stay within it; none announced takes any block.
    const bool withinBound = announcedFrames == 0 || (frames > 0 && frames <= announcedFrames);
    std::lock_guard<std::mutex> guard(lock);
    if (static_cast<double>(sampleRateHz) == rateHz && withinBound && instance != nullptr) return;
    const double previousRateHz = rateHz;
    const std::int32_t previousFrames = announcedFrames;
    release();
    instantiate(sampleRateHz, frames);
    if (instance == nullptr) instantiate(previousRateHz, previousFrames);
}

void Lv2Instance::setActive(bool activeNow) {
    std::lock_guard<std::mutex> guard(lock);
    if (activeNow == active || instance == nullptr) return;
    if (activeNow) lilv_instance_activate(instance);
    else lilv_instance_deactivate(instance);
    active = activeNow;
}

void Lv2Instance::process(float* const* in, float* const* out, const float* const* key, std::int32_t frames, bool) {
    std::lock_guard<std::mutex> guard(lock);
    if (instance == nullptr) return;
    // Blocks longer than the announced bound go in pieces, as a host keeps its promise.
    const std::int32_t piece = announcedFrames > 0 ? announcedFrames : std::max(frames, 1);
    std::int32_t offset = 0;
    do {
        const std::int32_t count = std::min(piece, frames - offset);
        runPiece(in, out, key, offset, static_cast<std::uint32_t>(std::max(count, 0)));
        offset += piece;
    } while (offset < frames);
}

void Lv2Instance::runPiece(float* const* in, float* const* out, const float* const* key, std::int32_t offset,
                           std::uint32_t frames) {
    for (int c = 0; c < 2; ++c) {
        lilv_instance_connect_port(instance, ports.in[c], in != nullptr ? in[c] + offset : emptyBlock);
        lilv_instance_connect_port(instance, ports.out[c], out != nullptr ? out[c] + offset : emptyBlock);
        if (ports.side[c] != kNoPort) {
            float* side = key != nullptr ? const_cast<float*>(key[c] + offset) : nullptr;
            lilv_instance_connect_port(instance, ports.side[c], side);
        }
    }
    for (std::uint32_t port = 0; port < ports.count; ++port) {
        if (ports.isControl[port] && ports.isInput[port]) portValues[port] = hostValues[port].load();
    }
    lilv_instance_run(instance, frames);
    slotOutput.store(portValues[ports.slot]);
    meterOutput.store(portValues[ports.meter]);
}

std::int32_t Lv2Instance::controlOfPort(std::uint32_t port) const {
    for (std::int32_t id = 0; id < qm::kControlCount; ++id) {
        if (ports.control[id] == port) return id;
    }
    return -1;
}

bool Lv2Instance::hasEditor() const {
    // The UI needs a window of the host's: without a display there is none.
    return std::getenv("DISPLAY") != nullptr && module.uiDescriptor() != nullptr;
}

bool Lv2Instance::openEditor(void* parent) {
    // Opened again over itself: the old UI goes first, as a host that shows one UI per instance.
    editor.reset();
    std::fill(shown.begin(), shown.end(), false);
    editor = Lv2Editor::open(module.uiDescriptor(), module.pluginUri(), module.uiBundlePath(), parent, *this,
                             module.uridMap());
    if (editor == nullptr) return false;
    showPortValues();
    return true;
}

void Lv2Instance::idleEditor() {
    if (editor == nullptr) return;
    showPortValues();
    editor->idle();
}

bool Lv2Instance::editorSize(std::int32_t& width, std::int32_t& height) {
    return editor != nullptr && editor->size(width, height);
}

void Lv2Instance::closeEditor() { editor.reset(); }

void Lv2Instance::showPortValues() {
    for (std::uint32_t port = 0; port < ports.count; ++port) {
        float value = 0.0f;
        if (port == ports.slot) value = slotOutput.load();
        else if (port == ports.meter) value = meterOutput.load();
        else if (ports.isControl[port] && ports.isInput[port]) value = hostValues[port].load();
        else continue;
        const bool same = std::bit_cast<std::uint32_t>(value) == std::bit_cast<std::uint32_t>(shownValues[port]);
        if (shown[port] && same) continue;
        shown[port] = true;
        shownValues[port] = value;
        editor->portEvent(port, value);
    }
}

void Lv2Instance::portWritten(std::uint32_t port, float value) {
    const std::int32_t id = controlOfPort(port);
    if (id < 0) return;
    hostValues[port].store(value);
    shown[port] = true;
    shownValues[port] = value;
    const std::int32_t index = qm::controlInfo(static_cast<qm::ControlId>(id)).parameter;
    if (index < 1) return;
    const float stored = qm::parameterValueFor(static_cast<qm::ControlId>(id), value);
    written[index].store(stored);
    events.controlAutomated(index, stored);
}

void Lv2Instance::portTouched(std::uint32_t port, bool grabbed) {
    const std::int32_t id = controlOfPort(port);
    const std::int32_t index = id >= 0 ? qm::controlInfo(static_cast<qm::ControlId>(id)).parameter : -1;
    if (index >= 1) events.gesture(index, grabbed);
}

void Lv2Instance::text(int kind, std::int32_t index, char* buffer) {
    std::uint32_t port = kNoPort;
    if (index == qm::ParamOwnSlot) port = ports.slot;
    else if (index == qm::ParamMeter) port = ports.meter;
    else if (index >= 1 && index <= 9) port = ports.control[qm::controlForParameter(index)];
    std::string shownText;
    switch (kind) {
    case 0: shownText = module.portName(port); break;
    case 1: shownText = module.portUnit(port); break;
    case 2:
        if (port != kNoPort) {
            const float value = port == ports.slot ? slotOutput.load()
                                : port == ports.meter ? meterOutput.load()
                                                      : hostValues[port].load();
            shownText = module.portDisplay(port, value);
        }
        break;
    case 3: shownText = module.authorName(); break;
    default: shownText = module.pluginName(); break;
    }
    std::snprintf(buffer, textBytes(kind), "%s", shownText.c_str());
}

}  // namespace qmhost::validate
