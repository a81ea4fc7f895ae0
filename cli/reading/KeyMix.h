#pragma once
// The key files summed block by block into one stereo key, in the order given, as the plug-in
// sums the slots it listens to. A key that has ended adds silence; what is longer than the
// input is never read.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/reading/SoundReader.h"

namespace qmduck {

class KeyMix {
public:
    // Takes over open readers; `blockFrames` is the most `fill` will be asked for.
    KeyMix(std::vector<std::unique_ptr<SoundReader>> keys, std::int32_t blockFrames);

    // Writes the next `frames` frames of the sum into `left` and `right`; false on a read error,
    // with `error` naming the file.
    bool fill(float* left, float* right, std::int32_t frames);
    const std::string& error() const { return failure; }
    // How many of the frames the last `fill` wrote came from a key that had not yet ended.
    std::int32_t lastFilledFrames() const { return filled; }
    // Reads the first `frames` frames of the sum, hands them to `seen` (when given) piece by piece
    // and drops them: the key then runs that far ahead of the input (the look-ahead). False on
    // a read error, with `error` naming the file.
    bool skip(std::int64_t frames,
              const std::function<void(const float* left, const float* right, std::int32_t frames)>& seen = {});

private:
    std::vector<std::unique_ptr<SoundReader>> keys;
    std::vector<bool> ended;
    std::vector<float> left;
    std::vector<float> right;
    std::string failure;
    std::int32_t filled = 0;
};

}  // namespace qmduck
