#pragma once
// One run of quellmar-duck: checks the files, streams the input through the engine block by
// block into a temporary output, writes the plot and the CSV if wanted, and puts every result in
// place only when all of them are complete.

#include <string>

#include "cli/DuckOptions.h"

namespace qmduck {

struct JobResult {
    // 0 done, 1 a file could not be read or written, 2 a wrong --format.
    int exitStatus = 0;
    // What went wrong, naming the file; empty when done.
    std::string message;
};

// Frames read, ducked and written at a time.
constexpr int kBlockFrames = 65536;

// Runs the job; the progress bar goes to standard error when `showProgress`.
JobResult runDuckJob(const DuckOptions& options, bool showProgress);

}  // namespace qmduck
