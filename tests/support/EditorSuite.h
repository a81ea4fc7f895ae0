#pragma once
// The editor in a real window, one table of cases run on every desk: the Windows module under Wine
// (GDI, SendInput) and the Linux module under X11 (XTEST). A desk opens the editor of a plug-in in
// a host window of its own, reads its pixels back, and moves a real mouse over it; the cases check
// what the editor shows and what the host hears, the same on both.
//
// A desk provides (all on the test's thread unless said):
//   void setUp();                                  loads the module once; fails the test without it
//   static void unload();                          lets the module go (after a suite: later tests
//                                                  check that it unloads)
//   qm::PluginRecord* create();                    a new instance of the module
//   bool open(const qmhost::Plugin&, int rounds = the desk's own);  opens the editor in the host
//                                                  window and lets it paint for `rounds` idles
//   Shot capture();  Shot picture(int id);         the open editor's pixels; a picture resource's
//   void save(const Shot&, const std::string&);    keeps a screenshot in the artefacts folder
//   void useOwnResources();                        before drawing toolkit references in this program
//   void click(const qmhost::Plugin&, int x, int y);
//   bool pressAndTrack(const qmhost::Plugin&, int x, int y, bool control, std::function<void()>);
//       presses at (x, y) (with Control held when asked) and idles the editor while the body runs
//       on another thread; the body must release the button. False when the desk saw its
//       injected Control lifted before the gesture ended
//   void moveTo(int x, int y);  void release();     from that other thread
//   void pump(const qmhost::Plugin&, int rounds);   lets the editor handle what is pending
//   bool editorGone();                             no editor window left in the host window

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "editor/EditorLayout.h"
#include "engine/Parameters.h"
#include "formats/vst2/base/PluginInterface.h"
#include "gui/Canvas.h"
#include "gui/DrawingTarget.h"
#include "gui/controls/ValueDisplay.h"
#include "support/HostLog.h"
#include "support/LayoutPlaces.h"
#include "tools/host/PluginLoader.h"

namespace qm::test {

// True when `shot` shows `source`'s block at (sourceX, sourceY) in (left, top, right, bottom).
template <typename Shot>
bool showsBlock(const Shot& shot, const Shot& source, int left, int top, int right, int bottom, int sourceX,
                int sourceY) {
    if (source.pixels.empty() || shot.width < right || shot.height < bottom) return false;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (shot.at(x, y) != source.at(sourceX + x - left, sourceY + y - top)) return false;
        }
    }
    return true;
}
template <typename Shot>
bool showsBlock(const Shot& shot, const Shot& source, const Rect& place, int sourceX, int sourceY) {
    return showsBlock(shot, source, place.left, place.top, place.right, place.bottom, sourceX, sourceY);
}

// The pixels of readout `row` in `shot` that differ from a value display showing `value`, drawn by
// the toolkit in this program.
template <typename Shot>
int readoutPixelsDiffering(const Shot& shot, int row, float value) {
    auto reference = createMemoryTarget(layout::kEditor.width(), layout::kEditor.height(), nullptr);
    const Rect readout = layout::readoutRect(row);
    ValueDisplay display(readout, nullptr, 1);
    display.setFont(FontSmall);
    display.setFontColor(Color{29, 146, 255, 0});
    display.setBackColor(Color{66, 66, 66, 0});
    display.setFrameColor(Color{66, 66, 66, 0});
    display.setValue(value);
    Canvas canvas(nullptr, reference.get(), nullptr);
    display.draw(canvas);
    int differing = 0;
    for (int y = layout::kSliderRows[row]; y <= readout.bottom; ++y) {
        for (int x = readout.left; x <= readout.right; ++x) {
            const Color expected = reference->pixelAt(x, y);
            const std::uint32_t rgb = (std::uint32_t{expected.red} << 16) | (expected.green << 8) | expected.blue;
            differing += shot.at(x, y) != rgb ? 1 : 0;
        }
    }
    return differing;
}

// The stored defaults of attack, release and threshold: the handles' starting places.
constexpr float kSliderDefaults[layout::kSliderRowCount] = {
    kParameterDefaults[ParamAttack], kParameterDefaults[ParamRelease], kParameterDefaults[ParamThreshold]};
// Attack after a drag of its handle to editor x 219.
constexpr float kDraggedAttack = 70.0f / 141.0f;

template <typename Desk>
struct EditorCase {
    const char* name;
    void (*run)(Desk& desk);
};

template <typename Desk>
struct EditorCases {
    using Plugin = qmhost::Plugin;
    using HostLog = qmgui::HostLog;

    // The sender's editor: its slot, the lit bypass and keying, the handles and readouts at the
    // defaults; the listener's after ducked blocks: the next slot and 273 of 275 meter columns lit.
    static void showsSlotSwitchesHandlesReadoutsAndMeter(Desk& desk) {
        Plugin sender(desk.create());
        Plugin listener(desk.create());
        ASSERT_EQ(sender.getParameter(ParamOwnSlot), 0.0f);
        ASSERT_TRUE(desk.open(sender));
        auto shot = desk.capture();
        ASSERT_EQ(shot.width, layout::kEditor.width());
        ASSERT_EQ(shot.height, layout::kEditor.height());
        desk.save(shot, "slot0");
        EXPECT_TRUE(showsBlock(shot, desk.picture(layout::kSlotDigitsPicture), slotDigitPlace(), 0, 0));  // α
        EXPECT_TRUE(showsBlock(shot, desk.picture(layout::kBypassPicture), layout::kBypassSwitch, 0, 24));
        EXPECT_TRUE(showsBlock(shot, desk.picture(layout::kDuckKeyPicture), layout::kDuckKeySwitch, 0, 0));
        EXPECT_TRUE(showsBlock(shot, desk.picture(layout::kBackgroundPicture), backgroundCorner(), 0, 0));
        desk.useOwnResources();
        const float shown[layout::kSliderRowCount] = {78.87f, 39.43f, -48.0f};
        for (int row = 0; row < layout::kSliderRowCount; ++row) {
            const int left = handleLeft(kSliderDefaults[row]);
            EXPECT_TRUE(showsBlock(shot, desk.picture(layout::kSliderHandlePicture), handlePlace(row, left), 0, 0))
                << row;
            EXPECT_TRUE(showsBlock(shot, desk.picture(layout::kSliderTrackPicture), trackBefore(row, left), 0, 0))
                << row;
            EXPECT_EQ(readoutPixelsDiffering(shot, row, shown[row]), 0) << shown[row];
        }
        sender.dispatch(effEditClose);
        EXPECT_TRUE(desk.editorGone());

        listener.setParameter(ParamBypass, 0.0f);
        listener.setParameter(ParamInputAlpha, 1.0f);
        listener.setParameter(ParamDuckKey, 1.0f);
        ASSERT_TRUE(desk.open(listener));
        std::vector<float> key(512, 1.0f);
        std::vector<float> audio(512, 0.5f);
        std::vector<float> out(512);
        for (int block = 0; block < 200; ++block) {
            sender.processReplacing(key.data(), key.data(), out.data(), out.data(), 512);
            listener.processReplacing(audio.data(), audio.data(), out.data(), out.data(), 512);
        }
        desk.pump(listener, 15);
        shot = desk.capture();
        desk.save(shot, "ducking");
        EXPECT_TRUE(showsBlock(shot, desk.picture(layout::kSlotDigitsPicture), slotDigitPlace(), 0, kSlotDigitHeight));
        EXPECT_TRUE(showsBlock(shot, desk.picture(layout::kMeterLitPicture), meterColumns(0, 273), 0, 0));
        EXPECT_TRUE(showsBlock(shot, desk.picture(layout::kMeterUnlitPicture),
                               meterColumns(273, layout::kMeter.width()), 273, 0));
        listener.dispatch(effEditClose);
    }

    static void aFifthInstanceShowsTheRedCross(Desk& desk) {
        std::vector<std::unique_ptr<Plugin>> plugins;
        for (int i = 0; i < 5; ++i) plugins.push_back(std::make_unique<Plugin>(desk.create()));
        ASSERT_TRUE(desk.open(*plugins[4]));
        const auto shot = desk.capture();
        desk.save(shot, "no-slot");
        EXPECT_TRUE(showsBlock(shot, desk.picture(layout::kSlotDigitsPicture), slotDigitPlace(), 0,
                               6 * kSlotDigitHeight));
        plugins[4]->dispatch(effEditClose);
    }

    static void aClickFlipsAToggleAndTheHostHearsOneAutomation(Desk& desk) {
        Plugin plugin(desk.create());
        ASSERT_TRUE(desk.open(plugin));
        HostLog::get().clear();
        desk.click(plugin, 38, 122);
        EXPECT_EQ(plugin.getParameter(ParamInputAlpha), 1.0f);
        const auto automated = HostLog::get().eventsWith(audioMasterAutomate);
        ASSERT_EQ(automated.size(), 1u);
        EXPECT_EQ(automated[0].index, ParamInputAlpha);
        EXPECT_TRUE(HostLog::get().eventsWith(audioMasterBeginEdit).empty());
        EXPECT_TRUE(showsBlock(desk.capture(), desk.picture(layout::kInputPictures[0]), layout::kInputSwitches[0], 0,
                               24));  // α lit
        plugin.dispatch(effEditClose);
    }

    static void aDragIsOneGestureAndKeysAndControlClickFollow(Desk& desk) {
        Plugin plugin(desk.create());
        ASSERT_TRUE(desk.open(plugin));
        HostLog::get().clear();
        desk.pressAndTrack(plugin, handleLeft(kSliderDefaults[0]) + 9, 152, false, [&] {
            HostLog::get().waitFor(audioMasterBeginEdit, 1);
            desk.moveTo(219, 152);
            HostLog::get().waitForAutomation(ParamAttack, kDraggedAttack);
            desk.release();
        });
        const auto begin = HostLog::get().eventsWith(audioMasterBeginEdit);
        const auto end = HostLog::get().eventsWith(audioMasterEndEdit);
        const auto automated = HostLog::get().eventsWith(audioMasterAutomate);
        ASSERT_EQ(begin.size(), 1u);
        ASSERT_EQ(end.size(), 1u);
        EXPECT_EQ(begin[0].index, ParamAttack);
        EXPECT_EQ(end[0].index, ParamAttack);
        ASSERT_FALSE(automated.empty());
        EXPECT_FLOAT_EQ(automated.back().opt, kDraggedAttack);
        EXPECT_FLOAT_EQ(plugin.getParameter(ParamAttack), kDraggedAttack);
        EXPECT_TRUE(showsBlock(desk.capture(), desk.picture(layout::kSliderHandlePicture),
                               handlePlace(0, handleLeft(kDraggedAttack)), 0, 0));

        // The dragged slider keeps the focus: the arrow keys step it.
        HostLog::get().clear();
        EXPECT_EQ(plugin.dispatch(effEditKeyDown, 0, 12), 1);
        EXPECT_FLOAT_EQ(plugin.getParameter(ParamAttack), kDraggedAttack + 0.1f);
        EXPECT_EQ(HostLog::get().eventsWith(audioMasterAutomate).size(), 1u);

        // Control-click returns to 0.5 (were Control missed, the slider would track the mouse until
        // the release, which therefore comes once the host heard of the change).
        // A desk whose injected Control was lifted mid-gesture says so, and the gesture is made again.
        desk.pump(plugin, 5);
        for (int attempt = 0; attempt < 3; ++attempt) {
            HostLog::get().clear();
            const bool controlHeld = desk.pressAndTrack(plugin, 200, 152, true, [&] {
                HostLog::get().waitFor(audioMasterAutomate, 1);
                desk.release();
            });
            if (controlHeld) break;
        }
        EXPECT_EQ(plugin.getParameter(ParamAttack), 0.5f);
        EXPECT_EQ(HostLog::get().eventsWith(audioMasterAutomate).size(), 1u);
        EXPECT_TRUE(HostLog::get().eventsWith(audioMasterBeginEdit).empty());
        plugin.dispatch(effEditClose);
    }

    static void theHelpMarkOpensThePanelAndTheNextClickClosesIt(Desk& desk) {
        Plugin plugin(desk.create());
        ASSERT_TRUE(desk.open(plugin));
        HostLog::get().clear();
        desk.click(plugin, 242, 30);
        auto shot = desk.capture();
        desk.save(shot, "help");
        EXPECT_TRUE(showsBlock(shot, desk.picture(layout::kHelpPicture), layout::kEditor, 0, 0));
        desk.click(plugin, 100, 100);
        shot = desk.capture();
        EXPECT_TRUE(showsBlock(shot, desk.picture(layout::kBackgroundPicture), 0, 0, 160, 100, 0, 0));
        EXPECT_TRUE(HostLog::get().eventsWith(audioMasterAutomate).empty());
        plugin.dispatch(effEditClose);
    }

    static void fiftyOpensAndClosesWhileAudioAndAutomationRun(Desk& desk) {
        Plugin sender(desk.create());
        Plugin listener(desk.create());
        listener.setParameter(ParamBypass, 0.0f);
        listener.setParameter(ParamInputAlpha, 1.0f);
        std::atomic<bool> stop{false};
        std::thread audio([&] {
            std::vector<float> in(256, 0.5f);
            std::vector<float> out(256);
            for (int i = 0; !stop.load(); ++i) {
                sender.processReplacing(in.data(), in.data(), out.data(), out.data(), 256);
                listener.processReplacing(in.data(), in.data(), out.data(), out.data(), 256);
                listener.setParameter(ParamThreshold, static_cast<float>(i % 10) / 10.0f);
            }
        });
        for (int cycle = 0; cycle < 50; ++cycle) {
            EXPECT_TRUE(desk.open(listener, 3));
            listener.dispatch(effEditClose);
        }
        stop = true;
        audio.join();
        EXPECT_TRUE(desk.editorGone());
    }

    static std::vector<EditorCase<Desk>> all() {
        return {
            {"ShowsSlotSwitchesHandlesReadoutsAndMeter", showsSlotSwitchesHandlesReadoutsAndMeter},
            {"AFifthInstanceShowsTheRedCross", aFifthInstanceShowsTheRedCross},
            {"AClickFlipsAToggleAndTheHostHearsOneAutomation", aClickFlipsAToggleAndTheHostHearsOneAutomation},
            {"ADragIsOneGestureAndKeysAndControlClickFollow", aDragIsOneGestureAndKeysAndControlClickFollow},
            {"TheHelpMarkOpensThePanelAndTheNextClickClosesIt", theHelpMarkOpensThePanelAndTheNextClickClosesIt},
            {"FiftyOpensAndClosesWhileAudioAndAutomationRun", fiftyOpensAndClosesWhileAudioAndAutomationRun},
        };
    }
};

// The table's cases as one parameterised test on `Desk`.
template <typename Desk>
class EditorSuite : public ::testing::TestWithParam<EditorCase<Desk>> {
protected:
    static void TearDownTestSuite() { Desk::unload(); }
    void SetUp() override {
        desk.setUp();
        qmgui::HostLog::get().clear();
    }
    Desk desk;
};

template <typename Desk>
std::string editorCaseName(const ::testing::TestParamInfo<EditorCase<Desk>>& info) {
    return info.param.name;
}

}  // namespace qm::test

// Runs the table on `Desk` as test suite `Suite`.
#define QM_EDITOR_SUITE(Suite, Desk)                                                                   \
    using Suite = ::qm::test::EditorSuite<Desk>;                                                       \
    TEST_P(Suite, Case) { GetParam().run(this->desk); }                                                \
    INSTANTIATE_TEST_SUITE_P(Editor, Suite, ::testing::ValuesIn(::qm::test::EditorCases<Desk>::all()), \
                             ::qm::test::editorCaseName<Desk>)
