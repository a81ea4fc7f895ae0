#include "tools/host/validate/lv2/Lv2Module.h"

#include <dlfcn.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/units/units.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace qmhost::validate {
namespace {

// A node made for one question and freed when the question is answered.
class Node {
public:
    Node(LilvWorld* world, const char* uri) : node(lilv_new_uri(world, uri)) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    operator const LilvNode*() const { return node; }

private:
    LilvNode* node;
};

std::string text(const LilvNode* node) {
    const char* value = node != nullptr ? lilv_node_as_string(node) : nullptr;
    return value != nullptr ? value : "";
}

// The string of a node the caller owns, which is freed.
std::string takeText(LilvNode* node) {
    std::string value = text(node);
    lilv_node_free(node);
    return value;
}

bool isUri(const std::string& module) { return module.find("://") != std::string::npos; }

std::string filePath(const LilvNode* node) {
    char* path = node != nullptr ? lilv_file_uri_parse(lilv_node_as_uri(node), nullptr) : nullptr;
    std::string value = path != nullptr ? path : "";
    lilv_free(path);
    return value;
}

}  // namespace

// A plug-in URI is looked for on LV2_PATH; a folder is loaded as the one bundle. The host maps
// nothing itself: every instance gets the options it is given by instantiate.
Lv2Module::Lv2Module(const std::string& module)
    : host(isUri(module) ? std::vector<std::string>{} : std::vector<std::string>{module}, isUri(module), 0),
      world(host.world()) {
    findPlugin(module);
    if (plugin == nullptr) return;
    readPorts();
    readUi();
}

Lv2Module::~Lv2Module() {
    if (uiLibrary != nullptr) dlclose(uiLibrary);
}

void Lv2Module::findPlugin(const std::string& module) {
    if (isUri(module)) {
        plugin = host.plugin(module);
        if (plugin == nullptr) problemText = "no LV2 plug-in " + module + " on LV2_PATH";
        return;
    }
    plugin = host.firstPlugin();
    if (plugin == nullptr) problemText = "the bundle " + module + " describes no LV2 plug-in";
}

void Lv2Module::readPorts() {
    uri = text(lilv_plugin_get_uri(plugin));
    name = takeText(lilv_plugin_get_name(plugin));
    author = takeText(lilv_plugin_get_author_name(plugin));
    Node audio(world, LILV_URI_AUDIO_PORT);
    Node control(world, LILV_URI_CONTROL_PORT);
    Node input(world, LILV_URI_INPUT_PORT);
    Node sideChain(world, LV2_CORE_PREFIX "isSideChain");
    Node unit(world, LV2_UNITS__unit);
    Node unitSymbol(world, LV2_UNITS__symbol);
    layout.count = lilv_plugin_get_num_ports(plugin);
    layout.defaults.assign(layout.count, 0.0f);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, layout.defaults.data());
    int audioIn = 0;
    int audioOut = 0;
    int sideIn = 0;
    for (std::uint32_t index = 0; index < layout.count; ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        const bool isInput = lilv_port_is_a(plugin, port, input);
        const bool isControl = lilv_port_is_a(plugin, port, control);
        layout.isControl.push_back(isControl);
        layout.isInput.push_back(isInput);
        if (std::isnan(layout.defaults[index])) layout.defaults[index] = 0.0f;
        if (lilv_port_is_a(plugin, port, audio)) {
            if (!isInput && audioOut < 2) layout.out[audioOut++] = index;
            else if (isInput && lilv_port_has_property(plugin, port, sideChain) && sideIn < 2) layout.side[sideIn++] = index;
            else if (isInput && audioIn < 2) layout.in[audioIn++] = index;
        }
        PortText portText;
        portText.name = takeText(lilv_port_get_name(plugin, port));
        LilvNodes* units = lilv_port_get_value(plugin, port, unit);
        if (units != nullptr && lilv_nodes_size(units) > 0) {
            const LilvNode* first = lilv_nodes_get_first(units);
            portText.unit = takeText(lilv_world_get(world, first, unitSymbol, nullptr));
        }
        lilv_nodes_free(units);
        LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
        LILV_FOREACH (scale_points, i, points) {
            const LilvScalePoint* point = lilv_scale_points_get(points, i);
            portText.scalePoints.emplace_back(lilv_node_as_float(lilv_scale_point_get_value(point)),
                                              text(lilv_scale_point_get_label(point)));
        }
        lilv_scale_points_free(points);
        texts.push_back(std::move(portText));
    }
    const auto bySymbol = [&](const char* symbol) {
        LilvNode* literal = lilv_new_string(world, symbol);
        const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, literal);
        lilv_node_free(literal);
        return port != nullptr ? lilv_port_get_index(plugin, port) : kNoPort;
    };
    for (std::int32_t id = 0; id < qm::kControlCount; ++id) {
        const char* symbol = qm::controlInfo(static_cast<qm::ControlId>(id)).symbol;
        layout.control[id] = bySymbol(symbol);
        if (layout.control[id] == kNoPort) problemText = std::string("no control port ") + symbol;
    }
    for (std::int32_t id = 0; id < qm::kOutputCount; ++id) {
        layout.output[id] = bySymbol(qm::outputInfo(static_cast<qm::OutputId>(id)).symbol);
    }
    if (layout.output[qm::OutputSlot] == kNoPort || layout.output[qm::OutputMeter] == kNoPort || audioIn < 2 ||
        audioOut < 2) {
        problemText = "the plug-in lacks stereo audio, the slot or the meter output";
    }
}

void Lv2Module::readUi() {
    Node x11(world, LV2_UI__X11UI);
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    LILV_FOREACH (uis, i, uis) {
        const LilvUI* candidate = lilv_uis_get(uis, i);
        if (!lilv_ui_is_a(candidate, x11)) continue;
        uiUri = text(lilv_ui_get_uri(candidate));
        uiBinary = filePath(lilv_ui_get_binary_uri(candidate));
        uiBundle = filePath(lilv_ui_get_bundle_uri(candidate));
        break;
    }
    lilv_uis_free(uis);
}

const LV2UI_Descriptor* Lv2Module::uiDescriptor() {
    if (ui != nullptr || uiBinary.empty()) return ui;
    if (uiLibrary == nullptr) uiLibrary = dlopen(uiBinary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (uiLibrary == nullptr) return nullptr;
    const auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(uiLibrary, "lv2ui_descriptor"));
    for (std::uint32_t index = 0; entry != nullptr; ++index) {
        const LV2UI_Descriptor* candidate = entry(index);
        if (candidate == nullptr) break;
        if (candidate->URI != nullptr && uiUri == candidate->URI) return ui = candidate;
    }
    return nullptr;
}

LilvInstance* Lv2Module::instantiate(double rateHz, std::int32_t maxFrames, Lv2InstanceFeatures& features) {
    UridMap& urids = host.uridMap();
    features.mapFeature = {LV2_URID__map, urids.feature()};
    features.list[0] = &features.mapFeature;
    features.list[1] = nullptr;
    // Mostly the bounds, min and max; now and then (a third of the lengths) the nominal length
    // alone, which bounds nothing.
    features.bounded = maxFrames > 0 && maxFrames % 3 != 0;
    if (maxFrames > 0) {
        features.minFrames = 0;
        features.maxFrames = maxFrames;
        const LV2_URID intType = urids.map(LV2_ATOM__Int);
        const LV2_URID length = urids.map(features.bounded ? LV2_BUF_SIZE__maxBlockLength
                                                               : LV2_BUF_SIZE__nominalBlockLength);
        features.options[0] = {LV2_OPTIONS_INSTANCE, 0, length, sizeof(std::int32_t), intType, &features.maxFrames};
        features.options[1] = {LV2_OPTIONS_INSTANCE, 0, urids.map(LV2_BUF_SIZE__minBlockLength),
                               sizeof(std::int32_t), intType, &features.minFrames};
        features.options[2] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
        if (!features.bounded) features.options[1] = features.options[2];
        features.optionsFeature = {LV2_OPTIONS__options, features.options};
        features.list[1] = &features.optionsFeature;
    }
    features.list[2] = nullptr;
    return lilv_plugin_instantiate(plugin, rateHz, features.list);
}

std::string Lv2Module::portName(std::uint32_t port) const { return port < texts.size() ? texts[port].name : ""; }

std::string Lv2Module::portUnit(std::uint32_t port) const { return port < texts.size() ? texts[port].unit : ""; }

std::string Lv2Module::portDisplay(std::uint32_t port, float value) const {
    if (port >= texts.size()) return "";
    for (const auto& [pointValue, label] : texts[port].scalePoints) {
        if (pointValue == value) return label;
    }
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.6g", static_cast<double>(value));
    return shown;
}

}  // namespace qmhost::validate
