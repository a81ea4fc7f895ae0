#pragma once
// The editor's frame: a view that holds the editor's views in a flat list over a background
// picture, with at most one modal view and one focus view, and dispatches drawing, clicks, keys,
// the wheel and drops to them. Its native window is a FrameWindow supplied by the platform (none
// in tests that draw on canvases of their own). UI thread.

#include <cstdint>
#include <memory>

#include "gui/Bitmap.h"
#include "gui/FrameEditor.h"
#include "gui/FrameWindow.h"
#include "gui/Scale.h"
#include "gui/View.h"

namespace qm {

class EditorFrame : public View {
public:
    // A frame of `size` for `editor` (may be null) on `window` (may be null).
    EditorFrame(const Rect& size, FrameEditor* editor, std::unique_ptr<FrameWindow> window = nullptr);
    // The frame of an editor, with a child window of its own in the host's `parentWindow`.
    EditorFrame(const Rect& size, void* parentWindow, FrameEditor* editor);
    // Releases every view and the background.
    ~EditorFrame() override;

    void draw(Canvas& canvas) override;
    void drawInRect(Canvas& canvas, const Rect& rect) override;
    void onMouseDown(Canvas& canvas, Point& where) override;
    void update(Canvas& canvas) override;
    std::int32_t onKeyDown(KeyCode& key) override;
    std::int32_t onKeyUp(KeyCode& key) override;
    bool onDrop(char** items, std::int32_t count, DropKind kind, Point where) override;
    bool onWheel(Canvas* canvas, Point where, float distance) override;
    FrameEditor* getEditor() override { return editor; }

    // Appends `view`, taking over the caller's reference; false (nothing added) when the list
    // cannot grow.
    virtual bool addView(View* view);
    virtual bool removeView(View* view, bool release);
    virtual bool removeAllViews(bool release);
    virtual bool containsView(View* view);
    virtual std::int32_t getViewCount();
    // The view at `index` in adding order; null out of range.
    virtual View* viewAt(std::int32_t index);

    // Holds `bitmap` (retained; may be null) as the picture under all views.
    void setBackground(Bitmap* bitmap);
    Bitmap* getBackground() const { return background; }
    // Makes `view` the view that takes every click; false while another one is modal.
    bool setModalView(View* view);
    View* getModalView() const { return modalView; }
    void setFocusView(View* view);
    View* getFocusView() const { return focusView; }
    void beginEdit(std::int32_t tag);
    void endEdit(std::int32_t tag);
    // The cursor relative to the window's top-left corner (screen position without a window).
    bool getCurrentMouseLocation(Point& where);
    // The modal view, else the topmost view under the mouse (mouse-enabled or not), else null.
    View* findViewUnderMouse();
    bool needsUpdate();
    // Draws `view` now (the whole frame when it is not a child) outside a paint message.
    void redrawView(View* view);
    // Draws what is marked, once the window has been painted once.
    void idleUpdate();

    // A target on the window for one call; null without a window.
    std::unique_ptr<DrawingTarget> createWindowTarget();
    // Called when the native window is gone: nothing is drawn any more.
    void windowDestroyed() { open = false; }
    bool isOpen() const { return open; }
    // True while a click is being handled (a control may be tracking a drag in it).
    bool isHandlingMouse() const { return mouseDepth > 0; }
    // The editor closed while a click was being handled: the window goes off the screen, nothing is
    // drawn any more, and the mouse reads as released so that a tracking loop ends; the editor
    // deletes the frame once the click has been handled.
    void beginClosing();
    bool isClosing() const { return closing; }
    bool isFirstDrawPending() const { return firstDrawPending; }
    FrameWindow* getWindow() const { return window.get(); }
    // The scale the frame draws at, chosen by its window when it is made (1x without one). Views
    // keep their 1x coordinates; canvases of the frame turn them into device pixels.
    ScalePercent getScale() const { return scale; }
    // Sets the scale; only before views are added (their pictures in memory take it when added).
    void setScale(ScalePercent newScale) { scale = newScale; }
    // The frame's size in device pixels.
    Rect deviceSize() const { return toDevice(size, scale); }
    std::int32_t getCapacity() const { return capacity; }

private:
    void dispatchMouseDown(Canvas& canvas, Point& where);
    std::int32_t dispatchKey(KeyCode& key, std::int32_t (View::*handler)(KeyCode&));
    // Runs `body` with a canvas on the window; nothing without a window.
    template <typename Body>
    void withWindowCanvas(Body body);

    FrameEditor* editor;
    Bitmap* background = nullptr;
    std::int32_t viewCount = 0;
    std::int32_t capacity = 0;
    View** views = nullptr;
    View* modalView = nullptr;
    View* focusView = nullptr;
    bool firstDrawPending = true;
    bool open = true;
    bool closing = false;
    std::int32_t mouseDepth = 0;
    ScalePercent scale = kScale1x;
    std::unique_ptr<FrameWindow> window;
};

}  // namespace qm
