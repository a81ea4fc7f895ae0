// manifest.ttl and presets.ttl: what the bundle holds, and the presets' control values.

#include <sstream>
#include <vector>

#include "cli/Presets.h"
#include "engine/ControlTable.h"
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

// The defaults of every control but the host's bypass, and the file tool's presets for spoken word
// over music, in duck mode, leaving bypass and the inputs (the routing) as they are.
std::vector<PresetValues> presets() {
    std::vector<PresetValues> all;
    PresetValues defaults{"defaults", "Every control at its default, but for the host's bypass switch.", {}};
    for (std::int32_t id = ControlInputAlpha; id < kControlCount; ++id) {
        defaults.values.emplace_back(static_cast<ControlId>(id), controlInfo(static_cast<ControlId>(id)).defaultValue);
    }
    all.push_back(defaults);
    for (const char* name : {"gentle", "standard", "strong"}) {
        const qmduck::Preset* preset = qmduck::presetNamed(name);
        if (preset == nullptr) continue;
        PresetValues values{name, std::string("Spoken word over music, as quellmar-duck's --preset ") + name + ".", {}};
        values.values = {{ControlDuckKey, 1.0},
                         {ControlAttack, preset->attackMs},
                         {ControlRelease, preset->releaseMs},
                         {ControlThreshold, preset->thresholdDb},
                         {ControlRange, preset->rangeDb},
                         {ControlHold, preset->holdMs},
                         {ControlLookahead, preset->lookaheadMs}};
        for (auto& [id, value] : values.values) value = limitedControlValue(id, static_cast<float>(value));
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
