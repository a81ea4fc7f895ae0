#include "support/RecordingHost.h"

#include <algorithm>

namespace qm::test {

RecordingHost& RecordingHost::get() {
    static RecordingHost host;
    return host;
}

void RecordingHost::reset() {
    std::lock_guard<std::mutex> guard(lock);
    recorded.clear();
    std::fill(std::begin(answers), std::end(answers), 0);
    answers[audioMasterVersion] = 2400;
}

void RecordingHost::answer(std::int32_t opcode, VstIntPtr value) {
    std::lock_guard<std::mutex> guard(lock);
    answers[opcode] = value;
}

std::vector<HostCall> RecordingHost::calls() {
    std::lock_guard<std::mutex> guard(lock);
    return recorded;
}

std::vector<HostCall> RecordingHost::callsWith(std::int32_t opcode) {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<HostCall> matching;
    std::copy_if(recorded.begin(), recorded.end(), std::back_inserter(matching),
                 [opcode](const HostCall& call) { return call.opcode == opcode; });
    return matching;
}

VstIntPtr QM_CALL RecordingHost::callback(PluginRecord* record, std::int32_t opcode, std::int32_t index,
                                          VstIntPtr value, void* ptr, float opt) {
    RecordingHost& host = get();
    std::lock_guard<std::mutex> guard(host.lock);
    host.recorded.push_back({record, opcode, index, value, ptr, opt});
    return opcode >= 0 && opcode < 64 ? host.answers[opcode] : 0;
}

}  // namespace qm::test
