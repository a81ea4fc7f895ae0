#include "editor/DuckerEditor.h"

#include "editor/EditorLayout.h"
#include "engine/ControlTable.h"
#include "engine/Parameters.h"

namespace qm {
namespace {

constexpr Color kReadoutText{29, 146, 255, 0};
constexpr Color kReadoutBox{66, 66, 66, 0};

ValueDisplay* makeReadout(std::int32_t row) {
    auto* display = new ValueDisplay(layout::readoutRect(row), nullptr, 1);
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
    : ToolkitEditor(controller), backgroundBitmap(new Bitmap(layout::kBackgroundPicture)) {
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
    Bitmap* track = new Bitmap(layout::kSliderTrackPicture);
    Bitmap* handle = new Bitmap(layout::kSliderHandlePicture);
    Bitmap* bypassPicture = new Bitmap(layout::kBypassPicture);
    Bitmap* duckKeyPicture = new Bitmap(layout::kDuckKeyPicture);
    Bitmap* inputPictures[4];
    for (int i = 0; i < 4; ++i) inputPictures[i] = new Bitmap(layout::kInputPictures[i]);
    Bitmap* strip = new Bitmap(layout::kSlotDigitsPicture);
    Bitmap* helpPicture = new Bitmap(layout::kHelpPicture);
    Bitmap* meterLit = new Bitmap(layout::kMeterLitPicture);
    Bitmap* meterUnlit = new Bitmap(layout::kMeterUnlitPicture);

    frame = new EditorFrame(layout::kEditor, parent, this);
    size = deviceRect(backgroundBitmap->getWidth(), backgroundBitmap->getHeight(), frame->getScale());
    frame->setBackground(backgroundBitmap);
    auto p = [this](std::int32_t index) { return valueOf(index); };

    helpOverlay = new OverlayPanel(layout::kHelpMark, this, 11, helpPicture,
                                   Rect{0, 0, helpPicture->getWidth(), helpPicture->getHeight()}, Point{0, 0});
    frame->addView(helpOverlay);

    const std::int32_t digitWidth = strip->getWidth();
    const std::int32_t digitHeight = strip->getHeight() / 10;
    std::int32_t xs[DigitDisplay::kMaxDigits];
    std::int32_t ys[DigitDisplay::kMaxDigits];
    for (std::int32_t i = 0; i < DigitDisplay::kMaxDigits; ++i) {
        xs[i] = layout::kSlotDigit.left;
        ys[i] = layout::kSlotDigit.top + layout::kSlotDigitPlaceStep * i;
    }
    slotDigit = new DigitDisplay(layout::kSlotDigit, this, 0, 0,
                                 DigitDisplay::kMaxDigits, xs, ys, digitWidth, digitHeight, strip);
    slotDigit->setValue(p(ParamOwnSlot) * 1000000.0f);
    frame->addView(slotDigit);

    HorizontalSlider** sliders[3] = {&attackSlider, &releaseSlider, &thresholdSlider};
    const std::int32_t sliderTags[3] = {ParamAttack, ParamRelease, ParamThreshold};
    for (int i = 0; i < layout::kSliderRowCount; ++i) {
        auto* slider = new HorizontalSlider(layout::sliderRect(i), this, sliderTags[i], layout::kSliderHandleMin,
                                            layout::kSliderHandleMax, handle, track, Point{0, 0}, SliderOriginLeft);
        slider->setHandleOffset(layout::kSliderHandleOffset);
        slider->setValue(p(sliderTags[i]));
        frame->addView(slider);
        *sliders[i] = slider;
    }

    attackDisplay = makeReadout(0);
    attackDisplay->setValue(controlValueFor(ControlAttack, p(ParamAttack)));
    frame->addView(attackDisplay);
    releaseDisplay = makeReadout(1);
    releaseDisplay->setValue(controlValueFor(ControlRelease, p(ParamRelease)));
    frame->addView(releaseDisplay);
    thresholdDisplay = makeReadout(2);
    thresholdDisplay->setValue(controlValueFor(ControlThreshold, p(ParamThreshold)));
    frame->addView(thresholdDisplay);

    auto toggle = [&](const Rect& place, Bitmap* picture, std::int32_t tag) {
        auto* button = new ToggleButton(place, this, tag, picture);
        button->setValue(p(tag));
        frame->addView(button);
        return button;
    };
    bypassButton = toggle(layout::kBypassSwitch, bypassPicture, ParamBypass);
    alphaButton = toggle(layout::kInputSwitches[0], inputPictures[0], ParamInputAlpha);
    betaButton = toggle(layout::kInputSwitches[1], inputPictures[1], ParamInputBeta);
    gammaButton = toggle(layout::kInputSwitches[2], inputPictures[2], ParamInputGamma);
    deltaButton = toggle(layout::kInputSwitches[3], inputPictures[3], ParamInputDelta);
    duckKeyButton = toggle(layout::kDuckKeySwitch, duckKeyPicture, ParamDuckKey);

    strengthMeter = new LevelMeter(layout::kMeter, meterLit, meterUnlit, 400, 1);
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
