#pragma once
// The permanent names of the LV2 plug-in, its editor and its presets: hosts store them in their
// sessions, so they never change.

namespace qm::lv2 {

#define QM_LV2_PLUGIN_URI "http://quellmar.org/lv2/QuellmarV3"

constexpr const char* kPluginUri = QM_LV2_PLUGIN_URI;
constexpr const char* kUiUri = QM_LV2_PLUGIN_URI "#ui";
// A preset's name is this followed by the preset's own name ("gentle", "defaults", ...).
constexpr const char* kPresetUriPrefix = QM_LV2_PLUGIN_URI "#preset-";

#undef QM_LV2_PLUGIN_URI

}  // namespace qm::lv2
