#pragma once
// What the host offers an instance through its feature list: a feature's data by its URI, and
// the block lengths of the options feature. The list may be null and may lack anything. Set-up
// threads.

#include <lv2/core/lv2.h>

#include <cstdint>

namespace qm::lv2 {

// The data of feature `uri`, or null when the host does not offer it.
const void* findFeature(const LV2_Feature* const* features, const char* uri);
// True when the host offers feature `uri` (its data may be null).
bool hasFeature(const LV2_Feature* const* features, const char* uri);

// The largest block the host announces through its options (the maximum, else the nominal
// length), in frames; 0 when it announces none.
std::int32_t announcedBlockFrames(const LV2_Feature* const* features);

}  // namespace qm::lv2
