#include "gui/controls/OverlayPanel.h"

#include "gui/EditorFrame.h"

namespace qm {

OverlayPanel::OverlayPanel(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background,
                           const Rect& overlayRect, Point overlayOrigin)
    : Control(size, listener, tag, background), overlayRect(overlayRect), overlayOrigin(overlayOrigin) {}

bool OverlayPanel::hitTest(Point where, std::int32_t buttons) {
    return where.isInside(size) && (buttons & ButtonPrimary) != 0;
}

void OverlayPanel::draw(Canvas& canvas) {
    if (getValue() != 0.0f && background != nullptr) drawPicture(canvas, *background, overlayRect, overlayOrigin);
    setNeedsRedraw(false);
}

void OverlayPanel::onMouseDown(Canvas& canvas, Point&) {
    if (!mouseEnabled) return;
    if ((canvas.queryMouseButtons() & ButtonPrimary) == 0) return;
    const bool opening = getValue() == 0.0f;
    setValue(opening ? 1.0f : 0.0f);
    bool changed = true;
    if (opening) {
        if (parent != nullptr && parent->setModalView(this)) {
            savedSize = size;
            size = overlayRect;
            draw(canvas);
        } else {
            changed = false;
        }
    } else {
        size = savedSize;
        if (parent != nullptr) {
            parent->setModalView(nullptr);
            parent->draw(canvas);
        }
    }
    if (changed && listener != nullptr) listener->onControlChanged(&canvas, this);
    setNeedsRedraw(true);
}

void OverlayPanel::closeOverlay() {
    setNeedsRedraw(true);
    size = savedSize;
    setValue(0.0f);
    if (parent != nullptr && parent->getModalView() == this) {
        parent->setModalView(nullptr);
        parent->redrawNow();
    }
}

}  // namespace qm
