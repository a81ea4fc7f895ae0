// The join of an MP3 encoded in two halves side by side (the file tool's), for the page: the two
// streams' overlapping frames are copied into the module's memory, joined there in place, and read
// back. Where memory runs out the module traps, and the export fails with that error.

#include <cstddef>
#include <cstdint>
#include <new>
#include <tuple>
#include <vector>

#include "codecs/Mp3Join.h"
#include "formats/web/Export.h"

// `bytes` bytes of the module's memory for the caller to fill; 0 when there is no room.
QM_EXPORT(qm_bytes_create) std::uint8_t* qm_bytes_create(std::int32_t bytes) {
    if (bytes < 1) return nullptr;
    return new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)];
}

QM_EXPORT(qm_bytes_destroy) void qm_bytes_destroy(std::uint8_t* bytes) { delete[] bytes; }

// Joins two streams' frames, each laid end to end (`first`, then `second`, their sizes in bytes in
// `sizes`: `firstCount` of the first stream's, then `secondCount` of the second's), frame i of
// either encoding the same stretch, the first's from `firstWhole` on made partly of its encoder's
// flush. Returns the join j from `earliest` on, the frames rewritten in place (the file goes on
// with first[0, j) then second[j, end)), or -1 when none can be made.
QM_EXPORT(qm_mp3_join) std::int32_t qm_mp3_join(std::uint8_t* first, std::uint8_t* second, const std::int32_t* sizes,
                                                std::int32_t firstCount, std::int32_t secondCount, std::int32_t earliest,
                                                std::int32_t firstWhole) {
    if (firstCount < 0 || secondCount < 0 || earliest < 0 || firstWhole < 0) return -1;
    std::vector<qm::Mp3FrameBytes> firstFrames, secondFrames;
    for (auto [bytes, count, frames] : {std::tuple{first, firstCount, &firstFrames}, std::tuple{second, secondCount, &secondFrames}}) {
        for (std::int32_t i = 0; i < count; ++i, ++sizes) {
            if (*sizes < 0) return -1;
            frames->push_back({bytes, static_cast<std::size_t>(*sizes)});
            bytes += *sizes;
        }
    }
    return static_cast<std::int32_t>(qm::joinMp3Frames(firstFrames, secondFrames, static_cast<std::size_t>(earliest),
                                                        static_cast<std::size_t>(firstWhole)));
}
