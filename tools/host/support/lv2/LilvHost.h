#pragma once
// Our LV2 host on lilv, for the validator, the tests and the benches: a world that knows the
// bundles it is given (and, when asked, the system's), its URID map, and the features plug-ins
// commonly need (URID map, the block length options) for hosts that give every instance the same.

#include <lilv/lilv.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/host/support/UridMap.h"

namespace qmhost {

class LilvHost {
public:
    // Loads the bundle folders `bundles`; with `systemPlugins`, first every bundle on LV2_PATH.
    // Blocks are at most `maxBlockFrames` frames; with 0, features() offers the URID map alone and
    // nothing is mapped before the plug-ins ask (for hosts that choose the options per instance).
    explicit LilvHost(const std::vector<std::string>& bundles, bool systemPlugins = false,
                      std::int32_t maxBlockFrames = 4096);
    ~LilvHost();
    LilvHost(const LilvHost&) = delete;
    LilvHost& operator=(const LilvHost&) = delete;

    // The plug-in named `uri`, or null.
    const LilvPlugin* plugin(const std::string& uri) const;
    // The first plug-in the world knows, or null.
    const LilvPlugin* firstPlugin() const;
    LilvWorld* world() const { return lilvWorld; }
    const LV2_Feature* const* features() const { return featureList; }
    LV2_URID map(const char* uri) { return urids.map(uri); }
    UridMap& uridMap() { return urids; }
    std::int32_t maxBlockFrames() const { return blockFrames; }

private:
    LilvWorld* lilvWorld;
    UridMap urids;
    std::int32_t blockFrames;
    std::int32_t sequenceBytes = 8192;
    LV2_Options_Option options[4] = {};
    LV2_Feature mapFeature{};
    LV2_Feature optionsFeature{};
    const LV2_Feature* featureList[3] = {};
};

}  // namespace qmhost
