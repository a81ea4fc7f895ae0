#pragma once
// The options that set one of the engine's controls (attack, release, threshold, range, hold,
// look-ahead): read in the control's units and checked against the control's range from the
// engine's control table, so the tool and the plug-in cannot drift apart. Where the tool's range
// differs on purpose, the difference is written in ControlOptions.cpp beside the table.

#include <span>
#include <string>

#include "engine/ControlTable.h"

namespace qmduck {

struct ControlOption {
    // The long name, "--attack".
    const char* name;
    qm::ControlId control;
    // What a value is, for messages: "a time", "a level", "a reduction".
    const char* quantity;
};

// Every such option, in the order --help lists them.
std::span<const ControlOption> controlOptions();

// The option named `name`, or null.
const ControlOption* findControlOption(const std::string& name);

// The lowest and highest value the tool takes, in the control's units.
double lowestValue(const ControlOption& option);
double highestValue(const ControlOption& option);

// "a time in ms from 0 to 2000", for messages.
std::string rangeText(const ControlOption& option);

}  // namespace qmduck
