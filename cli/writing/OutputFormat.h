#pragma once
// The output's libsndfile format: file type and sample type, from --format, the output's name
// and the input, checked against what libsndfile can write.

#include <memory>
#include <string>

#include "cli/options/DuckOptions.h"
#include "cli/writing/AudioSink.h"
#include "cli/writing/FfmpegEncoder.h"
#include "cli/writing/Tags.h"

namespace qmduck {

struct FormatChoice {
    // A libsndfile format word (type | sample type | byte order); 0 when `error` is set.
    int format = 0;
    // Why no format could be chosen; `usageError` when --format itself names nothing known.
    std::string error;
    bool usageError = false;
};

// The format for an output named `outputPath` of a file whose format word is `inputFormat`, with
// `channels` channels at `sampleRateHz`. `formatOption` is the --format text ("" when not given).
FormatChoice chooseOutputFormat(const std::string& formatOption, const std::string& outputPath, int inputFormat,
                                int channels, int sampleRateHz);

// The file type libsndfile writes for a name or extension such as "flac" or "aif"; 0 if none.
int fileTypeNamed(const std::string& name);

// What writes the output: an FFmpeg encoder for the lossy types (MP3, M4A, Opus in Ogg or WebM),
// libsndfile for the rest.
struct OutputChoice {
    EncodedType encoded = EncodedType::None;
    // libsndfile's format word when not encoded.
    int format = 0;
    // Integer samples of 16 bits or fewer are dithered (--dither).
    bool dither = true;
    std::string error;
    bool usageError = false;
};

// The output of `options` for an input of libsndfile format `inputFormat` (0: decoded by FFmpeg),
// with `channels` channels at `sampleRateHz`; --format, then the output's name, then the input
// decide, and --bitrate is checked against the type.
OutputChoice chooseOutput(const DuckOptions& options, int inputFormat, int channels, int sampleRateHz);

// The writer for `choice` on the open descriptor (which it takes over); its error() is empty
// when it is ready. An encoder hands its packets to `check` when one is given.
std::unique_ptr<AudioSink> openSink(const OutputChoice& choice, int descriptor, int channels, int sampleRateHz,
                                    int bitrateKbps, const Tags& tags, EncodedCheck* check = nullptr);

// Readable name of a format word, e.g. "FLAC (Free Lossless Audio Codec), Signed 16 bit PCM".
std::string describeFormat(int format);

}  // namespace qmduck
