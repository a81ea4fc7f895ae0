#pragma once
// What every processed block must show, checked sample by sample against the host's copies of
// its input and of what the outputs held before: finite input gives finite output; ducking and
// keying never make a sample louder than its input (accumulating: never move the output further
// than the input's size); a bypassed instance, or one without a key slot, passes its input
// through unchanged; nothing is written past the block or into the inputs.

#include <cstdint>
#include <string>

namespace qmhost::validate {

// What the host knows of the instance's mode during the block.
enum class Expect {
    Ducks,        // duck or key mode: |out| <= |in|
    PassesThrough,  // bypass on, or no key slot: the input itself
    Either,       // the mode may have changed during the block (another thread set it)
};

struct Block {
    std::int32_t frames = 0;
    bool accumulate = false;
    // The input as the host made it, and what the outputs held before the call.
    const float* input[2] = {nullptr, nullptr};
    const float* prior[2] = {nullptr, nullptr};
    // The buffers handed to the plug-in (outputs may be the inputs), each followed by guard samples.
    const float* passedInput[2] = {nullptr, nullptr};
    const float* output[2] = {nullptr, nullptr};
    bool inPlace = false;
};

// Guard samples after each buffer, and the bits they hold.
constexpr std::int32_t kGuardFrames = 16;
constexpr std::uint32_t kGuardBits = 0x7FA5A5A5u;

// The first thing wrong with `block`, or an empty string.
std::string checkBlock(const Block& block, Expect expect);

// The first thing wrong with the meter (control 10) read right after a block of a known mode, or an
// empty string.
std::string checkMeter(float meter, Expect expect, std::int32_t frames);

}  // namespace qmhost::validate
