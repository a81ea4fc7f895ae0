#pragma once
// The options that set one of the engine's controls (attack, release, threshold, range, hold,
// look-ahead): read in the control's units and checked against the control's range from the
// engine's control table, so the tool and the plug-in cannot drift apart. Where the tool's range
// differs on purpose, the difference is written in ControlOptions.cpp beside the table. Each
// option's row also says what --help and the manual page write about it, so that a control's
// option is added in this one place.

#include <span>
#include <string>
#include <string_view>

#include "cli/ducking/DuckEngine.h"
#include "engine/ControlTable.h"

namespace qmduck {

// Where --help and the manual page list an option: with the plug-in's own settings, or with the
// shaping that only the tool does (off unless given).
enum class ControlGroup { Settings, Shaping };

struct ControlOption {
    // The long name, "--attack".
    const char* name;
    qm::ControlId control;
    // What a value is, for messages: "a time", "a level", "a reduction".
    const char* quantity;
    // The value's name in --help and the manual page: "MS".
    const char* valueName;
    ControlGroup group;
    // What --help says after the option, in one paragraph; "{range}" stands for the range
    // ("0 to 2000 ms").
    const char* help;
    // What the manual page says, in roff ("\-" for a minus), the range the same way.
    const char* manual;
    // Where the value goes for a control without a plug-in parameter (the tool's shaping); null
    // for the others, which set their parameter's stored value.
    double Shaping::*shapingField = nullptr;
};

// Every such option, in the order --help lists them.
std::span<const ControlOption> controlOptions();

// The option named `name`, or null.
const ControlOption* findControlOption(const std::string& name);

// The option that sets control `id`, or null.
const ControlOption* findControlOption(qm::ControlId id);

// The lowest and highest value the tool takes, in the control's units.
double lowestValue(const ControlOption& option);
double highestValue(const ControlOption& option);

// "0 to 2000": the values the tool takes, in the control's units.
std::string boundsText(const ControlOption& option);

// "a time in ms from 0 to 2000", for messages.
std::string rangeText(const ControlOption& option);

// `text` for roff, which takes a plain "-" for a hyphen: each written as "\-", a minus sign or a
// hyphen that may not break a line.
std::string roffText(std::string_view text);

// `text` with "{range}" replaced by the option's range, "0 to 2000 ms"; with `roff`, minus signs
// are written as roff's "\-".
std::string withRange(const ControlOption& option, const char* text, bool roff);

}  // namespace qmduck
