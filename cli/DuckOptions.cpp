#include "cli/DuckOptions.h"

#include "ProductVersion.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

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

// Milliseconds 0..maxMs to the plug-in's value v with maxMs * v^2 = ms.
bool timeValue(const std::string& text, double maxMs, float& value) {
    double ms = 0.0;
    if (!parseNumber(text, ms) || ms < 0.0 || ms > maxMs) return false;
    value = static_cast<float>(std::sqrt(ms / maxMs));
    return true;
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

struct Parser {
    DuckOptions& options;
    std::vector<std::string> positional;

    // Applies one option that takes a value; an empty answer means it was fine.
    std::string apply(const std::string& name, const std::string& value) {
        auto& p = options.parameters;
        if (name == "--key" || name == "-k") {
            if (options.keyPaths.size() == kMaxKeyFiles) return "--key: at most 4 key files";
            options.keyPaths.push_back(value);
        } else if (name == "--output" || name == "-o") {
            options.outputPath = value;
        } else if (name == "--attack") {
            if (!timeValue(value, 2000.0, p[qm::ParamAttack]))
                return rangeError(name, value, "a time in ms from 0 to 2000");
        } else if (name == "--release") {
            if (!timeValue(value, 1000.0, p[qm::ParamRelease]))
                return rangeError(name, value, "a time in ms from 0 to 1000");
        } else if (name == "--threshold") {
            double db = 0.0;
            if (!parseNumber(value, db) || db > 0.0 || db < -96.0)
                return rangeError(name, value, "a level in dB from -96 to 0");
            p[qm::ParamThreshold] = static_cast<float>(db / -96.0);
        } else if (name == "--mode") {
            if (value != "duck" && value != "key") return rangeError(name, value, "'duck' or 'key'");
            p[qm::ParamDuckKey] = value == "duck" ? 1.0f : 0.0f;
        } else if (name == "--param") {
            return applyParam(value, p);
        } else if (name == "--format") {
            if (value.empty()) return "--format: needs a type, a sample type or both";
            options.format = value;
        } else if (name == "--plot") {
            options.plotPath = value;
        } else if (name == "--gain-csv") {
            options.gainCsvPath = value;
        } else {
            return "unknown option '" + name + "'";
        }
        if (value.empty()) return name + ": needs a file name or value";
        return {};
    }

    static bool takesValue(const std::string& name) {
        static const char* const names[] = {"--key",  "-k",        "--output", "-o",     "--attack", "--release",
                                            "--threshold", "--mode", "--param", "--format", "--plot", "--gain-csv"};
        for (const char* known : names) {
            if (name == known) return true;
        }
        return false;
    }
};

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
        } else if (argument == "--quiet" || argument == "-q") {
            result.options.quiet = true;
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
    if (parser.positional.size() != 1) {
        result.error = parser.positional.empty() ? "no input file given" : "more than one input file given";
    } else if (result.options.keyPaths.empty()) {
        result.error = "no key file given (--key FILE)";
    } else if (result.options.outputPath.empty()) {
        result.error = "no output file given (-o FILE)";
    } else {
        result.options.inputPath = parser.positional.front();
        result.action = ParseAction::Run;
    }
    return result;
}

const char* versionText() { return "quellmar-duck " QM_VERSION_TEXT " (the QuellmarV3 ducking engine)\n"; }

const char* helpText() {
    return R"(Usage: quellmar-duck --key KEY [--key KEY2 ...] [options] INPUT -o OUTPUT

Lowers INPUT while the keys are loud (duck mode) or lets it through only then
(key mode), with the very engine of the QuellmarV3 plug-in, and writes OUTPUT.
Typical use: duck a music bed under speech.

  quellmar-duck --key voice.wav --threshold -30 --release 300 music.wav -o bed.wav

Files:
  -k, --key FILE       a key: the signal whose level drives the gain. Up to 4;
                       several keys are summed as the plug-in sums the slots it
                       listens to. A key shorter than INPUT is silence after its
                       end; a longer one is cut.
  -o, --output FILE    the result; written under a temporary name in the same
                       folder and renamed when complete, so no partial file is
                       ever left. It may not be INPUT or a key.
  INPUT                the audio to duck. The output has its length, sample
                       rate and channel count.
  Inputs and keys are read with libsndfile: WAV, AIFF, FLAC, Ogg/Vorbis, Opus,
  CAF, W64, RF64 and the rest it reads. Each is mono or stereo (a mono file
  goes to both sides); keys need the input's sample rate.

Settings (the plug-in's defaults unless given; later ones win):
  --attack MS          how fast the gain falls when the key rises: 0 to 2000 ms
                       (default 78.9 ms; 0 is the plug-in's shortest, 2 ms)
  --release MS         how fast the gain recovers when the key falls: 0 to
                       1000 ms (default 39.4 ms; 0 is the shortest, 1 ms)
  --threshold DB       key level above which the gain falls, by as many dB as
                       the smoothed key exceeds it: -96 to 0 dB (default -48)
  --mode duck|key      duck: lower INPUT while the key is loud (default);
                       key: let INPUT through only while the key is loud
  --param N=V          a plug-in parameter by index with its own value V from
                       0 to 1: 1 bypass (1 = pass INPUT unchanged), 6 attack
                       (2000 V^2 ms), 7 release (1000 V^2 ms), 8 duck/key
                       (duck from 0.5 up), 9 threshold (-96 V dB). Times and
                       the threshold above are turned into these same values.

Output:
  --format TYPE[:SAMPLE]  the output's file type and sample type. Without it
                       the type follows OUTPUT's name (out.flac is FLAC) or
                       else INPUT, and the sample type follows INPUT where the
                       type allows it (else 24-bit, or Vorbis for Ogg).
                       TYPE: wav, aiff, flac, ogg, caf, w64, rf64, au, ... (any
                       libsndfile writes); SAMPLE: 8, 16, 24, 32, float,
                       double, vorbis, opus, ulaw, alaw. Examples: flac,
                       wav:float, :24
  --plot FILE.png      draws the key level, the threshold and the gain over
                       time (dB against minutes:seconds) as a PNG picture
  --gain-csv FILE      writes one line per 10 ms: time_s (end of the 10 ms),
                       gain_reduction_db (how far OUTPUT is lowered there, 0
                       or more), key_level_db (the keys' peak in those 10 ms)
  -q, --quiet          no progress bar (it is shown only on a terminal anyway)
  -h, --help           this text
      --version        the version

Exit status: 0 done; 1 a file could not be read or written (the message names
it and the reason; no output is left behind); 2 a wrong option or value.
)";
}

}  // namespace qmduck
