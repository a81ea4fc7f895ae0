#pragma once
// Joins two MP3 streams of the same audio, encoded side by side from different starts, into one:
// the first stream's frames up to a join, the second's from it. An MP3 frame's main data may begin
// up to 511 bytes before the frame, in the space the frames before it left (the bit reservoir),
// so the second stream's frames cannot simply follow the first's: their main data is laid out
// again, each frame's as early as the frames before it allow, and each frame's pointer to it
// rewritten. The join is placed where both encoders chose the same windows on either side of it,
// so that their overlapping halves add up as one encoder's do. MPEG-1 Layer III without CRC only
// (what LAME writes at 32 kHz and above).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm {

struct Mp3FrameBytes {
    std::uint8_t* data;
    std::size_t size;
};

// How many MP3 frames past a frame's start LAME reads its input (the frame, its windows' overlap
// and its look-ahead), with room to spare: a stream's frames that start nearer than this to the end
// of what its encoder was given are made partly of the silence it was flushed with.
constexpr std::size_t kLameReachFrames = 4;

// `first` and `second` hold frames of the two streams from the same frame of audio on: first[i]
// and second[i] encode the same stretch. Only first's frames before `firstWhole` are made wholly of
// the audio (the rest partly of its encoder's flush), and no join is made among the rest. Chooses
// the first join j from `earliest` on that can be made, rewrites the frames in place (the free
// space at the end of first's frames before j, and all of second's frames from j), and returns j:
// the file is then first[0, j) followed by second[j, end). Returns -1 when no join can be made
// (the frames are left as they were).
std::ptrdiff_t joinMp3Frames(const std::vector<Mp3FrameBytes>& first, const std::vector<Mp3FrameBytes>& second,
                             std::size_t earliest, std::size_t firstWhole);

}  // namespace qm
