#include "gui/cairo/DamageList.h"

#include <algorithm>
#include <utility>

namespace qm {
namespace {

bool overlapsOrTouches(const Rect& a, const Rect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

Rect unite(const Rect& a, const Rect& b) {
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

}  // namespace

void DamageList::add(Rect rect) {
    if (rect.width() <= 0 || rect.height() <= 0) return;
    // A merged rectangle may reach others that it did not touch before: merge until none is left.
    for (auto other = rects.begin(); other != rects.end();) {
        if (overlapsOrTouches(*other, rect)) {
            rect = unite(rect, *other);
            rects.erase(other);
            other = rects.begin();
        } else {
            ++other;
        }
    }
    rects.push_back(rect);
    if (rects.size() > kMaxRects) {
        Rect bounds = rects.front();
        for (const Rect& each : rects) bounds = unite(bounds, each);
        rects.assign(1, bounds);
    }
}

std::vector<Rect> DamageList::take() { return std::exchange(rects, {}); }

}  // namespace qm
