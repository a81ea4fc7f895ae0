#include "cli/options/OptionTable.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "cli/options/ControlOptions.h"

namespace qmduck {
namespace {

using V = OptionValue;

// The options before the control options (ControlOptions.cpp), and those after them.
constexpr OptionInfo kLeadingOptions[] = {
    {"--key", "-k", V::File, nullptr},
    {"--output", "-o", V::File, nullptr},
    {"--mode", nullptr, V::Choice, "duck key"},
};
constexpr OptionInfo kTrailingOptions[] = {
    {"--param", nullptr, V::Text, nullptr},
    {"--preset", nullptr, V::Choice, "gentle standard strong podcast"},
    {"--show-settings", nullptr, V::None, nullptr},
    {"--mix", nullptr, V::None, nullptr},
    {"--input-gain", nullptr, V::Number, nullptr},
    {"--key-gain", nullptr, V::Number, nullptr},
    {"--loudness", nullptr, V::Choice, "-23 -16 -14"},
    {"--true-peak", nullptr, V::Choice, "-1 -2"},
    {"--bitrate", nullptr, V::Choice, "64 96 128 192 256 320"},
    {"--no-tags", nullptr, V::None, nullptr},
    {"--no-cover", nullptr, V::None, nullptr},
    {"--tag", nullptr, V::Text, nullptr},
    {"--cover", nullptr, V::File, "*.@(jpg|jpeg|png)"},
    {"--format", nullptr, V::Choice, "mp3 m4a opus webm wav flac aiff ogg caf w64 rf64"},
    {"--dither", nullptr, V::Choice, "tpdf none"},
    {"--plot", nullptr, V::File, "*.png"},
    {"--gain-csv", nullptr, V::File, "*.csv"},
    {"--batch", nullptr, V::File, "*.tsv"},
    {"--jobs", "-j", V::Number, nullptr},
    {"--shard", nullptr, V::Text, nullptr},
    {"--allow-empty", nullptr, V::None, nullptr},
    {"--quiet", "-q", V::None, nullptr},
    {"--help", "-h", V::None, nullptr},
    {"--version", nullptr, V::None, nullptr},
    {"--completion", nullptr, V::Choice, "bash zsh"},
};

std::vector<OptionInfo> allOptions() {
    std::vector<OptionInfo> options(std::begin(kLeadingOptions), std::end(kLeadingOptions));
    for (const ControlOption& control : controlOptions()) options.push_back({control.name, nullptr, V::Number, nullptr});
    options.insert(options.end(), std::begin(kTrailingOptions), std::end(kTrailingOptions));
    return options;
}

}  // namespace

std::span<const OptionInfo> optionTable() {
    static const std::vector<OptionInfo> options = allOptions();
    return options;
}

const OptionInfo* findOption(const char* name) {
    for (const OptionInfo& option : optionTable()) {
        if (std::strcmp(option.name, name) == 0 || (option.shortName != nullptr && std::strcmp(option.shortName, name) == 0)) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace qmduck
