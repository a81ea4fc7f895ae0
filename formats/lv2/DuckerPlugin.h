#pragma once
// One instance of the LV2 plug-in: the engine's ducker core on the process's key bus, fed by the
// host's ports. Every run reads the control inputs (in user units, limited to their ranges, a port
// not connected or not a number counting as its default), hands the audio and the side-chain to
// the core, and writes the slot, the meter and the latency to the control outputs. Ports may be
// connected in any order, and ports still unconnected at a run are left alone.

#include <cstdint>
#include <memory>

#include "engine/DuckerCore.h"
#include "formats/lv2/Ports.h"

namespace qm::lv2 {

class DuckerPlugin {
public:
    // The lowest and highest sample rates an instance takes, in Hz.
    static constexpr double kLowestRateHz = 8000.0;
    static constexpr double kHighestRateHz = 384000.0;

    // An instance at `sampleRateHz` whose key slots fit blocks of `blockSizeFrames` (0: not known);
    // null for a rate outside 8 kHz .. 384 kHz (0 and not-a-number included) or when memory cannot
    // be had. Set-up thread.
    static std::unique_ptr<DuckerPlugin> create(double sampleRateHz, std::int32_t blockSizeFrames);

    // Connects port `port` to `data` (null: disconnected); other port numbers are ignored. Any
    // thread the host chooses, never during run.
    void connect(std::uint32_t port, void* data);
    // Processes `frames` frames (0 included). Audio thread: no allocation, lock or system call.
    void run(std::uint32_t frames);

    std::int32_t keySlot() const { return core.keySlot(); }
    std::int32_t latencyFrames() const { return core.lookaheadFrames(); }

private:
    DuckerPlugin(double sampleRateHz, std::int32_t blockSizeFrames);

    // Sets the core's parameters and shaping from the control inputs that changed since the last
    // run: a port's value, limited, or the default without a port.
    void applyControls();
    void writeOutputs(double reduction);

    double rateHz;
    DuckerCore core;
    void* ports[kPortCount] = {};
    // The bits of each control input as the last run read them; none read before the first run.
    std::uint32_t seen[kControlCount] = {};
    bool seenAny = false;
};

}  // namespace qm::lv2
