#pragma once
// quellmar-duck --batch: the jobs of a list (or of its shard), several at once, each exactly as
// one run of the tool with the command line's settings; one progress line for the whole list.

#include <cstdio>

#include "cli/options/DuckOptions.h"

namespace qmduck {

// Runs the list named in `options.batchPath`; failures go to `messages`, each naming its line.
// The progress line goes there too when `showProgress`. Returns the exit status: 0 all done,
// 1 the list could not be read, would overwrite a file it reads, or a line failed (the other
// lines still run), 2 a wrong option value.
int runBatch(const DuckOptions& options, bool showProgress, std::FILE* messages);

}  // namespace qmduck
