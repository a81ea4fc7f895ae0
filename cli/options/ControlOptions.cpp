#include "cli/options/ControlOptions.h"

#include <cstdio>

namespace qmduck {
namespace {

constexpr ControlOption kControlOptions[] = {
    {"--threshold", qm::ControlThreshold, "a level"},  {"--attack", qm::ControlAttack, "a time"},
    {"--release", qm::ControlRelease, "a time"},       {"--range", qm::ControlRange, "a reduction"},
    {"--hold", qm::ControlHold, "a time"},             {"--lookahead", qm::ControlLookahead, "a time"},
};

// The file tool reads the key up to 500 ms ahead where the plug-in stops at 50 ms: the plug-in
// reports its look-ahead to the host as latency, which must stay short, while a file has no
// latency to report and a slow fade in before a voice may want the longer warning.
constexpr double kFileLookaheadMaxMs = 500.0;

}  // namespace

std::span<const ControlOption> controlOptions() { return kControlOptions; }

const ControlOption* findControlOption(const std::string& name) {
    for (const ControlOption& option : kControlOptions) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

double lowestValue(const ControlOption& option) { return qm::controlInfo(option.control).minimum; }

double highestValue(const ControlOption& option) {
    if (option.control == qm::ControlLookahead) return kFileLookaheadMaxMs;
    return qm::controlInfo(option.control).maximum;
}

std::string rangeText(const ControlOption& option) {
    char text[96];
    std::snprintf(text, sizeof text, "%s in %s from %g to %g", option.quantity, qm::controlInfo(option.control).unit,
                  lowestValue(option), highestValue(option));
    return text;
}

}  // namespace qmduck
