#include "cli/options/ControlOptions.h"

#include <cstdio>

namespace qmduck {
namespace {

using G = ControlGroup;

constexpr ControlOption kControlOptions[] = {
    {"--attack", qm::ControlAttack, "a time", "MS", G::Settings,
     "how fast the gain falls when the key rises: {range} (default 78.9 ms; 0 is the plug-in's shortest, 2 ms)",
     "How fast the gain falls when the key rises: {range}. Default 78.9 ms\n"
     "(the plug-in's default); 0 is the plug-in's shortest time, 2 ms."},
    {"--release", qm::ControlRelease, "a time", "MS", G::Settings,
     "how fast the gain recovers when the key falls: {range} (default 39.4 ms; 0 is the shortest, 1 ms)",
     "How fast the gain recovers when the key falls: {range}. Default 39.4 ms;\n"
     "0 is the shortest time, 1 ms."},
    {"--threshold", qm::ControlThreshold, "a level", "DB", G::Settings,
     "key level above which the gain falls, by as many dB as the smoothed key exceeds it: {range} (default -48)",
     "The key level above which the gain falls: {range}. Default \\-48 dB."},
    {"--range", qm::ControlRange, "a reduction", "DB", G::Shaping,
     "the largest reduction: {range} (0 = no limit). A loud key lowers INPUT by at most DB.",
     "The largest reduction: {range}; 0, the default, sets no limit. The gain\n"
     "never falls below \\-DB dB: a loud voice ducks the music by at most DB, and the\n"
     "music no longer pumps with every syllable. A steady key loud enough to duck\n"
     "further settles exactly at the range, whatever the attack and release times\n"
     "(within 0.05 dB; where the plug-in's own detector would not duck that deep, the\n"
     "range does not act). The engine's detector keeps its envelope no more than\n"
     "1 ms of release above the range's depth, and floors the gain at the range:\n"
     "the key's troughs between its peaks cannot lift the gain off the floor, and\n"
     "the music starts to come back at most 1 ms after the voice (and the hold)\n"
     "end, however loud the voice was.",
     &Shaping::rangeDb},
    {"--hold", qm::ControlHold, "a time", "MS", G::Shaping,
     "after the key falls, hold its peak for {range} before the gain may recover: pauses shorter than MS do "
     "not make the music swell.",
     "{range} (default 0). After the key falls the gain stays where it is for\n"
     "MS before it starts to recover, so pauses between words shorter than MS do not\n"
     "let the music swell. The key's peak is held over the last MS (a running\n"
     "maximum) before the detector smooths it.",
     &Shaping::holdMs},
    {"--lookahead", qm::ControlLookahead, "a time", "MS", G::Shaping,
     "read the key {range} ahead, so the gain is already falling when the voice starts; OUTPUT keeps INPUT's "
     "timing and length.",
     "{range} (default 0). The gain is computed from the key MS ahead, so the\n"
     "music is already going down when the voice starts. The output keeps the\n"
     "input's timing and length: the key is read ahead, the input is not delayed.",
     &Shaping::lookaheadMs},
};

// The file tool reads the key up to 500 ms ahead where the plug-in stops at 50 ms: the plug-in
// reports its look-ahead to the host as latency, which must stay short, while a file has no
// latency to report and a slow fade in before a voice may want the longer warning.
constexpr double kFileLookaheadMaxMs = 500.0;

}  // namespace

std::span<const ControlOption> controlOptions() { return kControlOptions; }

namespace {

template <class Matches>
const ControlOption* findOption(Matches matches) {
    for (const ControlOption& option : kControlOptions) {
        if (matches(option)) return &option;
    }
    return nullptr;
}

}  // namespace

const ControlOption* findControlOption(const std::string& name) {
    return findOption([&](const ControlOption& option) { return name == option.name; });
}

const ControlOption* findControlOption(qm::ControlId id) {
    return findOption([&](const ControlOption& option) { return option.control == id; });
}

double lowestValue(const ControlOption& option) { return qm::controlInfo(option.control).minimum; }

double highestValue(const ControlOption& option) {
    if (option.control == qm::ControlLookahead) return kFileLookaheadMaxMs;
    return qm::controlInfo(option.control).maximum;
}

std::string boundsText(const ControlOption& option) {
    char text[64];
    std::snprintf(text, sizeof text, "%g to %g", lowestValue(option), highestValue(option));
    return text;
}

std::string rangeText(const ControlOption& option) {
    return std::string(option.quantity) + " in " + qm::controlInfo(option.control).unit + " from " + boundsText(option);
}

std::string roffText(std::string_view text) {
    std::string written;
    for (const char c : text) written += c == '-' ? std::string("\\-") : std::string(1, c);
    return written;
}

std::string withRange(const ControlOption& option, const char* text, bool roff) {
    const std::string range = boundsText(option) + " " + qm::controlInfo(option.control).unit;
    const std::string written = roff ? roffText(range) : range;
    std::string result = text;
    constexpr std::string_view kMark = "{range}";
    for (std::size_t at = result.find(kMark); at != std::string::npos; at = result.find(kMark, at + written.size())) {
        result.replace(at, kMark.size(), written);
    }
    return result;
}

}  // namespace qmduck
