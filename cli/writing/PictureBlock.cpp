#include "cli/writing/PictureBlock.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>

namespace qmduck {
namespace {

void putBigEndian(std::string& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>((value >> shift) & 0xff));
}

constexpr std::uint32_t kFrontCover = 3;

}  // namespace

const char* coverMimeType(int codecId) {
    switch (codecId) {
    case AV_CODEC_ID_MJPEG: return "image/jpeg";
    case AV_CODEC_ID_PNG: return "image/png";
    case AV_CODEC_ID_BMP: return "image/bmp";
    case AV_CODEC_ID_GIF: return "image/gif";
    default: return nullptr;
    }
}

std::string pictureBlockBody(const Tags& tags) {
    const char* known = coverMimeType(tags.coverCodec);
    const std::string mime = known != nullptr ? known : "";
    std::string body;
    putBigEndian(body, kFrontCover);
    putBigEndian(body, static_cast<std::uint32_t>(mime.size()));
    body += mime;
    putBigEndian(body, 0);  // no description
    putBigEndian(body, static_cast<std::uint32_t>(std::max(tags.coverWidth, 0)));
    putBigEndian(body, static_cast<std::uint32_t>(std::max(tags.coverHeight, 0)));
    putBigEndian(body, 0);  // colour depth
    putBigEndian(body, 0);  // palette colours
    putBigEndian(body, static_cast<std::uint32_t>(tags.cover.size()));
    body += tags.cover;
    return body;
}

}  // namespace qmduck
