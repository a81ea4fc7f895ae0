#pragma once
// The command line of quellmar-duck: which files, which plug-in settings and shaping, which extra
// outputs, which list of jobs.

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "cli/ducking/DuckEngine.h"
#include "engine/Parameters.h"

namespace qmduck {

// The most key files one run sums; the plug-in's listener has four slots, one of them its own.
constexpr int kMaxKeyFiles = 4;

// What turns the ducked input into a finished file: the mix with the keys, the loudness, the
// true-peak ceiling and the encoder's settings. All off by default.
struct Finishing {
    // The output is the ducked input plus the keys (as read, aligned with the input).
    bool mix = false;
    // Levels of the ducked input and of the keys before the sum, in dB.
    double inputGainDb = 0.0;
    double keyGainDb = 0.0;
    // Integrated loudness target in LUFS (-70..0); NaN: the level is left as it is.
    double loudnessLufs = std::numeric_limits<double>::quiet_NaN();
    // True-peak ceiling in dBTP (-9..0); NaN: -1 with a loudness target, no limiter without.
    double truePeakDbtp = std::numeric_limits<double>::quiet_NaN();
    // The encoder's bitrate in kbps; 0: the output type's default.
    int bitrateKbps = 0;
    // No tags and no cover are copied (from INPUT, or from the first key with --mix).
    bool noTags = false;
    // No cover is copied or set.
    bool noCover = false;
    // --tag NAME=VALUE, in order given: set over what is copied.
    std::vector<std::pair<std::string, std::string>> tags;
    // --cover: a picture file for the output's cover; empty: none given.
    std::string coverPath;

    bool hasLoudness() const { return !std::isnan(loudnessLufs); }
    // The ceiling in force, or NaN when no limiter runs.
    double ceilingDbtp() const { return !std::isnan(truePeakDbtp) ? truePeakDbtp : hasLoudness() ? -1.0 : truePeakDbtp; }
};

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
    Finishing finishing;
    bool quiet = false;
    // An INPUT without samples makes an empty output instead of an error.
    bool allowEmpty = false;
    // Integer outputs of 16 bits or fewer get TPDF dither (--dither tpdf, the default, or none).
    bool dither = true;
    // --batch: the list of jobs (empty: one job from the command line), how many run at once
    // (0: one per core) and which share of the list this run takes (line K of every N, from 1).
    std::string batchPath;
    int jobs = 0;
    int shardIndex = 1;
    int shardCount = 1;
};

// The plug-in's defaults, active (not bypassed) and in duck mode.
std::array<float, qm::kParameterCount> defaultParameters();

enum class ParseAction { Run, ShowHelp, ShowVersion, ShowSettings, ShowCompletion, UsageError };

struct ParseResult {
    ParseAction action = ParseAction::UsageError;
    DuckOptions options;
    // What is wrong, for UsageError: one line, without the program name.
    std::string error;
    // For ShowCompletion: "bash" or "zsh".
    std::string completionShell;
};

// The name that stands for standard input (as INPUT or a key) or standard output (as OUTPUT).
inline constexpr const char* kStandardStream = "-";

// Reads the arguments that follow the program name.
ParseResult parseArguments(const std::vector<std::string>& arguments);

// The settings in force, one per line with its unit, for --show-settings.
std::string settingsText(const DuckOptions& options);

// The complete --help text.
const char* helpText();

// The tool's version line.
const char* versionText();

}  // namespace qmduck
