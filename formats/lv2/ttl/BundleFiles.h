#pragma once
// The texts of the bundle's description files, made from the port and control tables. Build-time
// only.

#include <string>

namespace qm::lv2::ttl {

// The names of the binaries in the bundle.
constexpr const char* kDspBinary = "QuellmarV3_dsp.so";
constexpr const char* kUiBinary = "QuellmarV3_ui.so";

// manifest.ttl: the plug-in, its editor and its presets, and where each is described.
std::string manifestText();
// QuellmarV3.ttl: the plug-in with its ports and port groups, and the editor, for the product's
// version `major`.`minor`.
std::string pluginText(int major, int minor);
// presets.ttl: the defaults and the file tool's presets.
std::string presetsText();

}  // namespace qm::lv2::ttl
