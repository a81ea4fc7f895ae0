#include "gui/View.h"

#include "gui/EditorFrame.h"

namespace qm {

View::View(const Rect& size) : size(size), mouseArea(size) {}

void View::draw(Canvas&) { setNeedsRedraw(false); }
void View::drawInRect(Canvas& canvas, const Rect&) { draw(canvas); }

bool View::intersects(const Rect& rect) {
    return !(rect.right < size.left || rect.left > size.right || rect.bottom < size.top || rect.top > size.bottom);
}

void View::onMouseDown(Canvas&, Point&) {}

void View::update(Canvas& canvas) {
    if (needsRedraw()) {
        draw(canvas);
        setNeedsRedraw(false);
    }
}

std::int32_t View::notify(void*, void*) { return 0; }
std::int32_t View::onKeyDown(KeyCode&) { return -1; }
std::int32_t View::onKeyUp(KeyCode&) { return -1; }
bool View::onDrop(char**, std::int32_t, DropKind, Point) { return false; }
bool View::onWheel(Canvas*, Point, float) { return false; }
void View::onFocusLost(std::int32_t) {}
void View::onFocusGained(std::int32_t) {}
bool View::needsRedraw() { return redrawMark; }
void View::setNeedsRedraw(bool state) { redrawMark = state; }
void View::setMouseEnabled(bool state) { mouseEnabled = state; }
bool View::isMouseEnabled() { return mouseEnabled; }
void View::setMouseArea(const Rect& rect) { mouseArea = rect; }

Rect& View::getMouseArea(Rect& rect) {
    rect = mouseArea;
    return rect;
}

bool View::hitTest(Point where, std::int32_t) { return where.isInside(size); }
void View::setTransparent(bool state) { transparent = state; }
bool View::isTransparent() { return transparent; }

void View::setSize(const Rect& rect) {
    size = rect;
    setNeedsRedraw(true);
}

Rect& View::getSize(Rect& rect) {
    rect = size;
    return rect;
}

void View::setParentView(View* view) { parentView = view; }
void View::setParent(EditorFrame* frame) { parent = frame; }
FrameEditor* View::getEditor() { return parent != nullptr ? parent->getEditor() : nullptr; }
bool View::onDetached(EditorFrame*) { return true; }
bool View::onAttached(EditorFrame*) { return true; }

void View::release() {
    if (refCount <= 0) return;
    if (--refCount == 0) delete this;
}

void View::retain() { ++refCount; }
std::int32_t View::getRefCount() { return refCount; }

void View::redrawNow() {
    if (parent != nullptr) parent->redrawView(this);
}

}  // namespace qm
