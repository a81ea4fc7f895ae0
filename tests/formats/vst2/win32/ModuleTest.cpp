// The real module, loaded the way a host loads it: LoadLibrary, `main`, then only the record.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/ModuleChecks.h"

namespace qmhost {
namespace {

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

TEST_F(ModuleTest, MainReturnsARecordLaidOutAsHostsReadIt) { checks::expectTheRecordAsHostsReadIt(*module); }

TEST_F(ModuleTest, AnswersOpcodesThroughTheRecord) {
    Plugin plugin(module->create());
    checks::expectAnswersToOpcodes(plugin);
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

TEST_F(ModuleTest, AListenerOnAlphaDucksByTheSendersKeyThenKeysThenPassesInBypass) {
    checks::expectAListenerOnAlphaDucksThenKeysThenPassesInBypass(*module);
}

TEST_F(ModuleTest, AFifthInstancePassesAudioThroughUnchanged) {
    checks::expectAFifthInstancePassesAudioThroughUnchanged(*module);
}

}  // namespace
}  // namespace qmhost
