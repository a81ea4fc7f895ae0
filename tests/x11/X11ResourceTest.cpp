// The X11 editor's own resources, with the module's code linked into this program so that its
// counter can be read: several editors at once each on a window and a connection of their own,
// closed in any order; a host window destroyed before the editor closes; the editor closed while
// a slider tracks a real drag; and rescans of the module with the editor open.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/Parameters.h"
#include "gui/x11/XResourceCount.h"
#include "host/PluginEntry.h"
#include "linux/ProcessCensus.h"
#include "support/HostLog.h"
#include "tools/host/PluginLoader.h"
#include "x11/X11TestHost.h"

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

TEST(X11Resources, ClosingTheEditorWhileASliderTracksADragEndsTheGestureAndFreesTheWindow) {
    HostWindow host;
    FakeInput input;
    ASSERT_TRUE(input.isAvailable());
    LinkedInstance instance;
    const std::int32_t start = qm::liveXResources();
    ASSERT_EQ(instance.dispatch(qm::effEditOpen, host.handle()), 1);
    pump(instance.record, 3);
    const Window editor = host.editorWindow();
    HostLog::get().clear();
    // The host closes the editor from inside the idle call that the drag loop makes.
    HostLog::get().onNextIdle([&] { instance.dispatch(qm::effEditClose); });
    input.moveTo(editor, 140 + 29 + 9, 152);  // on the attack handle
    input.button(1, true);
    std::atomic<bool> done{false};
    std::thread mouse([&] {
        HostLog::get().waitFor(qm::audioMasterEndEdit, 1);
        input.button(1, false);
        done = true;
    });
    while (!done.load()) pump(instance.record, 1);
    mouse.join();
    pump(instance.record, 2);
    EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterEndEdit).size(), 1u);
    EXPECT_TRUE(host.children().empty());
    EXPECT_EQ(qm::liveXResources(), start);
    // The editor opens again as before.
    ASSERT_EQ(instance.dispatch(qm::effEditOpen, host.handle()), 1);
    pump(instance.record, 3);
    EXPECT_EQ(host.children().size(), 1u);
    instance.dispatch(qm::effEditClose);
    EXPECT_EQ(qm::liveXResources(), start);
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
