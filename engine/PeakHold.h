#pragma once
// Holds the key's peak over a window: each frame's peak becomes the largest peak of that frame
// and the `windowFrames` frames before it, so that pauses shorter than the window do not let
// the detector's input fall. A running maximum over a ring of candidates, O(1) per frame on
// average; the ring is sized once, at set-up.

#include <cstdint>
#include <vector>

namespace qm {

class PeakHold {
public:
    // Sets the window in frames (0: off) and forgets the past. Allocates: set-up only.
    void setWindow(std::int64_t windowFrames);
    std::int64_t windowFrames() const { return window; }
    bool isOn() const { return window > 0; }

    // Replaces each of `frames` peaks by the held peak, in place. Peaks that are not finite pass
    // unchanged and take no part (the detector ignores them). No allocation.
    void apply(float* peaks, std::int32_t frames);

private:
    struct Candidate {
        std::int64_t frame;
        float peak;
    };

    std::vector<Candidate> ring;
    std::int64_t window = 0;
    std::int64_t position = 0;
    std::size_t head = 0;
    std::size_t count = 0;
};

}  // namespace qm
