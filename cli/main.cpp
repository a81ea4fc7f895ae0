// quellmar-duck: the QuellmarV3 ducking engine over sound files. See --help.

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/BatchRun.h"
#include "cli/DuckJob.h"
#include "cli/options/Completions.h"
#include "cli/options/DuckOptions.h"
#include "cli/writing/PendingFile.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const qmduck::ParseResult parsed = qmduck::parseArguments(arguments);
    switch (parsed.action) {
    case qmduck::ParseAction::ShowHelp: std::fputs(qmduck::helpText(), stdout); return 0;
    case qmduck::ParseAction::ShowVersion: std::fputs(qmduck::versionText(), stdout); return 0;
    case qmduck::ParseAction::ShowCompletion:
        std::fputs(qmduck::completionScript(parsed.completionShell).c_str(), stdout);
        return 0;
    case qmduck::ParseAction::ShowSettings: std::fputs(qmduck::settingsText(parsed.options).c_str(), stdout); return 0;
    case qmduck::ParseAction::UsageError:
        std::fprintf(stderr, "quellmar-duck: %s\nTry 'quellmar-duck --help' for the options.\n", parsed.error.c_str());
        return 2;
    case qmduck::ParseAction::Run: break;
    }
    qmduck::PendingFile::removeOnSignals();
    const bool showProgress = !parsed.options.quiet && isatty(STDERR_FILENO) == 1;
    if (!parsed.options.batchPath.empty()) return qmduck::runBatch(parsed.options, showProgress, stderr);
    const qmduck::JobResult result = qmduck::runDuckJob(parsed.options, showProgress);
    if (result.exitStatus != 0) std::fprintf(stderr, "quellmar-duck: %s\n", result.message.c_str());
    if (result.exitStatus == 0 && !result.note.empty() && !parsed.options.quiet) {
        std::fprintf(stderr, "quellmar-duck: %s: %s\n", parsed.options.outputPath.c_str(), result.note.c_str());
    }
    return result.exitStatus;
}
