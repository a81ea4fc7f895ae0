#include "tools/host/support/lv2/HostedInstance.h"

#include <lv2/atom/atom.h>

#include <cmath>
#include <stdexcept>

namespace qmhost {
namespace {

// Room of each atom port's buffer, in 64-bit words.
constexpr std::size_t kAtomWords = 1024;

}  // namespace

HostedInstance::HostedInstance(LilvHost& host, const LilvPlugin* plugin, double rateHz) : plugin(plugin) {
    if (plugin == nullptr) return;
    instance = lilv_plugin_instantiate(plugin, rateHz, host.features());
    if (instance == nullptr) return;
    LilvWorld* world = host.world();
    LilvNode* audio = lilv_new_uri(world, LILV_URI_AUDIO_PORT);
    LilvNode* control = lilv_new_uri(world, LILV_URI_CONTROL_PORT);
    LilvNode* atom = lilv_new_uri(world, LILV_URI_ATOM_PORT);
    LilvNode* inputClass = lilv_new_uri(world, LILV_URI_INPUT_PORT);
    const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
    controls.assign(ports, 0.0f);
    std::vector<float> defaults(ports, NAN);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    const std::size_t frames = static_cast<std::size_t>(host.maxBlockFrames());
    for (std::uint32_t index = 0; index < ports; ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        symbols.emplace_back(lilv_node_as_string(lilv_port_get_symbol(plugin, port)));
        const bool input = lilv_port_is_a(plugin, port, inputClass);
        if (lilv_port_is_a(plugin, port, audio)) {
            if (input) audioInPorts.push_back(index);
            auto& list = input ? audioIn : audioOut;
            list.push_back(std::make_unique<std::vector<float>>(frames, 0.0f));
            lilv_instance_connect_port(instance, index, list.back()->data());
        } else if (lilv_port_is_a(plugin, port, control)) {
            controls[index] = std::isnan(defaults[index]) ? 0.0f : defaults[index];
            lilv_instance_connect_port(instance, index, &controls[index]);
        } else if (lilv_port_is_a(plugin, port, atom)) {
            // An empty sequence to read, or room for one to write.
            atoms.push_back(std::make_unique<std::vector<std::uint64_t>>(kAtomWords, 0));
            atomInputs.push_back(input);
            chunkType = host.map(LV2_ATOM__Chunk);
            auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(atoms.back()->data());
            sequence->atom.type = host.map(input ? LV2_ATOM__Sequence : LV2_ATOM__Chunk);
            sequence->atom.size = input ? sizeof(LV2_Atom_Sequence_Body) : kAtomWords * 8 - sizeof(LV2_Atom);
            lilv_instance_connect_port(instance, index, sequence);
        }
    }
    for (LilvNode* node : {audio, control, atom, inputClass}) lilv_node_free(node);
    lilv_instance_activate(instance);
}

HostedInstance::~HostedInstance() {
    if (instance == nullptr) return;
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
}

void HostedInstance::connectInput(std::size_t n, const float* samples) {
    lilv_instance_connect_port(instance, audioInPorts[n], const_cast<float*>(samples));
}

float& HostedInstance::control(const std::string& symbol) {
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        if (symbols[i] == symbol) return controls[i];
    }
    throw std::out_of_range("no port " + symbol);
}

void HostedInstance::run(std::uint32_t frames) {
    // Output sequences are handed over empty with their whole room each time.
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        if (atomInputs[i]) continue;
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(atoms[i]->data());
        sequence->atom.type = chunkType;
        sequence->atom.size = kAtomWords * 8 - sizeof(LV2_Atom);
    }
    lilv_instance_run(instance, frames);
}

}  // namespace qmhost
