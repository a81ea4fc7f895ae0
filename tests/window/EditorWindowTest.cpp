// The real module's editor in a real window under Xvfb: what it shows, and what a real mouse
// does to it.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "editor/EditorLayout.h"
#include "engine/Parameters.h"
#include "window/GuiHost.h"
#include "gui/controls/ValueDisplay.h"
#include "gui/win32/GdiObjects.h"
#include "formats/vst2/base/PluginEntry.h"
#include "support/LayoutPlaces.h"
#include "tools/host/PluginLoader.h"

namespace qmgui {
namespace {

namespace layout = qm::layout;
using qm::test::backgroundCorner;
using qm::test::handleLeft;
using qm::test::handlePlace;
using qm::test::kSlotDigitHeight;
using qm::test::meterColumns;
using qm::test::slotDigitPlace;
using qm::test::trackBefore;

using qmhost::Plugin;
using qmhost::PluginModule;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

class EditorWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module = std::make_unique<PluginModule>(environment("QM_MODULE_PATH"));
        dll = GetModuleHandleA("QuellmarV3.dll");
    }
    static void TearDownTestSuite() { module.reset(); }
    void SetUp() override {
        ASSERT_TRUE(module->isLoaded());
        HostLog::get().clear();
    }

    // Opens `plugin`'s editor in the host window and lets it paint.
    HWND openEditor(const Plugin& plugin) {
        EXPECT_EQ(plugin.dispatch(qm::effEditOpen, 0, 0, host.handle()), 1);
        pump(plugin.get(), 30);
        return host.editorWindow();
    }
    Screenshot picture(int id) { return resourcePixels(dll, id); }
    void saveArtefact(const Screenshot& shot, const std::string& name) {
        const std::string folder = environment("QM_ARTIFACT_DIR");
        if (!folder.empty()) shot.writeBmp(folder + "\\" + name + ".bmp");
    }
    // Sends a press and release at (x, y) of the editor window and lets the editor handle them;
    // the button state that controls poll shows the press before the press message is handled.
    void click(const Plugin& plugin, HWND editor, int x, int y) {
        moveMouse(editor, x, y);
        pressLeft();
        ASSERT_TRUE(waitForKeyState(VK_LBUTTON, true));
        pump(plugin.get(), 5);
        releaseLeft();
        ASSERT_TRUE(waitForKeyState(VK_LBUTTON, false));
        pump(plugin.get(), 5);
    }
    // Presses at (x, y), holding `modifier` too when not 0 (pressed after the button: Wine takes
    // the modifiers of a mouse event from the X server, which never saw a key sent by SendInput).
    // `whilePressed` runs on another thread while this one handles the press (a slider tracks the
    // mouse inside it) and must release the button.
    template <typename Body>
    void pressAndTrack(const Plugin& plugin, HWND editor, int x, int y, WORD modifier, Body whilePressed) {
        moveMouse(editor, x, y);
        pressLeft();
        bool pressed = waitForKeyState(VK_LBUTTON, true);
        if (pressed && modifier != 0) {
            pressKey(modifier);
            pressed = waitForKeyState(modifier, true);
        }
        if (!pressed) {
            // Nothing stays pressed for the tests that follow, or their drags would never end.
            if (modifier != 0) releaseKey(modifier);
            releaseLeft();
            pump(plugin.get(), 5);
            FAIL() << "the press did not reach the key state";
        }
        std::atomic<bool> done{false};
        std::thread mouse([&] {
            whilePressed();
            done = true;
        });
        while (!done.load()) pump(plugin.get(), 1);
        mouse.join();
        if (modifier != 0) {
            releaseKey(modifier);
            ASSERT_TRUE(waitForKeyState(modifier, false));
        }
        pump(plugin.get(), 5);
    }

    static std::unique_ptr<PluginModule> module;
    static HMODULE dll;
    HostWindow host;
};
std::unique_ptr<PluginModule> EditorWindowTest::module;
HMODULE EditorWindowTest::dll = nullptr;

TEST_F(EditorWindowTest, TheOpenEditorShowsSlotBypassHandlesReadoutsAndTheMeter) {
    Plugin sender(module->create(HostLog::callback));
    Plugin listener(module->create(HostLog::callback));
    ASSERT_EQ(sender.getParameter(qm::ParamOwnSlot), 0.0f);
    HWND window = openEditor(sender);
    ASSERT_NE(window, nullptr);
    Screenshot shot = capture(window);
    ASSERT_EQ(shot.width, layout::kEditor.width());
    ASSERT_EQ(shot.height, layout::kEditor.height());
    saveArtefact(shot, "editor-slot0");
    EXPECT_TRUE(shows(shot, picture(layout::kSlotDigitsPicture), slotDigitPlace(), 0, 0));      // α
    EXPECT_TRUE(shows(shot, picture(layout::kBypassPicture), layout::kBypassSwitch, 0, 24));     // bypass lit
    EXPECT_TRUE(shows(shot, picture(layout::kDuckKeyPicture), layout::kDuckKeySwitch, 0, 0));    // keying lit
    const auto& tops = layout::kSliderRows;
    const float values[3] = {0.19858247f, 0.19856989f, 0.5f};
    for (int i = 0; i < 3; ++i) {
        const int left = handleLeft(values[i]);
        EXPECT_TRUE(shows(shot, picture(layout::kSliderHandlePicture), handlePlace(i, left), 0, 0)) << i;
        EXPECT_TRUE(shows(shot, picture(layout::kSliderTrackPicture), trackBefore(i, left), 0, 0)) << i;
    }

    // The readouts: the same pixels as displays of 78.87, 39.43 and -48.00 drawn by the toolkit.
    qm::setResourceModule(GetModuleHandleA(nullptr));
    auto reference = qm::createMemoryTarget(layout::kEditor.width(), layout::kEditor.height(), nullptr);
    const float shown[3] = {78.87f, 39.43f, -48.0f};
    for (int i = 0; i < 3; ++i) {
        const qm::Rect readout = layout::readoutRect(i);
        qm::ValueDisplay display(readout, nullptr, 1);
        display.setFont(qm::FontSmall);
        display.setFontColor(qm::Color{29, 146, 255, 0});
        display.setBackColor(qm::Color{66, 66, 66, 0});
        display.setFrameColor(qm::Color{66, 66, 66, 0});
        display.setValue(shown[i]);
        qm::Canvas canvas(nullptr, reference.get(), nullptr);
        display.draw(canvas);
        int differing = 0;
        for (int y = tops[i]; y <= readout.bottom; ++y) {
            for (int x = readout.left; x <= readout.right; ++x) {
                const qm::Color expected = reference->pixelAt(x, y);
                const std::uint32_t rgb = (std::uint32_t{expected.red} << 16) | (expected.green << 8) | expected.blue;
                differing += shot.at(x, y) != rgb ? 1 : 0;
            }
        }
        EXPECT_EQ(differing, 0) << shown[i];
    }
    sender.dispatch(qm::effEditClose);

    // The listener on Alpha after a ducked block: the meter lights 273 of its 275 columns.
    listener.setParameter(qm::ParamBypass, 0.0f);
    listener.setParameter(qm::ParamInputAlpha, 1.0f);
    listener.setParameter(qm::ParamDuckKey, 1.0f);
    window = openEditor(listener);
    std::vector<float> key(512, 1.0f);
    std::vector<float> audio(512, 0.5f);
    std::vector<float> out(512);
    for (int block = 0; block < 200; ++block) {
        sender.processReplacing(key.data(), key.data(), out.data(), out.data(), 512);
        listener.processReplacing(audio.data(), audio.data(), out.data(), out.data(), 512);
    }
    pump(listener.get(), 15);
    shot = capture(window);
    saveArtefact(shot, "editor-ducking");
    EXPECT_TRUE(shows(shot, picture(layout::kSlotDigitsPicture), slotDigitPlace(), 0, kSlotDigitHeight));     // β
    EXPECT_TRUE(shows(shot, picture(layout::kMeterLitPicture), meterColumns(0, 273), 0, 0));
    EXPECT_TRUE(shows(shot, picture(layout::kMeterUnlitPicture), meterColumns(273, layout::kMeter.width()), 273, 0));
    listener.dispatch(qm::effEditClose);
}

TEST_F(EditorWindowTest, AFifthInstanceShowsTheRedCross) {
    std::vector<std::unique_ptr<Plugin>> plugins;
    for (int i = 0; i < 5; ++i) plugins.push_back(std::make_unique<Plugin>(module->create(HostLog::callback)));
    HWND window = openEditor(*plugins[4]);
    const Screenshot shot = capture(window);
    saveArtefact(shot, "editor-no-slot");
    EXPECT_TRUE(shows(shot, picture(layout::kSlotDigitsPicture), slotDigitPlace(), 0, 6 * kSlotDigitHeight));
    plugins[4]->dispatch(qm::effEditClose);
}

TEST_F(EditorWindowTest, AClickFlipsAToggleAndTheHostHearsOneAutomation) {
    Plugin plugin(module->create(HostLog::callback));
    HWND window = openEditor(plugin);
    HostLog::get().clear();
    click(plugin, window, 38, 122);
    EXPECT_EQ(plugin.getParameter(qm::ParamInputAlpha), 1.0f);
    const auto automated = HostLog::get().eventsWith(qm::audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, qm::ParamInputAlpha);
    EXPECT_TRUE(HostLog::get().eventsWith(qm::audioMasterBeginEdit).empty());
    plugin.dispatch(qm::effEditClose);
}

TEST_F(EditorWindowTest, ADragIsOneGestureAndKeysAndControlClickFollow) {
    Plugin plugin(module->create(HostLog::callback));
    HWND window = openEditor(plugin);
    HostLog::get().clear();
    // Press on the attack handle, move to window x 219, release.
    pressAndTrack(plugin, window, handleLeft(0.19858247f) + 9, 152, 0, [&] {
        HostLog::get().waitFor(qm::audioMasterBeginEdit, 1);
        const std::size_t before = HostLog::get().eventsWith(qm::audioMasterAutomate).size();
        moveMouse(window, 219, 152);
        HostLog::get().waitFor(qm::audioMasterAutomate, before + 1);
        releaseLeft();
    });

    const auto begin = HostLog::get().eventsWith(qm::audioMasterBeginEdit);
    const auto end = HostLog::get().eventsWith(qm::audioMasterEndEdit);
    const auto automated = HostLog::get().eventsWith(qm::audioMasterAutomate);
    ASSERT_EQ(begin.size(), 1u);
    ASSERT_EQ(end.size(), 1u);
    EXPECT_EQ(begin[0].index, qm::ParamAttack);
    EXPECT_EQ(end[0].index, qm::ParamAttack);
    ASSERT_FALSE(automated.empty());
    EXPECT_FLOAT_EQ(automated.back().opt, 70.0f / 141.0f);
    EXPECT_FLOAT_EQ(plugin.getParameter(qm::ParamAttack), 70.0f / 141.0f);

    // The dragged slider keeps the focus: the arrow keys step it.
    HostLog::get().clear();
    EXPECT_EQ(plugin.dispatch(qm::effEditKeyDown, 0, 12), 1);
    EXPECT_FLOAT_EQ(plugin.getParameter(qm::ParamAttack), 70.0f / 141.0f + 0.1f);
    EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterAutomate).size(), 1u);

    // Control-click returns to 0.5 (were Control missed, the slider would track the mouse until
    // the release, which therefore comes once the host heard of the change).
    pump(plugin.get(), 5);
    HostLog::get().clear();
    pressAndTrack(plugin, window, 200, 152, VK_CONTROL, [&] {
        HostLog::get().waitFor(qm::audioMasterAutomate, 1);
        releaseLeft();
    });
    EXPECT_EQ(plugin.getParameter(qm::ParamAttack), 0.5f);
    EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterAutomate).size(), 1u);
    EXPECT_TRUE(HostLog::get().eventsWith(qm::audioMasterBeginEdit).empty());
    plugin.dispatch(qm::effEditClose);
}

TEST_F(EditorWindowTest, TheHelpMarkOpensThePanelAndTheNextClickClosesIt) {
    Plugin plugin(module->create(HostLog::callback));
    HWND window = openEditor(plugin);
    HostLog::get().clear();
    click(plugin, window, 242, 30);
    Screenshot shot = capture(window);
    saveArtefact(shot, "editor-help");
    EXPECT_TRUE(shows(shot, picture(layout::kHelpPicture), layout::kEditor, 0, 0));
    click(plugin, window, 100, 100);
    shot = capture(window);
    EXPECT_TRUE(shows(shot, picture(layout::kBackgroundPicture), 0, 0, 160, 100, 0, 0));
    EXPECT_TRUE(HostLog::get().eventsWith(qm::audioMasterAutomate).empty());
    plugin.dispatch(qm::effEditClose);
}

TEST_F(EditorWindowTest, FiftyOpensAndClosesWhileAudioAndAutomationRun) {
    Plugin sender(module->create(HostLog::callback));
    Plugin listener(module->create(HostLog::callback));
    listener.setParameter(qm::ParamBypass, 0.0f);
    listener.setParameter(qm::ParamInputAlpha, 1.0f);
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        std::vector<float> in(256, 0.5f);
        std::vector<float> out(256);
        for (int i = 0; !stop.load(); ++i) {
            sender.processReplacing(in.data(), in.data(), out.data(), out.data(), 256);
            listener.processReplacing(in.data(), in.data(), out.data(), out.data(), 256);
            listener.setParameter(qm::ParamThreshold, static_cast<float>(i % 10) / 10.0f);
        }
    });
    for (int cycle = 0; cycle < 50; ++cycle) {
        EXPECT_EQ(listener.dispatch(qm::effEditOpen, 0, 0, host.handle()), 1);
        pump(listener.get(), 3);
        listener.dispatch(qm::effEditClose);
    }
    stop = true;
    audio.join();
    EXPECT_EQ(host.editorWindow(), nullptr);
}

TEST_F(EditorWindowTest, EveryCloseGivesBackEveryNativeObjectTheEditorMade) {
    // The same code as the module, linked into this program so that its object count can be read.
    qm::setResourceModule(GetModuleHandleA(nullptr));
    qm::PluginRecord* record = quellmarMain(HostLog::callback);
    ASSERT_NE(record, nullptr);
    // The first open loads the module's bitmaps, which every editor of the process shares from then on.
    record->dispatcher(record, qm::effEditOpen, 0, 0, host.handle(), 0.0f);
    record->dispatcher(record, qm::effEditClose, 0, 0, nullptr, 0.0f);
    const std::int32_t start = qm::liveGdiObjects();
    for (int cycle = 0; cycle < 10; ++cycle) {
        record->dispatcher(record, qm::effEditOpen, 0, 0, host.handle(), 0.0f);
        pump(record, 5);
        record->setParameter(record, qm::ParamMeter, 0.7f);
        pump(record, 5);
        EXPECT_GT(qm::liveGdiObjects(), start);
        record->dispatcher(record, qm::effEditClose, 0, 0, nullptr, 0.0f);
        EXPECT_EQ(qm::liveGdiObjects(), start) << cycle;
    }
    record->dispatcher(record, qm::effClose, 0, 0, nullptr, 0.0f);
}

// The host closes the editor or the whole effect from inside the idle call of the drag loop or the
// automation that the drag sends: the drag ends, nothing reaches the host after the close, and the
// editor window goes (at the latest with the next message the host's loop dispatches).
TEST_F(EditorWindowTest, ClosingDuringADragEndsItCleanly) {
    struct Case {
        const char* name;
        std::int32_t opcode;
        bool fromAutomation;
    };
    const Case cases[] = {
        {"editor closed from the drag's idle", qm::effEditClose, false},
        {"effect closed from the drag's idle", qm::effClose, false},
        {"effect closed from the automation", qm::effClose, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        qm::PluginRecord* record = module->create(HostLog::callback);
        ASSERT_NE(record, nullptr);
        ASSERT_EQ(record->dispatcher(record, qm::effEditOpen, 0, 0, host.handle(), 0.0f), 1);
        pump(record, 30);
        const HWND editor = host.editorWindow();
        HostLog::get().clear();
        std::atomic<bool> closed{false};
        std::size_t eventsAtClose = 0;
        auto close = [&] {
            record->dispatcher(record, c.opcode, 0, 0, nullptr, 0.0f);
            eventsAtClose = HostLog::get().events().size();
            closed = true;
        };
        if (c.fromAutomation) HostLog::get().onNextAutomate(close);
        else HostLog::get().onNextIdle(close);
        moveMouse(editor, handleLeft(0.19858247f) + 9, 152);
        pressLeft();
        ASSERT_TRUE(waitForKeyState(VK_LBUTTON, true));
        std::thread mouse([&] {
            HostLog::get().waitFor(qm::audioMasterBeginEdit, 1);
            moveMouse(editor, 219, 152);
            while (!closed.load()) std::this_thread::yield();
            releaseLeft();
        });
        // Messages only: the press starts the drag loop, and the record may be gone afterwards.
        while (!closed.load()) pump(nullptr, 1);
        mouse.join();
        const bool effectLives = c.opcode == qm::effEditClose;
        pump(effectLives ? record : nullptr, 5);
        EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterBeginEdit).size(), 1u);
        EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterEndEdit).size(), effectLives ? 1u : 0u);
        const std::vector<HostEvent> events = HostLog::get().events();
        for (std::size_t i = eventsAtClose; i < events.size(); ++i) {
            EXPECT_NE(events[i].opcode, qm::audioMasterAutomate) << "a parameter change after the close";
        }
        EXPECT_EQ(host.editorWindow(), nullptr);
        if (effectLives) record->dispatcher(record, qm::effClose, 0, 0, nullptr, 0.0f);
    }
}

TEST_F(EditorWindowTest, TwoOpenEditorsShareOneWindowClassUntilTheLastCloses) {
    qm::setResourceModule(GetModuleHandleA(nullptr));
    char className[24];
    std::snprintf(className, sizeof className, "Plugin%08x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr))));
    EXPECT_EQ(std::strlen(className), 14u);
    HostWindow second;
    qm::PluginRecord* first = quellmarMain(HostLog::callback);
    qm::PluginRecord* other = quellmarMain(HostLog::callback);
    WNDCLASSA found{};
    first->dispatcher(first, qm::effEditOpen, 0, 0, host.handle(), 0.0f);
    other->dispatcher(other, qm::effEditOpen, 0, 0, second.handle(), 0.0f);
    pump(first, 3);
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), className, &found));
    first->dispatcher(first, qm::effEditClose, 0, 0, nullptr, 0.0f);
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), className, &found));
    other->dispatcher(other, qm::effEditClose, 0, 0, nullptr, 0.0f);
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), className, &found));
    first->dispatcher(first, qm::effClose, 0, 0, nullptr, 0.0f);
    other->dispatcher(other, qm::effClose, 0, 0, nullptr, 0.0f);
}

}  // namespace
}  // namespace qmgui
