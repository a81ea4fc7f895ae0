// manifest.ttl and presets.ttl: what the bundle holds, and the presets' control values.

#include <sstream>
#include <vector>

#include "engine/ControlTable.h"
#include "engine/Presets.h"
#include "formats/lv2/PluginUris.h"
#include "formats/lv2/ttl/BundleFiles.h"
#include "formats/lv2/ttl/Turtle.h"

namespace qm::lv2::ttl {
namespace {

struct PresetValues {
    std::string name;
    std::string comment;
    std::vector<std::pair<ControlId, double>> values;
};

// The defaults of every control but the host's bypass, and the ducking presets for spoken word
// over music (podcast's is standard's), leaving bypass and the inputs (the routing) as they are.
std::vector<PresetValues> presets() {
    std::vector<PresetValues> all;
    PresetValues defaults{"defaults", "Every control at its default, but for the host's bypass switch.", {}};
    for (const ControlSetting& setting : defaultSettings()) defaults.values.emplace_back(setting.id, setting.value);
    all.push_back(defaults);
    for (const char* name : {"gentle", "standard", "strong"}) {
        const DuckingPreset* preset = duckingPresetNamed(name);
        if (preset == nullptr) continue;
        PresetValues values{name, std::string("Spoken word over music, as quellmar-duck's --preset ") + name + ".", {}};
        for (const ControlSetting& setting : presetSettings(*preset)) {
            values.values.emplace_back(setting.id, limitedControlValue(setting.id, static_cast<float>(setting.value)));
        }
        all.push_back(values);
    }
    return all;
}

std::string presetUri(const std::string& name) { return uri(kPresetUriPrefix + name); }

}  // namespace

std::string manifestText() {
    std::ostringstream out;
    out << kPrefixes;
    out << uri(kPluginUri) << "\n    a lv2:Plugin ;\n    lv2:binary <" << kDspBinary << "> ;\n"
        << "    rdfs:seeAlso <QuellmarV3.ttl> .\n\n";
    out << uri(kUiUri) << "\n    a ui:X11UI ;\n    ui:binary <" << kUiBinary << "> ;\n"
        << "    rdfs:seeAlso <QuellmarV3.ttl> .\n";
    for (const PresetValues& preset : presets()) {
        out << "\n" << presetUri(preset.name) << "\n    a pset:Preset ;\n    lv2:appliesTo " << uri(kPluginUri)
            << " ;\n    rdfs:seeAlso <presets.ttl> .\n";
    }
    return out.str();
}

std::string presetsText() {
    std::ostringstream out;
    out << kPrefixes;
    bool first = true;
    for (const PresetValues& preset : presets()) {
        out << (first ? "" : "\n") << presetUri(preset.name) << "\n    a pset:Preset ;\n"
            << "    lv2:appliesTo " << uri(kPluginUri) << " ;\n    rdfs:label " << quoted(preset.name) << " ;\n"
            << "    rdfs:comment " << quoted(preset.comment) << " ;\n    lv2:port ";
        bool firstPort = true;
        for (const auto& [id, value] : preset.values) {
            out << (firstPort ? "" : ", ") << "[\n        lv2:symbol " << quoted(controlInfo(id).symbol)
                << " ;\n        pset:value " << decimal(value) << "\n    ]";
            firstPort = false;
        }
        out << " .\n";
        first = false;
    }
    return out.str();
}

}  // namespace qm::lv2::ttl
