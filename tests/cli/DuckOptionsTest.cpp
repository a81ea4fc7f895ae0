#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "cli/options/ControlOptions.h"
#include "cli/options/DuckOptions.h"
#include "cli/options/OptionTable.h"
#include "engine/ControlTable.h"
#include "engine/Presets.h"

namespace qmduck {
namespace {

std::vector<std::string> words(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> result;
    for (std::string word; stream >> word;) result.push_back(word);
    return result;
}

TEST(DuckOptions, GoodCommandLinesSetThePlugInsOwnValues) {
    struct Case {
        const char* line;
        int index;
        float value;
    } cases[] = {
        {"--key k.wav in.wav -o out.wav", qm::ParamDuckKey, 1.0f},
        {"--key k.wav in.wav -o out.wav", qm::ParamBypass, 0.0f},
        {"--key k.wav in.wav -o out.wav", qm::ParamAttack, qm::kParameterDefaults[qm::ParamAttack]},
        {"--key k.wav in.wav -o out.wav", qm::ParamThreshold, 0.5f},
        {"--key k.wav in.wav -o out.wav --threshold -30", qm::ParamThreshold, 0.3125f},
        {"--key k.wav in.wav -o out.wav --threshold=-96", qm::ParamThreshold, 1.0f},
        {"--key k.wav in.wav -o out.wav --attack 500", qm::ParamAttack, 0.5f},
        {"--key k.wav in.wav -o out.wav --attack 2000", qm::ParamAttack, 1.0f},
        {"--key k.wav in.wav -o out.wav --attack 0", qm::ParamAttack, 0.0f},
        {"--key k.wav in.wav -o out.wav --release 250", qm::ParamRelease, 0.5f},
        {"--key k.wav in.wav -o out.wav --mode key", qm::ParamDuckKey, 0.0f},
        {"-k k.wav -o out.wav in.wav --mode duck", qm::ParamDuckKey, 1.0f},
        {"--key k.wav in.wav -o out.wav --param 9=0.25", qm::ParamThreshold, 0.25f},
        {"--key k.wav in.wav -o out.wav --param 1=1", qm::ParamBypass, 1.0f},
        {"--key k.wav in.wav -o out.wav --threshold -30 --param 9=0.75", qm::ParamThreshold, 0.75f},
        {"--key k.wav in.wav -o out.wav --param=8=0.49", qm::ParamDuckKey, 0.49f},
    };
    for (const Case& c : cases) {
        const ParseResult result = parseArguments(words(c.line));
        ASSERT_EQ(result.action, ParseAction::Run) << c.line << ": " << result.error;
        EXPECT_FLOAT_EQ(result.options.parameters[static_cast<std::size_t>(c.index)], c.value) << c.line;
    }
}

TEST(DuckOptions, FilesAndSwitchesAreTakenInOrder) {
    const ParseResult result = parseArguments(words(
        "--key a.wav -k b.flac in.ogg --key=c.wav --output out.flac --plot p.png --gain-csv g.csv --format wav:24 -q"));
    ASSERT_EQ(result.action, ParseAction::Run) << result.error;
    EXPECT_EQ(result.options.keyPaths, (std::vector<std::string>{"a.wav", "b.flac", "c.wav"}));
    EXPECT_EQ(result.options.inputPath, "in.ogg");
    EXPECT_EQ(result.options.outputPath, "out.flac");
    EXPECT_EQ(result.options.plotPath, "p.png");
    EXPECT_EQ(result.options.gainCsvPath, "g.csv");
    EXPECT_EQ(result.options.format, "wav:24");
    EXPECT_TRUE(result.options.quiet);
    EXPECT_EQ(parseArguments(words("--key k.wav -o o.wav -- -in.wav")).options.inputPath, "-in.wav");
    EXPECT_EQ(parseArguments(words("--key k.wav --help")).action, ParseAction::ShowHelp);
    EXPECT_EQ(parseArguments(words("--version")).action, ParseAction::ShowVersion);
}

TEST(DuckOptions, WrongCommandLinesAreUsageErrorsThatSayWhat) {
    struct Case {
        const char* line;
        const char* mentions;
    } cases[] = {
        {"", "no input file"},
        {"--key k.wav -o out.wav", "no input file"},
        {"in.wav -o out.wav", "no key file"},
        {"--key k.wav in.wav", "no output file"},
        {"--key k.wav a.wav b.wav -o out.wav", "more than one input"},
        {"--key k.wav in.wav -o out.wav --bogus 3", "unknown option '--bogus'"},
        {"--key k.wav in.wav -o out.wav --attack", "--attack: needs a value"},
        {"--key k.wav in.wav -o out.wav --attack 2001", "0 to 2000"},
        {"--key k.wav in.wav -o out.wav --attack -1", "0 to 2000"},
        {"--key k.wav in.wav -o out.wav --attack 10ms", "'10ms'"},
        {"--key k.wav in.wav -o out.wav --attack nan", "0 to 2000"},
        {"--key k.wav in.wav -o out.wav --release 1000.5", "0 to 1000"},
        {"--key k.wav in.wav -o out.wav --threshold 3", "-96 to 0"},
        {"--key k.wav in.wav -o out.wav --threshold -97", "-96 to 0"},
        {"--key k.wav in.wav -o out.wav --mode gate", "'duck' or 'key'"},
        {"--key k.wav in.wav -o out.wav --param 9", "N=V"},
        {"--key k.wav in.wav -o out.wav --param x=1", "N=V"},
        {"--key k.wav in.wav -o out.wav --param 9=1.5", "0 to 1"},
        {"--key k.wav in.wav -o out.wav --param 9=", "0 to 1"},
        {"--key k.wav in.wav -o out.wav --param 0=1", "written by the engine"},
        {"--key k.wav in.wav -o out.wav --param 10=0", "written by the engine"},
        {"--key k.wav in.wav -o out.wav --param 2=1", "follows the --key files"},
        {"--key k.wav in.wav -o out.wav --param 11=1", "no parameter 11"},
        {"--key k.wav in.wav -o out.wav --format=", "--format"},
        {"-k 1 -k 2 -k 3 -k 4 -k 5 in.wav -o out.wav", "at most 4"},
        {"--key= in.wav -o out.wav", "--key: needs"},
        {"--key k.wav in.wav -o out.wav --range 97", "0 to 96"},
        {"--key k.wav in.wav -o out.wav --hold -5", "0 to 2000"},
        {"--key k.wav in.wav -o out.wav --lookahead 501", "0 to 500"},
        {"--key k.wav in.wav -o out.wav --preset loud", "one of gentle, standard, strong"},
        {"--batch l.tsv --key k.wav", "no INPUT, --key or -o"},
        {"--batch l.tsv --plot p.png", "for one file"},
        {"--batch l.tsv -j 0", "from 1 to 1024"},
        {"--batch l.tsv --shard 3/2", "K/N"},
        {"--batch l.tsv --shard 0/2", "K/N"},
        {"--key k.wav in.wav -o out.wav -j 2", "only with --batch"},
    };
    for (const Case& c : cases) {
        const ParseResult result = parseArguments(words(c.line));
        EXPECT_EQ(result.action, ParseAction::UsageError) << c.line;
        EXPECT_NE(result.error.find(c.mentions), std::string::npos) << c.line << " -> " << result.error;
    }
}

TEST(DuckOptions, ShapingPresetsAndListsAreReadAndLaterOptionsWin) {
    struct Case {
        const char* line;
        Shaping shaping;
        float thresholdValue;
        int jobs, shardIndex, shardCount;
    } cases[] = {
        {"-k k.wav in.wav -o o.wav", {0, 0, 0}, 0.5f, 0, 1, 1},
        {"-k k.wav in.wav -o o.wav --range 12 --hold 250 --lookahead=40", {12, 250, 40}, 0.5f, 0, 1, 1},
        {"-k k.wav in.wav -o o.wav --preset standard", {12, 300, 30}, 40.0f / 96.0f, 0, 1, 1},
        {"-k k.wav in.wav -o o.wav --preset strong --range 9 --threshold -48", {9, 500, 50}, 0.5f, 0, 1, 1},
        {"-k k.wav in.wav -o o.wav --range 9 --preset gentle", {6, 200, 20}, 40.0f / 96.0f, 0, 1, 1},
        {"--batch l.tsv -j 3 --shard 2/5 --hold 100", {0, 100, 0}, 0.5f, 3, 2, 5},
        {"--batch l.tsv -j2 --shard=1/1", {0, 0, 0}, 0.5f, 2, 1, 1},
    };
    for (const Case& c : cases) {
        const ParseResult result = parseArguments(words(c.line));
        ASSERT_EQ(result.action, ParseAction::Run) << c.line << ": " << result.error;
        const DuckOptions& o = result.options;
        EXPECT_EQ(o.shaping.rangeDb, c.shaping.rangeDb) << c.line;
        EXPECT_EQ(o.shaping.holdMs, c.shaping.holdMs) << c.line;
        EXPECT_EQ(o.shaping.lookaheadMs, c.shaping.lookaheadMs) << c.line;
        EXPECT_FLOAT_EQ(o.parameters[qm::ParamThreshold], c.thresholdValue) << c.line;
        EXPECT_EQ(o.jobs, c.jobs) << c.line;
        EXPECT_EQ(o.shardIndex, c.shardIndex) << c.line;
        EXPECT_EQ(o.shardCount, c.shardCount) << c.line;
    }
    const ParseResult shown = parseArguments(words("--preset standard --attack 5 --show-settings"));
    ASSERT_EQ(shown.action, ParseAction::ShowSettings);
    const std::string text = settingsText(shown.options);
    for (const char* expected : {"threshold   -40.0 dB", "attack      5.0 ms", "release     400.0 ms",
                                 "range       12.0 dB", "hold        300 ms", "lookahead   30 ms"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
    }
    // Each preset sets all six of its controls as their own options would.
    for (const qm::DuckingPreset& preset : qm::duckingPresets()) {
        char line[256];
        std::snprintf(line, sizeof line, "-k k.wav in.wav -o o.wav --attack %.17g --release %.17g --threshold %.17g "
                      "--range %.17g --hold %.17g --lookahead %.17g", preset.attackMs, preset.releaseMs,
                      preset.thresholdDb, preset.rangeDb, preset.holdMs, preset.lookaheadMs);
        const DuckOptions byOptions = parseArguments(words(line)).options;
        const std::string presetLine = std::string("-k k.wav in.wav -o o.wav --preset ") + preset.name;
        const DuckOptions byPreset = parseArguments(words(presetLine)).options;
        EXPECT_EQ(byPreset.parameters, byOptions.parameters) << preset.name;
        EXPECT_EQ(byPreset.shaping.rangeDb, byOptions.shaping.rangeDb) << preset.name;
        EXPECT_EQ(byPreset.shaping.holdMs, byOptions.shaping.holdMs) << preset.name;
        EXPECT_EQ(byPreset.shaping.lookaheadMs, byOptions.shaping.lookaheadMs) << preset.name;
    }
}

TEST(DuckOptions, HelpNamesEveryOptionWithItsUnitAndRange) {
    const std::string help = helpText();
    for (const char* expected : {"--key", "--output", "--attack MS", "0 to 2000 ms", "--release MS", "1000 ms",
                                 "--threshold DB", "-96 to 0 dB", "--mode duck|key", "--param N=V", "--format",
                                 "--plot", "--gain-csv", "--quiet", "Exit status", "2 a wrong option",
                                 "--range DB", "0 to 96 dB", "--hold MS", "--lookahead MS", "0 to 500 ms",
                                 "--preset NAME", "--show-settings", "--batch LIST", "-j, --jobs N", "--shard K/N"}) {
        EXPECT_NE(help.find(expected), std::string::npos) << expected;
    }
}

// The option table (which the parser and the completions read), --help and the manual page (the
// one written at build time) name the same options: each option of the table is in both, and
// --help names no option the table lacks.
TEST(DuckOptions, TheTableTheHelpAndTheManualPageNameTheSameOptions) {
    const std::string help = helpText();
    std::set<std::string> helpNames;
    for (std::size_t at = help.find("--"); at != std::string::npos; at = help.find("--", at + 2)) {
        if (at > 0 && help[at - 1] != ' ' && help[at - 1] != ',' && help[at - 1] != '\n') continue;
        const std::size_t end = help.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", at + 2);
        if (end != at + 2) helpNames.insert(help.substr(at, end == std::string::npos ? std::string::npos : end - at));
    }
    std::ifstream manualFile(QM_MANUAL_PAGE);
    ASSERT_TRUE(manualFile) << QM_MANUAL_PAGE;
    const std::string manual((std::istreambuf_iterator<char>(manualFile)), std::istreambuf_iterator<char>());
    // roff writes a hyphen that must stay one as "\-"; a name counts where no longer one goes on.
    const auto inManual = [&manual](std::string name) {
        for (std::size_t at = name.find('-'); at != std::string::npos; at = name.find('-', at + 2)) name.insert(at, "\\");
        for (std::size_t at = manual.find(name); at != std::string::npos; at = manual.find(name, at + 1)) {
            const char next = at + name.size() < manual.size() ? manual[at + name.size()] : ' ';
            if (next != '\\' && std::islower(static_cast<unsigned char>(next)) == 0) return true;
        }
        return false;
    };
    std::set<std::string> tableNames;
    for (const OptionInfo& option : optionTable()) {
        tableNames.insert(option.name);
        EXPECT_TRUE(helpNames.count(option.name)) << option.name << " is not in --help";
        EXPECT_TRUE(inManual(option.name)) << option.name << " is not in the manual page";
    }
    for (const std::string& name : helpNames) EXPECT_TRUE(tableNames.count(name)) << name << " is not in the table";
}

// Each control option takes the engine's range for its control, the look-ahead alone reaching
// further (a file has no latency to report); its ends are accepted, a step beyond them is a usage
// error naming the range, and --help and the manual page state the same range.
TEST(DuckOptions, ControlOptionsTakeTheEnginesRangesAndTheHelpStatesThem) {
    std::string help;
    for (const std::string& word : words(helpText())) help += word + " ";
    std::ifstream manualFile(QM_MANUAL_PAGE);
    const std::string manual((std::istreambuf_iterator<char>(manualFile)), std::istreambuf_iterator<char>());
    for (const ControlOption& option : controlOptions()) {
        const qm::ControlInfo& info = qm::controlInfo(option.control);
        EXPECT_EQ(lowestValue(option), info.minimum) << option.name;
        if (option.control == qm::ControlLookahead) {
            EXPECT_GT(highestValue(option), info.maximum) << option.name;
        } else {
            EXPECT_EQ(highestValue(option), info.maximum) << option.name;
        }
        const std::string line = std::string("-k k.wav in.wav -o o.wav ") + option.name + " ";
        for (const double end : {lowestValue(option), highestValue(option)}) {
            const std::string good = line + std::to_string(end);
            EXPECT_EQ(parseArguments(words(good)).action, ParseAction::Run) << good;
        }
        for (const double beyond : {lowestValue(option) - 0.5, highestValue(option) + 0.5}) {
            const std::string bad = line + std::to_string(beyond);
            const ParseResult result = parseArguments(words(bad));
            EXPECT_EQ(result.action, ParseAction::UsageError) << bad;
            EXPECT_NE(result.error.find(rangeText(option)), std::string::npos) << result.error;
        }
        char stated[64];
        std::snprintf(stated, sizeof stated, "%g to %g %s", lowestValue(option), highestValue(option), info.unit);
        EXPECT_NE(help.find(stated), std::string::npos) << option.name << ": " << stated;
        std::string roffStated;
        for (const char c : std::string(stated)) roffStated += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(manual.find(roffStated), std::string::npos) << option.name << " in the manual page: " << roffStated;
    }
}

}  // namespace
}  // namespace qmduck
