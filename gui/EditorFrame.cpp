#include "gui/EditorFrame.h"

#include <cstdlib>

#include "gui/PlatformInput.h"

namespace qm {

EditorFrame::EditorFrame(const Rect& size, FrameEditor* editor, std::unique_ptr<FrameWindow> window)
    : View(size), editor(editor), window(std::move(window)) {}

EditorFrame::EditorFrame(const Rect& size, void* parentWindow, FrameEditor* editor) : View(size), editor(editor) {
    window = createFrameWindow(*this, parentWindow);
}

EditorFrame::~EditorFrame() {
    if (window != nullptr) window->shutdown();
    // The modal view is one of the children (or owned elsewhere): forget it before they go.
    modalView = nullptr;
    removeAllViews(true);
    if (background != nullptr) background->release();
    background = nullptr;
}

bool EditorFrame::addView(View* view) {
    if (viewCount == capacity) {
        const std::int32_t grown = capacity + 20;
        auto* larger = static_cast<View**>(std::realloc(views, sizeof(View*) * static_cast<std::size_t>(grown)));
        if (larger == nullptr) return false;
        views = larger;
        capacity = grown;
    }
    views[viewCount++] = view;
    view->setParent(this);
    view->onAttached(this);
    return true;
}

bool EditorFrame::removeView(View* view, bool release) {
    for (std::int32_t i = 0; i < viewCount; ++i) {
        if (views[i] != view) continue;
        for (std::int32_t j = i + 1; j < viewCount; ++j) views[j - 1] = views[j];
        --viewCount;
        view->onDetached(this);
        if (release) view->release();
        break;
    }
    return true;
}

bool EditorFrame::removeAllViews(bool release) {
    if (focusView != nullptr) {
        focusView->onFocusLost(0);
        focusView = nullptr;
    }
    if (views != nullptr) {
        for (std::int32_t i = 0; i < viewCount; ++i) {
            views[i]->onDetached(this);
            if (release) views[i]->release();
        }
        std::free(views);
        views = nullptr;
    }
    viewCount = 0;
    capacity = 0;
    return true;
}

bool EditorFrame::containsView(View* view) {
    for (std::int32_t i = 0; i < viewCount; ++i) {
        if (views[i] == view) return true;
    }
    return false;
}

std::int32_t EditorFrame::getViewCount() { return viewCount; }

View* EditorFrame::viewAt(std::int32_t index) {
    return index < 0 || index >= viewCount ? nullptr : views[index];
}

void EditorFrame::setBackground(Bitmap* bitmap) {
    // Retained before the old one is released, so that setting the same bitmap again is safe.
    if (bitmap != nullptr) bitmap->retain();
    if (background != nullptr) background->release();
    background = bitmap;
}

bool EditorFrame::setModalView(View* view) {
    if (view != nullptr && modalView != nullptr) return false;
    if (modalView != nullptr) modalView->onDetached(this);
    modalView = view;
    if (modalView != nullptr) modalView->onAttached(this);
    return true;
}

void EditorFrame::setFocusView(View* view) {
    View* previous = focusView;
    focusView = view;
    if (previous != nullptr) previous->onFocusLost(0);
}

void EditorFrame::beginEdit(std::int32_t tag) {
    if (editor != nullptr) editor->beginEdit(tag);
}

void EditorFrame::endEdit(std::int32_t tag) {
    if (editor != nullptr) editor->endEdit(tag);
}

bool EditorFrame::getCurrentMouseLocation(Point& where) {
    const Point cursor = platformInput().cursorScreenPosition();
    const Point origin = platformInput().windowScreenOrigin(window != nullptr ? window->nativeHandle() : nullptr);
    where = Point{toLogical(cursor.h - origin.h, scale), toLogical(cursor.v - origin.v, scale)};
    return true;
}

View* EditorFrame::findViewUnderMouse() {
    if (modalView != nullptr) return modalView;
    Point where;
    getCurrentMouseLocation(where);
    for (std::int32_t i = viewCount - 1; i >= 0; --i) {
        if (where.isInside(views[i]->bounds())) return views[i];
    }
    return nullptr;
}

bool EditorFrame::needsUpdate() {
    if (modalView != nullptr || View::needsRedraw()) return true;
    for (std::int32_t i = 0; i < viewCount; ++i) {
        if (views[i]->needsRedraw()) return true;
    }
    return false;
}

void EditorFrame::draw(Canvas& canvas) {
    firstDrawPending = false;
    if (background != nullptr) {
        background->draw(canvas, Rect{0, 0, background->getWidth(), background->getHeight()}, Point{0, 0});
    }
    for (std::int32_t i = 0; i < viewCount; ++i) views[i]->draw(canvas);
    if (modalView != nullptr) modalView->draw(canvas);
}

void EditorFrame::drawInRect(Canvas& canvas, const Rect& rect) {
    firstDrawPending = false;
    if (background != nullptr) background->draw(canvas, rect, Point{rect.left, rect.top});
    for (std::int32_t i = 0; i < viewCount; ++i) {
        if (views[i]->intersects(rect)) views[i]->drawInRect(canvas, rect);
    }
    if (modalView != nullptr && modalView->intersects(rect)) modalView->draw(canvas);
}

void EditorFrame::beginClosing() {
    closing = true;
    open = false;
    if (window != nullptr) window->hide();
}

void EditorFrame::onMouseDown(Canvas& canvas, Point& where) {
    if (closing) return;
    ++mouseDepth;
    dispatchMouseDown(canvas, where);
    --mouseDepth;
}

void EditorFrame::dispatchMouseDown(Canvas& canvas, Point& where) {
    if (focusView != nullptr) {
        focusView->onFocusLost(0);
        focusView = nullptr;
    }
    const std::int32_t buttons = canvas.queryMouseButtons();
    if (modalView != nullptr) {
        if (modalView->hitTest(where, buttons)) modalView->onMouseDown(canvas, where);
        return;
    }
    for (std::int32_t i = viewCount - 1; i >= 0; --i) {
        View* view = views[i];
        if (view->isMouseEnabled() && view->hitTest(where, buttons)) {
            view->onMouseDown(canvas, where);
            return;
        }
    }
}

// Focus view first, then the modal view, then the children from the last added: the first
// answer other than -1 ends the dispatch.
std::int32_t EditorFrame::dispatchKey(KeyCode& key, std::int32_t (View::*handler)(KeyCode&)) {
    if (focusView != nullptr) {
        const std::int32_t taken = (focusView->*handler)(key);
        if (taken != -1) return taken;
    }
    if (modalView != nullptr) {
        const std::int32_t taken = (modalView->*handler)(key);
        if (taken != -1) return taken;
    }
    for (std::int32_t i = viewCount - 1; i >= 0; --i) {
        const std::int32_t taken = (views[i]->*handler)(key);
        if (taken != -1) return taken;
    }
    return -1;
}

std::int32_t EditorFrame::onKeyDown(KeyCode& key) { return dispatchKey(key, &View::onKeyDown); }
std::int32_t EditorFrame::onKeyUp(KeyCode& key) { return dispatchKey(key, &View::onKeyUp); }

bool EditorFrame::onDrop(char** items, std::int32_t count, DropKind kind, Point where) {
    if (modalView != nullptr || focusView != nullptr) return false;
    for (std::int32_t i = viewCount - 1; i >= 0; --i) {
        View* view = views[i];
        if (view->isMouseEnabled() && where.isInside(view->bounds()) && view->onDrop(items, count, kind, where)) {
            return true;
        }
    }
    return false;
}

bool EditorFrame::onWheel(Canvas* canvas, Point, float distance) {
    View* target = findViewUnderMouse();
    if (target == nullptr) return false;
    Point location;
    getCurrentMouseLocation(location);
    if (canvas != nullptr) return target->onWheel(canvas, location, distance);
    bool taken = false;
    std::unique_ptr<DrawingTarget> drawing = createWindowTarget();
    Canvas windowCanvas(this, drawing.get(), window != nullptr ? window->nativeHandle() : nullptr);
    taken = target->onWheel(&windowCanvas, location, distance);
    return taken;
}

void EditorFrame::update(Canvas& canvas) {
    if (!open) return;
    if (modalView != nullptr) {
        modalView->update(canvas);
    } else if (View::needsRedraw()) {
        draw(canvas);
        View::setNeedsRedraw(false);
    } else {
        for (std::int32_t i = 0; i < viewCount; ++i) views[i]->update(canvas);
    }
}

std::unique_ptr<DrawingTarget> EditorFrame::createWindowTarget() {
    return window != nullptr ? window->createDrawingTarget() : nullptr;
}

template <typename Body>
void EditorFrame::withWindowCanvas(Body body) {
    std::unique_ptr<DrawingTarget> drawing = createWindowTarget();
    if (drawing == nullptr) return;
    Canvas canvas(this, drawing.get(), window->nativeHandle());
    body(canvas);
}

void EditorFrame::idleUpdate() {
    if (window != nullptr && !closing) window->handleEvents();
    if (!open || firstDrawPending || !needsUpdate()) return;
    withWindowCanvas([this](Canvas& canvas) { update(canvas); });
}

void EditorFrame::redrawView(View* view) {
    const bool child = view != nullptr && containsView(view);
    withWindowCanvas([&](Canvas& canvas) {
        if (child) view->draw(canvas);
        else draw(canvas);
    });
}

}  // namespace qm
