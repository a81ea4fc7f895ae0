#include "gui/OffscreenCanvas.h"

#include <algorithm>

#include "gui/EditorFrame.h"

namespace qm {

OffscreenCanvas::OffscreenCanvas(EditorFrame* frame, std::int32_t width, std::int32_t height, Color background)
    : Canvas(frame, nullptr, nullptr), height(height), width(width), backgroundColor(background) {
    clipRect = Rect{std::min(0, width), std::min(0, height), std::max(0, width), std::max(0, height)};
    if (width > 0 && height > 0) {
        std::unique_ptr<DrawingTarget> windowTarget = frame != nullptr ? frame->createWindowTarget() : nullptr;
        memory = createMemoryTarget(toDevice(width, scale), toDevice(height, scale), windowTarget.get());
    }
    setTarget(memory.get());
    setBrushColor(background);
    setPenColor(background);
    paintRect(Rect{0, 0, width, height});
    strokeRect(Rect{0, 0, width, height});
}

OffscreenCanvas::~OffscreenCanvas() {
    setTarget(nullptr);
    if (ownsBitmap) memory.reset();
}

}  // namespace qm
