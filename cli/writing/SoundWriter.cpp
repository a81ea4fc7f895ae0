#include "cli/writing/SoundWriter.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace qmduck {

namespace {

// The bits of libsndfile's sample type in `format` when they are 16 or fewer (then this writer
// rounds for it); 0 for wider, float or coded types, which libsndfile converts.
int roundedBitsFor(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return 8;
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_ALAC_16: return 16;
    default: return 0;
    }
}

}  // namespace

SoundWriter::SoundWriter(int fileDescriptor, int format, int channels, int sampleRateHz, const Tags& tags,
                         bool dither)
    : descriptor(fileDescriptor), channelCount(channels) {
    if (const int bits = roundedBitsFor(format); bits > 0) {
        quantizer = std::make_unique<qm::Quantizer>(bits, dither);
        quantizerShift = 32 - bits;
    }
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRateHz;
    file = sf_open_fd(descriptor, SFM_WRITE, &info, SF_FALSE);
    if (file == nullptr) {
        failure = sf_strerror(nullptr);
        return;
    }
    // With clipping on, libsndfile scales floats to integers by 2^(bits-1), as it does when it
    // reads them (without, by 2^(bits-1) - 1): samples that pass unchanged come back exactly.
    const int sampleType = format & SF_FORMAT_SUBMASK;
    if (sampleType != SF_FORMAT_FLOAT && sampleType != SF_FORMAT_DOUBLE) {
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }
    // The tags libsndfile carries; a type without them ignores them.
    constexpr std::pair<const char*, int> kStrings[] = {
        {"title", SF_STR_TITLE}, {"artist", SF_STR_ARTIST},     {"album", SF_STR_ALBUM}, {"comment", SF_STR_COMMENT},
        {"date", SF_STR_DATE},   {"genre", SF_STR_GENRE},       {"track", SF_STR_TRACKNUMBER},
        {"copyright", SF_STR_COPYRIGHT}};
    for (const auto& [name, value] : tags.entries) {
        for (const auto& [known, id] : kStrings) {
            if (name == known) sf_set_string(file, id, value.c_str());
        }
    }
}

SoundWriter::~SoundWriter() {
    if (file != nullptr) sf_close(file);
    if (descriptor >= 0) close(descriptor);
}

bool SoundWriter::write(const float* left, const float* right, std::int64_t frames) {
    const std::size_t needed = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channelCount);
    if (interleaved.size() < needed) interleaved.resize(needed);
    float* samples = interleaved.data();
    if (channelCount == 1) {
        for (std::int64_t i = 0; i < frames; ++i) samples[i] = left[i];
    } else {
        for (std::int64_t i = 0; i < frames; ++i) {
            samples[2 * i] = left[i];
            samples[2 * i + 1] = right[i];
        }
    }
    if (quantizer) {
        if (integers.size() < needed) integers.resize(needed);
        quantizer->convert(samples, integers.data(), needed, quantizerShift);
        if (sf_writef_int(file, integers.data(), frames) != frames) {
            failure = sf_strerror(file);
            return false;
        }
        return true;
    }
    if (sf_writef_float(file, samples, frames) != frames) {
        failure = sf_strerror(file);
        return false;
    }
    return true;
}

bool SoundWriter::finish() {
    if (file == nullptr) return false;
    sf_write_sync(file);
    const int error = sf_error(file);
    if (error != SF_ERR_NO_ERROR && failure.empty()) failure = sf_error_number(error);
    const int closed = sf_close(file);
    file = nullptr;
    if (closed != 0 && failure.empty()) failure = sf_error_number(closed);
    if (close(descriptor) != 0 && failure.empty()) failure = std::strerror(errno);
    descriptor = -1;
    return failure.empty();
}

}  // namespace qmduck
