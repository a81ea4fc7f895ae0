#pragma once
// The jobs of our host program.

#include <string>
#include <vector>

namespace qmhost {

// Renders a sender carrying `keyPath` and a listener on Alpha in duck mode carrying `musicPath`
// through the module; writes the listener's output to `outPath`. All three are raw float32
// interleaved stereo at 44100 Hz. With a screenshot path, also saves the listener's open editor
// (as BMP) while the key's loudest stretch plays again (Windows build). Returns the process exit code.
int renderJob(const std::string& modulePath, const std::string& keyPath, const std::string& musicPath,
              const std::string& outPath, const std::string& screenshotPath);

// Creates `count` instances, prints "slots" and their parameter 0 values on one line, then
// publishes a steady key of `level` on all of them until asked to stop: the named event
// `stopEventName` is set (Windows), or standard input ends (elsewhere).
int serveJob(const std::string& modulePath, int count, float level, const std::string& stopEventName);

// Prints a table of ns per frame of processReplacing of each module (keys, block sizes, bypass)
// beside a plain copy and the per-frame detector loop with this program's C library.
int benchJob(const std::vector<std::string>& modulePaths);

// Prints what an open editor and new instances of the module cost per call: creation, the
// editor's open at 1x and 2x, idle calls with and without a change, a full redraw (Windows build).
int editorBenchJob(const std::string& modulePath);

// Seeded random host sessions over the module, every step checked; `arguments` are the module's
// path and the options (see the usage text). Prints one line per session and, on a failure, the
// seed, the step and the command that replays it (`program` is this program's path). Returns the
// exit code: 0 without failure, 1 on one, 2 for wrong arguments.
int validateJob(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace qmhost
