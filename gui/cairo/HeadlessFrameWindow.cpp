// The native build has no windows: a frame's "window" is a picture in memory of the frame's size
// in device pixels, which its canvases draw into and tests read back.

#include <memory>

#include "gui/EditorFrame.h"
#include "gui/ForwardingTarget.h"
#include "gui/FrameWindow.h"

namespace qm {
namespace {

class HeadlessFrameWindow : public FrameWindow {
public:
    HeadlessFrameWindow(std::int32_t width, std::int32_t height) : picture(createMemoryTarget(width, height, nullptr)) {}
    std::unique_ptr<DrawingTarget> createDrawingTarget() override {
        if (picture == nullptr) return nullptr;
        return std::make_unique<ForwardingTarget>(*picture);
    }
    void* nativeHandle() override { return nullptr; }

private:
    std::unique_ptr<DrawingTarget> picture;
};

}  // namespace

// Without a screen, only QUELLMAR_SCALE sets the scale.
std::unique_ptr<FrameWindow> createFrameWindow(EditorFrame& frame, void* parentWindow) {
    if (parentWindow == nullptr) return nullptr;
    frame.setScale(scaleForDensity(0));
    const Rect size = frame.deviceSize();
    return std::make_unique<HeadlessFrameWindow>(size.width(), size.height());
}

ScalePercent expectedFrameScale() { return scaleForDensity(0); }

}  // namespace qm
