#pragma once
// Named settings of the controls in user units, beside the controls they set: every control at its
// default, and the ducking for spoken word over music (gentle, standard, strong, and podcast's,
// which is standard's). The reasons for their values are in the file tool's manual page.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "engine/ControlTable.h"

namespace qm {

// The ducking a preset sets, in user units; it sets duck mode too.
struct DuckingPreset {
    const char* name;
    double rangeDb;
    double holdMs;
    double lookaheadMs;
    double attackMs;
    double releaseMs;
    double thresholdDb;
};

// One control's value in user units.
struct ControlSetting {
    ControlId id;
    double value;
};

// Gentle, standard, strong and podcast, in that order.
std::span<const DuckingPreset> duckingPresets();
// The ducking preset called `name`, or null when there is none.
const DuckingPreset* duckingPresetNamed(std::string_view name);

// What `preset` sets, as control values in the order duck/key, attack, release, threshold, range,
// hold, look-ahead (each as given, not limited).
std::vector<ControlSetting> presetSettings(const DuckingPreset& preset);
// Every control but the host's bypass at its default, in the controls' order.
std::vector<ControlSetting> defaultSettings();

}  // namespace qm
