#pragma once
// Our small host: loads a plug-in module (LoadLibrary on Windows, dlopen elsewhere), finds its
// entry, and drives instances through their records, the way a real host does. Used by the demo,
// the module tests and the benchmarks.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/vst2/base/PluginInterface.h"

namespace qmhost {

// Answers the plug-in's requests as a plain host at 44100 Hz does, counting automation calls.
qm::VstIntPtr QM_CALL hostCallback(qm::PluginRecord* record, std::int32_t opcode, std::int32_t index,
                                   qm::VstIntPtr value, void* ptr, float opt);
// Number of audioMasterAutomate requests received so far.
int automateCount();

class PluginModule {
public:
    // Loads the module at `path` (a path of the platform); check `isLoaded`. The entry is `main`
    // on Windows, `VSTPluginMain` (else `main`) elsewhere.
    explicit PluginModule(const std::string& path);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool isLoaded() const { return main != nullptr; }
    // Calls the module's `main` with `callback`; the record, or null.
    qm::PluginRecord* create(qm::HostCallback callback = hostCallback) const;
    // The address of the module's export `name`, or null.
    void* findExport(const char* name) const;

private:
    using MainProc = qm::PluginRecord*(QM_CALL*)(qm::HostCallback);
    void* module = nullptr;
    MainProc main = nullptr;
};

// One instance, closed with effClose when it goes.
class Plugin {
public:
    explicit Plugin(qm::PluginRecord* record) : record(record) {}
    ~Plugin() { close(); }
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    explicit operator bool() const { return record != nullptr; }
    qm::PluginRecord* get() const { return record; }
    void close();

    qm::VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, qm::VstIntPtr value = 0, void* ptr = nullptr,
                           float opt = 0.0f) const;
    void setParameter(std::int32_t index, float value) const;
    float getParameter(std::int32_t index) const;
    std::string text(std::int32_t opcode, std::int32_t index = 0) const;
    // Replacing block of two channels from `left`/`right` into `outLeft`/`outRight`.
    void processReplacing(const float* left, const float* right, float* outLeft, float* outRight,
                          std::int32_t frames) const;

private:
    qm::PluginRecord* record;
};

}  // namespace qmhost
