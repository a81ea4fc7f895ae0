#pragma once
// An LV2 instance of our lilv host whose ports are connected to buffers of its own: audio in port
// order, controls at their defaults, atom sequences empty. For the tests and benches.

#include <lilv/lilv.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/host/support/lv2/LilvHost.h"

namespace qmhost {

class HostedInstance {
public:
    // `plugin` of `host` at `rateHz`; check `isValid`.
    HostedInstance(LilvHost& host, const LilvPlugin* plugin, double rateHz);
    ~HostedInstance();
    HostedInstance(const HostedInstance&) = delete;
    HostedInstance& operator=(const HostedInstance&) = delete;

    bool isValid() const { return instance != nullptr; }
    // The control port `symbol`'s value (inputs as set, outputs as the last run left them).
    float& control(const std::string& symbol);
    // The audio inputs and outputs in port order, each a buffer of the host's largest block.
    std::vector<float>& input(std::size_t n) { return *audioIn[n]; }
    std::vector<float>& output(std::size_t n) { return *audioOut[n]; }
    std::size_t inputCount() const { return audioIn.size(); }
    // Connects audio input `n` to `samples` instead of its own buffer (for benches: no copy).
    void connectInput(std::size_t n, const float* samples);
    // Runs `frames` frames (at most the host's largest block).
    void run(std::uint32_t frames);
    ::LilvInstance* get() const { return instance; }

private:
    const LilvPlugin* plugin;
    ::LilvInstance* instance = nullptr;
    std::vector<std::unique_ptr<std::vector<float>>> audioIn;
    std::vector<std::uint32_t> audioInPorts;
    std::vector<std::unique_ptr<std::vector<float>>> audioOut;
    std::vector<float> controls;
    std::vector<std::string> symbols;
    std::vector<std::unique_ptr<std::vector<std::uint64_t>>> atoms;
    std::vector<bool> atomInputs;
    LV2_URID chunkType = 0;
};

}  // namespace qmhost
