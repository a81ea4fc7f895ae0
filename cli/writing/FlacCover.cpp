#include "cli/writing/FlacCover.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "cli/writing/PictureBlock.h"

namespace qmduck {
namespace {

constexpr std::uint8_t kLastBlock = 0x80;
constexpr std::uint8_t kStreamInfo = 0;
constexpr std::uint8_t kPicture = 6;
constexpr std::uint8_t kInvalidType = 127;
constexpr std::size_t kStreamInfoBytes = 34;
constexpr std::size_t kChunkBytes = 1 << 16;

// Reads up to `size` bytes, fewer only at the end; -1 on a read error.
ssize_t readFully(int descriptor, std::uint8_t* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(descriptor, data + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

bool writeFully(int descriptor, const std::uint8_t* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t wrote = ::write(descriptor, data + done, size - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            if (wrote == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// One copy, with the messages that name the file.
class StreamCopy {
public:
    StreamCopy(int from, int to, const std::string& name) : from(from), to(to), name(name) {}

    const std::string& error() const { return failure; }

    // Exactly `size` bytes; a short read is `shortMessage`.
    bool read(std::uint8_t* data, std::size_t size, const char* shortMessage) {
        const ssize_t got = readFully(from, data, size);
        if (got < 0) return fail(std::string("cannot read it back: ") + std::strerror(errno));
        if (static_cast<std::size_t>(got) != size) return fail(shortMessage);
        return true;
    }

    bool write(const std::uint8_t* data, std::size_t size) {
        if (writeFully(to, data, size)) return true;
        return fail(std::string("cannot write: ") + std::strerror(errno));
    }

    // `size` bytes from one to the other, a chunk at a time.
    bool copy(std::size_t size, const char* shortMessage) {
        while (size > 0) {
            const std::size_t part = std::min(size, buffer.size());
            if (!read(buffer.data(), part, shortMessage) || !write(buffer.data(), part)) return false;
            size -= part;
        }
        return true;
    }

    // Everything left, which must be empty or start with an audio frame's sync code.
    bool copyFrames() {
        bool first = true;
        for (;;) {
            const ssize_t got = readFully(from, buffer.data(), buffer.size());
            if (got < 0) return fail(std::string("cannot read it back: ") + std::strerror(errno));
            if (got == 0) return true;
            if (first && (got < 2 || buffer[0] != 0xff || (buffer[1] & 0xfe) != 0xf8)) {
                return fail("no audio frame follows its metadata blocks");
            }
            first = false;
            if (!write(buffer.data(), static_cast<std::size_t>(got))) return false;
        }
    }

    bool fail(const std::string& what) {
        failure = name + ": cannot add the cover: " + what;
        return false;
    }

private:
    int from;
    int to;
    const std::string& name;
    std::string failure;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kChunkBytes);
};

std::array<std::uint8_t, 4> blockHeader(bool last, std::uint8_t type, std::size_t length) {
    return {static_cast<std::uint8_t>((last ? kLastBlock : 0) | type), static_cast<std::uint8_t>(length >> 16),
            static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
}

}  // namespace

std::string insertFlacPicture(int from, int to, const std::string& pictureBody, const std::string& name) {
    StreamCopy stream(from, to, name);
    if (pictureBody.size() > kFlacBlockMaxBytes) {
        stream.fail("the picture is larger than a metadata block holds (16 MiB)");
        return stream.error();
    }
    std::array<std::uint8_t, 4> marker{};
    if (!stream.read(marker.data(), marker.size(), "not a FLAC stream") ||
        std::memcmp(marker.data(), "fLaC", 4) != 0) {
        if (stream.error().empty()) stream.fail("not a FLAC stream");
        return stream.error();
    }
    if (!stream.write(marker.data(), marker.size())) return stream.error();
    for (bool first = true, last = false; !last; first = false) {
        std::array<std::uint8_t, 4> header{};
        if (!stream.read(header.data(), header.size(), "its metadata blocks run past the end")) return stream.error();
        last = (header[0] & kLastBlock) != 0;
        const std::uint8_t type = header[0] & ~kLastBlock;
        const std::size_t length = (std::size_t{header[1]} << 16) | (std::size_t{header[2]} << 8) | header[3];
        if (type == kInvalidType || (first && (type != kStreamInfo || length != kStreamInfoBytes))) {
            stream.fail("not a FLAC stream (its metadata blocks are not well formed)");
            return stream.error();
        }
        // The picture becomes the last block.
        header[0] &= ~kLastBlock;
        if (!stream.write(header.data(), header.size()) || !stream.copy(length, "its metadata blocks run past the end")) {
            return stream.error();
        }
    }
    const auto pictureHeader = blockHeader(true, kPicture, pictureBody.size());
    if (!stream.write(pictureHeader.data(), pictureHeader.size()) ||
        !stream.write(reinterpret_cast<const std::uint8_t*>(pictureBody.data()), pictureBody.size()) ||
        !stream.copyFrames()) {
        return stream.error();
    }
    return {};
}

std::string addFlacCover(PendingFile& written, PendingFile& withCover, const Tags& tags) {
    const std::string& destination = written.destinationPath();
    const std::string name = destination == "-" ? "standard output" : destination;
    if (!withCover.isOpen()) return name + ": " + withCover.error();
    const int from = written.takeDescriptor();
    const int to = withCover.takeDescriptor();
    std::string problem;
    if (from < 0 || to < 0) {
        problem = name + ": cannot add the cover: " + std::strerror(errno);
    } else {
        problem = insertFlacPicture(from, to, pictureBlockBody(tags), name);
    }
    if (from >= 0) close(from);
    if (to >= 0 && close(to) != 0 && problem.empty()) problem = name + ": cannot write: " + std::strerror(errno);
    return problem;
}

}  // namespace qmduck
