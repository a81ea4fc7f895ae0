#pragma once
// The command line of quellmar-duck: which files, which plug-in settings and shaping, which extra
// outputs, which list of jobs.

#include <array>
#include <string>
#include <vector>

#include "cli/DuckEngine.h"
#include "engine/Parameters.h"

namespace qmduck {

// The most key files one run sums; the plug-in's listener has four slots, one of them its own.
constexpr int kMaxKeyFiles = 4;

struct DuckOptions {
    std::vector<std::string> keyPaths;
    std::string inputPath;
    std::string outputPath;
    // Empty: none wanted.
    std::string plotPath;
    std::string gainCsvPath;
    // "TYPE", "TYPE:SAMPLE" or ":SAMPLE"; empty: the output's name or the input decides.
    std::string format;
    // The plug-in's own 0..1 values by parameter index; indices 0, 2..5 and 10 are the tool's.
    std::array<float, qm::kParameterCount> parameters{};
    // The tool's own settings beyond the plug-in's.
    Shaping shaping;
    bool quiet = false;
    // --batch: the list of jobs (empty: one job from the command line), how many run at once
    // (0: one per core) and which share of the list this run takes (line K of every N, from 1).
    std::string batchPath;
    int jobs = 0;
    int shardIndex = 1;
    int shardCount = 1;
};

// The plug-in's defaults, active (not bypassed) and in duck mode.
std::array<float, qm::kParameterCount> defaultParameters();

enum class ParseAction { Run, ShowHelp, ShowVersion, ShowSettings, UsageError };

struct ParseResult {
    ParseAction action = ParseAction::UsageError;
    DuckOptions options;
    // What is wrong, for UsageError: one line, without the program name.
    std::string error;
};

// Reads the arguments that follow the program name.
ParseResult parseArguments(const std::vector<std::string>& arguments);

// The settings in force, one per line with its unit, for --show-settings.
std::string settingsText(const DuckOptions& options);

// The complete --help text.
const char* helpText();

// The tool's version line.
const char* versionText();

}  // namespace qmduck
