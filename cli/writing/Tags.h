#pragma once
// The tags of a sound file (title, artist, album and the like) and its cover picture, read with
// FFmpeg's libraries, to be carried over to the output.

#include <string>
#include <utility>
#include <vector>

namespace qmduck {

struct Tags {
    // Pairs of FFmpeg's generic tag names ("title", "artist", "album", ...) and values.
    std::vector<std::pair<std::string, std::string>> entries;
    // The cover picture's file bytes, FFmpeg's codec id for them (0: none) and its size in pixels.
    std::string cover;
    int coverCodec = 0;
    int coverWidth = 0;
    int coverHeight = 0;

    bool empty() const { return entries.empty() && cover.empty(); }
    // Sets `name` to `value`, replacing what it had.
    void set(const std::string& name, const std::string& value);
    // The cover's type for messages: "PNG", "JPEG", ...
    std::string coverTypeName() const;
};

// The tags of the file at `path`; none when it has none or cannot be read.
Tags readTags(const std::string& path);

// Puts the picture file at `path` (PNG, JPEG, ...) into `tags` as the cover; an error naming the
// file, or empty.
std::string readCover(const std::string& path, Tags& tags);

}  // namespace qmduck
