#pragma once
// The pieces of rendering that the render job and the editor screenshot share: blocks of
// interleaved stereo key and music.

#include <cstddef>
#include <string>
#include <vector>

#include "tools/host/PluginLoader.h"

namespace qmhost {

constexpr int kBlockFrames = 512;

// One channel of interleaved stereo, or silence past the end.
inline float sampleAt(const std::vector<float>& interleaved, std::size_t frame, int channel) {
    const std::size_t index = frame * 2 + static_cast<std::size_t>(channel);
    return index < interleaved.size() ? interleaved[index] : 0.0f;
}

// Fills one block of `count` frames from `start` of the key (rows 0, 1) and the music (rows 2, 3).
inline void fillBlock(float (&in)[4][kBlockFrames], const std::vector<float>& key, const std::vector<float>& music,
                      std::size_t start, int count) {
    for (int i = 0; i < count; ++i) {
        in[0][i] = sampleAt(key, start + i, 0);
        in[1][i] = sampleAt(key, start + i, 1);
        in[2][i] = sampleAt(music, start + i, 0);
        in[3][i] = sampleAt(music, start + i, 1);
    }
}

// Shows the listener's editor while the key's loudest stretch (from `loudestFrame`) plays again
// and saves it as BMP at `path`; false when this build cannot or the file cannot be written.
bool saveEditorScreenshot(const Plugin& sender, const Plugin& listener, const std::vector<float>& key,
                          const std::vector<float>& music, std::size_t loudestFrame, const std::string& path);

}  // namespace qmhost
