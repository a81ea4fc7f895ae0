#pragma once
// Pieces for toolkit tests: scripted mouse and time, a frame window that draws into one picture
// in memory, pictures made from pixel rows, and pixel reading.

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "gui/Bitmap.h"
#include "gui/DrawingTarget.h"
#include "gui/ForwardingTarget.h"
#include "gui/FrameWindow.h"
#include "gui/PlatformInput.h"

namespace qm::test {

// Mouse and time that a test plays: each query of the buttons takes the next scripted state
// (the last one stays); cursor positions go with the states.
class ScriptedInput : public PlatformInput {
public:
    struct Step {
        PhysicalInput input;
        Point cursor;
    };
    ScriptedInput() { setPlatformInput(this); }
    ~ScriptedInput() override { setPlatformInput(nullptr); }

    void script(std::vector<Step> steps) {
        queue.assign(steps.begin(), steps.end());
        advance();
    }
    void hold(PhysicalInput input, Point cursor = {}) { script({{input, cursor}}); }

    PhysicalInput physicalInput() override {
        const PhysicalInput now = current.input;
        advance();
        return now;
    }
    Point cursorScreenPosition() override { return current.cursor; }
    Point windowScreenOrigin(void*) override { return windowOrigin; }
    std::uint32_t tickCountMs() override { return ticks; }
    void sleepMs(std::uint32_t milliseconds) override {
        slept += milliseconds;
        ticks += milliseconds;
    }
    void dispatchOnePaintMessage() override { ++paintsDispatched; }
    void beginObjectLinking() override { ++linking; }
    void endObjectLinking() override { --linking; }

    Point windowOrigin;
    int paintsDispatched = 0;
    int linking = 0;
    std::uint32_t ticks = 1000;
    std::uint32_t slept = 0;

private:
    void advance() {
        if (queue.empty()) return;
        current = queue.front();
        if (queue.size() > 1) queue.pop_front();
    }

    std::deque<Step> queue;
    Step current;
};

inline PhysicalInput primary(bool shift = false, bool control = false) {
    PhysicalInput input;
    input.leftButton = true;
    input.shift = shift;
    input.control = control;
    return input;
}

// A frame window whose device context is a picture in memory; counts the canvases made on it.
class MemoryWindow : public FrameWindow {
public:
    MemoryWindow(std::int32_t width, std::int32_t height) : picture(createMemoryTarget(width, height, nullptr)) {}
    std::unique_ptr<DrawingTarget> createDrawingTarget() override {
        ++targetsMade;
        return std::make_unique<ForwardingTarget>(*picture);
    }
    void* nativeHandle() override { return nullptr; }
    DrawingTarget& pixels() { return *picture; }

    int targetsMade = 0;

private:
    std::unique_ptr<DrawingTarget> picture;
};

// A bitmap of `width` x `height` in one colour, count 1.
inline Bitmap* solidBitmap(std::int32_t width, std::int32_t height, std::uint32_t rgb) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), rgb);
    return new Bitmap(NativeImage::fromPixels(width, height, pixels.data()));
}

// A bitmap whose pixel (x, y) is 0x00XXYY00 + `tint`: every pixel tells where it came from.
inline Bitmap* coordinateBitmap(std::int32_t width, std::int32_t height, std::uint32_t tint = 0) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            pixels[static_cast<std::size_t>(y * width + x)] = (static_cast<std::uint32_t>(x) << 16) |
                                                              (static_cast<std::uint32_t>(y) << 8) | tint;
        }
    }
    return new Bitmap(NativeImage::fromPixels(width, height, pixels.data()));
}

inline std::uint32_t rgbAt(const DrawingTarget& target, std::int32_t x, std::int32_t y) {
    const Color c = target.pixelAt(x, y);
    return (std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue;
}

}  // namespace qm::test
