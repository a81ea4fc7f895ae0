// The Windows module's editor in a real window under Wine and Xvfb: the cases shared with the
// Linux module are the table of support/EditorSuite.h; what only Windows has follows it.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/Parameters.h"
#include "editor/win32/GuiHost.h"
#include "gui/win32/GdiObjects.h"
#include "formats/vst2/base/PluginEntry.h"
#include "support/EditorSuite.h"
#include "tools/host/PluginLoader.h"

namespace qmgui {
namespace {

using qm::test::handleLeft;

using qmhost::Plugin;
using qmhost::PluginModule;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The Windows module in a host window under Wine, with a real mouse through SendInput.
class WineDesk {
public:
    void setUp() {
        if (!module) {
            module = std::make_unique<PluginModule>(environment("QM_MODULE_PATH"));
            dll = GetModuleHandleA("QuellmarV3.dll");
        }
        ASSERT_TRUE(module->isLoaded());
    }
    static void unload() { module.reset(); }
    qm::PluginRecord* create() { return module->create(HostLog::callback); }
    bool open(const Plugin& plugin, int rounds = 30) {
        editor = nullptr;
        if (plugin.dispatch(qm::effEditOpen, 0, 0, host.handle()) != 1) return false;
        pump(plugin, rounds);
        editor = host.editorWindow();
        return editor != nullptr;
    }
    Screenshot capture() { return qmgui::capture(editor); }
    Screenshot picture(int id) { return resourcePixels(dll, id); }
    void save(const Screenshot& shot, const std::string& name) {
        const std::string folder = environment("QM_ARTIFACT_DIR");
        if (!folder.empty()) shot.writeBmp(folder + "\\editor-" + name + ".bmp");
    }
    void useOwnResources() { qm::setResourceModule(GetModuleHandleA(nullptr)); }
    // A press and release; the button state that controls poll shows the press before the press
    // message is handled.
    void click(const Plugin& plugin, int x, int y) {
        moveMouse(editor, x, y);
        pressLeft();
        ASSERT_TRUE(waitForKeyState(VK_LBUTTON, true));
        pump(plugin, 5);
        releaseLeft();
        ASSERT_TRUE(waitForKeyState(VK_LBUTTON, false));
        pump(plugin, 5);
    }
    // Control goes down after the button: Wine takes the modifiers of a mouse event from the X
    // server, which never saw a key sent by SendInput. For the same reason a late X event can lift
    // it again mid-gesture; the answer is false when Control did not stay down throughout.
    bool pressAndTrack(const Plugin& plugin, int x, int y, bool control, const std::function<void()>& whilePressed) {
        moveMouse(editor, x, y);
        pressLeft();
        bool pressed = waitForKeyState(VK_LBUTTON, true);
        if (pressed && control) {
            // Under load Wine can drop a key sent while the button is held; sending it again is a
            // repeat of the same press.
            pressed = false;
            for (int attempt = 0; attempt < 3 && !pressed; ++attempt) {
                pressKey(VK_CONTROL);
                pressed = waitForKeyState(VK_CONTROL, true);
            }
        }
        if (!pressed) {
            // Nothing stays pressed for the tests that follow, or their drags would never end.
            if (control) releaseKey(VK_CONTROL);
            releaseLeft();
            pump(plugin, 5);
            ADD_FAILURE() << "the press did not reach the key state";
            return false;
        }
        std::atomic<bool> done{false};
        std::thread mouse([&] {
            whilePressed();
            done = true;
        });
        bool controlHeld = true;
        while (!done.load()) {
            if (control && (GetAsyncKeyState(VK_CONTROL) & 0x8000) == 0) controlHeld = false;
            pump(plugin, 1);
        }
        mouse.join();
        if (control) {
            releaseKey(VK_CONTROL);
            EXPECT_TRUE(waitForKeyState(VK_CONTROL, false));
        }
        pump(plugin, 5);
        return controlHeld;
    }
    void moveTo(int x, int y) { moveMouseInDrag(editor, x, y); }
    void release() { releaseLeft(); }
    void pump(const Plugin& plugin, int rounds) { qmgui::pump(plugin.get(), rounds); }
    bool editorGone() { return host.editorWindow() == nullptr; }

    HostWindow host;
    HWND editor = nullptr;

private:
    static std::unique_ptr<PluginModule> module;
    static HMODULE dll;
};
std::unique_ptr<PluginModule> WineDesk::module;
HMODULE WineDesk::dll = nullptr;

QM_EDITOR_SUITE(WineEditor, WineDesk);

// What only Windows has: GDI objects counted, the drag loop closed from the host, the window class.
class EditorWindowTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() { WineDesk::unload(); }
    void SetUp() override {
        desk.setUp();
        HostLog::get().clear();
    }
    WineDesk desk;
    HostWindow& host = desk.host;
};

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
        qm::PluginRecord* record = desk.create();
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
