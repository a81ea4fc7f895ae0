// The Linux module loaded the way Linux hosts load it: dlopen, `VSTPluginMain`, then only the
// record. The same checks as for the DLLs, a second process of our host program sharing keys
// through the user's region, and rescans (load, instances, unload) that leave nothing behind.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <malloc.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "formats/vst2/linux/ChildHost.h"
#include "tools/host/support/posix/ProcessCensus.h"
#include "support/ModuleChecks.h"

namespace qmhost {
namespace {

using checks::Channels;
using checks::kSettled48Db;
using checks::run;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

class LinuxModuleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module = std::make_unique<PluginModule>(environment("QM_MODULE_PATH"));
        ASSERT_TRUE(module->isLoaded()) << dlerror();
    }
    static void TearDownTestSuite() { module.reset(); }
    static std::unique_ptr<PluginModule> module;
};
std::unique_ptr<PluginModule> LinuxModuleTest::module;

TEST_F(LinuxModuleTest, BothEntriesAreOneFunctionThatReturnsTheSixtyFourBitRecord) {
    ASSERT_NE(module->findExport("VSTPluginMain"), nullptr);
    EXPECT_EQ(module->findExport("VSTPluginMain"), module->findExport("main"));
    EXPECT_EQ(module->findExport("quellmarMain"), nullptr);
    checks::expectTheRecordAsHostsReadIt(*module);
    Plugin plugin(module->create());
    ASSERT_TRUE(plugin);
    const qm::PluginRecord* record = plugin.get();
    // The fields as a 64-bit host reads them, by offset.
    const auto* bytes = reinterpret_cast<const unsigned char*>(record);
    EXPECT_EQ(*reinterpret_cast<const std::int32_t*>(bytes + 44), 11);
    EXPECT_EQ(*reinterpret_cast<const std::int32_t*>(bytes + 56), 25);
    EXPECT_EQ(*reinterpret_cast<void* const*>(bytes + 96), record->object);
    EXPECT_EQ(*reinterpret_cast<const std::int32_t*>(bytes + 112), qm::fourCharCode('Q', 'M', 'V', '3'));
}

TEST_F(LinuxModuleTest, AnswersOpcodesThroughTheRecord) {
    Plugin plugin(module->create());
    checks::expectAnswersToOpcodes(plugin);
    // Without a parent window (or a display) the editor opens nothing and closes cleanly.
    EXPECT_EQ(plugin.dispatch(qm::effEditOpen, 0, 0, nullptr), 1);
    EXPECT_EQ(plugin.dispatch(qm::effEditIdle), 0);
    plugin.dispatch(qm::effEditClose);
}

TEST_F(LinuxModuleTest, AListenerOnAlphaDucksByTheSendersKeyThenKeysThenPassesInBypass) {
    checks::expectAListenerOnAlphaDucksThenKeysThenPassesInBypass(*module);
}

TEST_F(LinuxModuleTest, AFifthInstancePassesAudioThroughUnchanged) {
    checks::expectAFifthInstancePassesAudioThroughUnchanged(*module);
}

TEST_F(LinuxModuleTest, AListenerDucksByASenderInAnotherProcessOfOurHost) {
    ChildHost sender(environment("QM_HOST_PATH"), environment("QM_MODULE_PATH"), 1, 1.0f);
    ASSERT_TRUE(sender.isStarted());
    ASSERT_EQ(sender.slots(), std::vector<float>{0.0f});
    Plugin listener(module->create());
    EXPECT_EQ(listener.getParameter(qm::ParamOwnSlot), 1.0f);
    checks::listenOnAlphaInDuckMode(listener);
    Channels out(512);
    for (int block = 0; block < 300; ++block) out = run(listener, Channels(512, 1.0f));
    EXPECT_NEAR(out.left.back(), kSettled48Db, 1e-4);
    EXPECT_EQ(sender.stop(), 0);
    // The sender's process closed its instance: its slot is free again.
    Plugin next(module->create());
    EXPECT_EQ(next.getParameter(qm::ParamOwnSlot), 0.0f);
}

// One rescan as a host does it: load, make instances and run them, close them, unload.
void rescan(const std::string& path) {
    PluginModule loaded(path);
    ASSERT_TRUE(loaded.isLoaded());
    Plugin first(loaded.create());
    Plugin second(loaded.create());
    second.setParameter(qm::ParamBypass, 0.0f);
    second.setParameter(qm::ParamInputAlpha, 1.0f);
    run(first, Channels(512, 1.0f));
    run(second, Channels(512, 0.5f));
    second.text(qm::effGetParamDisplay, 9);
}

TEST(LinuxModuleRescan, LoadingAndUnloadingManyTimesLeavesNoThreadMemoryOrDescriptorBehind) {
    const std::string path = environment("QM_MODULE_PATH");
    rescan(path);  // the first load sets up what the process keeps anyway (loader and libc caches)
    rescan(path);
    const ProcessCensus before = ProcessCensus::take();
    for (int cycle = 0; cycle < 40; ++cycle) rescan(path);
    const ProcessCensus after = ProcessCensus::take();
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.descriptors, before.descriptors);
    EXPECT_EQ(after.mappings, before.mappings);
    // The loader books a few dozen bytes per load; a leaked instance, bus, runtime pool or reloaded
    // cairo (about 13 KiB) is far more than 256 bytes per rescan.
    EXPECT_LT(after.heapBytes - before.heapBytes, 40 * 256) << "heap grew by " << after.heapBytes - before.heapBytes;
    EXPECT_EQ(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "the module stayed loaded";
}

}  // namespace
}  // namespace qmhost
