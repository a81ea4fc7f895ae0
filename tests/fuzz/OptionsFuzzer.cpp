// quellmar-duck's command line over any bytes: the bytes are the arguments after the program
// name, separated by NUL bytes as the system hands them over. Besides crashes and sanitizer
// reports, a run stops when the parse breaks its word: a usage error without a message, or a run
// or a settings listing with a value outside what its option accepts (the plug-in's user values
// 0..1, the times, levels and counts in their ranges), more than four keys, standard input read
// twice, or a run without its files.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/options/DuckOptions.h"

namespace {

using namespace qmduck;

void fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "options fuzzer: %s %s\n", what, detail.c_str());
    std::abort();
}

bool within(double value, double lowest, double highest) { return value >= lowest && value <= highest; }

void checkValues(const DuckOptions& o) {
    // The user's parameters; the others (own slot, input switches, meter) are the engine's.
    for (int index : {qm::ParamBypass, qm::ParamAttack, qm::ParamRelease, qm::ParamDuckKey, qm::ParamThreshold}) {
        const float value = o.parameters[static_cast<std::size_t>(index)];
        if (!within(value, 0.0, 1.0)) fail("a parameter outside 0..1", std::to_string(index));
    }
    if (!within(o.shaping.rangeDb, 0.0, 96.0) || !within(o.shaping.holdMs, 0.0, 2000.0) ||
        !within(o.shaping.lookaheadMs, 0.0, 500.0)) {
        fail("shaping outside its ranges");
    }
    const Finishing& f = o.finishing;
    if (!within(f.inputGainDb, -60.0, 24.0) || !within(f.keyGainDb, -60.0, 24.0)) fail("a gain outside -60..24 dB");
    if (f.hasLoudness() && !within(f.loudnessLufs, -70.0, 0.0)) fail("a loudness outside -70..0 LUFS");
    if (!std::isnan(f.truePeakDbtp) && !within(f.truePeakDbtp, -9.0, 0.0)) fail("a true peak outside -9..0 dBTP");
    if (f.bitrateKbps != 0 && !within(f.bitrateKbps, 6, 512)) fail("a bitrate outside 6..512");
    if (o.keyPaths.size() > static_cast<std::size_t>(kMaxKeyFiles)) fail("more than four keys");
    if (!within(o.jobs, 0, 1024)) fail("a job count outside 0..1024");
    if (o.shardIndex < 1 || o.shardIndex > o.shardCount) fail("a shard outside 1..N");
}

void checkRun(const DuckOptions& o) {
    if (!o.batchPath.empty()) {
        if (!o.inputPath.empty() || !o.keyPaths.empty() || !o.outputPath.empty()) fail("a list beside files");
        return;
    }
    if (o.inputPath.empty() || o.outputPath.empty() || o.keyPaths.empty()) fail("a run without its files");
    int readers = o.inputPath == kStandardStream ? 1 : 0;
    for (const std::string& key : o.keyPaths) readers += key == kStandardStream ? 1 : 0;
    if (readers > 1) fail("standard input read twice");
    if (!o.finishing.mix && o.finishing.keyGainDb != 0.0) fail("a key gain without the mix");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments;
    if (size > 0) {
        const std::string text(reinterpret_cast<const char*>(data), size);
        for (std::size_t start = 0;;) {
            const std::size_t end = text.find('\0', start);
            arguments.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    const ParseResult result = parseArguments(arguments);
    switch (result.action) {
    case ParseAction::UsageError:
        if (result.error.empty()) fail("a usage error without a message");
        break;
    case ParseAction::Run:
        checkValues(result.options);
        checkRun(result.options);
        settingsText(result.options);
        break;
    case ParseAction::ShowSettings:
        checkValues(result.options);
        if (settingsText(result.options).empty()) fail("no settings shown");
        break;
    case ParseAction::ShowCompletion:
        if (result.completionShell != "bash" && result.completionShell != "zsh") fail("a completion for no shell");
        break;
    case ParseAction::ShowHelp:
    case ParseAction::ShowVersion: break;
    }
    return 0;
}
