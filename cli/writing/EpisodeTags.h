#pragma once
// Which tags and cover the output carries. Plain ducking keeps the music, so INPUT's tags and
// cover go on; a finished episode (--mix) is the voice's, so they come from the first key and
// never from the bed. --tag and --cover set them over what is copied; --no-tags and --no-cover
// drop what is copied.

#include <string>

#include "cli/options/DuckOptions.h"
#include "cli/writing/Tags.h"

namespace qmduck {

// The tags for the output of `options` (standard input already kept as a file); `error` names a
// --cover file that cannot be read.
Tags tagsForOutput(const DuckOptions& options, std::string& error);

}  // namespace qmduck
