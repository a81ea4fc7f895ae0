// The validator's driver for VST 2 modules: our host program's loader, the record's five entries,
// and a host callback that hands the instance's own requests (automation, gestures) to its events
// through the record's `user` field, which the interface leaves to the host.

#include <cstring>

#include "tools/host/PluginLoader.h"
#include "tools/host/validate/ModuleDriver.h"

namespace qmhost::validate {
namespace {

qm::VstIntPtr QM_CALL validatingHost(qm::PluginRecord* record, std::int32_t opcode, std::int32_t index,
                                     qm::VstIntPtr, void*, float opt) {
    auto* events = record != nullptr ? static_cast<InstanceEvents*>(record->user) : nullptr;
    switch (opcode) {
    case qm::audioMasterVersion: return 2400;
    case qm::audioMasterAutomate:
        if (events != nullptr) events->controlAutomated(index, opt);
        return 0;
    case qm::audioMasterBeginEdit:
    case qm::audioMasterEndEdit:
        if (events != nullptr) events->gesture(index, opcode == qm::audioMasterBeginEdit);
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

    void setControl(std::int32_t index, float value) override { record->setParameter(record, index, value); }
    float control(std::int32_t index) override { return record->getParameter(record, index); }
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
    std::size_t textBytes(int kind) const override {
        static constexpr std::size_t kBytes[] = {13, 13, 9, 12, 18, 18};
        return kind >= 0 && kind < 6 ? kBytes[kind] : 1;
    }
    void text(int kind, std::int32_t index, char* buffer) override {
        static constexpr std::int32_t kOpcodes[] = {qm::effGetParamName,   qm::effGetParamLabel,
                                                    qm::effGetParamDisplay, qm::effGetVendorString,
                                                    qm::effGetProductString, qm::effGetEffectName};
        if (kind >= 0 && kind < 6) dispatch(kOpcodes[kind], index, 0, buffer);
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
    std::int32_t controlCount() const override { return count; }

private:
    PluginModule module;
    std::int32_t count = 0;
};

}  // namespace

std::unique_ptr<ModuleDriver> makeVst2Driver(const std::string& path) { return std::make_unique<Vst2Driver>(path); }

}  // namespace qmhost::validate
