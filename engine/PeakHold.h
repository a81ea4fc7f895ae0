#pragma once
// Holds the key's peak over a window: each frame's peak becomes the largest peak of that frame
// and the `windowFrames` frames before it, so that pauses shorter than the window do not let
// the detector's input fall. The running maximum is taken in blocks of window + 1 frames (van
// Herk and Gil-Werman): the maximum from the start of the current block up to the frame, and
// the maximum from the frame's counterpart in the previous block to that block's end, kept from
// one backward pass per block. Two comparisons a frame and one more per frame for the backward
// pass, without branches; the buffers are sized once, at set-up.

#include <cstdint>
#include <vector>

namespace qm {

class PeakHold {
public:
    // Sets the window in frames (0: off) and forgets the past. Allocates unless `reserve` made room
    // for the window: set-up only, or wherever such room was made.
    void setWindow(std::int64_t windowFrames);
    // Makes room for windows up to `maxWindowFrames`, so that `setWindow` within it allocates
    // nothing. Allocates: set-up only.
    void reserve(std::int64_t maxWindowFrames);
    std::int64_t windowFrames() const { return window; }
    bool isOn() const { return window > 0; }

    // Replaces each of `frames` peaks (0 or more) by the held peak, in place. Peaks that are not
    // finite pass unchanged and take no part (the detector ignores them). No allocation.
    void apply(float* peaks, std::int32_t frames);

private:
    std::int64_t window = 0;
    // The current block's peaks so far, and the previous block's maxima from each position to
    // its end (one more entry, 0, for the position past the end).
    std::vector<float> current;
    std::vector<float> previousSuffix;
    std::size_t position = 0;
    float prefix = 0.0f;
};

}  // namespace qm
