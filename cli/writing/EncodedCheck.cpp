#include "cli/writing/EncodedCheck.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace qmduck {
namespace {

// Packets on their way to the decoder at most.
constexpr int kPacketsInFlight = 64;
// Decoded frames kept back until the end is known: more than any encoder's padding at the end.
constexpr std::int64_t kHeldFrames = 1 << 15;
// Frames measured at a time.
constexpr std::int64_t kMeasureFrames = 1 << 14;

std::string describe(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

EncodedCheck::EncodedCheck() : ring(kPacketsInFlight) {
    for (int i = 0; i < kPacketsInFlight; ++i) packets.push_back(av_packet_alloc());
}

EncodedCheck::~EncodedCheck() {
    if (thread.joinable()) {
        ring.cancel();
        thread.join();
    }
    for (AVPacket*& packet : packets) av_packet_free(&packet);
    av_frame_free(&frame);
    swr_free(&converter);
    avcodec_free_context(&decoder);
}

bool EncodedCheck::start(const AVCodecContext* encoder) {
    const AVCodec* codec = avcodec_find_decoder(encoder->codec_id);
    if (codec == nullptr) {
        failure = "FFmpeg has no decoder for it";
        return false;
    }
    decoder = avcodec_alloc_context3(codec);
    frame = av_frame_alloc();
    AVCodecParameters* parameters = avcodec_parameters_alloc();
    const bool ready = decoder != nullptr && frame != nullptr && parameters != nullptr &&
                       std::find(packets.begin(), packets.end(), nullptr) == packets.end() &&
                       avcodec_parameters_from_context(parameters, encoder) >= 0 &&
                       avcodec_parameters_to_context(decoder, parameters) >= 0;
    avcodec_parameters_free(&parameters);
    if (!ready) {
        failure = "out of memory";
        return false;
    }
    // The check drops the delay itself: the decoder must not (Opus's would, by its header).
    decoder->flags2 |= AV_CODEC_FLAG2_SKIP_MANUAL;
    if (const int result = avcodec_open2(decoder, codec, nullptr); result < 0) {
        failure = "cannot open its decoder: " + describe(result);
        return false;
    }
    channels = encoder->ch_layout.nb_channels == 1 ? 1 : 2;
    meter = std::make_unique<LoudnessMeter>(channels, encoder->sample_rate);
    toSkip = encoder->initial_padding;
    thread = std::thread([this] { run(); });
    return true;
}

void EncodedCheck::add(const AVPacket* packet) {
    if (!thread.joinable() || addFailed) return;
    const int slot = ring.acquire();
    if (slot < 0) return;
    AVPacket* copy = packets[static_cast<std::size_t>(slot)];
    if (av_packet_ref(copy, packet) < 0) {
        addFailed = true;
        ring.cancel();
        return;
    }
    // Nor may it trim by what the encoder attached to the packets.
    av_packet_free_side_data(copy);
    ring.publish();
}

bool EncodedCheck::finish(std::int64_t samples) {
    if (!thread.joinable()) return false;
    total = samples;
    ring.close();
    thread.join();
    if (addFailed && failure.empty()) failure = "out of memory";
    return failure.empty();
}

double EncodedCheck::integratedLufs() const {
    return meter != nullptr ? meter->integratedLufs() : -std::numeric_limits<double>::infinity();
}

double EncodedCheck::truePeakDb() const { return qm::truePeakDb(largestPeak); }

void EncodedCheck::run() {
    for (int slot; (slot = ring.next()) >= 0;) {
        AVPacket* packet = packets[static_cast<std::size_t>(slot)];
        if (failure.empty()) decode(packet);
        av_packet_unref(packet);
        ring.release();
    }
    // Closed (not cancelled): `total` was set before, and everything is here.
    if (ring.cancelled() || !failure.empty() || !decode(nullptr)) return;
    measureHeld(std::min<std::int64_t>(static_cast<std::int64_t>(held[0].size()), total - measured));
}

bool EncodedCheck::decode(const AVPacket* packet) {
    const int result = avcodec_send_packet(decoder, packet);
    // A damaged packet is skipped, as players do.
    if (result < 0 && result != AVERROR_INVALIDDATA) {
        failure = "cannot decode: " + describe(result);
        return false;
    }
    return receiveFrames();
}

bool EncodedCheck::receiveFrames() {
    for (;;) {
        const int result = avcodec_receive_frame(decoder, frame);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) {
            failure = "cannot decode: " + describe(result);
            return false;
        }
        const bool kept = hold(frame);
        av_frame_unref(frame);
        if (!kept) return false;
    }
}

// Converts a decoded frame to float channels, drops what remains of the delay, and measures all
// but the newest kHeldFrames.
bool EncodedCheck::hold(const AVFrame* decoded) {
    if (converter == nullptr) {
        AVChannelLayout layout;
        av_channel_layout_default(&layout, channels);
        AVChannelLayout decodedLayout{};
        const bool made = av_channel_layout_copy(&decodedLayout, &decoded->ch_layout) >= 0 &&
                          swr_alloc_set_opts2(&converter, &layout, AV_SAMPLE_FMT_FLTP, decoded->sample_rate,
                                              &decodedLayout, static_cast<AVSampleFormat>(decoded->format),
                                              decoded->sample_rate, 0, nullptr) >= 0 &&
                          swr_init(converter) >= 0;
        av_channel_layout_uninit(&decodedLayout);
        if (!made) {
            failure = "cannot convert its samples";
            return false;
        }
    }
    const int room = swr_get_out_samples(converter, decoded->nb_samples);
    const std::size_t before = held[0].size();
    std::uint8_t* out[2] = {};
    for (int c = 0; c < channels; ++c) {
        held[c].resize(before + static_cast<std::size_t>(std::max(room, 0)));
        out[c] = reinterpret_cast<std::uint8_t*>(held[c].data() + before);
    }
    const int got = swr_convert(converter, out, room, const_cast<const std::uint8_t**>(decoded->extended_data),
                                decoded->nb_samples);
    if (got < 0) {
        failure = "cannot convert its samples: " + describe(got);
        return false;
    }
    const auto drop = static_cast<std::size_t>(std::min<std::int64_t>(toSkip, got));
    for (int c = 0; c < channels; ++c) {
        held[c].resize(before + static_cast<std::size_t>(got));
        held[c].erase(held[c].begin() + static_cast<std::ptrdiff_t>(before),
                      held[c].begin() + static_cast<std::ptrdiff_t>(before + drop));
    }
    toSkip -= static_cast<std::int64_t>(drop);
    const auto ready = static_cast<std::int64_t>(held[0].size()) - kHeldFrames;
    if (ready >= kMeasureFrames) measureHeld(ready);
    return true;
}

// Measures the first `frames` held frames and lets them go.
void EncodedCheck::measureHeld(std::int64_t frames) {
    if (frames <= 0) return;
    const float* left = held[0].data();
    const float* right = channels == 2 ? held[1].data() : left;
    for (std::int64_t done = 0; done < frames;) {
        const auto count = static_cast<std::int32_t>(std::min(kMeasureFrames, frames - done));
        meter->add(left + done, right + done, count);
        peaks.resize(static_cast<std::size_t>(count));
        truePeak.process(left + done, right + done, count, peaks.data());
        for (float peak : peaks) largestPeak = std::max(largestPeak, peak);
        done += count;
    }
    measured += frames;
    for (int c = 0; c < channels; ++c) held[c].erase(held[c].begin(), held[c].begin() + static_cast<std::ptrdiff_t>(frames));
}

}  // namespace qmduck
