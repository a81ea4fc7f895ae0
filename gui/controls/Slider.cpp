#include "gui/controls/Slider.h"

#include <algorithm>

#include "gui/EditorFrame.h"

namespace qm {

Slider::Slider(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t startPos,
               std::int32_t endPos, Bitmap* handle, Bitmap* background, Point backgroundOrigin, std::int32_t style)
    : Control(size, listener, tag, background),
      backgroundOrigin(backgroundOrigin),
      handle(handle),
      style(style),
      controlWidth(size.right - size.left),
      controlHeight(size.bottom - size.top) {
    if (handle != nullptr) {
        handle->retain();
        handleWidth = handle->getWidth();
        handleHeight = handle->getHeight();
    }
    startOffset = isHorizontal() ? startPos - size.left : startPos - size.top;
    travel = endPos - startPos;
    setHandleOffset(Point{0, 0});
}

Slider::~Slider() {
    if (handle != nullptr) handle->release();
}

void Slider::setHandleOffset(Point offset) {
    handleOffset = offset;
    if (isHorizontal()) {
        minLimit = startOffset + handleOffset.h;
        maxLimit = minLimit + travel + handleWidth;
    } else {
        minLimit = startOffset + handleOffset.v;
        maxLimit = minLimit + travel + handleHeight;
    }
}

void Slider::setHandle(Bitmap* bitmap) {
    if (bitmap != nullptr) bitmap->retain();
    if (handle != nullptr) handle->release();
    handle = bitmap;
    if (handle != nullptr) {
        handleWidth = handle->getWidth();
        handleHeight = handle->getHeight();
    }
}

Bitmap* Slider::getHandle() { return handle; }
void Slider::setTransparentHandle(bool state) { transparentHandle = state; }
void Slider::setGrabAnywhere(bool state) { grabAnywhere = state; }
bool Slider::getGrabAnywhere() { return grabAnywhere; }
void Slider::setFineFactor(float factor) { fineFactor = factor; }
float Slider::getFineFactor() { return fineFactor; }

bool Slider::onAttached(EditorFrame* frame) {
    offscreen = std::make_unique<OffscreenCanvas>(frame, controlWidth, controlHeight, ColorBlack);
    return true;
}

bool Slider::onDetached(EditorFrame*) {
    offscreen.reset();
    return true;
}

// Hosts send any value: one outside 0..1 is drawn at the nearer end, one that is not a number at
// the start, so that the handle's pixel position is always a number the travel can hold.
float Slider::drawnPosition() {
    const float current = getValue();
    const float along = (style & (SliderOriginLeft | SliderOriginTop)) != 0 ? current : 1.0f - current;
    if (!(along >= 0.0f)) return 0.0f;
    return along > 1.0f ? 1.0f : along;
}

Rect Slider::handleRect() {
    const std::int32_t p = static_cast<std::int32_t>(static_cast<float>(travel) * drawnPosition());
    Rect h;
    if (isHorizontal()) {
        h.top = handleOffset.v;
        h.bottom = handleOffset.v + handleHeight;
        h.left = std::max(p + handleOffset.h, minLimit);
        h.right = std::min(h.left + handleWidth, maxLimit);
    } else {
        h.left = handleOffset.h;
        h.right = handleOffset.h + handleWidth;
        h.top = std::max(p + handleOffset.v, minLimit);
        h.bottom = std::min(h.top + handleHeight, maxLimit);
    }
    return h;
}

void Slider::draw(Canvas& canvas) {
    if (offscreen != nullptr) {
        if (background != nullptr) {
            drawPicture(*offscreen, *background, Rect{0, 0, controlWidth, controlHeight}, backgroundOrigin);
        }
        if (handle != nullptr) {
            if (transparentHandle) handle->drawTransparent(*offscreen, handleRect(), Point{0, 0});
            else handle->draw(*offscreen, handleRect(), Point{0, 0});
        }
        offscreen->blitTo(canvas, size, Point{0, 0});
    }
    setNeedsRedraw(false);
}

float Slider::valueAt(Point where, std::int32_t grab) const {
    // A slider without travel has only one position: everything maps to 0.
    if (travel == 0) return 0.0f;
    const std::int32_t along = isHorizontal() ? where.h : where.v;
    float result = static_cast<float>(along - grab) / static_cast<float>(travel);
    if ((style & (SliderOriginRight | SliderOriginBottom)) != 0) result = 1.0f - result;
    return result;
}

void Slider::onMouseDown(Canvas& canvas, Point& where) {
    if (!mouseEnabled) return;
    std::int32_t buttons = canvas.queryMouseButtons();
    if (buttons == (ButtonPrimary | KeyControl)) {
        setValue(getDefaultValue());
        if (needsRedraw() && listener != nullptr) listener->onControlChanged(&canvas, this);
        return;
    }
    if ((buttons & ButtonPrimary) == 0) return;

    const std::int32_t base = isHorizontal() ? size.left + handleOffset.h : size.top + handleOffset.v;
    std::int32_t grab;
    if (!grabAnywhere) {
        const std::int32_t handlePos =
            static_cast<std::int32_t>(static_cast<float>(travel) * drawnPosition()) + base;
        const Rect onHandle = isHorizontal()
                                  ? Rect{handlePos, size.top + handleOffset.v, handlePos + handleWidth,
                                         size.top + handleOffset.v + handleHeight}
                                  : Rect{size.left + handleOffset.h, handlePos, size.left + handleOffset.h + handleWidth,
                                         handlePos + handleHeight};
        if (!where.isInside(onHandle)) return;
        grab = base + ((isHorizontal() ? where.h : where.v) - handlePos);
    } else {
        grab = base + (isHorizontal() ? handleWidth : handleHeight) / 2 - 1;
    }

    float anchor = getValue();
    std::int32_t lastButtons = buttons;
    if (parent != nullptr) {
        parent->beginEdit(tag);
        parent->setFocusView(this);
    }
    while (((buttons = canvas.queryMouseButtons()) & ButtonPrimary) != 0) {
        if (buttons != lastButtons && (buttons & KeyShift) != 0) {
            anchor = getValue();
            lastButtons = buttons;
        } else if ((buttons & KeyShift) == 0) {
            anchor = getValue();
        }
        float moved = valueAt(where, grab);
        if ((buttons & KeyShift) != 0) moved = anchor + (moved - anchor) / fineFactor;
        setValue(moved);
        clampValue();
        if (needsRedraw() && listener != nullptr) listener->onControlChanged(&canvas, this);
        canvas.queryMouseLocation(where);
        pumpIdle();
    }
    if (parent != nullptr) parent->endEdit(tag);
}

bool Slider::onWheel(Canvas* canvas, Point, float distance) {
    if (!mouseEnabled) return false;
    float step = distance * wheelStep;
    if (canvas != nullptr && (canvas->queryMouseButtons() & KeyShift) != 0) step *= 0.1f;
    setValue(getValue() + step);
    clampValue();
    if (needsRedraw() && listener != nullptr) listener->onControlChanged(canvas, this);
    return true;
}

std::int32_t Slider::onKeyDown(KeyCode& key) {
    if (key.virt < VKEY_LEFT || key.virt > VKEY_DOWN) return -1;
    const float direction = key.virt == VKEY_LEFT || key.virt == VKEY_DOWN ? -1.0f : 1.0f;
    float step = direction * wheelStep;
    if ((key.modifier & MODIFIER_SHIFT) != 0) step *= 0.1f;
    setValue(getValue() + step);
    clampValue();
    if (needsRedraw() && listener != nullptr) listener->onControlChanged(nullptr, this);
    return 1;
}

}  // namespace qm
