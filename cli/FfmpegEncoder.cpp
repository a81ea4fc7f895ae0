#include "cli/FfmpegEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

}  // namespace

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
                             const Tags& tags)
    : descriptor(fileDescriptor) {
    av_log_set_level(AV_LOG_QUIET);
    opened = open(type, channels, sampleRateHz, bitrateKbps, tags);
}

bool FfmpegEncoder::fail(const std::string& what, int code) {
    if (failure.empty()) failure = code == 0 ? what : what.empty() ? describe(code) : what + ": " + describe(code);
    return false;
}

bool FfmpegEncoder::open(EncodedType type, int channels, int sampleRateHz, int bitrateKbps, const Tags& tags) {
    const TypeInfo* info = infoOf(type);
    const AVCodec* codec = info != nullptr ? avcodec_find_encoder_by_name(info->codec) : nullptr;
    if (codec == nullptr) return fail(std::string("FFmpeg has no encoder ") + (info ? info->codec : "?"), 0);
    int result = avformat_alloc_output_context2(&muxer, nullptr, info->muxer, nullptr);
    if (result < 0) return fail(std::string("FFmpeg has no muxer ") + info->muxer, result);
    constexpr int kBufferBytes = 1 << 16;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    io = avio_alloc_context(buffer, kBufferBytes, 1, &descriptor, nullptr, writeToDescriptor, seekDescriptor);
    if (io == nullptr) return fail("out of memory", 0);
    muxer->pb = io;
    muxer->flags |= AVFMT_FLAG_CUSTOM_IO;

    encoder = avcodec_alloc_context3(codec);
    if (encoder == nullptr) return fail("out of memory", 0);
    av_channel_layout_default(&encoder->ch_layout, channels);
    encoder->sample_rate = encoderRateFor(type, sampleRateHz);
    encoder->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    for (const AVSampleFormat* f = codec->sample_fmts; f != nullptr && *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_FLT) encoder->sample_fmt = *f;
    }
    encoder->bit_rate = 1000LL * (bitrateKbps > 0 ? bitrateKbps : defaultBitrateKbps(type, channels));
    encoder->time_base = AVRational{1, encoder->sample_rate};
    if ((muxer->oformat->flags & AVFMT_GLOBALHEADER) != 0) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((result = avcodec_open2(encoder, codec, nullptr)) < 0) return fail(std::string("cannot open ") + info->codec, result);

    AVStream* stream = avformat_new_stream(muxer, nullptr);
    if (stream == nullptr || avcodec_parameters_from_context(stream->codecpar, encoder) < 0) return fail("out of memory", 0);
    stream->time_base = encoder->time_base;
    for (const auto& [name, value] : tags.entries) {
        av_dict_set(&muxer->metadata, name.c_str(), value.c_str(), 0);
        if (type == EncodedType::OggOpus) av_dict_set(&stream->metadata, name.c_str(), value.c_str(), 0);
    }
    if ((type == EncodedType::Mp3 || type == EncodedType::M4a) && !addCover(tags)) return false;

    AVChannelLayout layout;
    av_channel_layout_default(&layout, channels);
    if (swr_alloc_set_opts2(&converter, &encoder->ch_layout, encoder->sample_fmt, encoder->sample_rate, &layout,
                            AV_SAMPLE_FMT_FLTP, sampleRateHz, 0, nullptr) < 0 || swr_init(converter) < 0) {
        return fail("cannot convert the samples for the encoder", 0);
    }
    fifo = av_audio_fifo_alloc(encoder->sample_fmt, channels, 1 << 16);
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    if (fifo == nullptr || frame == nullptr || packet == nullptr) return fail("out of memory", 0);
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
    cover->time_base = AVRational{1, 90000};
    coverStream = cover->index;
    return true;
}

FfmpegEncoder::~FfmpegEncoder() {
    swr_free(&converter);
    if (fifo != nullptr) av_audio_fifo_free(fifo);
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
    const int outRoom = swr_get_out_samples(converter, static_cast<int>(frames));
    if (av_audio_fifo_realloc(fifo, av_audio_fifo_size(fifo) + outRoom) < 0) return fail("out of memory", 0);
    // Convert into a frame's buffers, then queue them.
    av_frame_unref(frame);
    frame->format = encoder->sample_fmt;
    frame->nb_samples = outRoom;
    av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout);
    if (outRoom > 0 && av_frame_get_buffer(frame, 0) < 0) return fail("out of memory", 0);
    const std::uint8_t* in[2] = {reinterpret_cast<const std::uint8_t*>(left), reinterpret_cast<const std::uint8_t*>(right)};
    const int converted = swr_convert(converter, frame->extended_data, outRoom, in, static_cast<int>(frames));
    if (converted < 0) return fail("cannot convert the samples", converted);
    if (av_audio_fifo_write(fifo, reinterpret_cast<void**>(frame->extended_data), converted) < converted) {
        return fail("out of memory", 0);
    }
    return encodeFrames(false);
}

// Encodes whole codec frames from the queue (and, when `all`, the rest as a short last frame).
bool FfmpegEncoder::encodeFrames(bool all) {
    const int size = encoder->frame_size > 0 ? encoder->frame_size : 1024;
    while (av_audio_fifo_size(fifo) >= size || (all && av_audio_fifo_size(fifo) > 0)) {
        const int count = std::min(size, av_audio_fifo_size(fifo));
        av_frame_unref(frame);
        frame->format = encoder->sample_fmt;
        frame->nb_samples = count;
        av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout);
        frame->sample_rate = encoder->sample_rate;
        if (av_frame_get_buffer(frame, 0) < 0) return fail("out of memory", 0);
        av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->extended_data), count);
        frame->pts = nextPts;
        nextPts += count;
        if (!send(frame)) return false;
    }
    return true;
}

bool FfmpegEncoder::send(AVFrame* toEncode) {
    int result = avcodec_send_frame(encoder, toEncode);
    if (result < 0) return fail("cannot encode", result);
    while ((result = avcodec_receive_packet(encoder, packet)) == 0) {
        packet->stream_index = 0;
        av_packet_rescale_ts(packet, encoder->time_base, muxer->streams[0]->time_base);
        result = av_interleaved_write_frame(muxer, packet);
        if (result < 0) return fail("", result);
    }
    return result == AVERROR(EAGAIN) || result == AVERROR_EOF ? true : fail("cannot encode", result);
}

bool FfmpegEncoder::finish() {
    if (!opened) return false;
    // What the converter still holds (its delay), then the queue, then the encoder's own delay.
    const int tail = swr_get_out_samples(converter, 0);
    if (tail > 0) {
        av_frame_unref(frame);
        frame->format = encoder->sample_fmt;
        frame->nb_samples = tail;
        av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout);
        if (av_frame_get_buffer(frame, 0) < 0) return fail("out of memory", 0);
        const int converted = swr_convert(converter, frame->extended_data, tail, nullptr, 0);
        if (converted > 0) av_audio_fifo_write(fifo, reinterpret_cast<void**>(frame->extended_data), converted);
    }
    if (!encodeFrames(true) || !send(nullptr)) return false;
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
