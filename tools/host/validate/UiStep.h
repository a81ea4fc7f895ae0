#pragma once
// One step of the user-interface thread: marks it for the watchdog, reports its failure, and
// carries the operations most steps share (a control set and read back, the instance's texts).

#include <string>

#include "tools/host/validate/SessionState.h"

namespace qmhost::validate {

class UiStep {
public:
    explicit UiStep(SessionState& state) : state(state) {}

    void begin(const char* what);
    void end();
    void fail(const std::string& message);

    // Sets control `index` as the host does (marked as a change for the audio threads) and reads
    // a user control back: the same bits.
    void setControl(InstanceModel& instance, std::int32_t index, float value);
    // Reads control `index`; a user control must read as the host or the editor last set it.
    void checkControl(InstanceModel& instance, std::int32_t index);
    // The controls' names, labels and display texts, the vendor, product and effect names, and
    // the program name set and read back; each text within the size the format promises.
    void texts(InstanceModel& instance);

    SessionState& state;

private:
    void checkText(InstanceModel& instance, int kind, std::int32_t index);
    void programName(InstanceModel& instance);
    const char* what = "";
};

// One editor step on `instance`: open, idle, click, key or close.
void editorStep(UiStep& step, InstanceModel& instance);

}  // namespace qmhost::validate
