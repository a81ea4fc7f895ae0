#include "codecs/Mp3Join.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace qm {
namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr std::int64_t kLargestMainDataBegin = 511;  // 9 bits in MPEG-1

// What a frame's header and side information say about its layout.
struct FrameLayout {
    std::size_t areaOffset = 0;  // where its main data area starts in the frame
    std::size_t areaBytes = 0;
    std::int64_t mainDataBegin = 0;  // bytes before the area where its main data starts
    std::int64_t mainDataBytes = 0;
    std::array<int, 4> blockTypes{};  // per granule and channel; 0 for long windows
};

class BitReader {
public:
    explicit BitReader(const std::uint8_t* bytes) : bytes(bytes) {}
    int read(int count) {
        int value = 0;
        for (int i = 0; i < count; ++i, ++at) value = (value << 1) | ((bytes[at / 8] >> (7 - at % 8)) & 1);
        return value;
    }

private:
    const std::uint8_t* bytes;
    std::size_t at = 0;
};

std::optional<FrameLayout> layoutOf(const Mp3FrameBytes& frame) {
    static constexpr std::array<int, 15> kBitrateKbps = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static constexpr std::array<int, 3> kRateHz = {44100, 48000, 32000};
    const std::uint8_t* b = frame.data;
    if (frame.size < kHeaderBytes || b[0] != 0xFF || b[1] != 0xFB) return std::nullopt;  // MPEG-1 Layer III, no CRC
    const int bitrateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return std::nullopt;
    const std::size_t size = static_cast<std::size_t>(144 * 1000 * kBitrateKbps[static_cast<std::size_t>(bitrateIndex)] /
                                                      kRateHz[static_cast<std::size_t>(rateIndex)] + ((b[2] >> 1) & 1));
    const int channels = (b[3] >> 6) == 3 ? 1 : 2;
    const std::size_t sideBytes = channels == 1 ? 17 : 32;
    if (frame.size != size || size < kHeaderBytes + sideBytes) return std::nullopt;
    FrameLayout layout;
    layout.areaOffset = kHeaderBytes + sideBytes;
    layout.areaBytes = size - layout.areaOffset;
    BitReader side(b + kHeaderBytes);
    layout.mainDataBegin = side.read(9);
    side.read(channels == 1 ? 5 : 3);  // private bits
    side.read(4 * channels);           // scale factor selection
    std::int64_t bits = 0;
    for (int granule = 0; granule < 2; ++granule) {
        for (int channel = 0; channel < channels; ++channel) {
            bits += side.read(12);  // part2_3_length
            side.read(9 + 8 + 4);   // big values, global gain, scale factor compression
            const bool switched = side.read(1) != 0;
            layout.blockTypes[static_cast<std::size_t>(granule * 2 + channel)] = switched ? side.read(2) : 0;
            side.read(switched ? 20 : 22);
            side.read(3);
        }
    }
    layout.mainDataBytes = (bits + 7) / 8;
    return layout;
}

// The frames' areas as one run of bytes: where each frame's starts in it.
std::vector<std::int64_t> areaStarts(const std::vector<FrameLayout>& layouts) {
    std::vector<std::int64_t> starts(layouts.size() + 1, 0);
    for (std::size_t i = 0; i < layouts.size(); ++i) starts[i + 1] = starts[i] + static_cast<std::int64_t>(layouts[i].areaBytes);
    return starts;
}

enum class AreaCopy { Out, In, Clear };

// Copies `count` bytes of the frames' areas from offset `at` of their run out into `bytes`, in from
// `bytes`, or clears them (`bytes` unused).
void copyArea(const std::vector<Mp3FrameBytes>& frames, const std::vector<FrameLayout>& layouts,
              const std::vector<std::int64_t>& starts, std::int64_t at, std::int64_t count, std::uint8_t* bytes, AreaCopy copy) {
    for (std::size_t i = 0; i < frames.size() && count > 0; ++i) {
        if (at >= starts[i + 1]) continue;
        const std::int64_t inFrame = at - starts[i];
        const auto n = static_cast<std::size_t>(std::min(count, starts[i + 1] - at));
        std::uint8_t* area = frames[i].data + layouts[i].areaOffset + inFrame;
        if (copy == AreaCopy::In) std::memcpy(area, bytes, n);
        else if (copy == AreaCopy::Out) std::memcpy(bytes, area, n);
        else std::memset(area, 0, n);
        if (copy != AreaCopy::Clear) bytes += n;
        at += static_cast<std::int64_t>(n);
        count -= static_cast<std::int64_t>(n);
    }
}

}  // namespace

std::ptrdiff_t joinMp3Frames(const std::vector<Mp3FrameBytes>& first, const std::vector<Mp3FrameBytes>& second,
                             std::size_t earliest, std::size_t firstWhole) {
    const std::size_t shared = std::min({first.size(), second.size(), firstWhole});
    std::vector<FrameLayout> firstLayouts, secondLayouts;
    for (const auto& [frames, layouts] : {std::pair{&first, &firstLayouts}, std::pair{&second, &secondLayouts}}) {
        for (const Mp3FrameBytes& frame : *frames) {
            const std::optional<FrameLayout> layout = layoutOf(frame);
            if (!layout) return -1;
            layouts->push_back(*layout);
        }
    }
    const std::vector<std::int64_t> firstStarts = areaStarts(firstLayouts);
    const std::vector<std::int64_t> secondStarts = areaStarts(secondLayouts);
    std::vector<std::int64_t> begins(second.size(), 0);
    for (std::size_t join = std::max<std::size_t>(earliest, 1); join + 1 < shared; ++join) {
        // The same windows on either side of the join in both streams.
        if (firstLayouts[join - 1].blockTypes != secondLayouts[join - 1].blockTypes ||
            firstLayouts[join].blockTypes != secondLayouts[join].blockTypes) {
            continue;
        }
        // The joined frames' areas, the first stream's before the join and the second's from it,
        // in one run: the second's lie `shift` bytes from where they lay in their own stream.
        const FrameLayout& last = firstLayouts[join - 1];
        const std::int64_t firstFree =
            std::max<std::int64_t>(firstStarts[join - 1] - last.mainDataBegin + last.mainDataBytes, 0);
        const std::int64_t shift = firstStarts[join] - secondStarts[join];
        std::int64_t free = firstFree;
        bool fits = true;
        for (std::size_t i = join; i < second.size() && fits; ++i) {
            // Where the second stream had this frame's main data must be among its frames here.
            fits = secondStarts[i] - secondLayouts[i].mainDataBegin >= 0;
            begins[i] = std::max(free, secondStarts[i] + shift - kLargestMainDataBegin);
            free = begins[i] + secondLayouts[i].mainDataBytes;
            fits = fits && free <= secondStarts[i + 1] + shift;
        }
        if (!fits) continue;

        std::vector<FrameLayout> joined(firstLayouts.begin(), firstLayouts.begin() + static_cast<std::ptrdiff_t>(join));
        joined.insert(joined.end(), secondLayouts.begin() + static_cast<std::ptrdiff_t>(join), secondLayouts.end());
        const std::vector<std::int64_t> starts = areaStarts(joined);
        // Each of the second stream's frames' main data, taken out before any is moved.
        std::vector<std::vector<std::uint8_t>> mainData;
        for (std::size_t i = join; i < joined.size(); ++i) {
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(joined[i].mainDataBytes));
            copyArea(second, secondLayouts, secondStarts, secondStarts[i] - joined[i].mainDataBegin,
                     joined[i].mainDataBytes, bytes.data(), AreaCopy::Out);
            mainData.push_back(std::move(bytes));
        }
        std::vector<Mp3FrameBytes> frames(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(join));
        frames.insert(frames.end(), second.begin() + static_cast<std::ptrdiff_t>(join), second.end());
        // The space after the first stream's last main data is cleared (it held ancillary bytes),
        // then the main data laid out again and each frame pointed at its own.
        copyArea(frames, joined, starts, firstFree, starts.back() - firstFree, nullptr, AreaCopy::Clear);
        for (std::size_t i = join; i < joined.size(); ++i) {
            copyArea(frames, joined, starts, begins[i], joined[i].mainDataBytes, mainData[i - join].data(), AreaCopy::In);
            const auto pointer = static_cast<unsigned>(starts[i] - begins[i]);
            std::uint8_t* side = frames[i].data + kHeaderBytes;
            side[0] = static_cast<std::uint8_t>(pointer >> 1);
            side[1] = static_cast<std::uint8_t>((side[1] & 0x7F) | ((pointer & 1) << 7));
        }
        return static_cast<std::ptrdiff_t>(join);
    }
    return -1;
}

}  // namespace qm
