#include "cli/options/DuckOptions.h"

#include "ProductVersion.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "engine/ControlTable.h"

#include "cli/Presets.h"
#include "cli/options/Completions.h"
#include "cli/options/ControlOptions.h"
#include "cli/options/OptionTable.h"

namespace qmduck {
namespace {

using qm::kParameterCount;

// A whole decimal number, finite, nothing after it.
bool parseNumber(const std::string& text, double& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

std::string rangeError(const std::string& option, const std::string& value, const char* what) {
    return option + ": '" + value + "' is not " + what;
}

// A value of the control `option` sets, in its units and within the tool's range for it.
bool controlValue(const ControlOption& option, const std::string& text, double& value) {
    double parsed = 0.0;
    if (!parseNumber(text, parsed) || parsed < lowestValue(option) || parsed > highestValue(option)) return false;
    value = parsed;
    return true;
}

// Sets the option's control to `value` (in range): the plug-in's stored value for a control that
// has a parameter, the tool's shaping for the others.
void setControl(const ControlOption& option, double value, DuckOptions& options) {
    const std::int32_t parameter = qm::controlInfo(option.control).parameter;
    if (parameter >= 0) {
        options.parameters[static_cast<std::size_t>(parameter)] = qm::storedValueForUserValue(option.control, value);
    } else if (option.shapingField != nullptr) {
        options.shaping.*option.shapingField = value;
    }
}

// The duck/key control's choice named `text` as its stored value; false for no such choice.
bool modeValue(const std::string& text, float& value) {
    const qm::ControlInfo& info = qm::controlInfo(qm::ControlDuckKey);
    for (int choice = 0; choice <= static_cast<int>(info.maximum); ++choice) {
        if (text == info.choices[choice]) {
            value = qm::parameterValueFor(qm::ControlDuckKey, static_cast<float>(choice));
            return true;
        }
    }
    return false;
}

// "N=V" with N one of the plug-in's user parameters and V in 0..1.
std::string applyParam(const std::string& text, std::array<float, kParameterCount>& parameters) {
    const auto equals = text.find('=');
    const std::string indexText = text.substr(0, equals);
    double value = 0.0;
    if (equals == std::string::npos || indexText.empty() || indexText.size() > 3 ||
        indexText.find_first_not_of("0123456789") != std::string::npos) {
        return rangeError("--param", text, "of the form N=V (index N, value V from 0 to 1)");
    }
    const int index = std::stoi(indexText);
    if (index == qm::ParamOwnSlot || index == qm::ParamMeter) {
        return "--param: parameter " + indexText + " is written by the engine, not set";
    }
    if (index >= qm::ParamInputAlpha && index <= qm::ParamInputDelta) {
        return "--param: parameter " + indexText + " (an input switch) follows the --key files";
    }
    if (index >= kParameterCount) {
        return "--param: there is no parameter " + indexText + " (1 and 6 to 9 can be set)";
    }
    if (!parseNumber(text.substr(equals + 1), value) || value < 0.0 || value > 1.0) {
        return rangeError("--param", text, "a value from 0 to 1 after the '='");
    }
    parameters[static_cast<std::size_t>(index)] = static_cast<float>(value);
    return {};
}

// A whole number from `lowest` to `highest`.
bool wholeNumber(const std::string& text, int lowest, int highest, int& value) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoi(text);
    return value >= lowest && value <= highest;
}

void applyPreset(const Preset& preset, DuckOptions& options) {
    const std::pair<qm::ControlId, double> settings[] = {
        {qm::ControlAttack, preset.ducking.attackMs}, {qm::ControlRelease, preset.ducking.releaseMs},
        {qm::ControlThreshold, preset.ducking.thresholdDb}, {qm::ControlRange, preset.ducking.rangeDb},
        {qm::ControlHold, preset.ducking.holdMs}, {qm::ControlLookahead, preset.ducking.lookaheadMs}};
    for (const auto& [control, value] : settings) {
        if (const ControlOption* option = findControlOption(control)) setControl(*option, value, options);
    }
    if (!std::isnan(preset.loudnessLufs)) {
        options.finishing.mix = true;
        options.finishing.loudnessLufs = preset.loudnessLufs;
        options.finishing.truePeakDbtp = preset.truePeakDbtp;
    }
}

// A level in dB from `lowest` to `highest`.
bool levelValue(const std::string& text, double lowest, double highest, double& value) {
    double parsed = 0.0;
    if (!parseNumber(text, parsed) || parsed < lowest || parsed > highest) return false;
    value = parsed;
    return true;
}

// The options that make a finished file; an empty answer means it was fine, `known` false means
// no such option.
std::string applyFinishing(const std::string& name, const std::string& value, Finishing& f, bool& known) {
    known = true;
    if (name == "--input-gain") {
        if (!levelValue(value, -60.0, 24.0, f.inputGainDb)) return rangeError(name, value, "a gain in dB from -60 to 24");
    } else if (name == "--key-gain") {
        if (!levelValue(value, -60.0, 24.0, f.keyGainDb)) return rangeError(name, value, "a gain in dB from -60 to 24");
    } else if (name == "--loudness") {
        if (!levelValue(value, -70.0, 0.0, f.loudnessLufs)) return rangeError(name, value, "a loudness in LUFS from -70 to 0");
    } else if (name == "--true-peak") {
        if (!levelValue(value, -9.0, 0.0, f.truePeakDbtp)) return rangeError(name, value, "a level in dBTP from -9 to 0");
    } else if (name == "--tag") {
        const auto equals = value.find('=');
        const std::string tag = value.substr(0, equals);
        if (equals == std::string::npos || tag.empty() ||
            tag.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") != std::string::npos) {
            return rangeError(name, value, "of the form NAME=VALUE (NAME in lower case: title, artist, album, ...)");
        }
        f.tags.emplace_back(tag, value.substr(equals + 1));
    } else if (name == "--cover") {
        f.coverPath = value;
    } else if (name == "--bitrate") {
        if (!wholeNumber(value, 6, 512, f.bitrateKbps)) return rangeError(name, value, "a bitrate in kbps from 6 to 512");
    } else {
        known = false;
    }
    return {};
}

struct Parser {
    DuckOptions& options;
    std::vector<std::string> positional;

    // The tool's own options; an empty answer means it was fine, `known` false means no such option.
    std::string applyTool(const std::string& name, const std::string& value, bool& known) {
        known = true;
        if (name == "--preset") {
            const Preset* preset = presetNamed(value);
            if (preset == nullptr) return rangeError(name, value, ("one of " + presetNames()).c_str());
            applyPreset(*preset, options);
        } else if (name == "--batch") {
            options.batchPath = value;
        } else if (name == "--jobs" || name == "-j") {
            if (!wholeNumber(value, 1, 1024, options.jobs)) return rangeError(name, value, "a number of jobs from 1 to 1024");
        } else if (name == "--shard") {
            const auto slash = value.find('/');
            if (slash == std::string::npos || !wholeNumber(value.substr(slash + 1), 1, 1000000, options.shardCount) ||
                !wholeNumber(value.substr(0, slash), 1, options.shardCount, options.shardIndex)) {
                return rangeError(name, value, "of the form K/N with 1 <= K <= N");
            }
        } else {
            return applyFinishing(name, value, options.finishing, known);
        }
        return {};
    }

    // Applies one option that takes a value; an empty answer means it was fine.
    std::string apply(const std::string& name, const std::string& value) {
        auto& p = options.parameters;
        if (name == "--key" || name == "-k") {
            if (options.keyPaths.size() == kMaxKeyFiles) return "--key: at most 4 key files";
            options.keyPaths.push_back(value);
        } else if (name == "--output" || name == "-o") {
            options.outputPath = value;
        } else if (const ControlOption* control = findControlOption(name)) {
            double number = 0.0;
            if (!controlValue(*control, value, number)) return rangeError(name, value, rangeText(*control).c_str());
            setControl(*control, number, options);
        } else if (name == "--mode") {
            if (!modeValue(value, p[qm::ParamDuckKey])) return rangeError(name, value, "'duck' or 'key'");
        } else if (name == "--param") {
            return applyParam(value, p);
        } else if (name == "--dither") {
            if (value != "tpdf" && value != "none") return rangeError(name, value, "'tpdf' or 'none'");
            options.dither = value == "tpdf";
        } else if (name == "--format") {
            if (value.empty()) return "--format: needs a type, a sample type or both";
            options.format = value;
        } else if (name == "--plot") {
            options.plotPath = value;
        } else if (name == "--gain-csv") {
            options.gainCsvPath = value;
        } else {
            bool known = false;
            std::string problem = applyTool(name, value, known);
            if (!known) return "unknown option '" + name + "'";
            if (!problem.empty()) return problem;
        }
        if (value.empty()) return name + ": needs a file name or value";
        return {};
    }

    static bool takesValue(const std::string& name) {
        const OptionInfo* option = findOption(name.c_str());
        return option != nullptr && option->value != OptionValue::None;
    }
};

// At most one of INPUT and the keys can be read from standard input; the plot and the CSV need
// files of their own.
std::string standardStreamTwice(const std::string& input, const DuckOptions& o) {
    int readers = input == kStandardStream ? 1 : 0;
    for (const std::string& key : o.keyPaths) readers += key == kStandardStream ? 1 : 0;
    if (readers > 1) return "'-' (standard input) is given more than once among INPUT and the keys";
    if (o.plotPath == kStandardStream || o.gainCsvPath == kStandardStream) {
        return "--plot and --gain-csv: '-' is for INPUT, a key or OUTPUT, not for these";
    }
    return {};
}

}  // namespace

std::array<float, kParameterCount> defaultParameters() {
    std::array<float, kParameterCount> parameters{};
    for (int i = 0; i < kParameterCount; ++i) parameters[static_cast<std::size_t>(i)] = qm::kParameterDefaults[i];
    parameters[qm::ParamBypass] = 0.0f;
    parameters[qm::ParamDuckKey] = 1.0f;
    return parameters;
}

ParseResult parseArguments(const std::vector<std::string>& arguments) {
    ParseResult result;
    result.options.parameters = defaultParameters();
    Parser parser{result.options, {}};
    bool optionsEnded = false;
    bool showSettings = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            parser.positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            result.action = ParseAction::ShowHelp;
            return result;
        } else if (argument == "--version") {
            result.action = ParseAction::ShowVersion;
            return result;
        } else if (argument == "--completion" || argument.rfind("--completion=", 0) == 0) {
            const bool joined = argument.size() > 12;
            const std::string shell = joined ? argument.substr(13) : i + 1 < arguments.size() ? arguments[i + 1] : "";
            if (completionScript(shell).empty()) {
                result.error = rangeError("--completion", shell, "'bash' or 'zsh'");
                return result;
            }
            result.action = ParseAction::ShowCompletion;
            result.completionShell = shell;
            return result;
        } else if (argument == "--quiet" || argument == "-q") {
            result.options.quiet = true;
        } else if (argument == "--show-settings") {
            showSettings = true;
        } else if (argument == "--mix") {
            result.options.finishing.mix = true;
        } else if (argument == "--allow-empty") {
            result.options.allowEmpty = true;
        } else if (argument == "--no-cover") {
            result.options.finishing.noCover = true;
        } else if (argument == "--no-tags") {
            result.options.finishing.noTags = true;
        } else if (argument.size() > 2 && argument.rfind("-j", 0) == 0) {
            // -jN, as make and other tools take it.
            result.error = parser.apply("-j", argument.substr(2));
            if (!result.error.empty()) return result;
        } else {
            const auto equals = argument.find('=');
            const bool joined = argument.rfind("--", 0) == 0 && equals != std::string::npos;
            const std::string name = joined ? argument.substr(0, equals) : argument;
            if (!Parser::takesValue(name)) {
                result.error = "unknown option '" + name + "'";
                return result;
            }
            if (!joined && i + 1 == arguments.size()) {
                result.error = name + ": needs a value";
                return result;
            }
            const std::string value = joined ? argument.substr(equals + 1) : arguments[++i];
            result.error = parser.apply(name, value);
            if (!result.error.empty()) return result;
        }
    }
    const DuckOptions& o = result.options;
    if (showSettings) {
        result.action = ParseAction::ShowSettings;
    } else if (!o.batchPath.empty()) {
        if (!parser.positional.empty() || !o.keyPaths.empty() || !o.outputPath.empty()) {
            result.error = "--batch: the files come from the list; no INPUT, --key or -o beside it";
        } else if (!o.plotPath.empty() || !o.gainCsvPath.empty()) {
            result.error = "--batch: --plot and --gain-csv are for one file";
        } else {
            result.action = ParseAction::Run;
        }
    } else if (o.jobs != 0 || o.shardCount != 1) {
        result.error = o.jobs != 0 ? "-j: only with --batch" : "--shard: only with --batch";
    } else if (parser.positional.size() != 1) {
        result.error = parser.positional.empty() ? "no input file given" : "more than one input file given";
    } else if (parser.positional.front().empty()) {
        result.error = "INPUT: needs a file name, not an empty one";
    } else if (o.keyPaths.empty()) {
        result.error = "no key file given (--key FILE)";
    } else if (o.outputPath.empty()) {
        result.error = "no output file given (-o FILE)";
    } else if (!o.finishing.mix && o.finishing.keyGainDb != 0.0) {
        result.error = "--key-gain: only with --mix (the keys are not in the output without it)";
    } else if (std::string twice = standardStreamTwice(parser.positional.front(), o); !twice.empty()) {
        result.error = twice;
    } else {
        result.options.inputPath = parser.positional.front();
        result.action = ParseAction::Run;
    }
    return result;
}

std::string settingsText(const DuckOptions& options) {
    const auto& p = options.parameters;
    const Finishing& f = options.finishing;
    const bool duck = qm::isDuckMode(p[qm::ParamDuckKey]);
    char range[32] = "none";
    if (options.shaping.rangeDb > 0.0) std::snprintf(range, sizeof range, "%.1f dB", options.shaping.rangeDb);
    char loudness[32] = "as it is";
    if (f.hasLoudness()) std::snprintf(loudness, sizeof loudness, "%.1f LUFS", f.loudnessLufs);
    char ceiling[32] = "none";
    if (!std::isnan(f.ceilingDbtp())) std::snprintf(ceiling, sizeof ceiling, "%.1f dBTP", f.ceilingDbtp());
    char text[768];
    std::snprintf(text, sizeof text,
                  "mode        %s%s\nthreshold   %.1f dB\nattack      %.1f ms\nrelease     %.1f ms\n"
                  "range       %s\nhold        %.0f ms\nlookahead   %.0f ms\n"
                  "mix         %s\ninput gain  %.1f dB\nkey gain    %.1f dB\nloudness    %s\ntrue peak   %s\n",
                  duck ? "duck" : "key", qm::isSwitchOn(p[qm::ParamBypass]) ? " (bypassed)" : "",
                  qm::thresholdDbFor(p[qm::ParamThreshold]), static_cast<double>(qm::attackMsFor(p[qm::ParamAttack])),
                  static_cast<double>(qm::releaseMsFor(p[qm::ParamRelease])),
                  range, options.shaping.holdMs, options.shaping.lookaheadMs, f.mix ? "input and keys" : "off (input alone)",
                  f.inputGainDb, f.keyGainDb, loudness, ceiling);
    return text;
}

const char* versionText() { return "quellmar-duck " QM_VERSION_TEXT " (the QuellmarV3 ducking engine)\n"; }

}  // namespace qmduck
