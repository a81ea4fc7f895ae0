#include "editor/DuckerEditor.h"

#include "editor/EditorLayout.h"
#include "engine/ControlTable.h"

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

float DuckerEditor::positionOf(ControlId id) {
    EditorController* source = controller();
    return source != nullptr ? parameterValueForExtended(id, source->value(id)) : 0.0f;
}

float DuckerEditor::slotDigitValue() {
    EditorController* source = controller();
    const std::int32_t slot = source != nullptr ? source->slot() : 0;
    // The strip shows the slot's digit in its first place.
    return static_cast<float>(slot >= 0 ? slot : layout::kNoSlotDigit) * 1000000.0f;
}

float DuckerEditor::meterValue() {
    EditorController* source = controller();
    return source != nullptr ? source->meter() : 0.0f;
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
    auto p = [this](ControlId id) { return positionOf(id); };

    // The help mark shows no control of the instance.
    helpOverlay = new OverlayPanel(layout::kHelpMark, this, -1, helpPicture,
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
    slotDigit->setValue(slotDigitValue());
    frame->addView(slotDigit);

    HorizontalSlider** sliders[3] = {&attackSlider, &releaseSlider, &thresholdSlider};
    for (int i = 0; i < layout::kSliderRowCount; ++i) {
        auto* slider = new HorizontalSlider(layout::sliderRect(i), this, layout::kSliderControls[i],
                                            layout::kSliderHandleMin, layout::kSliderHandleMax, handle, track,
                                            Point{0, 0}, SliderOriginLeft);
        slider->setHandleOffset(layout::kSliderHandleOffset);
        slider->setValue(p(layout::kSliderControls[i]));
        frame->addView(slider);
        *sliders[i] = slider;
    }

    attackDisplay = makeReadout(0);
    attackDisplay->setValue(controlValueFor(ControlAttack, p(ControlAttack)));
    frame->addView(attackDisplay);
    releaseDisplay = makeReadout(1);
    releaseDisplay->setValue(controlValueFor(ControlRelease, p(ControlRelease)));
    frame->addView(releaseDisplay);
    thresholdDisplay = makeReadout(2);
    thresholdDisplay->setValue(controlValueFor(ControlThreshold, p(ControlThreshold)));
    frame->addView(thresholdDisplay);

    auto toggle = [&](const Rect& place, Bitmap* picture, ControlId tag) {
        auto* button = new ToggleButton(place, this, tag, picture);
        button->setValue(p(tag));
        frame->addView(button);
        return button;
    };
    // The bypass switch shows the stored bypass (lit: bypassed), the host's enabled inverted.
    bypassButton = toggle(layout::kBypassSwitch, bypassPicture, ControlEnabled);
    alphaButton = toggle(layout::kInputSwitches[0], inputPictures[0], ControlInputAlpha);
    betaButton = toggle(layout::kInputSwitches[1], inputPictures[1], ControlInputBeta);
    gammaButton = toggle(layout::kInputSwitches[2], inputPictures[2], ControlInputGamma);
    deltaButton = toggle(layout::kInputSwitches[3], inputPictures[3], ControlInputDelta);
    duckKeyButton = toggle(layout::kDuckKeySwitch, duckKeyPicture, ControlDuckKey);

    strengthMeter = new LevelMeter(layout::kMeter, meterLit, meterUnlit, 400, 1);
    strengthMeter->setDecay(0.1f);
    frame->addView(strengthMeter);

    for (Bitmap* picture : {track, handle, bypassPicture, duckKeyPicture, inputPictures[0], inputPictures[1],
                            inputPictures[2], inputPictures[3], strip, helpPicture, meterLit, meterUnlit}) {
        picture->release();
    }
    pendingChanges.store(0, std::memory_order_relaxed);
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

void DuckerEditor::controlChanged(ControlId id) {
    // Range, hold and look-ahead have no place in the editor.
    if (id >= ControlEnabled && id <= ControlThreshold) noteChange(id);
}

void DuckerEditor::slotChanged() { noteChange(kSlotBit); }

void DuckerEditor::meterChanged() { noteChange(kMeterBit); }

void DuckerEditor::noteChange(std::int32_t bit) {
    if (!isOpen.load(std::memory_order_acquire)) return;
    pendingChanges.fetch_or(1u << bit, std::memory_order_acq_rel);
    postUpdate();
}

void DuckerEditor::idle() {
    if (inHostIdle) return;
    if (isEditorOpen()) {
        std::uint32_t pending = pendingChanges.exchange(0, std::memory_order_acq_rel);
        for (std::int32_t bit = 0; pending != 0; ++bit, pending >>= 1) {
            if ((pending & 1u) != 0) applyChange(bit);
        }
    }
    ToolkitEditor::idle();
}

void DuckerEditor::applyChange(std::int32_t bit) {
    if (bit == kSlotBit) {
        if (!slotShown && slotDigit != nullptr) {
            slotDigit->setValue(slotDigitValue());
            slotShown = true;
        }
        return;
    }
    if (bit == kMeterBit) {
        if (strengthMeter != nullptr) strengthMeter->setValue(meterValue());
        return;
    }
    const auto id = static_cast<ControlId>(bit);
    const float p = positionOf(id);
    switch (id) {
    case ControlEnabled:
    case ControlInputAlpha:
    case ControlInputBeta:
    case ControlInputGamma:
    case ControlInputDelta:
    case ControlDuckKey: {
        ToggleButton* button = id == ControlEnabled    ? bypassButton
                               : id == ControlDuckKey ? duckKeyButton
                                                      : inputButtonControl(id - ControlInputAlpha);
        if (button != nullptr) button->setValue(p);
        break;
    }
    case ControlAttack:
        if (attackSlider != nullptr) attackSlider->setValue(p);
        if (attackDisplay != nullptr) attackDisplay->setValue(controlValueFor(ControlAttack, p));
        break;
    case ControlRelease:
        if (releaseSlider != nullptr) releaseSlider->setValue(p);
        if (releaseDisplay != nullptr) releaseDisplay->setValue(controlValueFor(ControlRelease, p));
        break;
    case ControlThreshold:
        if (thresholdSlider != nullptr) thresholdSlider->setValue(p);
        if (thresholdDisplay != nullptr) thresholdDisplay->setValue(controlValueFor(ControlThreshold, p));
        break;
    default:
        break;
    }
}

void DuckerEditor::onControlChanged(Canvas* canvas, Control* control) {
    const std::int32_t tag = control->tag;
    if (tag < ControlEnabled || tag > ControlThreshold) return;
    // A control still tracking a drag after the editor or the instance closed changes nothing.
    if (!isEditorOpen() || controller() == nullptr) return;
    const auto id = static_cast<ControlId>(tag);
    controller()->setFromEditor(id, extendedControlValueFor(id, control->getValue()));
    if (canvas != nullptr) control->update(*canvas);
}

}  // namespace qm
