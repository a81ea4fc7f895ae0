#pragma once
// The validator's view of an LV2 plug-in, loaded through lilv from a bundle folder or by its URI
// on LV2_PATH: where its ports are (found by the symbols of the model's controls and outputs), their
// texts, the URID map and block-length options its instances get, and its X11 UI. Everything here
// is read at load time; afterwards only instantiation touches lilv, on the user-interface thread.

#include <lilv/lilv.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ControlOutputs.h"
#include "engine/ControlTable.h"
#include "tools/host/support/lv2/LilvHost.h"

namespace qmhost::validate {

constexpr std::uint32_t kNoPort = 0xFFFFFFFFu;

struct Lv2Ports {
    std::uint32_t count = 0;
    std::uint32_t in[2] = {kNoPort, kNoPort};
    std::uint32_t out[2] = {kNoPort, kNoPort};
    std::uint32_t side[2] = {kNoPort, kNoPort};
    std::uint32_t control[qm::kControlCount] = {};
    // By qm::OutputId.
    std::uint32_t output[qm::kOutputCount] = {kNoPort, kNoPort, kNoPort};
    // Every control port, input or output, with its default (inputs) and direction.
    std::vector<bool> isControl;
    std::vector<bool> isInput;
    std::vector<float> defaults;
};

// What the host offers one instance: the URID map and, when a block length is announced, the
// options with its bounds. Lives as long as the instance.
struct Lv2InstanceFeatures {
    // Whether the options bound the blocks (a maximum), or only give a nominal length.
    bool bounded = false;
    std::int32_t minFrames = 0;
    std::int32_t maxFrames = 0;
    LV2_Options_Option options[3] = {};
    LV2_Feature mapFeature{};
    LV2_Feature optionsFeature{};
    const LV2_Feature* list[3] = {};
};

class Lv2Module {
public:
    // `module` is a bundle folder or a plug-in URI (anything with "://").
    explicit Lv2Module(const std::string& module);
    ~Lv2Module();
    Lv2Module(const Lv2Module&) = delete;
    Lv2Module& operator=(const Lv2Module&) = delete;

    bool isLoaded() const { return plugin != nullptr && problemText.empty(); }
    const std::string& problem() const { return problemText; }
    const Lv2Ports& ports() const { return layout; }

    // A new instance at `rateHz`, with the options announcing `maxFrames` (0: no options) as the
    // bound or, for some lengths, as the nominal length alone; or null.
    LilvInstance* instantiate(double rateHz, std::int32_t maxFrames, Lv2InstanceFeatures& features);
    LV2_URID_Map* uridMap() { return host.uridMap().feature(); }

    // Port texts: its name, its unit's symbol, and `value` as the host shows it (a scale point's
    // label where one matches).
    std::string portName(std::uint32_t port) const;
    std::string portUnit(std::uint32_t port) const;
    std::string portDisplay(std::uint32_t port, float value) const;
    const std::string& pluginName() const { return name; }
    const std::string& authorName() const { return author; }
    const std::string& pluginUri() const { return uri; }

    // The X11 UI: its descriptor (null without one) and its bundle folder.
    const LV2UI_Descriptor* uiDescriptor();
    const std::string& uiBundlePath() const { return uiBundle; }

private:
    struct PortText {
        std::string name;
        std::string unit;
        std::vector<std::pair<float, std::string>> scalePoints;
    };
    void findPlugin(const std::string& module);
    void readPorts();
    void readUi();

    // The lilv world and URID map; `world` is its world, for the questions asked of it below.
    LilvHost host;
    LilvWorld* world;
    const LilvPlugin* plugin = nullptr;
    std::string problemText;
    Lv2Ports layout;
    std::vector<PortText> texts;
    std::string name;
    std::string author;
    std::string uri;
    std::string uiUri;
    std::string uiBinary;
    std::string uiBundle;
    void* uiLibrary = nullptr;
    const LV2UI_Descriptor* ui = nullptr;
};

}  // namespace qmhost::validate
