#pragma once
// The cover in a FLAC result. libsndfile writes no picture block, so the finished file is copied,
// a block at a time, into a second pending file with the picture added as its last metadata
// block; the audio frames follow unchanged. The first file is never changed, and the second is
// only put in place when complete.

#include <string>

#include "cli/writing/PendingFile.h"
#include "cli/writing/Tags.h"

namespace qmduck {

// Copies the FLAC stream read from descriptor `from` to `to` with a picture block of body
// `pictureBody` after its metadata blocks; an error naming `name`, or empty. Neither descriptor
// is closed.
std::string insertFlacPicture(int from, int to, const std::string& pictureBody, const std::string& name);

// Writes the FLAC file in `written` (complete) with the cover of `tags` into `withCover`, a
// pending file for the same destination; an error naming the file, or empty.
std::string addFlacCover(PendingFile& written, PendingFile& withCover, const Tags& tags);

}  // namespace qmduck
