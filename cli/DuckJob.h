#pragma once
// One run of quellmar-duck: checks the files, measures the mix first when a loudness is asked,
// streams the input through the engine block by block into an output with no name yet, writes
// the plot and the CSV if wanted, and puts every result in place only when all are complete.

#include <cstdint>
#include <functional>
#include <string>

#include "cli/options/DuckOptions.h"

namespace qmduck {

struct JobResult {
    // 0 done, 1 a file could not be read or written, 2 a wrong option value for these files.
    int exitStatus = 0;
    // What went wrong, naming the file; empty when done.
    std::string message;
    // What a user should know of a run that succeeded (the loudness reached, a gain not given);
    // empty when there is nothing to say.
    std::string note;
};

// Runs the job; the progress bar goes to standard error when `showProgress`. With `report`, the
// job's progress is handed to it instead, in frames of INPUT (see ProgressBar::reportTo).
JobResult runDuckJob(const DuckOptions& options, bool showProgress,
                     const std::function<void(std::int64_t addedFrames)>& report = {});

}  // namespace qmduck
