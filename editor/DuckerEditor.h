#pragma once
// The plug-in's editor: a window (its size and places in editor/EditorLayout.h, at 1x; 1.5x and 2x
// on denser screens) of bitmaps showing the instance's slot, the bypass, input and duck/key
// toggles, three sliders with readouts, the effect-strength meter and a help panel. Controls and
// parameters keep each other up to date: a control the user moves sets its parameter through the
// host's automation; a parameter set from anywhere (the host, the
// audio thread) is handed over through atomics and reaches its controls at the next idle pass on
// the UI thread, so no other thread ever touches a control.

#include <atomic>
#include <cstdint>

#include "editor/EditorController.h"
#include "editor/ToolkitEditor.h"
#include "gui/controls/DigitDisplay.h"
#include "gui/controls/LevelMeter.h"
#include "gui/controls/OverlayPanel.h"
#include "gui/controls/Slider.h"
#include "gui/controls/ToggleButton.h"
#include "gui/controls/ValueDisplay.h"

namespace qm {

class DuckerEditor : public ToolkitEditor, public ControlListener {
public:
    // An editor for the instance behind `controller`.
    explicit DuckerEditor(EditorController* controller);
    // Closes the editor first when the instance is destroyed with the editor still open.
    ~DuckerEditor() override;

    // The editor's size in device pixels (left and top 0): the open editor's, else the size the
    // next open would have.
    Rect deviceSize();
    // Builds the frame in the host's `parent` window with every control set from the parameters, at
    // the scale of the parent's screen; true when it did (a frame without a native window when the
    // parent cannot take one).
    bool open(void* parent) override;
    void close() override;
    // Shows the parameter changes handed over since the last pass, then draws what changed.
    void idle() override;
    // Control `id`, the slot or the meter changed, on any thread: noted for the next idle pass
    // while the editor is open.
    void controlChanged(ControlId id);
    void slotChanged();
    void meterChanged();
    void onControlChanged(Canvas* canvas, Control* control) override;

    bool isEditorOpen() const { return isOpen.load(std::memory_order_acquire); }
    HorizontalSlider* attackSliderControl() const { return attackSlider; }
    HorizontalSlider* releaseSliderControl() const { return releaseSlider; }
    HorizontalSlider* thresholdSliderControl() const { return thresholdSlider; }
    ValueDisplay* attackDisplayControl() const { return attackDisplay; }
    ValueDisplay* releaseDisplayControl() const { return releaseDisplay; }
    ValueDisplay* thresholdDisplayControl() const { return thresholdDisplay; }
    ToggleButton* bypassButtonControl() const { return bypassButton; }
    ToggleButton* inputButtonControl(std::int32_t slot) const;
    ToggleButton* duckKeyButtonControl() const { return duckKeyButton; }
    LevelMeter* strengthMeterControl() const { return strengthMeter; }
    DigitDisplay* slotDigitControl() const { return slotDigit; }
    OverlayPanel* helpOverlayControl() const { return helpOverlay; }

private:
    // What changed, by bit: the controls by id, then the slot and the meter.
    static constexpr std::int32_t kSlotBit = kControlCount;
    static constexpr std::int32_t kMeterBit = kControlCount + 1;
    void noteChange(std::int32_t bit);
    void applyChange(std::int32_t bit);
    // Control `id` as the editor's controls hold it: the stored 0..1 form (sliders' positions).
    float positionOf(ControlId id);
    // The slot as the digit strip shows it, and the meter.
    float slotDigitValue();
    float meterValue();
    void forgetControls();

    HorizontalSlider* attackSlider = nullptr;
    HorizontalSlider* releaseSlider = nullptr;
    HorizontalSlider* thresholdSlider = nullptr;
    ValueDisplay* attackDisplay = nullptr;
    ValueDisplay* releaseDisplay = nullptr;
    ValueDisplay* thresholdDisplay = nullptr;
    ToggleButton* bypassButton = nullptr;
    ToggleButton* alphaButton = nullptr;
    ToggleButton* betaButton = nullptr;
    ToggleButton* gammaButton = nullptr;
    ToggleButton* deltaButton = nullptr;
    ToggleButton* duckKeyButton = nullptr;
    LevelMeter* strengthMeter = nullptr;
    DigitDisplay* slotDigit = nullptr;
    OverlayPanel* helpOverlay = nullptr;
    Bitmap* backgroundBitmap = nullptr;
    Rect size;
    bool slotShown = false;
    std::atomic<bool> isOpen{false};
    // One bit per change noted since the last idle pass.
    std::atomic<std::uint32_t> pendingChanges{0};
};

}  // namespace qm
