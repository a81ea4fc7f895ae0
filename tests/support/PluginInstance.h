#pragma once
// One plug-in instance as a host holds it: created through the module entry, driven through its
// record, closed with effClose when the test is done with it.

#include <cstdint>
#include <vector>

#include "engine/Parameters.h"
#include "formats/vst2/base/PluginEntry.h"
#include "support/RecordingHost.h"

namespace qm::test {

class PluginInstance {
public:
    explicit PluginInstance(HostCallback callback = RecordingHost::callback) : record(quellmarMain(callback)) {}
    ~PluginInstance() { close(); }
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    // Sends effClose; the instance is gone afterwards.
    void close() {
        if (record != nullptr) record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
        record = nullptr;
    }

    // Forgets the instance without closing it; the caller closes it.
    PluginRecord* release() {
        PluginRecord* released = record;
        record = nullptr;
        return released;
    }

    PluginRecord* operator->() const { return record; }
    PluginRecord* get() const { return record; }
    explicit operator bool() const { return record != nullptr; }

    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const {
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }
    void setParameter(std::int32_t index, float value) const { record->setParameter(record, index, value); }
    float getParameter(std::int32_t index) const { return record->getParameter(record, index); }

    // Runs one replacing block of the two channels, in place in `left` and `right`.
    void processReplacing(std::vector<float>& left, std::vector<float>& right) const {
        float* channels[2] = {left.data(), right.data()};
        record->processReplacing(record, channels, channels, static_cast<std::int32_t>(left.size()));
    }

private:
    PluginRecord* record;
};

// Lets `listener` duck by `sender`'s slot (Alpha) and runs `blocks` blocks of 512 frames: a
// steady full-scale key through the sender, then half-scale audio through the listener.
inline void runDuckedBlocks(const PluginInstance& sender, const PluginInstance& listener, int blocks) {
    listener.setParameter(ParamBypass, 0.0f);
    listener.setParameter(ParamInputAlpha, 1.0f);
    listener.setParameter(ParamDuckKey, 1.0f);
    for (int block = 0; block < blocks; ++block) {
        std::vector<float> keyLeft(512, 1.0f);
        std::vector<float> keyRight(512, 1.0f);
        sender.processReplacing(keyLeft, keyRight);
        std::vector<float> left(512, 0.5f);
        std::vector<float> right(512, 0.5f);
        listener.processReplacing(left, right);
    }
}

}  // namespace qm::test
