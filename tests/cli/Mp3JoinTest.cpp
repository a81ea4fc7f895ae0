// Two MP3 streams joined where their frames' main data can be laid out again: every frame of the
// second stream then finds its own main data where its pointer says, and the first stream's
// frames keep theirs; a join is refused where the first stream leaves too little room before a
// frame that borrowed it, or where the two chose different windows.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "codecs/Mp3Join.h"

namespace qmduck::test {
namespace {

// 128 kbps at 48 kHz, stereo: 384-byte frames, 32 bytes of side information, 348 of main data area.
constexpr std::size_t kFrameBytes = 384;
constexpr std::size_t kAreaOffset = 36;
constexpr std::size_t kAreaBytes = kFrameBytes - kAreaOffset;

struct FrameSpec {
    int mainDataBegin;
    int mainDataBytes;
    int blockType = 0;  // the same in every granule and channel
};

class BitWriter {
public:
    explicit BitWriter(std::uint8_t* bytes) : bytes(bytes) {}
    void write(int value, int count) {
        for (int i = count - 1; i >= 0; --i, ++at) {
            if ((value >> i) & 1) bytes[at / 8] |= static_cast<std::uint8_t>(0x80 >> (at % 8));
        }
    }

private:
    std::uint8_t* bytes;
    std::size_t at = 0;
};

// A stream of frames as `specs` say, each frame's main data filled with `mark` plus its index.
std::vector<std::vector<std::uint8_t>> makeStream(const std::vector<FrameSpec>& specs, std::uint8_t mark) {
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<std::uint8_t> areas(specs.size() * kAreaBytes, 0);
    for (std::size_t i = 0; i < specs.size(); ++i) {
        std::vector<std::uint8_t> frame(kFrameBytes, 0);
        frame[0] = 0xFF;
        frame[1] = 0xFB;
        frame[2] = 0x94;
        BitWriter side(frame.data() + 4);
        side.write(specs[i].mainDataBegin, 9);
        side.write(0, 3 + 8);
        // Four granule-and-channel parts of 59 bits; the main data's bits are spread over them.
        for (int part = 0; part < 4; ++part) {
            side.write(part == 0 ? specs[i].mainDataBytes * 8 : 0, 12);
            side.write(0, 21);
            if (specs[i].blockType != 0) {
                side.write(1, 1);
                side.write(specs[i].blockType, 2);
                side.write(0, 20);
            } else {
                side.write(0, 23);
            }
            side.write(0, 3);
        }
        const std::int64_t begin = static_cast<std::int64_t>(i * kAreaBytes) - specs[i].mainDataBegin;
        for (int b = 0; b < specs[i].mainDataBytes; ++b) {
            if (begin + b >= 0) areas[static_cast<std::size_t>(begin + b)] = static_cast<std::uint8_t>(mark + i);
        }
        frames.push_back(std::move(frame));
    }
    for (std::size_t i = 0; i < frames.size(); ++i) {
        std::copy_n(areas.begin() + static_cast<std::ptrdiff_t>(i * kAreaBytes), kAreaBytes, frames[i].begin() + kAreaOffset);
    }
    return frames;
}

std::vector<qm::Mp3FrameBytes> bytesOf(std::vector<std::vector<std::uint8_t>>& frames) {
    std::vector<qm::Mp3FrameBytes> bytes;
    for (auto& frame : frames) bytes.push_back({frame.data(), frame.size()});
    return bytes;
}

// Whether each of `frames` finds `expected[i]` bytes of its own mark (`marks[i]`) where its pointer says.
void expectMainDataInPlace(const std::vector<std::vector<std::uint8_t>>& frames, const std::vector<int>& expected,
                           const std::vector<std::uint8_t>& marks) {
    std::vector<std::uint8_t> areas;
    for (const auto& frame : frames) areas.insert(areas.end(), frame.begin() + kAreaOffset, frame.end());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const int pointer = (frames[i][4] << 1) | (frames[i][5] >> 7);
        const std::int64_t begin = static_cast<std::int64_t>(i * kAreaBytes) - pointer;
        if (begin < 0) continue;  // before the frames at hand
        for (int b = 0; b < expected[i]; ++b) {
            ASSERT_EQ(areas[static_cast<std::size_t>(begin + b)], marks[i]) << "frame " << i << " byte " << b;
        }
    }
}

TEST(Mp3Join, LaysTheSecondStreamsMainDataOutAgainOrRefuses) {
    struct Case {
        const char* name;
        std::vector<FrameSpec> first;
        std::vector<FrameSpec> second;
        std::size_t firstWhole;  // first's frames made wholly of the audio
        std::ptrdiff_t join;     // -1: refused
    };
    const std::vector<FrameSpec> roomy(6, FrameSpec{0, 200});  // leaves 148 bytes after each frame
    const std::vector<FrameSpec> full(6, FrameSpec{0, 348});
    const std::vector<FrameSpec> borrowing(6, FrameSpec{100, 348});  // each takes 100 bytes before it
    std::vector<FrameSpec> switching = borrowing;
    switching[2].blockType = 2;  // short windows at the first candidate in the second stream only
    std::vector<FrameSpec> overfull = borrowing;
    for (FrameSpec& f : overfull) f.mainDataBytes = 440;  // more than a frame's own area each time
    const Case cases[] = {
        {"room left for the borrowed bytes", roomy, borrowing, 6, 2},
        {"no room left, the frames fit in their own areas", full, borrowing, 6, 2},
        {"different windows at the first candidate", roomy, switching, 6, 4},
        {"the only join left lies in the first's flushed frames", roomy, switching, 4, -1},
        {"no room for frames that need more than their own", full, overfull, 6, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto first = makeStream(c.first, 10);
        auto second = makeStream(c.second, 100);
        const auto firstBefore = first;
        const auto secondBefore = second;
        const std::ptrdiff_t join = qm::joinMp3Frames(bytesOf(first), bytesOf(second), 2, c.firstWhole);
        ASSERT_EQ(join, c.join);
        if (join < 0) {
            EXPECT_EQ(first, firstBefore);
            EXPECT_EQ(second, secondBefore);
            continue;
        }
        std::vector<std::vector<std::uint8_t>> file(first.begin(), first.begin() + join);
        file.insert(file.end(), second.begin() + join, second.end());
        std::vector<int> sizes;
        std::vector<std::uint8_t> marks;
        for (std::size_t i = 0; i < file.size(); ++i) {
            const bool ofFirst = static_cast<std::ptrdiff_t>(i) < join;
            sizes.push_back((ofFirst ? c.first : c.second)[i].mainDataBytes);
            marks.push_back(static_cast<std::uint8_t>((ofFirst ? 10 : 100) + i));
        }
        expectMainDataInPlace(file, sizes, marks);
    }
}

}  // namespace
}  // namespace qmduck::test
