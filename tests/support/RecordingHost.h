#pragma once
// A host callback for tests: records every request it receives and answers from a table that a
// test can change. One recorder per process; tests reset it.

#include <cstdint>
#include <mutex>
#include <vector>

#include "formats/vst2/base/PluginInterface.h"

namespace qm::test {

struct HostCall {
    PluginRecord* record;
    std::int32_t opcode;
    std::int32_t index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

class RecordingHost {
public:
    static RecordingHost& get();
    RecordingHost() { answers[audioMasterVersion] = 2400; }

    // Clears the recorded calls and restores the default answers (version 2400, else 0).
    void reset();
    // The answer the host gives to `opcode` from now on.
    void answer(std::int32_t opcode, VstIntPtr value);
    // The calls recorded so far, in order.
    std::vector<HostCall> calls();
    // The calls with this opcode.
    std::vector<HostCall> callsWith(std::int32_t opcode);

    // The callback to pass to the plug-in.
    static VstIntPtr QM_CALL callback(PluginRecord* record, std::int32_t opcode, std::int32_t index,
                                      VstIntPtr value, void* ptr, float opt);

private:
    std::mutex lock;
    std::vector<HostCall> recorded;
    VstIntPtr answers[64] = {};
};

}  // namespace qm::test
