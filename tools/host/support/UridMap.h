#pragma once
// The URID map a host offers LV2 plug-ins: every URI gets a number of its own, from 1, the same
// each time it is asked. Plug-ins may map from any thread but the audio one, so it locks.

#include <lv2/urid/urid.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace qmhost {

class UridMap {
public:
    UridMap() = default;
    UridMap(const UridMap&) = delete;
    UridMap& operator=(const UridMap&) = delete;

    LV2_URID map(const char* uri) {
        std::lock_guard<std::mutex> guard(lock);
        for (std::size_t i = 0; i < uris.size(); ++i) {
            if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
        }
        uris.emplace_back(uri);
        return static_cast<LV2_URID>(uris.size());
    }
    // The map as plug-ins take it (the URID map feature's data).
    LV2_URID_Map* feature() { return &lv2Map; }

private:
    static LV2_URID mapOf(LV2_URID_Map_Handle handle, const char* uri) {
        return static_cast<UridMap*>(handle)->map(uri);
    }

    std::mutex lock;
    std::vector<std::string> uris;
    LV2_URID_Map lv2Map{this, mapOf};
};

}  // namespace qmhost
