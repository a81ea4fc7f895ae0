#include "cli/options/OptionTable.h"

#include <cstring>

namespace qmduck {
namespace {

using V = OptionValue;

constexpr OptionInfo kOptions[] = {
    {"--key", "-k", V::File, nullptr},
    {"--output", "-o", V::File, nullptr},
    {"--mode", nullptr, V::Choice, "duck key"},
    {"--threshold", nullptr, V::Number, nullptr},
    {"--attack", nullptr, V::Number, nullptr},
    {"--release", nullptr, V::Number, nullptr},
    {"--param", nullptr, V::Text, nullptr},
    {"--range", nullptr, V::Number, nullptr},
    {"--hold", nullptr, V::Number, nullptr},
    {"--lookahead", nullptr, V::Number, nullptr},
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

}  // namespace

std::span<const OptionInfo> optionTable() { return kOptions; }

const OptionInfo* findOption(const char* name) {
    for (const OptionInfo& option : kOptions) {
        if (std::strcmp(option.name, name) == 0 || (option.shortName != nullptr && std::strcmp(option.shortName, name) == 0)) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace qmduck
