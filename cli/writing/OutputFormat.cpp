#include "cli/writing/OutputFormat.h"

#include "cli/writing/SoundWriter.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace qmduck {
namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

struct Named {
    const char* name;
    int value;
};

// Other common names for libsndfile's own extensions.
constexpr Named kTypeAliases[] = {
    {"ogg", SF_FORMAT_OGG}, {"aif", SF_FORMAT_AIFF}, {"aifc", SF_FORMAT_AIFF}, {"wavex", SF_FORMAT_WAVEX},
};

constexpr Named kSampleTypes[] = {
    {"8", SF_FORMAT_PCM_S8},       {"16", SF_FORMAT_PCM_16},   {"24", SF_FORMAT_PCM_24},
    {"32", SF_FORMAT_PCM_32},      {"float", SF_FORMAT_FLOAT}, {"double", SF_FORMAT_DOUBLE},
    {"vorbis", SF_FORMAT_VORBIS},  {"opus", SF_FORMAT_OPUS},   {"ulaw", SF_FORMAT_ULAW},
    {"alaw", SF_FORMAT_ALAW},      {"u8", SF_FORMAT_PCM_U8},   {"mp3", SF_FORMAT_MPEG_LAYER_III},
};

// Sample types tried, in order, when the input's does not fit the chosen file type.
constexpr int kFallbackSampleTypes[] = {
    SF_FORMAT_PCM_24, SF_FORMAT_PCM_16, SF_FORMAT_PCM_S8, SF_FORMAT_PCM_U8, SF_FORMAT_FLOAT,
    SF_FORMAT_VORBIS, SF_FORMAT_OPUS,   SF_FORMAT_MPEG_LAYER_III,
};

// Sample types that are a codec of their own file type: carried over only when the output has
// the input's type (an MP3 written as WAV gets PCM, not MPEG in a WAV wrapper).
bool isCodec(int sampleType) {
    switch (sampleType) {
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III:
    case SF_FORMAT_ALAC_16:
    case SF_FORMAT_ALAC_20:
    case SF_FORMAT_ALAC_24:
    case SF_FORMAT_ALAC_32:
        return true;
    default:
        return false;
    }
}

int sampleTypeNamed(const std::string& name) {
    for (const Named& known : kSampleTypes) {
        if (name == known.name) return known.value;
    }
    return 0;
}

bool writable(int format, int channels, int sampleRateHz) {
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRateHz;
    return sf_format_check(&info) != 0;
}

std::string extensionOf(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    return extension.empty() ? extension : lowerCase(extension.substr(1));
}

}  // namespace

int fileTypeNamed(const std::string& rawName) {
    const std::string name = lowerCase(rawName);
    if (name.empty() || name == "raw") return 0;
    for (const Named& alias : kTypeAliases) {
        if (name == alias.name) return alias.value;
    }
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO major{};
        major.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &major, sizeof major) != 0) continue;
        if (major.extension != nullptr && name == major.extension) return major.format;
    }
    return 0;
}

FormatChoice chooseOutputFormat(const std::string& formatOption, const std::string& outputPath, int inputFormat,
                                int channels, int sampleRateHz) {
    FormatChoice choice;
    const std::string option = lowerCase(formatOption);
    const auto colon = option.find(':');
    const std::string typeName = option.substr(0, colon);
    const std::string sampleName = colon == std::string::npos ? std::string() : option.substr(colon + 1);

    int type = 0;
    int sample = 0;
    if (!typeName.empty() && (type = fileTypeNamed(typeName)) == 0) {
        choice.error = "--format: unknown file type '" + typeName + "'";
        choice.usageError = true;
        return choice;
    }
    if (colon != std::string::npos && (sample = sampleTypeNamed(sampleName)) == 0) {
        choice.error = "--format: unknown sample type '" + sampleName + "'";
        choice.usageError = true;
        return choice;
    }
    const std::string extension = extensionOf(outputPath);
    if (type == 0) type = fileTypeNamed(extension);
    if (type == 0) type = inputFormat & SF_FORMAT_TYPEMASK;
    if (type == 0) {
        choice.error = "the input's type cannot be written; name the output for a type (.wav, .flac, ...) or give --format";
        return choice;
    }

    const int inputType = inputFormat & SF_FORMAT_TYPEMASK;
    const int endian = type == inputType ? (inputFormat & SF_FORMAT_ENDMASK) : 0;
    if (sample == 0) {
        sample = inputFormat & SF_FORMAT_SUBMASK;
        if ((isCodec(sample) && type != inputType) || !writable(type | sample | endian, channels, sampleRateHz)) {
            sample = 0;
            for (int fallback : kFallbackSampleTypes) {
                if (writable(type | fallback, channels, sampleRateHz)) {
                    sample = fallback;
                    break;
                }
            }
        }
    }
    choice.format = type | sample | endian;
    if (sample == 0 || !writable(choice.format, channels, sampleRateHz)) {
        choice.error = "libsndfile cannot write " + describeFormat(type | sample) + " with " +
                       std::to_string(channels) + " channel(s) at " + std::to_string(sampleRateHz) + " Hz";
        choice.format = 0;
    }
    return choice;
}

std::string describeFormat(int format) {
    SF_FORMAT_INFO major{};
    major.format = format & SF_FORMAT_TYPEMASK;
    SF_FORMAT_INFO sample{};
    sample.format = format & SF_FORMAT_SUBMASK;
    std::string text = sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0 ? major.name : "?";
    if (sample.format != 0 && sf_command(nullptr, SFC_GET_FORMAT_INFO, &sample, sizeof sample) == 0) {
        text += std::string(", ") + sample.name;
    }
    return text;
}

}  // namespace qmduck

namespace qmduck {

OutputChoice chooseOutput(const DuckOptions& options, int inputFormat, int channels, int sampleRateHz) {
    OutputChoice choice;
    const std::string option = lowerCase(options.format);
    const auto colon = option.find(':');
    const std::string typeName = option.substr(0, colon);
    choice.encoded = encodedTypeNamed(typeName.empty() && colon == std::string::npos ? extensionOf(options.outputPath) : typeName);
    const int kbps = options.finishing.bitrateKbps;
    if (choice.encoded != EncodedType::None) {
        if (colon != std::string::npos) {
            choice.error = "--format: " + typeName + " is encoded; it has no sample type";
        } else {
            choice.error = checkBitrate(choice.encoded, channels, kbps);
        }
        choice.usageError = !choice.error.empty();
        return choice;
    }
    const FormatChoice written = chooseOutputFormat(options.format, options.outputPath, inputFormat, channels, sampleRateHz);
    choice.format = written.format;
    choice.dither = options.dither;
    choice.usageError = written.usageError;
    if (written.format == 0) {
        choice.error = written.usageError ? written.error : options.outputPath + ": " + written.error;
    } else if (kbps != 0) {
        choice.error = "--bitrate: only for the encoded types (mp3, m4a, opus, webm), not " + describeFormat(written.format);
        choice.usageError = true;
    }
    return choice;
}

std::unique_ptr<AudioSink> openSink(const OutputChoice& choice, int descriptor, int channels, int sampleRateHz,
                                    int bitrateKbps, const Tags& tags, EncodedCheck* check) {
    if (choice.encoded != EncodedType::None) {
        return std::make_unique<FfmpegEncoder>(descriptor, choice.encoded, channels, sampleRateHz, bitrateKbps, tags,
                                               check);
    }
    return std::make_unique<SoundWriter>(descriptor, choice.format, channels, sampleRateHz, tags, choice.dither);
}

}  // namespace qmduck
