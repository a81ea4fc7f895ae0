#pragma once
// The body of a FLAC picture block (METADATA_BLOCK_PICTURE): the cover as a front cover with its
// MIME type and size. FLAC holds it as a metadata block; Ogg's comments hold it in base64.

#include <cstdint>
#include <string>

#include "cli/writing/Tags.h"

namespace qmduck {

// The most a FLAC metadata block holds: its length has 24 bits.
constexpr std::size_t kFlacBlockMaxBytes = 0xffffff;

// The picture's MIME type for FFmpeg's codec id, or null when none is known.
const char* coverMimeType(int codecId);

// The block's body for the cover of `tags`, whose type has a MIME type; colour depth and palette
// size are 0 (not known).
std::string pictureBlockBody(const Tags& tags);

}  // namespace qmduck
