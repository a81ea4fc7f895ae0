#pragma once
// One LV2 instance as the validator drives it: the model's controls are the plug-in's control
// inputs, which are the host's (a value set reads back as it was set, whatever the plug-in keeps),
// and its outputs are output ports, which a host cannot write. The host's port values live in
// atomics and are copied into the ports before each run, as hosts do, so any thread may set them. A
// change of rate, or a larger block than announced, makes a new instance at the new stream with the
// same controls.

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "tools/host/validate/ModuleDriver.h"
#include "tools/host/validate/lv2/Lv2Editor.h"
#include "tools/host/validate/lv2/Lv2Module.h"

namespace qmhost::validate {

class Lv2Instance : public DriverInstance, private PortSink {
public:
    // A new instance of `module` reporting to `events`; check `isValid`.
    Lv2Instance(Lv2Module& module, InstanceEvents& events);
    ~Lv2Instance() override;
    bool isValid() const { return instance != nullptr; }

    void setControl(qm::ControlId id, double value) override;
    double control(qm::ControlId id) override;
    std::int32_t slot() override;
    float meter() override { return outputs[qm::OutputMeter].load(); }
    float outputAsRead(qm::OutputId id) override;
    // Outputs are the plug-in's: a host's write goes nowhere.
    void writeOutput(qm::OutputId, float) override {}
    void setStream(float sampleRateHz, std::int32_t maxBlockFrames, bool together) override;
    void setActive(bool active) override;
    bool canAccumulate() const override { return false; }
    bool hasSideChain() const override { return true; }
    void process(float* const* in, float* const* out, const float* const* key, std::int32_t frames,
                 bool accumulate) override;

    bool setProgramName(const char*) override { return false; }
    bool programName(char*, std::size_t) override { return false; }
    std::size_t programNameBytes() const override { return 1; }
    std::size_t textBytes(TextKind kind) const override { return kind >= TextVendor ? 128 : 64; }
    void text(TextKind kind, HostTarget target, char* buffer) override;

    bool hasEditor() const override;
    bool openEditor(void* parent) override;
    void idleEditor() override;
    void editorKey(std::int32_t, std::int32_t, bool) override {}
    bool editorSize(std::int32_t& width, std::int32_t& height) override;
    void closeEditor() override;

private:
    void portWritten(std::uint32_t port, float value) override;
    void portTouched(std::uint32_t port, bool grabbed) override;
    // Makes the instance at `rateHz` announcing `maxFrames`, connects its control ports, and runs
    // one empty block so that its outputs say its slot. Under `lock`.
    void instantiate(double rateHz, std::int32_t maxFrames);
    void release();
    // Runs `frames` frames from `offset` of the host's buffers. Under `lock`.
    void runPiece(float* const* in, float* const* out, const float* const* key, std::int32_t offset,
                  std::uint32_t frames);
    // The control table's row of control input `port`, or -1.
    std::int32_t controlOfPort(std::uint32_t port) const;
    // The port a host asks about for `target`, or kNoPort.
    std::uint32_t portOfTarget(HostTarget target) const;
    // What the port of output `id` said after the last run; 0 for an output the plug-in lacks.
    float outputPortValue(qm::OutputId id) const;
    // Tells the open UI every port value it has not been told yet.
    void showPortValues();

    Lv2Module& module;
    InstanceEvents& events;
    const Lv2Ports& ports;
    std::mutex lock;
    LilvInstance* instance = nullptr;
    Lv2InstanceFeatures features;
    double rateHz = 48000.0;
    std::int32_t announcedFrames = 0;
    bool active = false;
    // The ports' own floats, connected once; the host's values, copied into them before a run.
    std::vector<float> portValues;
    std::unique_ptr<std::atomic<float>[]> hostValues;
    // The controls as the host last set them (user units, extended curve); the outputs of the last run.
    std::atomic<double> written[qm::kControlCount];
    std::atomic<float> outputs[qm::kOutputCount];
    std::unique_ptr<Lv2Editor> editor;
    std::vector<float> shownValues;
    std::vector<bool> shown;
};

}  // namespace qmhost::validate
