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

#include "engine/Parameters.h"
#include "linux/ChildHost.h"
#include "linux/ProcessCensus.h"
#include "tools/host/PluginLoader.h"

namespace qmhost {
namespace {

constexpr double kSettled48Db = 0.0039810717055349725;  // 10^(-48/20)

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

struct Channels {
    explicit Channels(int frames, float value = 0.0f) : left(frames, value), right(frames, value) {}
    std::vector<float> left;
    std::vector<float> right;
};

Channels run(const Plugin& plugin, const Channels& input, float stale = 42.0f) {
    Channels output(static_cast<int>(input.left.size()), stale);
    plugin.processReplacing(input.left.data(), input.right.data(), output.left.data(), output.right.data(),
                            static_cast<std::int32_t>(input.left.size()));
    return output;
}

TEST_F(LinuxModuleTest, BothEntriesAreOneFunctionThatReturnsTheSixtyFourBitRecord) {
    ASSERT_NE(module->findExport("VSTPluginMain"), nullptr);
    EXPECT_EQ(module->findExport("VSTPluginMain"), module->findExport("main"));
    EXPECT_EQ(module->findExport("quellmarMain"), nullptr);
    Plugin plugin(module->create());
    ASSERT_TRUE(plugin);
    const qm::PluginRecord* record = plugin.get();
    EXPECT_EQ(record->magic, 0x56737450);
    EXPECT_EQ(record->numPrograms, 1);
    EXPECT_EQ(record->numParams, 11);
    EXPECT_EQ(record->numInputs, 2);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->flags, qm::effFlagsHasEditor | qm::effFlagsCanMono | qm::effFlagsCanReplacing);
    EXPECT_EQ(record->initialDelay, 0);
    EXPECT_EQ(record->ioRatio, 1.0f);
    EXPECT_EQ(record->uniqueID, qm::fourCharCode('Q', 'M', 'V', '3'));
    EXPECT_EQ(record->version, 1);
    EXPECT_NE(record->object, nullptr);
    EXPECT_NE(record->process, nullptr);
    EXPECT_NE(record->processReplacing, nullptr);
    // The fields as a 64-bit host reads them, by offset.
    const auto* bytes = reinterpret_cast<const unsigned char*>(record);
    EXPECT_EQ(*reinterpret_cast<const std::int32_t*>(bytes + 44), 11);
    EXPECT_EQ(*reinterpret_cast<const std::int32_t*>(bytes + 56), 25);
    EXPECT_EQ(*reinterpret_cast<void* const*>(bytes + 96), record->object);
    EXPECT_EQ(*reinterpret_cast<const std::int32_t*>(bytes + 112), qm::fourCharCode('Q', 'M', 'V', '3'));
    EXPECT_EQ(module->create(nullptr), nullptr);
}

TEST_F(LinuxModuleTest, AnswersOpcodesThroughTheRecord) {
    Plugin plugin(module->create());
    EXPECT_EQ(plugin.dispatch(qm::effIdentify), 0x4E764566);
    EXPECT_EQ(plugin.dispatch(qm::effGetVstVersion), 2300);
    EXPECT_EQ(plugin.dispatch(77), 0);
    EXPECT_EQ(plugin.dispatch(-1), 0);
    EXPECT_EQ(plugin.dispatch(qm::effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
    EXPECT_EQ(plugin.text(qm::effGetVendorString), "Quellmar V3");
    EXPECT_EQ(plugin.text(qm::effGetProgramName), "QuellmarV3");
    EXPECT_EQ(plugin.text(qm::effGetParamName, 9), "threshhold");
    EXPECT_EQ(plugin.text(qm::effGetParamLabel, 0), "DISABLED");
    EXPECT_EQ(plugin.text(qm::effGetParamDisplay, 6), "0.198582");
    plugin.setParameter(9, 0.25f);
    EXPECT_EQ(plugin.getParameter(9), 0.25f);
    EXPECT_EQ(plugin.text(qm::effGetEffectName), "QuellmarV3EditGUI");
    EXPECT_EQ(plugin.text(qm::effGetProductString), "QuellmarV3EditGUI");
    EXPECT_EQ(plugin.dispatch(qm::effGetVendorVersion), 1000);
    qm::ERect* rect = nullptr;
    EXPECT_EQ(plugin.dispatch(qm::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, 317);
    EXPECT_EQ(rect->bottom, 260);
    // Without a parent window (or a display) the editor opens nothing and closes cleanly.
    EXPECT_EQ(plugin.dispatch(qm::effEditOpen, 0, 0, nullptr), 1);
    EXPECT_EQ(plugin.dispatch(qm::effEditIdle), 0);
    plugin.dispatch(qm::effEditClose);
}

TEST_F(LinuxModuleTest, AListenerOnAlphaDucksByTheSendersKeyThenKeysThenPassesInBypass) {
    Plugin sender(module->create());
    Plugin listener(module->create());
    ASSERT_EQ(sender.getParameter(qm::ParamOwnSlot), 0.0f);
    ASSERT_EQ(listener.getParameter(qm::ParamOwnSlot), 1.0f);
    listener.setParameter(qm::ParamBypass, 0.0f);
    listener.setParameter(qm::ParamInputAlpha, 1.0f);
    listener.setParameter(qm::ParamDuckKey, 1.0f);
    listener.setParameter(qm::ParamThreshold, 0.5f);

    Channels out(512);
    for (int block = 0; block < 300; ++block) {
        run(sender, Channels(512, 1.0f));
        out = run(listener, Channels(512, 1.0f));
    }
    EXPECT_NEAR(out.left.back(), kSettled48Db, 1e-4);
    EXPECT_NEAR(listener.getParameter(qm::ParamMeter), 0.99602, 1e-4);

    listener.setParameter(qm::ParamDuckKey, 0.0f);
    run(sender, Channels(512, 1.0f));
    out = run(listener, Channels(512, 1.0f));
    EXPECT_NEAR(out.right.back(), 1.0 - kSettled48Db, 1e-4);

    listener.setParameter(qm::ParamBypass, 1.0f);
    out = run(listener, Channels(512, 0.5f));
    EXPECT_EQ(out.left.back(), 0.5f);
    EXPECT_EQ(listener.getParameter(qm::ParamMeter), 0.0f);
}

TEST_F(LinuxModuleTest, AFifthInstancePassesAudioThroughUnchanged) {
    std::vector<std::unique_ptr<Plugin>> plugins;
    for (int i = 0; i < 5; ++i) plugins.push_back(std::make_unique<Plugin>(module->create()));
    const Plugin& fifth = *plugins[4];
    EXPECT_EQ(fifth.getParameter(qm::ParamOwnSlot), 6.0f);
    fifth.setParameter(qm::ParamBypass, 0.0f);
    fifth.setParameter(qm::ParamInputAlpha, 1.0f);
    run(*plugins[0], Channels(256, 1.0f));
    Channels input(256);
    for (int i = 0; i < 256; ++i) {
        input.left[i] = std::sin(0.05f * static_cast<float>(i));
        input.right[i] = -input.left[i];
    }
    const Channels out = run(fifth, input);
    EXPECT_EQ(out.left, input.left);
    EXPECT_EQ(out.right, input.right);

    plugins.clear();
    Plugin next(module->create());
    EXPECT_EQ(next.getParameter(qm::ParamOwnSlot), 0.0f);
}

TEST_F(LinuxModuleTest, AListenerDucksByASenderInAnotherProcessOfOurHost) {
    ChildHost sender(environment("QM_HOST_PATH"), environment("QM_MODULE_PATH"), 1, 1.0f);
    ASSERT_TRUE(sender.isStarted());
    ASSERT_EQ(sender.slots(), std::vector<float>{0.0f});
    Plugin listener(module->create());
    EXPECT_EQ(listener.getParameter(qm::ParamOwnSlot), 1.0f);
    listener.setParameter(qm::ParamBypass, 0.0f);
    listener.setParameter(qm::ParamInputAlpha, 1.0f);
    listener.setParameter(qm::ParamDuckKey, 1.0f);
    listener.setParameter(qm::ParamThreshold, 0.5f);
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
