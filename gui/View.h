#pragma once
// Everything drawn in the editor: a rectangle of the window that draws itself on a canvas,
// remembers whether it must be drawn again, and may take clicks, keys, the wheel and drops.
// Views are reference counted (count 1 at construction) and belong to one frame. UI thread.

#include <cstdint>

#include "gui/Canvas.h"
#include "gui/Geometry.h"
#include "gui/KeyCode.h"

namespace qm {

class EditorFrame;
class FrameEditor;

class View {
public:
    explicit View(const Rect& size);
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    virtual ~View() = default;
    // Draws the view; the base only clears the redraw mark.
    virtual void draw(Canvas& canvas);
    virtual void drawInRect(Canvas& canvas, const Rect& rect);
    // True unless `rect` lies wholly beside the view (touching edges intersect).
    virtual bool intersects(const Rect& rect);
    virtual void onMouseDown(Canvas& canvas, Point& where);
    // Draws the view when it needs it, then marks it clean.
    virtual void update(Canvas& canvas);
    virtual std::int32_t notify(void* sender, void* message);
    // Keys: the answer is -1 when the view did not take the key.
    virtual std::int32_t onKeyDown(KeyCode& key);
    virtual std::int32_t onKeyUp(KeyCode& key);
    // A drop of `count` items of `kind` at `where` (window pixels); true when taken.
    virtual bool onDrop(char** items, std::int32_t count, DropKind kind, Point where);
    // The wheel by `distance` notches at `where`; true when taken.
    virtual bool onWheel(Canvas* canvas, Point where, float distance);
    virtual void onFocusLost(std::int32_t reason);
    virtual void onFocusGained(std::int32_t reason);
    virtual bool needsRedraw();
    virtual void setNeedsRedraw(bool state);
    virtual void setMouseEnabled(bool state);
    virtual bool isMouseEnabled();
    virtual void setMouseArea(const Rect& rect);
    virtual Rect& getMouseArea(Rect& rect);
    // True when `where` lies in the view, edges included; `buttons` are the mouse bits.
    virtual bool hitTest(Point where, std::int32_t buttons);
    virtual void setTransparent(bool state);
    virtual bool isTransparent();
    // Moves the view to `rect` (window pixels) and marks it for drawing.
    virtual void setSize(const Rect& rect);
    virtual Rect& getSize(Rect& rect);
    virtual void setParentView(View* view);
    virtual void setParent(EditorFrame* frame);
    virtual FrameEditor* getEditor();
    virtual bool onDetached(EditorFrame* frame);
    virtual bool onAttached(EditorFrame* frame);
    // Drops one reference; the view deletes itself at 0. Nothing happens at 0 or below.
    virtual void release();
    virtual void retain();
    virtual std::int32_t getRefCount();

    // Asks the parent frame to draw this view now; nothing without a parent.
    void redrawNow();
    EditorFrame* getParent() const { return parent; }
    const Rect& bounds() const { return size; }

protected:
    std::int32_t refCount = 1;
    Rect size;
    Rect mouseArea;
    EditorFrame* parent = nullptr;
    View* parentView = nullptr;
    bool redrawMark = false;
    bool mouseEnabled = true;
    bool transparent = false;
};

}  // namespace qm
