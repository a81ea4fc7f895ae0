#pragma once
// The output's libsndfile format: file type and sample type, from --format, the output's name
// and the input, checked against what libsndfile can write.

#include <string>

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

// Readable name of a format word, e.g. "FLAC (Free Lossless Audio Codec), Signed 16 bit PCM".
std::string describeFormat(int format);

}  // namespace qmduck
