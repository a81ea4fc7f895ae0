#pragma once
// Standard input as a file: read once, whole, into an unnamed temporary file, so that the readers
// can look at its start to choose a decoder and a second pass can read it again.

#include <string>

namespace qmduck {

// A path that reads what standard input carried ("/proc/self/fd/N"); the first call reads it to
// its end. Empty, with `error`, when it cannot be kept. Any thread.
std::string standardInputPath(std::string& error);

}  // namespace qmduck
