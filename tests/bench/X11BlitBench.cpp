// What it costs to show the editor's picture (a cairo image surface of 317 x 260) in an X11
// window, the whole picture and a slider's strip of 160 x 17, each until the server has it
// (XSync): XPutImage from the surface's memory, a cairo surface on the window (what the editor
// uses), and XShmPutImage through shared memory. Run under Xvfb; figures are reported only.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <benchmark/benchmark.h>
#include <cairo-xlib.h>
#include <cairo.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr int kWidth = 317;
constexpr int kHeight = 260;

struct Rectangle {
    int x;
    int y;
    int width;
    int height;
};

Rectangle area(const benchmark::State& state) {
    return state.range(0) == 0 ? Rectangle{0, 0, kWidth, kHeight} : Rectangle{140, 145, 160, 17};
}

// A mapped window and a picture with something in every pixel.
struct Scene {
    Scene() {
        // Xvfb turns a connection away now and then (EAGAIN) right after another closed.
        for (int attempt = 0; attempt < 50 && display == nullptr; ++attempt) {
            display = XOpenDisplay(nullptr);
            if (display == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (display == nullptr) return;
        const int screen = DefaultScreen(display);
        visual = DefaultVisual(display, screen);
        window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, kWidth, kHeight, 0, 0, 0);
        XMapWindow(display, window);
        gc = XCreateGC(display, window, 0, nullptr);
        picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
        unsigned char* data = cairo_image_surface_get_data(picture);
        for (int i = 0; i < kWidth * kHeight * 4; ++i) data[i] = static_cast<unsigned char>(i * 7);
        cairo_surface_mark_dirty(picture);
        XSync(display, False);
    }
    ~Scene() {
        if (display == nullptr) return;
        cairo_surface_destroy(picture);
        XFreeGC(display, gc);
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
    Display* display = nullptr;
    Visual* visual = nullptr;
    Window window = 0;
    GC gc = nullptr;
    cairo_surface_t* picture = nullptr;
};

void XPutImageFromMemory(benchmark::State& state) {
    Scene scene;
    if (scene.display == nullptr) return state.SkipWithError("no display");
    XImage* image = XCreateImage(scene.display, scene.visual, 24, ZPixmap, 0,
                                 reinterpret_cast<char*>(cairo_image_surface_get_data(scene.picture)), kWidth, kHeight,
                                 32, cairo_image_surface_get_stride(scene.picture));
    const Rectangle r = area(state);
    for (auto _ : state) {
        XPutImage(scene.display, scene.window, scene.gc, image, r.x, r.y, r.x, r.y, r.width, r.height);
        XSync(scene.display, False);
    }
    image->data = nullptr;  // the surface's memory
    XDestroyImage(image);
}
BENCHMARK(XPutImageFromMemory)->Arg(0)->Arg(1);

void CairoSurfaceOnTheWindow(benchmark::State& state) {
    Scene scene;
    if (scene.display == nullptr) return state.SkipWithError("no display");
    cairo_surface_t* windowSurface = cairo_xlib_surface_create(scene.display, scene.window, scene.visual, kWidth, kHeight);
    const Rectangle r = area(state);
    for (auto _ : state) {
        cairo_surface_mark_dirty_rectangle(scene.picture, r.x, r.y, r.width, r.height);
        cairo_t* cr = cairo_create(windowSurface);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, scene.picture, 0, 0);
        cairo_rectangle(cr, r.x, r.y, r.width, r.height);
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_flush(windowSurface);
        XSync(scene.display, False);
    }
    cairo_surface_destroy(windowSurface);
}
BENCHMARK(CairoSurfaceOnTheWindow)->Arg(0)->Arg(1);

void XShmPutImageThroughSharedMemory(benchmark::State& state) {
    Scene scene;
    if (scene.display == nullptr || !XShmQueryExtension(scene.display)) return state.SkipWithError("no MIT-SHM");
    XShmSegmentInfo segment{};
    XImage* image = XShmCreateImage(scene.display, scene.visual, 24, ZPixmap, nullptr, &segment, kWidth, kHeight);
    segment.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line * image->height), IPC_CREAT | 0600);
    segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
    segment.readOnly = False;
    XShmAttach(scene.display, &segment);
    XSync(scene.display, False);
    shmctl(segment.shmid, IPC_RMID, nullptr);
    const Rectangle r = area(state);
    const unsigned char* source = cairo_image_surface_get_data(scene.picture);
    const int stride = cairo_image_surface_get_stride(scene.picture);
    for (auto _ : state) {
        for (int row = r.y; row < r.y + r.height; ++row) {
            std::memcpy(image->data + row * image->bytes_per_line + r.x * 4, source + row * stride + r.x * 4,
                        static_cast<size_t>(r.width) * 4);
        }
        XShmPutImage(scene.display, scene.window, scene.gc, image, r.x, r.y, r.x, r.y, static_cast<unsigned>(r.width),
                     static_cast<unsigned>(r.height), False);
        XSync(scene.display, False);
    }
    XShmDetach(scene.display, &segment);
    XSync(scene.display, False);
    shmdt(segment.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
}
BENCHMARK(XShmPutImageThroughSharedMemory)->Arg(0)->Arg(1);

// The round trip that every variant ends with.
void XSyncAlone(benchmark::State& state) {
    Scene scene;
    if (scene.display == nullptr) return state.SkipWithError("no display");
    for (auto _ : state) XSync(scene.display, False);
}
BENCHMARK(XSyncAlone);

}  // namespace

BENCHMARK_MAIN();
