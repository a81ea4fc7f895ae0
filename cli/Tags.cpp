#include "cli/Tags.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

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

}  // namespace

Tags readTags(const std::string& path) {
    Tags tags;
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return tags;
    collect(format->metadata, tags);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) collect(stream->metadata, tags);
        if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0 && tags.cover.empty() &&
            stream->attached_pic.size > 0) {
            tags.cover.assign(reinterpret_cast<const char*>(stream->attached_pic.data),
                              static_cast<std::size_t>(stream->attached_pic.size));
            tags.coverCodec = stream->codecpar->codec_id;
        }
    }
    avformat_close_input(&format);
    return tags;
}

}  // namespace qmduck
