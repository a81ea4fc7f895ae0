#include "cli/writing/Tags.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <fstream>
#include <sstream>

namespace qmduck {
namespace {

// The tags worth carrying over: what describes the episode, not what described the old file's
// encoding.
constexpr const char* kCarried[] = {"title",   "artist",   "album", "album_artist", "date",     "genre",
                                    "track",   "disc",     "comment", "composer",   "copyright", "publisher",
                                    "language", "description"};

void collect(const AVDictionary* dictionary, Tags& tags) {
    for (const char* name : kCarried) {
        const AVDictionaryEntry* entry = av_dict_get(dictionary, name, nullptr, 0);
        if (entry == nullptr || entry->value == nullptr || entry->value[0] == '\0') continue;
        bool known = false;
        for (const auto& [have, value] : tags.entries) known |= have == name;
        if (!known) tags.entries.emplace_back(name, entry->value);
    }
}

// Opens `path` and reads enough to know its streams' shapes (a picture's size); null on failure.
AVFormatContext* openProbed(const std::string& path) {
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return nullptr;
    if (avformat_find_stream_info(format, nullptr) < 0) avformat_close_input(&format);
    return format;
}

}  // namespace

void Tags::set(const std::string& name, const std::string& value) {
    for (auto& [have, old] : entries) {
        if (have == name) {
            old = value;
            return;
        }
    }
    entries.emplace_back(name, value);
}

std::string Tags::coverTypeName() const {
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(static_cast<AVCodecID>(coverCodec));
    if (descriptor == nullptr) return "unknown";
    return coverCodec == AV_CODEC_ID_MJPEG ? "JPEG" : descriptor->name;
}

Tags readTags(const std::string& path) {
    Tags tags;
    AVFormatContext* format = openProbed(path);
    if (format == nullptr) return tags;
    collect(format->metadata, tags);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) collect(stream->metadata, tags);
        if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0 && tags.cover.empty() &&
            stream->attached_pic.size > 0) {
            tags.cover.assign(reinterpret_cast<const char*>(stream->attached_pic.data),
                              static_cast<std::size_t>(stream->attached_pic.size));
            tags.coverCodec = stream->codecpar->codec_id;
            tags.coverWidth = stream->codecpar->width;
            tags.coverHeight = stream->codecpar->height;
        }
    }
    avformat_close_input(&format);
    return tags;
}

std::string readCover(const std::string& path, Tags& tags) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    if (!file) return path + ": cannot read the cover picture";
    AVFormatContext* format = openProbed(path);
    const AVCodecParameters* picture = nullptr;
    for (unsigned i = 0; format != nullptr && i < format->nb_streams; ++i) {
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) picture = format->streams[i]->codecpar;
    }
    if (picture == nullptr || picture->width <= 0 || bytes.str().empty()) {
        avformat_close_input(&format);
        return path + ": not a picture (--cover takes a PNG or JPEG file)";
    }
    tags.cover = bytes.str();
    tags.coverCodec = picture->codec_id;
    tags.coverWidth = picture->width;
    tags.coverHeight = picture->height;
    avformat_close_input(&format);
    return {};
}

}  // namespace qmduck
