// The host opens and closes the editor over and over on its UI thread while the audio thread
// processes and parameters are set from another thread: no control is touched by any thread but
// the UI thread, so nothing races and nothing is used after it is gone (ThreadSanitizer build).

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "editor/DuckerEditor.h"
#include "support/EditorAccess.h"
#include "engine/Parameters.h"
#include "support/PluginInstance.h"

namespace qm {
namespace {

TEST(EditorStress, OpeningAndClosingWhileAudioAndAutomationRunIsRaceFree) {
    test::PluginInstance sender;
    auto listener = std::make_unique<test::PluginInstance>();
    listener->setParameter(ParamBypass, 0.0f);
    listener->setParameter(ParamInputAlpha, 1.0f);
    std::atomic<bool> uiDone{false};

    std::thread audio([&] {
        std::vector<float> left(256, 0.5f);
        std::vector<float> right(256, 0.5f);
        while (!uiDone.load()) {
            sender.processReplacing(left, right);
            listener->processReplacing(left, right);
        }
    });
    std::thread automation([&] {
        for (int i = 0; !uiDone.load(); ++i) {
            listener->setParameter(ParamThreshold, static_cast<float>(i % 100) / 100.0f);
            listener->setParameter(ParamInputBeta, static_cast<float>(i % 2));
            listener->setParameter(ParamOwnSlot, 1.0f);
        }
    });
    for (int cycle = 0; cycle < 200; ++cycle) {
        listener->dispatch(effEditOpen);
        for (int pass = 0; pass < 3; ++pass) listener->dispatch(effEditIdle);
        listener->dispatch(effEditClose);
    }
    uiDone = true;
    audio.join();
    automation.join();
    // Destroyed with the editor still open: it closes first, so its controls and pictures are
    // let go (only the references held here are left).
    listener->dispatch(effEditOpen);
    DuckerEditor& editor = *test::duckerEditorOf(listener->get());
    View* meter = editor.strengthMeterControl();
    Bitmap* background = editor.getFrame()->getBackground();
    meter->retain();
    background->retain();
    listener.reset();
    EXPECT_EQ(meter->getRefCount(), 1);
    EXPECT_EQ(background->getRefCount(), 1);
    meter->release();
    background->release();
}

}  // namespace
}  // namespace qm
