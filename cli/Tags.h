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
    // The cover picture's file bytes and FFmpeg's codec id for them (0: none).
    std::string cover;
    int coverCodec = 0;

    bool empty() const { return entries.empty() && cover.empty(); }
};

// The tags of the file at `path`; none when it has none or cannot be read.
Tags readTags(const std::string& path);

}  // namespace qmduck
