// The DSP binary's only export: the descriptor of the plug-in, whose functions turn the host's
// calls into calls on a DuckerPlugin. No exception leaves them.

#include <lv2/core/lv2.h>

#include "formats/lv2/DuckerPlugin.h"
#include "formats/lv2/Features.h"
#include "formats/lv2/PluginUris.h"

namespace qm::lv2 {
namespace {

DuckerPlugin* pluginOf(LV2_Handle instance) { return static_cast<DuckerPlugin*>(instance); }

LV2_Handle instantiate(const LV2_Descriptor*, double sampleRateHz, const char*, const LV2_Feature* const* features) {
    try {
        return DuckerPlugin::create(sampleRateHz, announcedBlockFrames(features)).release();
    } catch (...) {
        return nullptr;
    }
}

void connectPort(LV2_Handle instance, uint32_t port, void* data) {
    if (instance != nullptr) pluginOf(instance)->connect(port, data);
}

void activate(LV2_Handle) {}

void run(LV2_Handle instance, uint32_t frames) {
    if (instance != nullptr) pluginOf(instance)->run(frames);
}

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle instance) {
    try {
        delete pluginOf(instance);
    } catch (...) {
    }
}

const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup,
                                    extensionData};

}  // namespace
}  // namespace qm::lv2

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &qm::lv2::kDescriptor : nullptr;
}
