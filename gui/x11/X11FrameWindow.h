#pragma once
// The frame's native window on Linux: a child window of exactly the editor's size in the host's
// X11 window, on a display connection of its own. The frame draws into a picture in memory (a
// cairo image surface); what each drawing changed is copied to the window through a cairo surface
// on the window. Exposures and button presses queued on the connection are handled when the frame
// idles: exposures become drawInRect, buttons 1 to 3 onMouseDown, buttons 4 and 5 the wheel. While
// a press is being handled, the pointer is read from the press event first and then polled from the
// server, so that the controls' drag loops work as they do on Windows. UI thread.

#include <X11/Xlib.h>
#include <cairo.h>

#include <memory>
#include <vector>

#include "gui/FrameWindow.h"
#include "gui/PlatformInput.h"
#include "gui/cairo/CairoTarget.h"

namespace qm {

class EditorFrame;

class X11FrameWindow : public FrameWindow {
public:
    // Opens a connection to the display of the environment and makes the child window of `parent`;
    // check `isValid`.
    X11FrameWindow(EditorFrame& frame, Window parent);
    ~X11FrameWindow() override;
    X11FrameWindow(const X11FrameWindow&) = delete;
    X11FrameWindow& operator=(const X11FrameWindow&) = delete;

    bool isValid() const { return window != 0; }
    Window xid() const { return window; }
    // The window's own display connection.
    Display* connection() const { return display; }

    std::unique_ptr<DrawingTarget> createDrawingTarget() override;
    // This object: the platform input reaches the connection and the window through it.
    void* nativeHandle() override { return this; }
    std::uintptr_t systemWindowId() override { return window; }
    void shutdown() override { frame = nullptr; }
    void handleEvents() override;
    void hide() override;

    // Handles only the exposures and the window's destruction, leaving clicks queued: what a drag
    // loop may do while a click is being handled.
    void handleExposures();
    // Copies what was drawn since the last copy to the window.
    void flushDamage();
    // The screen position of the window's top-left corner.
    Point screenOrigin();
    // Buttons and modifiers, and the pointer on the screen, as a control polls them.
    PhysicalInput pointerInput();
    Point pointerScreenPosition();
    // A tracking pass of a drag loop went by (the idle pump slept or pumped).
    void notePumped() { press.pumped = true; }

    // The window whose press is being handled, else the one opened last, else null.
    static X11FrameWindow* pointerWindow();
    // Every window alive in this module, oldest first.
    static std::vector<X11FrameWindow*> liveWindows();

private:
    struct Press {
        bool active = false;
        unsigned button = 0;
        unsigned state = 0;
        Point root;
        bool pumped = false;
        bool released = false;
    };

    void handleQueued(bool clicksToo);
    void putDamage(const std::vector<Rect>& damage);
    void paint(const Rect& rect);
    void dispatchPress(const XButtonEvent& event);
    bool queryPointer(unsigned& mask, Point& root);

    EditorFrame* frame;
    Display* display = nullptr;
    Window window = 0;
    cairo_surface_t* windowSurface = nullptr;
    // Whether the window's pixels are laid out as the picture's, so that XPutImage copies it.
    bool putsPicture = false;
    std::unique_ptr<CairoTarget> picture;
    bool windowAlive = false;
    bool hidden = false;
    bool handlingClick = false;
    Press press;
    Point lastPointer;
};

}  // namespace qm
