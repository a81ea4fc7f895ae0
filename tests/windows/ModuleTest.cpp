// The real module, loaded the way a host loads it: LoadLibrary, `main`, then only the record.

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/Parameters.h"
#include "tools/host/PluginLoader.h"

namespace qmhost {
namespace {

constexpr double kSettled48Db = 0.0039810717055349725;  // 10^(-48/20)

class ModuleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* path = std::getenv("QM_MODULE_PATH");
        ASSERT_NE(path, nullptr) << "QM_MODULE_PATH names the module to test";
        module = std::make_unique<PluginModule>(path);
        ASSERT_TRUE(module->isLoaded()) << path;
    }
    static void TearDownTestSuite() { module.reset(); }
    static std::unique_ptr<PluginModule> module;
};
std::unique_ptr<PluginModule> ModuleTest::module;

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

TEST_F(ModuleTest, MainReturnsARecordLaidOutAsHostsReadIt) {
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
    EXPECT_NE(record->dispatcher, nullptr);
    EXPECT_NE(record->process, nullptr);
    EXPECT_NE(record->processReplacing, nullptr);
    EXPECT_EQ(module->create(nullptr), nullptr);
}

TEST_F(ModuleTest, AnswersOpcodesThroughTheRecord) {
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
}

std::string versionText(const std::vector<char>& block, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
    if (!VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) return {};
    return value;
}

TEST_F(ModuleTest, TheVersionBlockNamesTheModule) {
    const char* path = std::getenv("QM_MODULE_PATH");
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00030000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(versionText(block, "FileDescription"), "VST Plug-In");
    EXPECT_EQ(versionText(block, "Comments"), "QuellmarV3");
    EXPECT_EQ(versionText(block, "InternalName"), "QuellmarV3");
    EXPECT_EQ(versionText(block, "OriginalFilename"), "QuellmarV3.dll");
    EXPECT_EQ(versionText(block, "FileVersion"), "3.0");
    EXPECT_EQ(versionText(block, "ProductVersion"), "3, 0, 0, 0");
}

TEST_F(ModuleTest, AListenerOnAlphaDucksByTheSendersKey) {
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

TEST_F(ModuleTest, AFifthInstancePassesAudioThroughUnchanged) {
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

}  // namespace
}  // namespace qmhost
