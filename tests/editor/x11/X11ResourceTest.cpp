// The X11 editor's own resources, with the module's code linked into this program so that its
// counter can be read: several editors at once each on a window and a connection of their own,
// closed in any order; a host window destroyed before the editor closes; the editor closed while
// a slider tracks a real drag; opens and redraws that leave the heap as it was; and rescans of the
// module with the editor open.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/Parameters.h"
#include "gui/x11/X11FrameWindow.h"
#include "gui/x11/XResourceCount.h"
#include "formats/vst2/base/PluginEntry.h"
#include "support/HostLog.h"
#include "tools/host/PluginLoader.h"
#include "tools/host/support/posix/ProcessCensus.h"
#include "tools/host/support/x11/X11FakeInput.h"
#include "tools/host/support/x11/X11HostWindow.h"

namespace qmx11 {
namespace {

using qmgui::HostLog;

// An instance of the linked-in module, closed with effClose when it goes.
struct LinkedInstance {
    LinkedInstance() : record(quellmarMain(HostLog::callback)) {}
    ~LinkedInstance() { record->dispatcher(record, qm::effClose, 0, 0, nullptr, 0.0f); }
    qm::VstIntPtr dispatch(std::int32_t opcode, void* ptr = nullptr) const {
        return record->dispatcher(record, opcode, 0, 0, ptr, 0.0f);
    }
    qm::PluginRecord* record;
};

TEST(X11Resources, SeveralEditorsHaveAWindowAndConnectionEachAndGiveEverythingBackInAnyOrder) {
    HostWindow hosts[3];
    LinkedInstance instances[3];
    const std::int32_t start = qm::liveXResources();
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(instances[i].dispatch(qm::effEditOpen, hosts[i].handle()), 1);
        pump(instances[i].record, 3);
    }
    // A connection, a window and a surface on it for every editor.
    EXPECT_EQ(qm::liveXResources(), start + 9);
    Window editors[3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(hosts[i].children().size(), 1u);
        editors[i] = hosts[i].editorWindow();
    }
    EXPECT_NE(editors[0], editors[1]);
    EXPECT_NE(editors[1], editors[2]);
    // Windows of different connections carry different resource id bases.
    EXPECT_NE(editors[0] & 0xFFE00000u, editors[1] & 0xFFE00000u);
    for (int i : {1, 0, 2}) {
        instances[i].dispatch(qm::effEditClose);
        EXPECT_TRUE(hosts[i].children().empty()) << i;
    }
    EXPECT_EQ(qm::liveXResources(), start);
    for (int cycle = 0; cycle < 10; ++cycle) {
        instances[0].dispatch(qm::effEditOpen, hosts[0].handle());
        instances[0].record->setParameter(instances[0].record, qm::ParamMeter, 0.7f);
        pump(instances[0].record, 3);
        EXPECT_GT(qm::liveXResources(), start);
        instances[0].dispatch(qm::effEditClose);
        EXPECT_EQ(qm::liveXResources(), start) << cycle;
    }
}

TEST(X11Resources, AHostThatDestroysItsWindowFirstLeavesAnEditorThatClosesCleanly) {
    LinkedInstance instance;
    const std::int32_t start = qm::liveXResources();
    auto host = std::make_unique<HostWindow>();
    ASSERT_EQ(instance.dispatch(qm::effEditOpen, host->handle()), 1);
    pump(instance.record, 3);
    host.reset();  // the host's window goes, and the editor's child window with it
    pump(instance.record, 3);
    instance.record->setParameter(instance.record, qm::ParamThreshold, 0.1f);
    pump(instance.record, 3);
    instance.dispatch(qm::effEditClose);
    EXPECT_EQ(qm::liveXResources(), start);
    // An unknown parent window: no editor window, nothing kept.
    ASSERT_EQ(instance.dispatch(qm::effEditOpen, reinterpret_cast<void*>(std::uintptr_t{0x7FFFFF})), 1);
    pump(instance.record, 3);
    EXPECT_EQ(qm::liveXResources(), start);
    instance.dispatch(qm::effEditClose);
}

enum class CloseWay { EditorClose, EffectClose, HostWindowGone };
enum class CloseFrom { DragIdle, Automation };

struct DragClose {
    const char* name;
    CloseWay way;
    CloseFrom from;
    std::size_t endEdits;  // what the host hears of the gesture's end
};

// The host closes the editor or the whole effect, or destroys its window, from inside the idle
// call of the drag loop or the automation that the drag sends: the drag ends, nothing reaches the
// host after the close, everything is freed (a use after free shows under AddressSanitizer), and an
// instance that lives on opens its editor again.
TEST(X11Resources, ClosingDuringADragEndsItCleanlyEveryWay) {
    const DragClose cases[] = {
        {"editor closed from the drag's idle", CloseWay::EditorClose, CloseFrom::DragIdle, 1},
        {"effect closed from the drag's idle", CloseWay::EffectClose, CloseFrom::DragIdle, 0},
        {"editor closed from the automation", CloseWay::EditorClose, CloseFrom::Automation, 1},
        {"effect closed from the automation", CloseWay::EffectClose, CloseFrom::Automation, 0},
        {"host window destroyed from the drag's idle", CloseWay::HostWindowGone, CloseFrom::DragIdle, 1},
    };
    FakeInput input;
    ASSERT_TRUE(input.isAvailable());
    for (const DragClose& c : cases) {
        SCOPED_TRACE(c.name);
        auto host = std::make_unique<HostWindow>();
        qm::PluginRecord* record = quellmarMain(HostLog::callback);
        ASSERT_NE(record, nullptr);
        const std::int32_t start = qm::liveXResources();
        ASSERT_EQ(record->dispatcher(record, qm::effEditOpen, 0, 0, host->handle(), 0.0f), 1);
        pump(record, 3);
        const Window editor = host->editorWindow();
        HostLog::get().clear();
        std::atomic<bool> closed{false};
        std::size_t eventsAtClose = 0;
        auto close = [&] {
            if (c.way == CloseWay::EditorClose) record->dispatcher(record, qm::effEditClose, 0, 0, nullptr, 0.0f);
            if (c.way == CloseWay::EffectClose) record->dispatcher(record, qm::effClose, 0, 0, nullptr, 0.0f);
            if (c.way == CloseWay::HostWindowGone) host.reset();
            eventsAtClose = HostLog::get().events().size();
            closed = true;
        };
        if (c.from == CloseFrom::DragIdle) HostLog::get().onNextIdle(close);
        else HostLog::get().onNextAutomate(close);
        // The pointer's second position in screen coordinates: the editor may be gone when it moves.
        const Window root = DefaultRootWindow(host->display());
        int dragX = 0;
        int dragY = 0;
        Window child = 0;
        XTranslateCoordinates(host->display(), editor, root, 140 + 29 + 39, 152, &dragX, &dragY, &child);
        input.moveTo(editor, 140 + 29 + 9, 152);  // on the attack handle
        input.button(1, true);
        std::thread mouse([&] {
            HostLog::get().waitFor(qm::audioMasterBeginEdit, 1);
            input.moveTo(root, dragX, dragY);
            while (!closed.load()) std::this_thread::yield();
            input.button(1, false);
        });
        while (!closed.load()) pump(record, 1);
        mouse.join();
        const bool effectLives = c.way != CloseWay::EffectClose;
        if (effectLives) pump(record, 2);
        EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterBeginEdit).size(), 1u);
        EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterEndEdit).size(), c.endEdits);
        const std::vector<qmgui::HostEvent> events = HostLog::get().events();
        for (std::size_t i = eventsAtClose; i < events.size(); ++i) {
            EXPECT_NE(events[i].opcode, qm::audioMasterAutomate) << "a parameter change after the close";
        }
        if (host != nullptr) {
            EXPECT_TRUE(host->children().empty());
        }
        if (effectLives) {
            record->dispatcher(record, qm::effEditClose, 0, 0, nullptr, 0.0f);
            EXPECT_EQ(qm::liveXResources(), start);
            // The editor opens again as before.
            if (host == nullptr) host = std::make_unique<HostWindow>();
            ASSERT_EQ(record->dispatcher(record, qm::effEditOpen, 0, 0, host->handle(), 0.0f), 1);
            pump(record, 3);
            EXPECT_EQ(host->children().size(), 1u);
            record->dispatcher(record, qm::effClose, 0, 0, nullptr, 0.0f);
        }
        EXPECT_EQ(qm::liveXResources(), start);
    }
}

// Idle calls that find nothing changed send nothing to the X server; a meter that moves within
// one of its lit steps draws nothing either; a moved slider does send its picture.
TEST(X11Resources, IdleCallsWithNothingChangedSendNoRequest) {
    HostWindow host;
    LinkedInstance instance;
    ASSERT_EQ(instance.dispatch(qm::effEditOpen, host.handle()), 1);
    // The meter falls from full to the effect's level over the first ten redraws.
    pump(instance.record, 20);
    ASSERT_FALSE(qm::X11FrameWindow::liveWindows().empty());
    Display* connection = qm::X11FrameWindow::liveWindows().back()->connection();
    const unsigned long before = NextRequest(connection);
    pump(instance.record, 100);
    EXPECT_EQ(NextRequest(connection), before);
    instance.record->setParameter(instance.record, qm::ParamMeter, 0.001f);
    pump(instance.record, 100);
    EXPECT_EQ(NextRequest(connection), before);
    instance.record->setParameter(instance.record, qm::ParamThreshold, 0.3f);
    pump(instance.record, 1);
    EXPECT_GT(NextRequest(connection), before);
    const unsigned long afterChange = NextRequest(connection);
    pump(instance.record, 100);
    EXPECT_EQ(NextRequest(connection), afterChange);
    instance.dispatch(qm::effEditClose);
}

TEST(X11Resources, OpeningAndRedrawingTheEditorAgainAndAgainKeepsTheHeapAsItWas) {
    HostWindow host;
    LinkedInstance instance;
    // Every open paints the whole editor; every redraw copies the slider, its readout and the
    // meter, as while audio plays. A leak of a few dozen bytes per copy would be 10 KiB or more.
    const auto openAndRedraw = [&](int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(instance.dispatch(qm::effEditOpen, host.handle()), 1);
            pump(instance.record, 2);
            for (int change = 0; change < 10; ++change) {
                instance.record->setParameter(instance.record, qm::ParamThreshold, change % 2 == 0 ? 0.3f : 0.6f);
                instance.record->setParameter(instance.record, qm::ParamMeter, change % 2 == 0 ? 1.0f : 0.0f);
                pump(instance.record, 1);
            }
            instance.dispatch(qm::effEditClose);
        }
    };
    openAndRedraw(20);
    const qmhost::ProcessCensus before = qmhost::ProcessCensus::take();
    openAndRedraw(200);
    const qmhost::ProcessCensus after = qmhost::ProcessCensus::take();
    if (qmhost::ProcessCensus::kPlainAllocator) {
        EXPECT_LT(after.heapBytes - before.heapBytes, 2048) << "heap grew by " << after.heapBytes - before.heapBytes;
    }
}

// One rescan with the editor: load, open and idle the editor of an instance, close all, unload.
void rescanWithEditor(const std::string& path, const HostWindow& host) {
    qmhost::PluginModule loaded(path);
    ASSERT_TRUE(loaded.isLoaded());
    qmhost::Plugin plugin(loaded.create(HostLog::callback));
    ASSERT_EQ(plugin.dispatch(qm::effEditOpen, 0, 0, host.handle()), 1);
    pump(plugin.get(), 3);
    plugin.dispatch(qm::effEditClose);
}

TEST(X11Resources, RescansWithTheEditorOpenLeaveNoThreadDescriptorOrWindowBehind) {
    const std::string path = std::getenv("QM_MODULE_PATH") != nullptr ? std::getenv("QM_MODULE_PATH") : "";
    HostWindow host;
    rescanWithEditor(path, host);
    rescanWithEditor(path, host);
    const qmhost::ProcessCensus before = qmhost::ProcessCensus::take();
    for (int cycle = 0; cycle < 20; ++cycle) rescanWithEditor(path, host);
    const qmhost::ProcessCensus after = qmhost::ProcessCensus::take();
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.descriptors, before.descriptors);
    if (qmhost::ProcessCensus::kPlainAllocator) {
        EXPECT_EQ(after.mappings, before.mappings);
        EXPECT_LT(after.heapBytes - before.heapBytes, 20 * 256) << "heap grew by " << after.heapBytes - before.heapBytes;
    }
    EXPECT_TRUE(host.children().empty());
    EXPECT_EQ(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "the module stayed loaded";
}

}  // namespace
}  // namespace qmx11
