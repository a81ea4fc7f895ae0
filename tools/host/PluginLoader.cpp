#include "tools/host/PluginLoader.h"

#include <atomic>

namespace qmhost {
namespace {

std::atomic<int> automations{0};

}  // namespace

qm::VstIntPtr QM_CALL hostCallback(qm::PluginRecord*, std::int32_t opcode, std::int32_t, qm::VstIntPtr, void*,
                                   float) {
    switch (opcode) {
    case qm::audioMasterVersion: return 2400;
    case qm::audioMasterAutomate: ++automations; return 0;
    case qm::audioMasterGetSampleRate: return 44100;
    case qm::audioMasterGetBlockSize: return 512;
    default: return 0;
    }
}

int automateCount() { return automations.load(); }

qm::PluginRecord* PluginModule::create(qm::HostCallback callback) const {
    return main != nullptr ? main(callback) : nullptr;
}

void Plugin::close() {
    if (record != nullptr) record->dispatcher(record, qm::effClose, 0, 0, nullptr, 0.0f);
    record = nullptr;
}

qm::VstIntPtr Plugin::dispatch(std::int32_t opcode, std::int32_t index, qm::VstIntPtr value, void* ptr,
                               float opt) const {
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

void Plugin::setParameter(std::int32_t index, float value) const { record->setParameter(record, index, value); }

float Plugin::getParameter(std::int32_t index) const { return record->getParameter(record, index); }

std::string Plugin::text(std::int32_t opcode, std::int32_t index) const {
    char buffer[256] = {};
    dispatch(opcode, index, 0, buffer);
    return buffer;
}

void Plugin::processReplacing(const float* left, const float* right, float* outLeft, float* outRight,
                              std::int32_t frames) const {
    float* inputs[2] = {const_cast<float*>(left), const_cast<float*>(right)};
    float* outputs[2] = {outLeft, outRight};
    record->processReplacing(record, inputs, outputs, frames);
}

}  // namespace qmhost
