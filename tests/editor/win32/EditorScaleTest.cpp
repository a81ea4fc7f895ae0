// The real module's editor under Wine at the scale QUELLMAR_SCALE forces: its size, its pictures
// (BMP in the artefacts folder, PNG after the run), and SendInput clicks and drags that reach the
// same controls and values at every scale.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "editor/EditorLayout.h"
#include "engine/Parameters.h"
#include "gui/Scale.h"
#include "tools/host/PluginLoader.h"
#include "editor/win32/GuiHost.h"

namespace qmgui {
namespace {

using qmhost::Plugin;
using qmhost::PluginModule;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

struct Density {
    const char* name;
    const char* setting;  // for _putenv
    qm::ScalePercent scale;
};

const Density kDensities[] = {
    {"1x", "QUELLMAR_SCALE=1", qm::kScale1x},
    {"1.5x", "QUELLMAR_SCALE=1.5", qm::kScale1_5x},
    {"2x", "QUELLMAR_SCALE=2", qm::kScale2x},
};

class EditorScaleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module = std::make_unique<PluginModule>(environment("QM_MODULE_PATH"));
        dll = GetModuleHandleA("QuellmarV3.dll");
    }
    static void TearDownTestSuite() {
        module.reset();
        _putenv("QUELLMAR_SCALE=");
    }
    void SetUp() override {
        ASSERT_TRUE(module->isLoaded());
        HostLog::get().clear();
    }
    // The middle of the device pixels of logical point (x, y) at `scale`.
    static int device(int logical, qm::ScalePercent scale) {
        return (qm::toDevice(logical, scale) + qm::toDevice(logical + 1, scale) - 1) / 2;
    }

    static std::unique_ptr<PluginModule> module;
    static HMODULE dll;
    HostWindow host;
};
std::unique_ptr<PluginModule> EditorScaleTest::module;
HMODULE EditorScaleTest::dll = nullptr;

TEST_F(EditorScaleTest, TheEditorOpensAtItsScaleWithPicturesDrawnForIt) {
    for (const Density& density : kDensities) {
        SCOPED_TRACE(density.name);
        _putenv(density.setting);
        Plugin plugin(module->create(HostLog::callback));
        const int width = qm::toDevice(qm::layout::kEditor.width(), density.scale);
        const int height = qm::toDevice(qm::layout::kEditor.height(), density.scale);
        qm::ERect* rect = nullptr;
        ASSERT_EQ(plugin.dispatch(qm::effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(rect->right - rect->left, width) << "before the open";
        EXPECT_EQ(rect->bottom - rect->top, height) << "before the open";
        ASSERT_EQ(plugin.dispatch(qm::effEditOpen, 0, 0, host.handle()), 1);
        pump(plugin.get(), 30);
        const Screenshot shot = capture(host.editorWindow());
        EXPECT_EQ(shot.width, width);
        EXPECT_EQ(shot.height, height);
        const std::string folder = environment("QM_ARTIFACT_DIR");
        if (!folder.empty()) shot.writeBmp(folder + "\\editor-" + density.name + ".bmp");
        // The title box, which no control covers, is the background drawn for this scale.
        const Screenshot background =
            resourcePixels(dll, qm::resourceIdAtScale(qm::layout::kBackgroundPicture, density.scale));
        EXPECT_EQ(background.width, width);
        EXPECT_TRUE(shows(shot, background, 0, 0, qm::toDevice(160, density.scale), qm::toDevice(44, density.scale),
                          0, 0));
        plugin.dispatch(qm::effEditClose);
    }
}

TEST_F(EditorScaleTest, ClicksAndDragsReachTheSameControlsAndValuesAtEveryScale) {
    for (const Density& density : kDensities) {
        SCOPED_TRACE(density.name);
        _putenv(density.setting);
        Plugin plugin(module->create(HostLog::callback));
        ASSERT_EQ(plugin.dispatch(qm::effEditOpen, 0, 0, host.handle()), 1);
        pump(plugin.get(), 30);
        const HWND editor = host.editorWindow();
        HostLog::get().clear();
        // The α toggle.
        moveMouse(editor, device(38, density.scale), device(122, density.scale));
        pressLeft();
        ASSERT_TRUE(waitForKeyState(VK_LBUTTON, true));
        pump(plugin.get(), 5);
        releaseLeft();
        ASSERT_TRUE(waitForKeyState(VK_LBUTTON, false));
        pump(plugin.get(), 5);
        EXPECT_EQ(plugin.getParameter(qm::ParamInputAlpha), 1.0f);
        // The attack handle from its grip to x = 219, as one gesture: 70/141, as at 1x.
        moveMouse(editor, device(140 + 29 + 9, density.scale), device(152, density.scale));
        pressLeft();
        ASSERT_TRUE(waitForKeyState(VK_LBUTTON, true));
        std::atomic<bool> done{false};
        std::thread mouse([&] {
            HostLog::get().waitFor(qm::audioMasterBeginEdit, 1);
            moveMouseInDrag(editor, device(219, density.scale), device(152, density.scale));
            HostLog::get().waitForAutomation(qm::ParamAttack, 70.0f / 141.0f);
            releaseLeft();
            done = true;
        });
        while (!done.load()) pump(plugin.get(), 1);
        mouse.join();
        pump(plugin.get(), 5);
        EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterBeginEdit).size(), 1u);
        EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterEndEdit).size(), 1u);
        EXPECT_FLOAT_EQ(plugin.getParameter(qm::ParamAttack), 70.0f / 141.0f);
        plugin.dispatch(qm::effEditClose);
    }
}

}  // namespace
}  // namespace qmgui
