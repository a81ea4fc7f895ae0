#include "cli/reading/SoundReader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>


namespace qmduck {
namespace {

// The speakers a file names (WAVE_FORMAT_EXTENSIBLE, CAF, ...), else WAV's order.
std::vector<Speaker> speakersOf(SNDFILE* file, int channels) {
    std::vector<int> map(static_cast<std::size_t>(channels));
    const int bytes = static_cast<int>(map.size() * sizeof(int));
    if (sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(), bytes) != SF_TRUE) return defaultSpeakers(channels);
    std::vector<Speaker> speakers;
    for (int position : map) {
        switch (position) {
        case SF_CHANNEL_MAP_LEFT:
        case SF_CHANNEL_MAP_FRONT_LEFT: speakers.push_back(Speaker::FrontLeft); break;
        case SF_CHANNEL_MAP_RIGHT:
        case SF_CHANNEL_MAP_FRONT_RIGHT: speakers.push_back(Speaker::FrontRight); break;
        case SF_CHANNEL_MAP_CENTER:
        case SF_CHANNEL_MAP_FRONT_CENTER: speakers.push_back(Speaker::Centre); break;
        case SF_CHANNEL_MAP_LFE: speakers.push_back(Speaker::Lfe); break;
        case SF_CHANNEL_MAP_REAR_LEFT: speakers.push_back(Speaker::BackLeft); break;
        case SF_CHANNEL_MAP_REAR_RIGHT: speakers.push_back(Speaker::BackRight); break;
        case SF_CHANNEL_MAP_SIDE_LEFT: speakers.push_back(Speaker::SideLeft); break;
        case SF_CHANNEL_MAP_SIDE_RIGHT: speakers.push_back(Speaker::SideRight); break;
        case SF_CHANNEL_MAP_REAR_CENTER: speakers.push_back(Speaker::BackCentre); break;
        default: speakers.push_back(Speaker::Other); break;
        }
    }
    return speakers;
}

}  // namespace

SoundReader::SoundReader(std::string path) : filePath(std::move(path)) {
    // The system's reason for a file that cannot be opened at all reads better than libsndfile's.
    if (access(filePath.c_str(), R_OK) != 0) {
        failure = std::strerror(errno);
        return;
    }
    file = sf_open(filePath.c_str(), SFM_READ, &info);
    if (file != nullptr) {
        // libsndfile's largest count stands for a length it cannot tell (an Ogg file cut short).
        if (info.frames == SF_COUNT_MAX) info.frames = 0;
        if (info.channels > 2) {
            downMix = std::make_unique<DownMix>(speakersOf(file, info.channels));
            note = downMixRemark(filePath, info.channels);
        }
        return;
    }
    const std::string sndfileReason = sf_strerror(nullptr);
    auto decoded = std::make_unique<FfmpegDecoder>(filePath);
    if (!decoded->isOpen()) {
        failure = sndfileReason + " (FFmpeg: " + decoded->error() + ")";
        return;
    }
    info = SF_INFO{};
    info.channels = decoded->channels();
    info.samplerate = decoded->sampleRateHz();
    info.frames = decoded->expectedFrames();
    if (decoded->sourceChannels() > 2) note = downMixRemark(filePath, decoded->sourceChannels());
    decoder = std::move(decoded);
}

SoundReader::~SoundReader() {
    if (converter != nullptr) src_delete(converter);
    if (file != nullptr) sf_close(file);
}

std::string SoundReader::decoderName() const {
    return decoder != nullptr ? "FFmpeg (" + decoder->codecName() + ")" : "libsndfile";
}

bool SoundReader::resampleTo(int rateHz) {
    if (rateHz == info.samplerate) return true;
    int problem = 0;
    converter = src_callback_new(&SoundReader::supply, SRC_SINC_FASTEST, info.channels, &problem, this);
    if (converter == nullptr) {
        failure = std::string("cannot resample: ") + src_strerror(problem);
        return false;
    }
    rateRatio = static_cast<double>(rateHz) / info.samplerate;
    // A length announced beyond any real file (a hostile or unknown one) stays the largest.
    const double scaledFrames = static_cast<double>(info.frames) * rateRatio;
    info.frames = scaledFrames < 0x1p62 ? static_cast<std::int64_t>(scaledFrames) : std::numeric_limits<std::int64_t>::max();
    info.samplerate = rateHz;
    return true;
}

long SoundReader::supply(void* self, float** data) {
    constexpr std::int64_t kSupplyFrames = 4096;
    auto* reader = static_cast<SoundReader*>(self);
    reader->raw.resize(static_cast<std::size_t>(kSupplyFrames * reader->info.channels));
    const std::int64_t got = reader->readInterleaved(reader->raw.data(), kSupplyFrames);
    if (got < 0) reader->supplyFailed = true;
    *data = reader->raw.data();
    return got > 0 ? static_cast<long>(got) : 0;
}

std::int64_t SoundReader::readInterleaved(float* samples, std::int64_t count) {
    if (decoder != nullptr) {
        const std::int64_t got = decoder->read(samples, count);
        if (got < 0) failure = decoder->error();
        return got;
    }
    const sf_count_t got = sf_readf_float(file, samples, count);
    if (got < count && sf_error(file) != SF_ERR_NO_ERROR) {
        failure = sf_strerror(file);
        return -1;
    }
    return got;
}

std::int64_t SoundReader::read(float* left, float* right, std::int64_t count) {
    const std::size_t wanted = static_cast<std::size_t>(count) * static_cast<std::size_t>(info.channels);
    if (interleaved.size() < wanted) interleaved.resize(wanted);
    std::int64_t got = 0;
    if (converter != nullptr) {
        got = src_callback_read(converter, rateRatio, static_cast<long>(count), interleaved.data());
        if (supplyFailed) return -1;
        if (got < count && src_error(converter) != 0) {
            failure = std::string("cannot resample: ") + src_strerror(src_error(converter));
            return -1;
        }
    } else {
        got = readInterleaved(interleaved.data(), count);
        if (got < 0) return -1;
    }
    const float* samples = interleaved.data();
    if (downMix) {
        downMix->apply(samples, got, left, right);
    } else if (info.channels == 1) {
        for (std::int64_t i = 0; i < got; ++i) left[i] = right[i] = samples[i];
    } else {
        for (std::int64_t i = 0; i < got; ++i) {
            left[i] = samples[2 * i];
            right[i] = samples[2 * i + 1];
        }
    }
    return got;
}

}  // namespace qmduck
