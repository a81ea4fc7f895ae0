#include "tools/host/support/lv2/LilvHost.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>

namespace qmhost {

LilvHost::LilvHost(const std::vector<std::string>& bundles, bool systemPlugins, std::int32_t maxBlockFrames)
    : lilvWorld(lilv_world_new()), blockFrames(maxBlockFrames) {
    if (systemPlugins) lilv_world_load_all(lilvWorld);
    for (const std::string& bundle : bundles) {
        const std::string folder = bundle.back() == '/' ? bundle : bundle + "/";
        LilvNode* node = lilv_new_file_uri(lilvWorld, nullptr, folder.c_str());
        lilv_world_load_bundle(lilvWorld, node);
        lilv_node_free(node);
    }
    mapFeature = {LV2_URID__map, urids.feature()};
    featureList[0] = &mapFeature;
    if (blockFrames <= 0) return;
    const LV2_URID intType = map(LV2_ATOM__Int);
    options[0] = {LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__maxBlockLength), sizeof(std::int32_t), intType, &blockFrames};
    options[1] = {LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__nominalBlockLength), sizeof(std::int32_t), intType,
                  &blockFrames};
    options[2] = {LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__sequenceSize), sizeof(std::int32_t), intType,
                  &sequenceBytes};
    options[3] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    optionsFeature = {LV2_OPTIONS__options, options};
    featureList[1] = &optionsFeature;
}

LilvHost::~LilvHost() { lilv_world_free(lilvWorld); }

const LilvPlugin* LilvHost::plugin(const std::string& uri) const {
    LilvNode* node = lilv_new_uri(lilvWorld, uri.c_str());
    const LilvPlugin* found = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(lilvWorld), node);
    lilv_node_free(node);
    return found;
}

const LilvPlugin* LilvHost::firstPlugin() const {
    const LilvPlugins* plugins = lilv_world_get_all_plugins(lilvWorld);
    LilvIter* first = lilv_plugins_begin(plugins);
    return lilv_plugins_is_end(plugins, first) ? nullptr : lilv_plugins_get(plugins, first);
}

}  // namespace qmhost
