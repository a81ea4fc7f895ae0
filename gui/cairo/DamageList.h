#pragma once
// The rectangles of a picture drawn since they were last taken, so that only those are copied to
// the window: a few separate rectangles, rectangles that overlap or touch merged into one, all
// merged into their bounds once there are more than kMaxRects. UI thread.

#include <cstdint>
#include <vector>

#include "gui/Geometry.h"

namespace qm {

class DamageList {
public:
    static constexpr std::size_t kMaxRects = 8;

    // Notes `rect` (right and bottom excluded); empty rectangles are ignored.
    void add(Rect rect);
    // The rectangles noted since the last call, none of which overlap or touch; the list is empty after.
    std::vector<Rect> take();
    bool empty() const { return rects.empty(); }

private:
    std::vector<Rect> rects;
};

}  // namespace qm
