#include "cli/reading/FfmpegDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <vector>

#include "cli/reading/DownMix.h"

namespace qmduck {
namespace {

Speaker speakerOf(AVChannel channel) {
    switch (channel) {
    case AV_CHAN_FRONT_LEFT: return Speaker::FrontLeft;
    case AV_CHAN_FRONT_RIGHT: return Speaker::FrontRight;
    case AV_CHAN_FRONT_CENTER: return Speaker::Centre;
    case AV_CHAN_LOW_FREQUENCY:
    case AV_CHAN_LOW_FREQUENCY_2: return Speaker::Lfe;
    case AV_CHAN_BACK_LEFT: return Speaker::BackLeft;
    case AV_CHAN_BACK_RIGHT: return Speaker::BackRight;
    case AV_CHAN_SIDE_LEFT: return Speaker::SideLeft;
    case AV_CHAN_SIDE_RIGHT: return Speaker::SideRight;
    case AV_CHAN_BACK_CENTER: return Speaker::BackCentre;
    default: return Speaker::Other;
    }
}



std::string describe(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

FfmpegDecoder::FfmpegDecoder(const std::string& path) {
    av_log_set_level(AV_LOG_QUIET);
    // Probing a file reads at most 5 MB and 5 s of its streams (FFmpeg 5's defaults, kept whatever
    // the library's become): a hostile or huge file costs a bounded open.
    AVDictionary* limits = nullptr;
    av_dict_set(&limits, "probesize", "5000000", 0);
    av_dict_set(&limits, "analyzeduration", "5000000", 0);
    int result = avformat_open_input(&format, path.c_str(), nullptr, &limits);
    av_dict_free(&limits);
    if (result < 0) {
        failure = describe(result);
        return;
    }
    if ((result = avformat_find_stream_info(format, nullptr)) < 0) {
        failure = describe(result);
        return;
    }
    for (unsigned i = 0; i < format->nb_streams && streamIndex < 0; ++i) {
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) streamIndex = static_cast<int>(i);
    }
    if (streamIndex < 0) {
        failure = "no audio stream";
        return;
    }
    // The demuxer may skip the other streams' packets (a video's pictures).
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (static_cast<int>(i) != streamIndex) format->streams[i]->discard = AVDISCARD_ALL;
    }
    const AVStream* stream = format->streams[streamIndex];
    const AVCodec* found = avcodec_find_decoder(stream->codecpar->codec_id);
    if (found == nullptr) {
        failure = "no decoder for its audio";
        return;
    }
    decoder = avcodec_alloc_context3(found);
    if (decoder == nullptr || avcodec_parameters_to_context(decoder, stream->codecpar) < 0 ||
        (result = avcodec_open2(decoder, found, nullptr)) < 0) {
        failure = "cannot decode its audio (" + std::string(found->name) + ")";
        return;
    }
    codec = found->name;
    rateHz = decoder->sample_rate;
    outputChannels = decoder->ch_layout.nb_channels == 1 ? 1 : 2;
    streamChannels = decoder->ch_layout.nb_channels;
    if (rateHz <= 0 || decoder->ch_layout.nb_channels <= 0) {
        failure = "its audio stream has no sample rate or channels";
        return;
    }
    inputShape = av_frame_alloc();
    if (inputShape == nullptr || av_channel_layout_copy(&inputShape->ch_layout, &decoder->ch_layout) < 0) {
        failure = "out of memory";
        return;
    }
    inputShape->format = decoder->sample_fmt;
    inputShape->sample_rate = rateHz;
    if (!configure(*inputShape)) return;
    if (stream->duration > 0) {
        expected = av_rescale_q(stream->duration, stream->time_base, AVRational{1, rateHz});
    } else if (format->duration > 0) {
        expected = av_rescale(format->duration, rateHz, AV_TIME_BASE);
    }
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    open = packet != nullptr && frame != nullptr;
    if (!open) failure = "out of memory";
}

FfmpegDecoder::~FfmpegDecoder() {
    swr_free(&resampler);
    av_frame_free(&inputShape);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
}

// More than two channels are mixed down by DownMix's weights, as libsndfile's files are.
bool FfmpegDecoder::setDownMix(const AVChannelLayout& layout) {
    if (layout.nb_channels <= 2) return true;
    const auto count = static_cast<std::size_t>(layout.nb_channels);
    std::vector<double> matrix(2 * count);
    const std::vector<Speaker> fallback = defaultSpeakers(layout.nb_channels);
    for (std::size_t c = 0; c < count; ++c) {
        const StereoWeights weights = stereoWeightsOf(
            layout.order == AV_CHANNEL_ORDER_NATIVE ? speakerOf(av_channel_layout_channel_from_index(&layout, static_cast<unsigned>(c)))
                                                    : fallback[c]);
        matrix[c] = weights.left;
        matrix[count + c] = weights.right;
    }
    return swr_set_matrix(resampler, matrix.data(), static_cast<int>(count)) >= 0;
}

// Sets the resampler up for frames of `shape`'s channels, sample type and rate; the output stays
// the stream's first rate, mono or stereo.
bool FfmpegDecoder::configure(const AVFrame& shape) {
    AVChannelLayout outputLayout;
    av_channel_layout_default(&outputLayout, outputChannels);
    if (shape.sample_rate <= 0 || shape.ch_layout.nb_channels <= 0 ||
        // FFmpeg 5 takes the layout by a pointer that is not const; it only reads it.
        swr_alloc_set_opts2(&resampler, &outputLayout, AV_SAMPLE_FMT_FLT, rateHz, const_cast<AVChannelLayout*>(&shape.ch_layout),
                            static_cast<AVSampleFormat>(shape.format), shape.sample_rate, 0, nullptr) < 0 ||
        !setDownMix(shape.ch_layout) || swr_init(resampler) < 0) {
        failure = "cannot convert its samples";
        return false;
    }
    if (&shape != inputShape) {
        av_channel_layout_uninit(&inputShape->ch_layout);
        if (av_channel_layout_copy(&inputShape->ch_layout, &shape.ch_layout) < 0) {
            failure = "out of memory";
            return false;
        }
        inputShape->format = shape.format;
        inputShape->sample_rate = shape.sample_rate;
    }
    return true;
}

bool FfmpegDecoder::convert(const AVFrame* decoded) {
    // Compact what was handed out, then append the converted frame.
    if (pendingStart > 0) {
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(pendingStart));
        pendingStart = 0;
    }
    if (decoded != nullptr && (decoded->format != inputShape->format || decoded->sample_rate != inputShape->sample_rate ||
                               av_channel_layout_compare(&decoded->ch_layout, &inputShape->ch_layout) != 0)) {
        // What the resampler still holds of the frames before the change comes first.
        if (!append(nullptr) || !configure(*decoded)) return false;
    }
    return append(decoded);
}

// Appends what the resampler makes of `decoded` (null: what it still holds) to `pending`.
bool FfmpegDecoder::append(const AVFrame* decoded) {
    const int room = swr_get_out_samples(resampler, decoded != nullptr ? decoded->nb_samples : 0);
    if (room <= 0) return true;
    const std::size_t before = pending.size();
    pending.resize(before + static_cast<std::size_t>(room) * static_cast<std::size_t>(outputChannels));
    auto* target = reinterpret_cast<std::uint8_t*>(pending.data() + before);
    const int converted = swr_convert(resampler, &target, room,
                                      decoded != nullptr ? const_cast<const std::uint8_t**>(decoded->extended_data) : nullptr,
                                      decoded != nullptr ? decoded->nb_samples : 0);
    if (converted < 0) {
        pending.resize(before);
        failure = "cannot convert its samples: " + describe(converted);
        return false;
    }
    pending.resize(before + static_cast<std::size_t>(converted) * static_cast<std::size_t>(outputChannels));
    return true;
}

// Decodes until at least one more frame of samples is pending, or the stream has ended.
bool FfmpegDecoder::decodeMore() {
    while (!drained) {
        int result = avcodec_receive_frame(decoder, frame);
        if (result == 0) {
            const bool done = convert(frame);
            av_frame_unref(frame);
            if (!done) return false;
            if (pending.size() > pendingStart) return true;
            continue;
        }
        if (result == AVERROR_EOF) {
            drained = true;
            return convert(nullptr);
        }
        if (result != AVERROR(EAGAIN)) {
            failure = "cannot decode: " + describe(result);
            return false;
        }
        result = av_read_frame(format, packet);
        if (result == AVERROR_EOF) {
            avcodec_send_packet(decoder, nullptr);
            continue;
        }
        if (result < 0) {
            failure = "cannot read: " + describe(result);
            return false;
        }
        if (packet->stream_index == streamIndex) {
            result = avcodec_send_packet(decoder, packet);
            // A damaged packet is skipped, as players do; anything else ends the read.
            if (result < 0 && result != AVERROR_INVALIDDATA) {
                av_packet_unref(packet);
                failure = "cannot decode: " + describe(result);
                return false;
            }
        }
        av_packet_unref(packet);
    }
    return true;
}

std::int64_t FfmpegDecoder::read(float* interleaved, std::int64_t count) {
    const auto width = static_cast<std::size_t>(outputChannels);
    std::int64_t done = 0;
    while (done < count) {
        if (pending.size() == pendingStart) {
            if (drained) break;
            if (!decodeMore()) return -1;
            continue;
        }
        const auto available = static_cast<std::int64_t>((pending.size() - pendingStart) / width);
        const std::int64_t take = std::min(available, count - done);
        std::memcpy(interleaved + done * static_cast<std::int64_t>(width), pending.data() + pendingStart,
                    static_cast<std::size_t>(take) * width * sizeof(float));
        pendingStart += static_cast<std::size_t>(take) * width;
        done += take;
    }
    return done;
}

}  // namespace qmduck
