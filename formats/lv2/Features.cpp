#include "formats/lv2/Features.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstring>

namespace qm::lv2 {
namespace {

// The whole number an option carries, when it is an atom:Int; 0 otherwise.
std::int32_t intValue(const LV2_Options_Option& option, LV2_URID intType) {
    if (option.type != intType || option.size != sizeof(std::int32_t) || option.value == nullptr) return 0;
    std::int32_t value = 0;
    std::memcpy(&value, option.value, sizeof value);
    return value;
}

}  // namespace

bool hasFeature(const LV2_Feature* const* features, const char* uri) {
    if (features == nullptr) return false;
    for (const LV2_Feature* const* feature = features; *feature != nullptr; ++feature) {
        if ((*feature)->URI != nullptr && std::strcmp((*feature)->URI, uri) == 0) return true;
    }
    return false;
}

const void* findFeature(const LV2_Feature* const* features, const char* uri) {
    if (features == nullptr) return nullptr;
    for (const LV2_Feature* const* feature = features; *feature != nullptr; ++feature) {
        if ((*feature)->URI != nullptr && std::strcmp((*feature)->URI, uri) == 0) return (*feature)->data;
    }
    return nullptr;
}

std::int32_t announcedBlockFrames(const LV2_Feature* const* features) {
    const auto* map = static_cast<const LV2_URID_Map*>(findFeature(features, LV2_URID__map));
    const auto* options = static_cast<const LV2_Options_Option*>(findFeature(features, LV2_OPTIONS__options));
    if (map == nullptr || map->map == nullptr || options == nullptr) return 0;
    const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
    const LV2_URID maxLength = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID nominalLength = map->map(map->handle, LV2_BUF_SIZE__nominalBlockLength);
    std::int32_t maximum = 0;
    std::int32_t nominal = 0;
    // The list ends with an option whose key is 0.
    for (const LV2_Options_Option* option = options; option->key != 0; ++option) {
        if (option->key == maxLength) maximum = intValue(*option, intType);
        if (option->key == nominalLength) nominal = intValue(*option, intType);
    }
    const std::int32_t frames = maximum > 0 ? maximum : nominal;
    return frames > 0 ? frames : 0;
}

}  // namespace qm::lv2
