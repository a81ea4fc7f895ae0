#include "cli/writing/FfmpegEncoder.h"

#include <sndfile.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/base64.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

#include "cli/writing/PictureBlock.h"

namespace qmduck {
namespace {

struct TypeInfo {
    EncodedType type;
    const char* muxer;
    const char* codec;
    const char* name;
    int minKbps, maxKbps;
};

constexpr TypeInfo kTypes[] = {
    {EncodedType::Mp3, "mp3", "libmp3lame", "MP3", 32, 320},
    {EncodedType::M4a, "ipod", "aac", "M4A (AAC)", 16, 512},
    {EncodedType::OggOpus, "ogg", "libopus", "Opus in Ogg", 6, 510},
    {EncodedType::WebmOpus, "webm", "libopus", "Opus in WebM", 6, 510},
};

const TypeInfo* infoOf(EncodedType type) {
    for (const TypeInfo& info : kTypes) {
        if (info.type == type) return &info;
    }
    return nullptr;
}

std::string describe(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

int writeToDescriptor(void* opaque, std::uint8_t* data, int size) {
    const int descriptor = *static_cast<int*>(opaque);
    int done = 0;
    while (done < size) {
        const ssize_t wrote = ::write(descriptor, data + done, static_cast<std::size_t>(size - done));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return AVERROR(wrote < 0 ? errno : EIO);
        done += static_cast<int>(wrote);
    }
    return size;
}

std::int64_t seekDescriptor(void* opaque, std::int64_t offset, int whence) {
    const int descriptor = *static_cast<int*>(opaque);
    if (whence == AVSEEK_SIZE) {
        const off_t here = lseek(descriptor, 0, SEEK_CUR);
        const off_t end = lseek(descriptor, 0, SEEK_END);
        lseek(descriptor, here, SEEK_SET);
        return end;
    }
    const off_t at = lseek(descriptor, offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
}

// Opus codes 48 kHz (and a few lower rates); everything else keeps its rate.
int encoderRateFor(EncodedType type, int rateHz) {
    if (type != EncodedType::OggOpus && type != EncodedType::WebmOpus) return rateHz;
    for (int opusRate : {8000, 12000, 16000, 24000, 48000}) {
        if (rateHz == opusRate) return rateHz;
    }
    return 48000;
}

// The cover as Ogg's comment METADATA_BLOCK_PICTURE: a FLAC picture block (front cover), base64.
std::string pictureComment(const Tags& tags) {
    const std::string block = pictureBlockBody(tags);
    std::string text(AV_BASE64_SIZE(block.size()), '\0');
    av_base64_encode(text.data(), static_cast<int>(text.size()), reinterpret_cast<const std::uint8_t*>(block.data()),
                     static_cast<int>(block.size()));
    text.resize(std::strlen(text.c_str()));
    return text;
}

}  // namespace

std::string coverLeftOut(EncodedType type, const Tags& tags, int fileFormat) {
    if (tags.cover.empty()) return {};
    const bool framed = tags.coverCodec == AV_CODEC_ID_MJPEG || tags.coverCodec == AV_CODEC_ID_PNG ||
                        tags.coverCodec == AV_CODEC_ID_BMP;
    const std::string picture = "the cover picture (" + tags.coverTypeName() + ", " + std::to_string(tags.coverWidth) +
                                "x" + std::to_string(tags.coverHeight) + ") is left out";
    switch (type) {
    case EncodedType::Mp3:
    case EncodedType::M4a:
        if (framed && tags.coverWidth > 0 && tags.coverHeight > 0) return {};
        return picture + ": " + encodedTypeName(type) + " takes JPEG, PNG or BMP covers";
    case EncodedType::OggOpus:
        if (coverMimeType(tags.coverCodec) != nullptr) return {};
        return picture + ": Opus takes JPEG, PNG, BMP or GIF covers";
    case EncodedType::WebmOpus: return picture + ": WebM as written here carries no cover";
    case EncodedType::None: break;
    }
    if ((fileFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC) {
        if (coverMimeType(tags.coverCodec) == nullptr) return picture + ": FLAC takes JPEG, PNG, BMP or GIF covers";
        if (pictureBlockBody(tags).size() > kFlacBlockMaxBytes) return picture + ": FLAC takes covers up to 16 MiB";
        return {};
    }
    return picture + ": this output type as written here carries no cover";
}

EncodedType encodedTypeNamed(const std::string& name) {
    if (name == "mp3") return EncodedType::Mp3;
    if (name == "m4a" || name == "aac" || name == "mp4") return EncodedType::M4a;
    if (name == "opus") return EncodedType::OggOpus;
    if (name == "webm") return EncodedType::WebmOpus;
    return EncodedType::None;
}

const char* encodedTypeName(EncodedType type) {
    const TypeInfo* info = infoOf(type);
    return info != nullptr ? info->name : "none";
}

int defaultBitrateKbps(EncodedType type, int channels) {
    // Transparent enough for speech over music: 128 kbps MP3 and AAC, 96 kbps Opus for stereo.
    const int stereo = type == EncodedType::OggOpus || type == EncodedType::WebmOpus ? 96 : 128;
    return channels == 1 ? stereo / 2 : stereo;
}

std::string checkBitrate(EncodedType type, int channels, int kbps) {
    const TypeInfo* info = infoOf(type);
    if (info == nullptr || kbps == 0) return {};
    const int most = channels == 1 && type != EncodedType::Mp3 ? info->maxKbps / 2 : info->maxKbps;
    if (kbps >= info->minKbps && kbps <= most) return {};
    return "--bitrate: " + std::to_string(kbps) + " kbps does not suit " + info->name + " (" +
           std::to_string(info->minKbps) + " to " + std::to_string(most) + " kbps)";
}

FfmpegEncoder::FfmpegEncoder(int fileDescriptor, EncodedType type, int channels, int sampleRateHz, int bitrateKbps,
                             const Tags& tags, EncodedCheck* check)
    : descriptor(fileDescriptor), channelCount(channels), check(check) {
    av_log_set_level(AV_LOG_QUIET);
    opened = open(type, channels, sampleRateHz, bitrateKbps, tags);
}

bool FfmpegEncoder::fail(const std::string& what, int code) {
    if (failure.empty()) failure = code == 0 ? what : what.empty() ? describe(code) : what + ": " + describe(code);
    return false;
}

FfmpegEncoder::FfmpegEncoder(EncodedType type, int channels, int sampleRateHz, int bitrateKbps, std::int64_t firstFrame,
                             std::int64_t keepFrom)
    : descriptor(-1), channelCount(channels), check(nullptr), streamOffset(firstFrame), keepFrom(keepFrom) {
    av_log_set_level(AV_LOG_QUIET);
    opened = open(type, channels, sampleRateHz, bitrateKbps, Tags{});
}

bool FfmpegEncoder::open(EncodedType type, int channels, int sampleRateHz, int bitrateKbps, const Tags& tags) {
    const TypeInfo* info = infoOf(type);
    const AVCodec* codec = info != nullptr ? avcodec_find_encoder_by_name(info->codec) : nullptr;
    if (codec == nullptr) return fail(std::string("FFmpeg has no encoder ") + (info ? info->codec : "?"), 0);
    const AVOutputFormat* container = av_guess_format(info->muxer, nullptr, nullptr);
    if (container == nullptr) return fail(std::string("FFmpeg has no muxer ") + info->muxer, 0);

    encoder = avcodec_alloc_context3(codec);
    if (encoder == nullptr) return fail("out of memory", 0);
    av_channel_layout_default(&encoder->ch_layout, channels);
    encoder->sample_rate = encoderRateFor(type, sampleRateHz);
    encoder->sample_fmt = AV_SAMPLE_FMT_NONE;
    for (const AVSampleFormat* f = codec->sample_fmts; f != nullptr && *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_FLT) encoder->sample_fmt = *f;
    }
    if (encoder->sample_fmt == AV_SAMPLE_FMT_NONE) return fail(std::string(info->codec) + " takes no float samples", 0);
    planar = encoder->sample_fmt == AV_SAMPLE_FMT_FLTP;
    encoder->bit_rate = 1000LL * (bitrateKbps > 0 ? bitrateKbps : defaultBitrateKbps(type, channels));
    encoder->time_base = AVRational{1, encoder->sample_rate};
    if ((container->flags & AVFMT_GLOBALHEADER) != 0) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (type == EncodedType::M4a) {
        // Noise substitution and intensity stereo rebuild bands from a description, not from the
        // waveform: their decoded peaks land up to 4 dB above a limited input's.
        av_opt_set_int(encoder->priv_data, "aac_pns", 0, 0);
        av_opt_set_int(encoder->priv_data, "aac_is", 0, 0);
    }
    int result = 0;
    {
        // LAME fills tables of its own the first time one is opened: encoders open one at a time.
        static std::mutex opening;
        const std::lock_guard<std::mutex> guard(opening);
        result = avcodec_open2(encoder, codec, nullptr);
    }
    if (result < 0) return fail(std::string("cannot open ") + info->codec, result);
    if (encoder->sample_rate != sampleRateHz) {
        AVChannelLayout layout;
        av_channel_layout_default(&layout, channels);
        if (swr_alloc_set_opts2(&converter, &encoder->ch_layout, AV_SAMPLE_FMT_FLTP, encoder->sample_rate, &layout,
                                AV_SAMPLE_FMT_FLTP, sampleRateHz, 0, nullptr) < 0 || swr_init(converter) < 0) {
            return fail("cannot resample for the encoder", 0);
        }
    }
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    if (frame == nullptr || packet == nullptr) return fail("out of memory", 0);
    return descriptor < 0 || openFile(type, tags);
}

bool FfmpegEncoder::openFile(EncodedType type, const Tags& tags) {
    const TypeInfo* info = infoOf(type);
    int result = avformat_alloc_output_context2(&muxer, nullptr, info->muxer, nullptr);
    if (result < 0) return fail(std::string("FFmpeg has no muxer ") + info->muxer, result);
    constexpr int kBufferBytes = 1 << 16;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    io = avio_alloc_context(buffer, kBufferBytes, 1, &descriptor, nullptr, writeToDescriptor, seekDescriptor);
    if (io == nullptr) return fail("out of memory", 0);
    muxer->pb = io;
    muxer->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (check != nullptr && !check->start(encoder)) return fail("cannot decode it again to check it: " + check->error(), 0);

    AVStream* stream = avformat_new_stream(muxer, nullptr);
    if (stream == nullptr || avcodec_parameters_from_context(stream->codecpar, encoder) < 0) return fail("out of memory", 0);
    stream->time_base = encoder->time_base;
    for (const auto& [name, value] : tags.entries) {
        av_dict_set(&muxer->metadata, name.c_str(), value.c_str(), 0);
        if (type == EncodedType::OggOpus) av_dict_set(&stream->metadata, name.c_str(), value.c_str(), 0);
    }
    if (coverLeftOut(type, tags).empty() && !tags.cover.empty()) {
        if (type == EncodedType::OggOpus) {
            av_dict_set(&stream->metadata, "METADATA_BLOCK_PICTURE", pictureComment(tags).c_str(), 0);
        } else if (!addCover(tags)) {
            return false;
        }
    }
    if ((result = avformat_write_header(muxer, nullptr)) < 0) return fail("cannot write the header", result);
    headerWritten = true;
    if (coverStream >= 0) {
        AVPacket* picture = av_packet_alloc();
        if (picture == nullptr || av_new_packet(picture, static_cast<int>(tags.cover.size())) < 0) {
            av_packet_free(&picture);
            return fail("out of memory", 0);
        }
        std::memcpy(picture->data, tags.cover.data(), tags.cover.size());
        picture->stream_index = coverStream;
        picture->flags |= AV_PKT_FLAG_KEY;
        result = av_interleaved_write_frame(muxer, picture);
        av_packet_free(&picture);
        if (result < 0) return fail("cannot write the cover picture", result);
    }
    return true;
}

bool FfmpegEncoder::addCover(const Tags& tags) {
    if (tags.cover.empty()) return true;
    AVStream* cover = avformat_new_stream(muxer, nullptr);
    if (cover == nullptr) return fail("out of memory", 0);
    cover->disposition |= AV_DISPOSITION_ATTACHED_PIC;
    cover->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    cover->codecpar->codec_id = static_cast<AVCodecID>(tags.coverCodec);
    // The muxers refuse a picture stream without its size.
    cover->codecpar->width = tags.coverWidth;
    cover->codecpar->height = tags.coverHeight;
    cover->time_base = AVRational{1, 90000};
    coverStream = cover->index;
    return true;
}

FfmpegEncoder::~FfmpegEncoder() {
    for (std::vector<AVPacket*>* list : {&heldBack, &continuation}) {
        for (AVPacket*& held : *list) av_packet_free(&held);
    }
    swr_free(&converter);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&encoder);
    if (io != nullptr) {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
    if (muxer != nullptr) avformat_free_context(muxer);
    if (descriptor >= 0) close(descriptor);
}

bool FfmpegEncoder::write(const float* left, const float* right, std::int64_t frames) {
    if (!opened) return false;
    if (converter == nullptr) return queue(left, right, frames);
    const int room = swr_get_out_samples(converter, static_cast<int>(frames));
    std::uint8_t* out[2] = {};
    for (int c = 0; c < channelCount; ++c) {
        converted[c].resize(static_cast<std::size_t>(std::max(room, 0)));
        out[c] = reinterpret_cast<std::uint8_t*>(converted[c].data());
    }
    const std::uint8_t* in[2] = {reinterpret_cast<const std::uint8_t*>(left), reinterpret_cast<const std::uint8_t*>(right)};
    const int got = swr_convert(converter, out, room, in, static_cast<int>(frames));
    if (got < 0) return fail("cannot resample the samples", got);
    return queue(converted[0].data(), converted[1].data(), got);
}

// Copies the frames into codec frames of the encoder's size and layout, encoding each one full.
bool FfmpegEncoder::queue(const float* left, const float* right, std::int64_t frames) {
    const int size = encoder->frame_size > 0 ? encoder->frame_size : 1024;
    const float* inputs[2] = {left, right};
    while (frames > 0) {
        if (filled == 0 && !startFrame()) return false;
        const int take = static_cast<int>(std::min<std::int64_t>(size - filled, frames));
        if (planar || channelCount == 1) {
            for (int c = 0; c < channelCount; ++c) {
                std::memcpy(reinterpret_cast<float*>(frame->data[c]) + filled, inputs[c], static_cast<std::size_t>(take) * sizeof(float));
            }
        } else {
            float* out = reinterpret_cast<float*>(frame->data[0]) + 2 * filled;
            for (int i = 0; i < take; ++i) {
                out[2 * i] = inputs[0][i];
                out[2 * i + 1] = inputs[1][i];
            }
        }
        filled += take;
        frames -= take;
        for (const float*& input : inputs) input += take;
        if (filled == size && !sendFrame()) return false;
    }
    return true;
}

// A new codec frame of the encoder's size: the encoder may still hold the last one.
bool FfmpegEncoder::startFrame() {
    av_frame_unref(frame);
    frame->format = encoder->sample_fmt;
    frame->nb_samples = encoder->frame_size > 0 ? encoder->frame_size : 1024;
    frame->sample_rate = encoder->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout) < 0 || av_frame_get_buffer(frame, 0) < 0) {
        return fail("out of memory", 0);
    }
    return true;
}

// Encodes the frames filled so far (the last codec frame may be short).
bool FfmpegEncoder::sendFrame() {
    frame->nb_samples = filled;
    frame->pts = nextPts;
    nextPts += filled;
    filled = 0;
    const bool sent = send(frame);
    av_frame_unref(frame);
    return sent;
}

bool FfmpegEncoder::send(AVFrame* toEncode) {
    int result = avcodec_send_frame(encoder, toEncode);
    if (result < 0) return fail("cannot encode", result);
    while ((result = avcodec_receive_packet(encoder, packet)) == 0) {
        // Timed in the stream's frames: only a later stretch's encoder starts past its first.
        packet->pts += streamOffset;
        packet->dts += streamOffset;
        if (packet->pts < keepFrom) {
            av_packet_unref(packet);
        } else if (muxer == nullptr || packet->pts >= keepUntil) {
            AVPacket* held = av_packet_alloc();
            if (held == nullptr) return fail("out of memory", 0);
            av_packet_move_ref(held, packet);
            heldBack.push_back(held);
        } else if (!deliver(packet)) {
            return false;
        }
    }
    return result == AVERROR(EAGAIN) || result == AVERROR_EOF ? true : fail("cannot encode", result);
}

// Checks and writes one packet of the file.
bool FfmpegEncoder::deliver(AVPacket* toWrite) {
    if (check != nullptr) check->add(toWrite);
    toWrite->stream_index = 0;
    av_packet_rescale_ts(toWrite, encoder->time_base, muxer->streams[0]->time_base);
    const int result = av_interleaved_write_frame(muxer, toWrite);
    return result < 0 ? fail("", result) : true;
}

void FfmpegEncoder::endWith(std::vector<AVPacket*> packets, std::int64_t streamFrames) {
    for (AVPacket*& held : continuation) av_packet_free(&held);
    continuation = std::move(packets);
    continuationEnd = streamFrames;
}

std::vector<AVPacket*> FfmpegEncoder::takeKept() { return std::exchange(heldBack, {}); }

bool FfmpegEncoder::finish() {
    if (!opened) return false;
    // What the resampler still holds, the last short frame, then the encoder's own delay.
    if (converter != nullptr) {
        const int tail = swr_get_out_samples(converter, 0);
        std::uint8_t* out[2] = {};
        for (int c = 0; c < channelCount; ++c) {
            converted[c].resize(static_cast<std::size_t>(std::max(tail, 0)));
            out[c] = reinterpret_cast<std::uint8_t*>(converted[c].data());
        }
        const int got = tail > 0 ? swr_convert(converter, out, tail, nullptr, 0) : 0;
        if (got > 0 && !queue(converted[0].data(), converted[1].data(), got)) return false;
    }
    if ((filled > 0 && !sendFrame()) || !send(nullptr)) return false;
    if (muxer == nullptr) {
        opened = false;
        return failure.empty();
    }
    // The file ends with its own held-back packets, or goes on with the later stretch's.
    if (continuationEnd >= 0 && joining) {
        if (std::string problem = joining(heldBack, continuation); !problem.empty()) return fail(problem, 0);
    }
    std::vector<AVPacket*>& ending = continuationEnd >= 0 ? continuation : heldBack;
    for (AVPacket* held : ending) {
        if (!deliver(held)) return false;
    }
    if (check != nullptr) check->finish(continuationEnd >= 0 ? continuationEnd : nextPts);
    const int result = av_write_trailer(muxer);
    if (result < 0) return fail("cannot complete the file", result);
    avio_flush(io);
    if (io->error < 0) return fail("", io->error);
    opened = false;
    const int closing = descriptor;
    descriptor = -1;
    if (close(closing) != 0) return fail(std::string("cannot close: ") + std::strerror(errno), 0);
    return failure.empty();
}

}  // namespace qmduck
