#pragma once
// A small LV2 host for the tests and benches, on lilv: a world that knows the bundles it is given
// (and, when asked, the system's), with the features plug-ins commonly need (URID map, the block
// length options), and instances whose ports are connected to buffers of their own: audio in
// port order, controls at their defaults, atom sequences empty.

#include <lilv/lilv.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/host/support/UridMap.h"

namespace qm::lv2::test {

class LilvHost {
public:
    // Loads the bundle folders `bundles`; with `systemPlugins`, also every bundle on LV2_PATH.
    // Blocks are at most `maxBlockFrames` frames.
    explicit LilvHost(const std::vector<std::string>& bundles, bool systemPlugins = false,
                      std::int32_t maxBlockFrames = 4096);
    ~LilvHost();
    LilvHost(const LilvHost&) = delete;
    LilvHost& operator=(const LilvHost&) = delete;

    // The plug-in named `uri`, or null.
    const LilvPlugin* plugin(const std::string& uri) const;
    LilvWorld* world() const { return lilvWorld; }
    const LV2_Feature* const* features() const { return featureList; }
    LV2_URID map(const char* uri) { return urids.map(uri); }
    std::int32_t maxBlockFrames() const { return blockFrames; }

private:
    LilvWorld* lilvWorld;
    qmhost::UridMap urids;
    std::int32_t blockFrames;
    std::int32_t sequenceBytes = 8192;
    LV2_Options_Option options[4] = {};
    LV2_Feature mapFeature{};
    LV2_Feature optionsFeature{};
    const LV2_Feature* featureList[3] = {};
};

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

}  // namespace qm::lv2::test
