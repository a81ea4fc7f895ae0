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

// The control value (user units, extended curve) that a port value shows: the plug-in limits it to
// the control's range first.
double controlOfPortValue(std::int32_t id, float portValue) {
    const auto control = static_cast<qm::ControlId>(id);
    return qm::extendedControlValueFor(control, qm::parameterValueFor(control, portValue));
}

}  // namespace

Lv2Instance::Lv2Instance(Lv2Module& module, InstanceEvents& events)
    : module(module), events(events), ports(module.ports()), portValues(ports.count, 0.0f),
      hostValues(new std::atomic<float>[ports.count]), shownValues(ports.count, 0.0f), shown(ports.count, false) {
    for (std::uint32_t port = 0; port < ports.count; ++port) hostValues[port].store(ports.defaults[port]);
    for (std::int32_t id = 0; id < qm::kControlCount; ++id) {
        written[id].store(controlOfPortValue(id, ports.defaults[ports.control[id]]));
    }
    outputs[qm::OutputSlot].store(static_cast<float>(qm::kNoSlot));
    outputs[qm::OutputMeter].store(0.0f);
    outputs[qm::OutputLatency].store(0.0f);
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

// The port gets the control's float on its plain curve from the value's stored form: a port holds
// no extended value, and the plain curve is what the plug-in's own UI writes.
void Lv2Instance::setControl(qm::ControlId id, double value) {
    written[id].store(value);
    hostValues[ports.control[id]].store(qm::controlValueFor(id, qm::parameterValueForExtended(id, value)));
}

double Lv2Instance::control(qm::ControlId id) { return written[id].load(); }

float Lv2Instance::outputPortValue(qm::OutputId id) const {
    return ports.output[id] != kNoPort ? outputs[id].load() : 0.0f;
}

// The slot port says kNoSlot without a slot; any negative value, or NaN, is read as none.
std::int32_t Lv2Instance::slot() {
    const float value = outputPortValue(qm::OutputSlot);
    if (!(value >= 0.0f)) return qm::kNoSlot;
    const bool whole = value < static_cast<float>(qm::kKeySlotCount) &&
                       value == static_cast<float>(static_cast<std::int32_t>(value));
    return whole ? static_cast<std::int32_t>(value) : kNotASlot;
}

// The slot as the sessions have always read it from either format: the port's value, or
// kNoSlotValue (6) without a slot, so that their hashes stay those recorded.
float Lv2Instance::outputAsRead(qm::OutputId id) {
    const float value = outputPortValue(id);
    if (id == qm::OutputSlot && !(value >= 0.0f)) return qm::kNoSlotValue;
    return value;
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
    for (std::int32_t id = 0; id < qm::kOutputCount; ++id) {
        if (ports.output[id] != kNoPort) outputs[id].store(portValues[ports.output[id]]);
    }
}

std::int32_t Lv2Instance::controlOfPort(std::uint32_t port) const {
    for (std::int32_t id = 0; id < qm::kControlCount; ++id) {
        if (ports.control[id] == port) return id;
    }
    return -1;
}

std::uint32_t Lv2Instance::portOfTarget(HostTarget target) const {
    switch (target.kind) {
    case HostTarget::Kind::Control: return ports.control[target.id];
    case HostTarget::Kind::Output: return ports.output[target.id];
    case HostTarget::Kind::PastTheEnds: break;
    }
    return kNoPort;
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
        if (port == ports.output[qm::OutputSlot]) value = outputs[qm::OutputSlot].load();
        else if (port == ports.output[qm::OutputMeter]) value = outputs[qm::OutputMeter].load();
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
    const double control = controlOfPortValue(id, value);
    written[id].store(control);
    events.controlAutomated(static_cast<qm::ControlId>(id), control);
}

void Lv2Instance::portTouched(std::uint32_t port, bool grabbed) {
    const std::int32_t id = controlOfPort(port);
    if (id >= 0) events.gesture(static_cast<qm::ControlId>(id), grabbed);
}

void Lv2Instance::text(TextKind kind, HostTarget target, char* buffer) {
    const std::uint32_t port = portOfTarget(target);
    std::string shownText;
    switch (kind) {
    case TextName: shownText = module.portName(port); break;
    case TextLabel: shownText = module.portUnit(port); break;
    case TextDisplay:
        if (port != kNoPort) {
            const float value = target.isOutput() ? outputs[target.id].load() : hostValues[port].load();
            shownText = module.portDisplay(port, value);
        }
        break;
    case TextVendor: shownText = module.authorName(); break;
    default: shownText = module.pluginName(); break;
    }
    std::snprintf(buffer, textBytes(kind), "%s", shownText.c_str());
}

}  // namespace qmhost::validate
