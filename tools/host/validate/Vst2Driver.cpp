// The validator's driver for VST 2 modules: our host program's loader, the record's five entries,
// and a host callback that hands the instance's own requests (automation, gestures) to its events
// through the record's `user` field, which the interface leaves to the host. The model's controls
// are the module's parameters 1..9 in their stored form (through the controls' curves); the slot
// and the meter are parameters 0 and 10, which a host may write like any other.

#include <cstring>

#include "engine/Parameters.h"
#include "tools/host/PluginLoader.h"
#include "tools/host/validate/ModuleDriver.h"

namespace qmhost::validate {
namespace {

// The parameter that carries output `id`, or -1 (the latency is the record's, not a parameter).
std::int32_t parameterOfOutput(qm::OutputId id) {
    if (id == qm::OutputSlot) return qm::ParamOwnSlot;
    return id == qm::OutputMeter ? qm::ParamMeter : -1;
}

// The parameter index a host asks about for `target`; past the ends, as far before 0 or after the
// last parameter.
std::int32_t parameterOfTarget(HostTarget target) {
    switch (target.kind) {
    case HostTarget::Kind::Control: return qm::controlInfo(target.control()).parameter;
    case HostTarget::Kind::Output: return parameterOfOutput(target.output());
    case HostTarget::Kind::PastTheEnds: break;
    }
    return target.id < 0 ? target.id : qm::kParameterCount - 1 + target.id;
}

qm::VstIntPtr QM_CALL validatingHost(qm::PluginRecord* record, std::int32_t opcode, std::int32_t index,
                                     qm::VstIntPtr, void*, float opt) {
    auto* events = record != nullptr ? static_cast<InstanceEvents*>(record->user) : nullptr;
    switch (opcode) {
    case qm::audioMasterVersion: return 2400;
    case qm::audioMasterAutomate:
        if (const std::int32_t id = qm::controlForParameter(index); events != nullptr && id >= 0) {
            const auto control = static_cast<qm::ControlId>(id);
            events->controlAutomated(control, qm::extendedControlValueFor(control, opt));
        }
        return 0;
    case qm::audioMasterBeginEdit:
    case qm::audioMasterEndEdit:
        if (const std::int32_t id = qm::controlForParameter(index); events != nullptr && id >= 0) {
            events->gesture(static_cast<qm::ControlId>(id), opcode == qm::audioMasterBeginEdit);
        }
        return 1;
    case qm::audioMasterGetSampleRate: return 48000;
    case qm::audioMasterGetBlockSize: return 512;
    default: return 0;
    }
}

class Vst2Instance : public DriverInstance {
public:
    // Opened as hosts open what they made.
    Vst2Instance(qm::PluginRecord* made, InstanceEvents& events) : record(made) {
        record->user = &events;
        dispatch(qm::effOpen);
    }
    ~Vst2Instance() override { dispatch(qm::effClose); }

    // Every control the session sets has a parameter; the extended curve gives its stored value
    // back bit for bit.
    void setControl(qm::ControlId id, double value) override {
        const std::int32_t index = qm::controlInfo(id).parameter;
        if (index >= 0) record->setParameter(record, index, qm::parameterValueForExtended(id, value));
    }
    double control(qm::ControlId id) override {
        const std::int32_t index = qm::controlInfo(id).parameter;
        return index >= 0 ? qm::extendedControlValueFor(id, record->getParameter(record, index)) : 0.0;
    }
    // Parameter 0 says the slot, or kNoSlotValue without one; a host may have written anything there.
    std::int32_t slot() override {
        const float value = record->getParameter(record, qm::ParamOwnSlot);
        if (value == qm::kNoSlotValue) return qm::kNoSlot;
        const bool whole = value >= 0.0f && value < static_cast<float>(qm::kKeySlotCount) &&
                           value == static_cast<float>(static_cast<std::int32_t>(value));
        return whole ? static_cast<std::int32_t>(value) : kNotASlot;
    }
    float meter() override { return record->getParameter(record, qm::ParamMeter); }
    float outputAsRead(qm::OutputId id) override {
        const std::int32_t index = parameterOfOutput(id);
        return index >= 0 ? record->getParameter(record, index) : static_cast<float>(record->initialDelay);
    }
    void writeOutput(qm::OutputId id, float value) override {
        if (const std::int32_t index = parameterOfOutput(id); index >= 0) record->setParameter(record, index, value);
    }
    void setStream(float sampleRateHz, std::int32_t maxBlockFrames, bool together) override {
        if (together) {
            dispatch(qm::effSetBlockSizeAndSampleRate, 0, maxBlockFrames, nullptr, sampleRateHz);
        } else {
            dispatch(qm::effSetSampleRate, 0, 0, nullptr, sampleRateHz);
            dispatch(qm::effSetBlockSize, 0, maxBlockFrames);
        }
    }
    void setActive(bool active) override { dispatch(qm::effMainsChanged, 0, active ? 1 : 0); }
    bool canAccumulate() const override { return true; }
    void process(float* const* in, float* const* out, const float* const*, std::int32_t frames,
                 bool accumulate) override {
        auto** inputs = const_cast<float**>(in);
        auto** outputs = const_cast<float**>(out);
        if (accumulate) record->process(record, inputs, outputs, frames);
        else record->processReplacing(record, inputs, outputs, frames);
    }

    bool setProgramName(const char* name) override {
        dispatch(qm::effSetProgramName, 0, 0, const_cast<char*>(name));
        return true;
    }
    bool programName(char* buffer, std::size_t) override {
        dispatch(qm::effGetProgramName, 0, 0, buffer);
        return true;
    }
    // The published interface's limit for program names.
    std::size_t programNameBytes() const override { return 24; }
    std::size_t textBytes(TextKind kind) const override {
        static constexpr std::size_t kBytes[kTextKindCount] = {13, 13, 9, 12, 18, 18};
        return kind >= 0 && kind < kTextKindCount ? kBytes[kind] : 1;
    }
    void text(TextKind kind, HostTarget target, char* buffer) override {
        static constexpr std::int32_t kOpcodes[kTextKindCount] = {
            qm::effGetParamName,   qm::effGetParamLabel,    qm::effGetParamDisplay,
            qm::effGetVendorString, qm::effGetProductString, qm::effGetEffectName};
        if (kind < 0 || kind >= kTextKindCount) return;
        const bool ofTarget = kind == TextName || kind == TextLabel || kind == TextDisplay;
        dispatch(kOpcodes[kind], ofTarget ? parameterOfTarget(target) : 0, 0, buffer);
    }

    bool hasEditor() const override { return (record->flags & qm::effFlagsHasEditor) != 0; }
    bool openEditor(void* parent) override { return dispatch(qm::effEditOpen, 0, 0, parent) != 0; }
    void idleEditor() override { dispatch(qm::effEditIdle); }
    void editorKey(std::int32_t character, std::int32_t virtualKey, bool down) override {
        dispatch(down ? qm::effEditKeyDown : qm::effEditKeyUp, character, virtualKey);
    }
    bool editorSize(std::int32_t& width, std::int32_t& height) override {
        qm::ERect* rect = nullptr;
        if (dispatch(qm::effEditGetRect, 0, 0, &rect) == 0 || rect == nullptr) return false;
        width = rect->right - rect->left;
        height = rect->bottom - rect->top;
        return true;
    }
    void closeEditor() override { dispatch(qm::effEditClose); }

private:
    qm::VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, qm::VstIntPtr value = 0, void* ptr = nullptr,
                           float opt = 0.0f) {
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }

    qm::PluginRecord* record;
};

class Vst2Driver : public ModuleDriver {
public:
    explicit Vst2Driver(const std::string& path) : module(path) {
        if (!module.isLoaded()) return;
        Plugin probe(module.create(validatingHost));
        if (probe) count = probe.get()->numParams;
    }
    bool isLoaded() const override { return module.isLoaded() && count > 0; }
    std::string problem() const override {
        return module.isLoaded() ? "the module made no instance" : "the module cannot be loaded";
    }
    std::unique_ptr<DriverInstance> make(InstanceEvents& events) override {
        qm::PluginRecord* record = module.create(validatingHost);
        if (record == nullptr) return nullptr;
        return std::make_unique<Vst2Instance>(record, events);
    }

private:
    PluginModule module;
    std::int32_t count = 0;
};

}  // namespace

std::unique_ptr<ModuleDriver> makeVst2Driver(const std::string& path) { return std::make_unique<Vst2Driver>(path); }

}  // namespace qmhost::validate
