#pragma once
// One step of the user-interface thread: marks it for the watchdog, reports its failure, and
// carries the operations most steps share (a control or output set, a control read back, the
// instance's texts).

#include <string>

#include "tools/host/validate/SessionState.h"

namespace qmhost::validate {

class UiStep {
public:
    explicit UiStep(SessionState& state) : state(state) {}

    void begin(const char* what);
    void end();
    void fail(const std::string& message);

    // Sets control `id` to `value` (user units, extended curve) as the host does (marked as a
    // change for the audio threads) and reads it back: the same bits.
    void setControl(InstanceModel& instance, qm::ControlId id, double value);
    // Writes `value` to output `id` as a host recalling every value does (marked as a change too).
    void writeOutput(InstanceModel& instance, qm::OutputId id, float value);
    // Sends `stored`, a value in the stored 0..1 form, to `target`: a control as its value in
    // user units, an output as it is.
    void setTarget(InstanceModel& instance, HostTarget target, float stored);
    // Reads `target` into the hash; a control must read as the host or the editor last set it.
    void checkTarget(InstanceModel& instance, HostTarget target);
    void checkControl(InstanceModel& instance, qm::ControlId id) {
        checkTarget(instance, {HostTarget::Kind::Control, id});
    }
    // The controls' names, labels and display texts, the vendor, product and effect names, and
    // the program name set and read back; each text within the size the format promises.
    void texts(InstanceModel& instance);

    SessionState& state;

private:
    void checkText(InstanceModel& instance, TextKind kind, HostTarget target);
    void programName(InstanceModel& instance);
    const char* what = "";
};

// One editor step on `instance`: open, idle, click, key or close.
void editorStep(UiStep& step, InstanceModel& instance);

}  // namespace qmhost::validate
