#include "formats/lv2/DuckerPlugin.h"

#include <bit>
#include <cmath>
#include <new>

#include "engine/KeyBus.h"

namespace qm::lv2 {
namespace {

// Blocks that the key slots take in one piece when the host announces no length.
constexpr std::int32_t kUnannouncedBlockFrames = 1024;

}  // namespace

std::unique_ptr<DuckerPlugin> DuckerPlugin::create(double sampleRateHz, std::int32_t blockSizeFrames) {
    if (!(sampleRateHz >= kLowestRateHz && sampleRateHz <= kHighestRateHz)) return nullptr;
    std::unique_ptr<DuckerPlugin> plugin(new (std::nothrow) DuckerPlugin(sampleRateHz, blockSizeFrames));
    if (plugin == nullptr) return nullptr;
    const ControlInfo& hold = controlInfo(ControlHold);
    const ControlInfo& lookahead = controlInfo(ControlLookahead);
    if (!plugin->core.prepareShaping(sampleRateHz, hold.maximum, lookahead.maximum)) return nullptr;
    return plugin;
}

DuckerPlugin::DuckerPlugin(double sampleRateHz, std::int32_t blockSizeFrames)
    : rateHz(sampleRateHz),
      core(KeyBus::processBus(), blockSizeFrames > 0 ? blockSizeFrames : kUnannouncedBlockFrames) {
    if (blockSizeFrames > 0) core.reserve(blockSizeFrames);
}

void DuckerPlugin::connect(std::uint32_t port, void* data) {
    if (port < kPortCount) ports[port] = data;
}

void DuckerPlugin::applyControls() {
    for (std::int32_t id = 0; id < kControlCount; ++id) {
        const auto control = static_cast<ControlId>(id);
        const auto* port = static_cast<const float*>(ports[portOfControl(control)]);
        const float value = port != nullptr ? *port : controlInfo(control).defaultValue;
        const auto bits = std::bit_cast<std::uint32_t>(value);
        if (seenAny && bits == seen[id]) continue;
        seen[id] = bits;
        core.setControl(control, limitedControlValue(control, value), rateHz);
    }
    seenAny = true;
}

void DuckerPlugin::writeOutputs(double reduction) {
    if (auto* slot = static_cast<float*>(ports[PortSlot])) {
        *slot = core.keySlot() >= 0 ? static_cast<float>(core.keySlot()) : kNoSlotOutput;
    }
    if (auto* meter = static_cast<float*>(ports[PortMeter])) *meter = static_cast<float>(reduction);
    if (auto* latency = static_cast<float*>(ports[PortLatency])) *latency = static_cast<float>(core.lookaheadFrames());
}

void DuckerPlugin::run(std::uint32_t frames) {
    applyControls();
    const float* inputs[2] = {static_cast<const float*>(ports[PortInLeft]), static_cast<const float*>(ports[PortInRight])};
    float* outputs[2] = {static_cast<float*>(ports[PortOutLeft]), static_cast<float*>(ports[PortOutRight])};
    const float* side[2] = {static_cast<const float*>(ports[PortSideLeft]),
                            static_cast<const float*>(ports[PortSideRight])};
    // A host's block is far below 2^31 frames; a larger count is taken as none.
    const auto count = frames <= 0x7FFFFFFFu ? static_cast<std::int32_t>(frames) : 0;
    const DuckerBlock block{inputs, outputs, count, side};
    writeOutputs(core.processReplacing(block, static_cast<float>(rateHz)));
}

}  // namespace qm::lv2
