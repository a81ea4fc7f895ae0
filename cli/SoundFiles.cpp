#include "cli/SoundFiles.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>


namespace qmduck {

SoundReader::SoundReader(std::string path) : filePath(std::move(path)) {
    // The system's reason for a file that cannot be opened at all reads better than libsndfile's.
    if (access(filePath.c_str(), R_OK) != 0) {
        failure = std::strerror(errno);
        return;
    }
    file = sf_open(filePath.c_str(), SFM_READ, &info);
    if (file == nullptr) failure = sf_strerror(nullptr);
}

SoundReader::~SoundReader() {
    if (file != nullptr) sf_close(file);
}

std::int64_t SoundReader::read(float* left, float* right, std::int64_t count) {
    const std::size_t wanted = static_cast<std::size_t>(count) * static_cast<std::size_t>(info.channels);
    if (interleaved.size() < wanted) interleaved.resize(wanted);
    const sf_count_t got = sf_readf_float(file, interleaved.data(), count);
    if (got < count && sf_error(file) != SF_ERR_NO_ERROR) {
        failure = sf_strerror(file);
        return -1;
    }
    const float* samples = interleaved.data();
    if (info.channels == 1) {
        for (sf_count_t i = 0; i < got; ++i) left[i] = right[i] = samples[i];
    } else {
        for (sf_count_t i = 0; i < got; ++i) {
            left[i] = samples[2 * i];
            right[i] = samples[2 * i + 1];
        }
    }
    return got;
}

SoundWriter::SoundWriter(int fileDescriptor, int format, int channels, int sampleRateHz)
    : descriptor(fileDescriptor), channelCount(channels) {
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
