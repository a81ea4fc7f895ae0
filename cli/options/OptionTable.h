#pragma once
// Every option of quellmar-duck once: its names and what its value is (the control options come
// from their own table). The parser asks it which options take a value, and the shell completions
// are generated from it, so neither can drift.

#include <span>

namespace qmduck {

enum class OptionValue { None, File, Number, Choice, Text };

struct OptionInfo {
    const char* name;
    // The one-letter form ("-k"), or null.
    const char* shortName;
    OptionValue value;
    // For Choice: the values, separated by spaces; for File: a glob of likely names, or null.
    const char* values;
};

// The options, in the order --help lists them.
std::span<const OptionInfo> optionTable();

// The option named `name` (long or short form), or null.
const OptionInfo* findOption(const char* name);

}  // namespace qmduck
