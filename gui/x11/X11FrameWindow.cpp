#include "gui/x11/X11FrameWindow.h"

#include <X11/Xutil.h>
#include <cairo-xlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

#include "gui/EditorFrame.h"
#include "gui/ForwardingTarget.h"
#include "gui/x11/XDensity.h"
#include "gui/x11/XErrorTrap.h"
#include "gui/x11/XResourceCount.h"

namespace qm {
namespace {

std::vector<X11FrameWindow*> windows;
X11FrameWindow* pressWindow = nullptr;

// A target for one event on the window's picture; what was drawn goes to the window at the end.
class WindowTarget : public ForwardingTarget {
public:
    WindowTarget(X11FrameWindow& owner, CairoTarget& picture) : ForwardingTarget(picture), owner(owner) {}
    ~WindowTarget() override { owner.flushDamage(); }

private:
    X11FrameWindow& owner;
};

Rect unite(const Rect& a, const Rect& b) {
    if (a.width() <= 0 || a.height() <= 0) return b;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

PhysicalInput inputFromState(unsigned state) {
    PhysicalInput input;
    input.leftButton = (state & Button1Mask) != 0;
    input.middleButton = (state & Button2Mask) != 0;
    input.rightButton = (state & Button3Mask) != 0;
    input.shift = (state & ShiftMask) != 0;
    input.control = (state & ControlMask) != 0;
    input.alt = (state & Mod1Mask) != 0;
    return input;
}

unsigned maskOfButton(unsigned button) {
    switch (button) {
    case Button1: return Button1Mask;
    case Button2: return Button2Mask;
    case Button3: return Button3Mask;
    default: return 0;
    }
}

// A busy X server may turn a connection away for a moment (EAGAIN while it accepts others).
Display* openDisplay() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) return display;
        if (errno != EAGAIN) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return nullptr;
}

struct ReleaseMatch {
    Window window;
    unsigned button;
};

Bool isReleaseOf(Display*, XEvent* event, XPointer match) {
    const auto* wanted = reinterpret_cast<const ReleaseMatch*>(match);
    return event->type == ButtonRelease && event->xbutton.window == wanted->window &&
                   event->xbutton.button == wanted->button
               ? True
               : False;
}

// Whether pixels of `visual` at `depth` are 32-bit words of 8-bit red, green and blue, as the
// picture's are: then XPutImage copies the picture to the window as it is.
bool hasPictureLayout(Display* display, const Visual* visual, int depth) {
    if ((depth != 24 && depth != 32) || visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 ||
        visual->blue_mask != 0xFF) {
        return false;
    }
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    bool wordPerPixel = false;
    for (int i = 0; i < count; ++i) wordPerPixel = wordPerPixel || (formats[i].depth == depth && formats[i].bits_per_pixel == 32);
    if (formats != nullptr) XFree(formats);
    return wordPerPixel;
}

}  // namespace

X11FrameWindow::X11FrameWindow(EditorFrame& frame, Window parent) : frame(&frame) {
    display = openDisplay();
    if (display == nullptr) return;
    noteXResourceMade();
    ownDisplay(display, true);
    windows.push_back(this);
    XErrorTrap trap(display);
    frame.setScale(scaleForDensity(displayDensityDpi(display)));
    const Rect size = frame.deviceSize();
    const int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    attributes.colormap = DefaultColormap(display, screen);
    attributes.border_pixel = 0;
    attributes.background_pixmap = None;
    const std::int32_t errorsBefore = trappedXErrors();
    const Window made = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(size.width()),
                                      static_cast<unsigned>(size.height()), 0, DefaultDepth(display, screen),
                                      InputOutput, visual, CWEventMask | CWColormap | CWBorderPixel | CWBackPixmap,
                                      &attributes);
    XSync(display, False);
    if (trappedXErrors() != errorsBefore) return;  // no such parent: no window
    window = made;
    windowAlive = true;
    noteXResourceMade();
    XStoreName(display, window, "Window");
    XMapWindow(display, window);
    windowSurface = cairo_xlib_surface_create(display, window, visual, size.width(), size.height());
    noteXResourceMade();
    putsPicture = hasPictureLayout(display, visual, DefaultDepth(display, screen));
    picture = std::make_unique<CairoTarget>(size.width(), size.height());
}

X11FrameWindow::~X11FrameWindow() {
    std::erase(windows, this);
    if (pressWindow == this) pressWindow = nullptr;
    if (display == nullptr) return;
    {
        XErrorTrap trap(display);
        if (windowSurface != nullptr) {
            // cairo's device for this connection holds memory that only finishing it gives back.
            cairo_device_t* device = cairo_device_reference(cairo_surface_get_device(windowSurface));
            cairo_surface_finish(windowSurface);
            cairo_surface_destroy(windowSurface);
            if (device != nullptr) {
                cairo_device_finish(device);
                cairo_device_destroy(device);
            }
            noteXResourceFreed();
        }
        if (window != 0) {
            // A window that the host destroyed with its own is gone already.
            if (windowAlive) XDestroyWindow(display, window);
            noteXResourceFreed();
        }
        XSync(display, False);
        XCloseDisplay(display);
        trap.forgetDisplay();
    }
    ownDisplay(display, false);
    noteXResourceFreed();
}

std::unique_ptr<DrawingTarget> X11FrameWindow::createDrawingTarget() {
    if (!windowAlive || picture == nullptr || !picture->isValid()) return nullptr;
    return std::make_unique<WindowTarget>(*this, *picture);
}

void X11FrameWindow::hide() {
    if (!windowAlive || hidden) return;
    XErrorTrap trap(display);
    XUnmapWindow(display, window);
    hidden = true;
}

void X11FrameWindow::flushDamage() {
    const std::vector<Rect> damage = picture->takeDamage();
    if (!windowAlive || hidden || damage.empty()) return;
    // No round trip: the connection is read only in traps (events, the pointer, the destructor's
    // sync), so an error of these requests (a window the host destroyed) is trapped there.
    XErrorTrap trap(display, false);
    if (putsPicture) return putDamage(damage);
    cairo_surface_t* source = picture->cairoSurface();
    for (const Rect& rect : damage) {
        cairo_surface_mark_dirty_rectangle(source, rect.left, rect.top, rect.width(), rect.height());
    }
    cairo_t* cr = cairo_create(windowSurface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source, 0, 0);
    // One copy per rectangle, so that the pixels between two touched controls are not sent again.
    for (const Rect& rect : damage) {
        cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(windowSurface);
}

// The damaged rectangles of the picture copied to the window as they are. Copies through cairo's
// X surface would take its shared-memory path for large rectangles (the whole editor when it opens
// or is exposed), which leaks a little memory at every copy.
void X11FrameWindow::putDamage(const std::vector<Rect>& damage) {
    cairo_surface_t* source = picture->cairoSurface();
    cairo_surface_flush(source);
    const int screen = DefaultScreen(display);
    XImage* image = XCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(DefaultDepth(display, screen)),
                                 ZPixmap, 0, reinterpret_cast<char*>(cairo_image_surface_get_data(source)),
                                 static_cast<unsigned>(picture->width()), static_cast<unsigned>(picture->height()), 32,
                                 cairo_image_surface_get_stride(source));
    if (image == nullptr) return;
    // The picture's words are in this machine's byte order; Xlib swaps them for a server of the other.
    const std::uint32_t one = 1;
    image->byte_order = *reinterpret_cast<const unsigned char*>(&one) == 1 ? LSBFirst : MSBFirst;
    for (const Rect& rect : damage) {
        XPutImage(display, window, DefaultGC(display, screen), image, rect.left, rect.top, rect.left, rect.top,
                  static_cast<unsigned>(rect.width()), static_cast<unsigned>(rect.height()));
    }
    image->data = nullptr;
    XDestroyImage(image);
    XFlush(display);
}

void X11FrameWindow::handleEvents() { handleQueued(!handlingClick); }

void X11FrameWindow::handleExposures() { handleQueued(false); }

// Takes what is queued for the window: exposures gathered and painted once, the window's
// destruction noted, and, unless `clicksToo` is false, presses dispatched one at a time.
void X11FrameWindow::handleQueued(bool clicksToo) {
    if (frame == nullptr || !windowAlive) return;
    XErrorTrap trap(display);
    Rect exposed;
    XEvent event;
    while (frame != nullptr && windowAlive && !frame->isClosing()) {
        if (clicksToo) {
            if (XPending(display) == 0) break;
            XNextEvent(display, &event);
        } else if (!XCheckTypedWindowEvent(display, window, Expose, &event) &&
                   !XCheckTypedWindowEvent(display, window, DestroyNotify, &event)) {
            break;
        }
        if (event.type == Expose) {
            exposed = unite(exposed, Rect{event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                                          event.xexpose.y + event.xexpose.height});
        } else if (event.type == DestroyNotify && event.xdestroywindow.window == window) {
            windowAlive = false;
            frame->windowDestroyed();
        } else if (event.type == ButtonPress && event.xbutton.window == window) {
            paint(exposed);
            exposed = Rect{};
            dispatchPress(event.xbutton);
        }
    }
    paint(exposed);
}

// `rect` is in device pixels; the frame draws the 1x pixels that cover it.
void X11FrameWindow::paint(const Rect& rect) {
    if (frame == nullptr || rect.width() <= 0 || rect.height() <= 0 || !frame->isOpen()) return;
    std::unique_ptr<DrawingTarget> target = createDrawingTarget();
    if (target == nullptr) return;
    Canvas canvas(frame, target.get(), this);
    frame->drawInRect(canvas, toLogicalCovering(rect, frame->getScale()));
}

void X11FrameWindow::dispatchPress(const XButtonEvent& event) {
    const bool wheel = event.button == Button4 || event.button == Button5;
    if (!wheel && maskOfButton(event.button) == 0) return;
    std::unique_ptr<DrawingTarget> target = createDrawingTarget();
    press = Press{true, wheel ? 0u : event.button, event.state, Point{event.x_root, event.y_root}, false, false};
    pressWindow = this;
    handlingClick = true;
    {
        Canvas canvas(frame, target.get(), this);
        Point where{toLogical(event.x, frame->getScale()), toLogical(event.y, frame->getScale())};
        if (wheel) frame->onWheel(&canvas, where, event.button == Button4 ? 1.0f : -1.0f);
        else frame->onMouseDown(canvas, where);
    }
    handlingClick = false;
    pressWindow = nullptr;
    press = Press{};
}

bool X11FrameWindow::queryPointer(unsigned& mask, Point& root) {
    if (!windowAlive) return false;
    XErrorTrap trap(display);
    Window rootWindow = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    if (!XQueryPointer(display, window, &rootWindow, &child, &rootX, &rootY, &windowX, &windowY, &mask)) return false;
    root = Point{rootX, rootY};
    lastPointer = root;
    return true;
}

// During a press: as the press event says until a tracking pass went by, then released once the
// release is queued, else as the server says now. Otherwise as the server says now.
PhysicalInput X11FrameWindow::pointerInput() {
    if (press.active) {
        if (press.released) return inputFromState(press.state & ~(Button1Mask | Button2Mask | Button3Mask));
        if (!press.pumped) return inputFromState(press.state | maskOfButton(press.button));
        ReleaseMatch match{window, press.button};
        XEvent release;
        XErrorTrap trap(display);
        if (press.button != 0 && windowAlive &&
            XCheckIfEvent(display, &release, isReleaseOf, reinterpret_cast<XPointer>(&match))) {
            press.released = true;
            press.state = release.xbutton.state;
            press.root = Point{release.xbutton.x_root, release.xbutton.y_root};
            return inputFromState(press.state & ~(Button1Mask | Button2Mask | Button3Mask));
        }
    }
    unsigned mask = 0;
    Point root;
    return queryPointer(mask, root) ? inputFromState(mask) : PhysicalInput{};
}

Point X11FrameWindow::pointerScreenPosition() {
    if (press.active && (press.released || !press.pumped)) return press.root;
    unsigned mask = 0;
    Point root;
    return queryPointer(mask, root) ? root : lastPointer;
}

Point X11FrameWindow::screenOrigin() {
    if (!windowAlive) return {};
    XErrorTrap trap(display);
    int x = 0;
    int y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child)) return {};
    return Point{x, y};
}

X11FrameWindow* X11FrameWindow::pointerWindow() {
    if (pressWindow != nullptr) return pressWindow;
    return windows.empty() ? nullptr : windows.back();
}

std::vector<X11FrameWindow*> X11FrameWindow::liveWindows() { return windows; }

std::unique_ptr<FrameWindow> createFrameWindow(EditorFrame& frame, void* parentWindow) {
    if (parentWindow == nullptr) return nullptr;
    auto made = std::make_unique<X11FrameWindow>(frame, static_cast<Window>(reinterpret_cast<std::uintptr_t>(parentWindow)));
    if (!made->isValid()) return nullptr;
    return made;
}

}  // namespace qm
