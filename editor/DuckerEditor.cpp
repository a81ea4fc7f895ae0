#include "editor/DuckerEditor.h"

#include "engine/ControlTable.h"
#include "engine/Parameters.h"

namespace qm {
namespace {

constexpr Color kReadoutText{29, 146, 255, 0};
constexpr Color kReadoutBox{66, 66, 66, 0};
constexpr std::int32_t kSliderRows[3] = {145, 167, 189};

ValueDisplay* makeReadout(std::int32_t top) {
    auto* display = new ValueDisplay(Rect{94, top, 137, top + 14}, nullptr, 1);
    display->setFont(FontSmall);
    display->setFontColor(kReadoutText);
    display->setBackColor(kReadoutBox);
    display->setFrameColor(kReadoutBox);
    return display;
}

}  // namespace

namespace {

Rect deviceRect(std::int32_t width, std::int32_t height, ScalePercent scale) {
    return Rect{0, 0, toDevice(width, scale), toDevice(height, scale)};
}

}  // namespace

DuckerEditor::DuckerEditor(EditorController* controller)
    : ToolkitEditor(controller), backgroundBitmap(new Bitmap(128)) {
    size = deviceRect(backgroundBitmap->getWidth(), backgroundBitmap->getHeight(), kScale1x);
}

Rect DuckerEditor::deviceSize() {
    // Closed: the size that an open now would have; open: the open editor's.
    if (frame == nullptr) {
        size = deviceRect(backgroundBitmap->getWidth(), backgroundBitmap->getHeight(), expectedFrameScale());
    }
    return size;
}

float DuckerEditor::valueOf(std::int32_t index) {
    EditorController* source = controller();
    if (source == nullptr) return 0.0f;
    if (index == ParamOwnSlot) return source->slot();
    if (index == ParamMeter) return source->meter();
    return source->parameter(index);
}

DuckerEditor::~DuckerEditor() {
    if (isEditorOpen() || frame != nullptr) close();
    backgroundBitmap->release();
    backgroundBitmap = nullptr;
}

ToggleButton* DuckerEditor::inputButtonControl(std::int32_t slot) const {
    ToggleButton* const buttons[4] = {alphaButton, betaButton, gammaButton, deltaButton};
    return slot >= 0 && slot < 4 ? buttons[slot] : nullptr;
}

bool DuckerEditor::open(void* parent) {
    if (frame != nullptr) close();
    ToolkitEditor::open(parent);
    Bitmap* track = new Bitmap(129);
    Bitmap* handle = new Bitmap(130);
    Bitmap* bypassPicture = new Bitmap(201);
    Bitmap* duckKeyPicture = new Bitmap(202);
    Bitmap* inputPictures[4] = {new Bitmap(203), new Bitmap(204), new Bitmap(205), new Bitmap(206)};
    Bitmap* strip = new Bitmap(207);
    Bitmap* helpPicture = new Bitmap(131);
    Bitmap* meterLit = new Bitmap(132);
    Bitmap* meterUnlit = new Bitmap(133);

    frame = new EditorFrame(Rect{0, 0, 317, 260}, parent, this);
    size = deviceRect(backgroundBitmap->getWidth(), backgroundBitmap->getHeight(), frame->getScale());
    frame->setBackground(backgroundBitmap);
    auto p = [this](std::int32_t index) { return valueOf(index); };

    helpOverlay = new OverlayPanel(Rect{237, 24, 248, 37}, this, 11, helpPicture,
                                   Rect{0, 0, helpPicture->getWidth(), helpPicture->getHeight()}, Point{0, 0});
    frame->addView(helpOverlay);

    const std::int32_t digitWidth = strip->getWidth();
    const std::int32_t digitHeight = strip->getHeight() / 10;
    std::int32_t xs[DigitDisplay::kMaxDigits];
    std::int32_t ys[DigitDisplay::kMaxDigits];
    for (std::int32_t i = 0; i < DigitDisplay::kMaxDigits; ++i) {
        xs[i] = 172;
        ys[i] = 41 + 460 * i;
    }
    slotDigit = new DigitDisplay(Rect{172, 41, 172 + strip->getWidth(), 41 + strip->getHeight() / 7}, this, 0, 0,
                                 DigitDisplay::kMaxDigits, xs, ys, digitWidth, digitHeight, strip);
    slotDigit->setValue(p(ParamOwnSlot) * 1000000.0f);
    frame->addView(slotDigit);

    HorizontalSlider** sliders[3] = {&attackSlider, &releaseSlider, &thresholdSlider};
    const std::int32_t sliderTags[3] = {ParamAttack, ParamRelease, ParamThreshold};
    for (int i = 0; i < 3; ++i) {
        const std::int32_t top = kSliderRows[i];
        auto* slider = new HorizontalSlider(Rect{140, top, 140 + track->getWidth(), top + track->getHeight()}, this,
                                            sliderTags[i], 140, 139 + track->getWidth() - handle->getWidth(), handle,
                                            track, Point{0, 0}, SliderOriginLeft);
        slider->setHandleOffset(Point{1, 0});
        slider->setValue(p(sliderTags[i]));
        frame->addView(slider);
        *sliders[i] = slider;
    }

    attackDisplay = makeReadout(kSliderRows[0]);
    attackDisplay->setValue(controlValueFor(ControlAttack, p(ParamAttack)));
    frame->addView(attackDisplay);
    releaseDisplay = makeReadout(kSliderRows[1]);
    releaseDisplay->setValue(controlValueFor(ControlRelease, p(ParamRelease)));
    frame->addView(releaseDisplay);
    thresholdDisplay = makeReadout(kSliderRows[2]);
    thresholdDisplay->setValue(controlValueFor(ControlThreshold, p(ParamThreshold)));
    frame->addView(thresholdDisplay);

    auto toggle = [&](std::int32_t left, std::int32_t top, Bitmap* picture, std::int32_t tag) {
        auto* button = new ToggleButton(
            Rect{left, top, left + picture->getWidth(), top + picture->getHeight() / 2}, this, tag, picture);
        button->setValue(p(tag));
        frame->addView(button);
        return button;
    };
    bypassButton = toggle(237, 54, bypassPicture, ParamBypass);
    alphaButton = toggle(23, 110, inputPictures[0], ParamInputAlpha);
    betaButton = toggle(55, 110, inputPictures[1], ParamInputBeta);
    gammaButton = toggle(87, 110, inputPictures[2], ParamInputGamma);
    deltaButton = toggle(118, 110, inputPictures[3], ParamInputDelta);
    duckKeyButton = toggle(167, 110, duckKeyPicture, ParamDuckKey);

    strengthMeter = new LevelMeter(Rect{20, 224, 20 + meterLit->getWidth(), 224 + meterLit->getHeight()}, meterLit,
                                   meterUnlit, 400, 1);
    strengthMeter->setDecay(0.1f);
    frame->addView(strengthMeter);

    for (Bitmap* picture : {track, handle, bypassPicture, duckKeyPicture, inputPictures[0], inputPictures[1],
                            inputPictures[2], inputPictures[3], strip, helpPicture, meterLit, meterUnlit}) {
        picture->release();
    }
    pendingParameters.store(0, std::memory_order_relaxed);
    isOpen.store(true, std::memory_order_release);
    return true;
}

void DuckerEditor::close() {
    isOpen.store(false, std::memory_order_release);
    retireFrame();
    forgetControls();
}

void DuckerEditor::forgetControls() {
    attackSlider = releaseSlider = thresholdSlider = nullptr;
    attackDisplay = releaseDisplay = thresholdDisplay = nullptr;
    bypassButton = alphaButton = betaButton = gammaButton = deltaButton = duckKeyButton = nullptr;
    strengthMeter = nullptr;
    slotDigit = nullptr;
    helpOverlay = nullptr;
}

void DuckerEditor::parameterChanged(std::int32_t index) {
    if (!isOpen.load(std::memory_order_acquire)) return;
    if (index >= 0 && index < kParameterCount) {
        pendingParameters.fetch_or(1u << index, std::memory_order_acq_rel);
    }
    postUpdate();
}

void DuckerEditor::idle() {
    if (inHostIdle) return;
    if (isEditorOpen()) {
        std::uint32_t pending = pendingParameters.exchange(0, std::memory_order_acq_rel);
        for (std::int32_t index = 0; pending != 0; ++index, pending >>= 1) {
            if ((pending & 1u) != 0) applyParameter(index);
        }
    }
    ToolkitEditor::idle();
}

void DuckerEditor::applyParameter(std::int32_t index) {
    const float p = valueOf(index);
    switch (index) {
    case ParamOwnSlot:
        if (!slotShown && slotDigit != nullptr) {
            slotDigit->setValue(p * 1000000.0f);
            slotShown = true;
        }
        break;
    case ParamBypass:
    case ParamInputAlpha:
    case ParamInputBeta:
    case ParamInputGamma:
    case ParamInputDelta:
    case ParamDuckKey: {
        ToggleButton* button = index == ParamBypass    ? bypassButton
                               : index == ParamDuckKey ? duckKeyButton
                                                       : inputButtonControl(index - ParamInputAlpha);
        if (button != nullptr) button->setValue(p);
        break;
    }
    case ParamAttack:
        if (attackSlider != nullptr) attackSlider->setValue(p);
        if (attackDisplay != nullptr) attackDisplay->setValue(controlValueFor(ControlAttack, p));
        break;
    case ParamRelease:
        if (releaseSlider != nullptr) releaseSlider->setValue(p);
        if (releaseDisplay != nullptr) releaseDisplay->setValue(controlValueFor(ControlRelease, p));
        break;
    case ParamThreshold:
        if (thresholdSlider != nullptr) thresholdSlider->setValue(p);
        if (thresholdDisplay != nullptr) thresholdDisplay->setValue(controlValueFor(ControlThreshold, p));
        break;
    case ParamMeter:
        if (strengthMeter != nullptr) strengthMeter->setValue(p);
        break;
    default:
        break;
    }
}

void DuckerEditor::onControlChanged(Canvas* canvas, Control* control) {
    const std::int32_t tag = control->tag;
    if (tag < ParamBypass || tag > ParamThreshold) return;
    // A control still tracking a drag after the editor or the instance closed changes nothing.
    if (!isEditorOpen() || controller() == nullptr) return;
    controller()->setFromEditor(tag, control->getValue());
    if (canvas != nullptr) control->update(*canvas);
}

}  // namespace qm
