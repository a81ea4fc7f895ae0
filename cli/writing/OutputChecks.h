#pragma once
// What a run may write, checked before anything is read: every result has a folder that exists
// and takes new files, is no folder itself, and overwrites neither a file the run reads nor
// another result.

#include <string>

#include "cli/options/DuckOptions.h"

namespace qmduck {

// Why `options` cannot write its results (naming the file), or empty when they can be written.
std::string checkOutputs(const DuckOptions& options);

// Whether `a` and `b` name the same file, existing or not; "-" is never a file.
bool sameFile(const std::string& a, const std::string& b);

}  // namespace qmduck
