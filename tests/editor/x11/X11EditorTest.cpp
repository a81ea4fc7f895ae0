// The Linux module's editor in a real X11 window under Xvfb: a host window of the test's own, the
// editor opened in it through dlopen and the record, screenshots read back with XGetImage (PNG in
// the artefacts folder), and a real mouse and keyboard through XTEST. The cases shared with the
// Windows module under Wine are the table of support/EditorSuite.h; what only X11 has (the child
// window's placement, other buttons, the wheel) follows it.

#include <X11/keysym.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "editor/EditorLayout.h"
#include "engine/Parameters.h"
#include "gui/cairo/CairoImage.h"
#include "support/EditorSuite.h"
#include "support/HostLog.h"
#include "support/LayoutPlaces.h"
#include "tools/host/PluginLoader.h"
#include "tools/host/support/x11/X11FakeInput.h"
#include "tools/host/support/x11/X11HostWindow.h"

namespace qmx11 {
namespace {

namespace layout = qm::layout;
using qm::test::handleLeft;
using qm::test::handlePlace;
using qm::test::showsBlock;

using qmgui::HostLog;
using qmhost::Plugin;
using qmhost::PluginModule;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The pixels of resources/bitmaps/N.bmp.
Screenshot picture(int id) {
    // Appended in place: GCC 12 misreads a chain of + on temporary strings as out of bounds.
    std::ifstream file(std::string(QM_PRODUCT_RESOURCE_DIR).append("/").append(std::to_string(id)).append(".bmp"),
                       std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Screenshot shot;
    auto image = qm::decodeBmp(bytes.data(), bytes.size());
    if (image == nullptr) return shot;
    const auto& pixels = static_cast<const qm::CairoImage&>(*image);
    shot.width = pixels.width();
    shot.height = pixels.height();
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) shot.pixels.push_back(pixels.rgbAt(x, y));
    }
    return shot;
}

// The Linux module in a host window of Xvfb, with a real mouse and keyboard through XTEST.
class X11Desk {
public:
    void setUp() {
        if (!module) module = std::make_unique<PluginModule>(environment("QM_MODULE_PATH"));
        ASSERT_TRUE(module->isLoaded());
        ASSERT_NE(host.display(), nullptr) << "no display";
        ASSERT_TRUE(input.isAvailable()) << "no XTEST";
    }
    static void unload() { module.reset(); }
    qm::PluginRecord* create() { return module->create(HostLog::callback); }
    bool open(const Plugin& plugin, int rounds = 5) {
        editor = 0;
        if (plugin.dispatch(qm::effEditOpen, 0, 0, host.handle()) != 1) return false;
        pump(plugin, rounds);
        editor = host.editorWindow();
        return editor != 0;
    }
    Screenshot capture() { return host.capture(editor); }
    Screenshot picture(int id) { return qmx11::picture(id); }
    void save(const Screenshot& shot, const std::string& name) {
        const std::string folder = environment("QM_ARTIFACT_UNIX_DIR");
        if (!folder.empty()) {
            EXPECT_TRUE(shot.writePng(folder + "/linux-editor-" + name + ".png"));
        }
    }
    void useOwnResources() {}
    void click(const Plugin& plugin, int x, int y, unsigned button = 1) {
        input.moveTo(editor, x, y);
        input.button(button, true);
        input.button(button, false);
        pump(plugin, 3);
    }
    bool pressAndTrack(const Plugin& plugin, int x, int y, bool control, const std::function<void()>& whilePressed) {
        input.moveTo(editor, x, y);
        if (control) input.key(XK_Control_L, true);
        input.button(1, true);
        std::atomic<bool> done{false};
        std::thread mouse([&] {
            whilePressed();
            done = true;
        });
        while (!done.load()) pump(plugin, 1);
        mouse.join();
        if (control) input.key(XK_Control_L, false);
        pump(plugin, 3);
        return true;
    }
    void moveTo(int x, int y) { input.moveTo(editor, x, y); }
    void release() { input.button(1, false); }
    void pump(const Plugin& plugin, int rounds) { qmx11::pump(plugin.get(), rounds); }
    bool editorGone() { return host.children().empty(); }

    HostWindow host;
    FakeInput input;
    Window editor = 0;

private:
    static std::unique_ptr<PluginModule> module;
};
std::unique_ptr<PluginModule> X11Desk::module;

QM_EDITOR_SUITE(X11Editor, X11Desk);

class X11EditorTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() { X11Desk::unload(); }
    void SetUp() override {
        desk.setUp();
        HostLog::get().clear();
    }
    X11Desk desk;
};

TEST_F(X11EditorTest, TheEditorIsAMappedChildAtTheOriginOfTheEditorsSize) {
    Plugin plugin(desk.create());
    ASSERT_TRUE(desk.open(plugin));
    int x = -1;
    int y = -1;
    int width = 0;
    int height = 0;
    bool mapped = false;
    ASSERT_TRUE(desk.host.geometry(desk.editor, x, y, width, height, mapped));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(width, layout::kEditor.width());
    EXPECT_EQ(height, layout::kEditor.height());
    EXPECT_TRUE(mapped);
    plugin.dispatch(qm::effEditClose);
    EXPECT_EQ(desk.host.editorWindow(), 0u);
}

TEST_F(X11EditorTest, ToggleTakesOnlyThePrimaryButtonAndTheWheelStepsASlider) {
    Plugin plugin(desk.create());
    ASSERT_TRUE(desk.open(plugin));
    desk.click(plugin, 38, 122, 3);
    EXPECT_EQ(plugin.getParameter(qm::ParamInputAlpha), 0.0f);
    desk.click(plugin, 38, 122);
    desk.click(plugin, 38, 122, 3);
    EXPECT_EQ(plugin.getParameter(qm::ParamInputAlpha), 1.0f);

    // The wheel over the threshold slider: button 4 steps it up, button 5 down, 0.1 a notch.
    desk.click(plugin, 200, 196, 4);
    EXPECT_FLOAT_EQ(plugin.getParameter(qm::ParamThreshold), 0.6f);
    desk.click(plugin, 200, 196, 5);
    desk.click(plugin, 200, 196, 5);
    EXPECT_FLOAT_EQ(plugin.getParameter(qm::ParamThreshold), 0.4f);
    plugin.dispatch(qm::effEditClose);
}

}  // namespace
}  // namespace qmx11
