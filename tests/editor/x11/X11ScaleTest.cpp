// The Linux module's editor at the density that the X server announces (the Xft.dpi resource, as
// desktops set it with xrdb) or that QUELLMAR_SCALE forces: its size, its pictures (PNG in the
// artefacts folder), and real clicks and drags that reach the same controls and values at every
// scale.

#include <X11/Xatom.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "editor/EditorLayout.h"
#include "engine/Parameters.h"
#include "gui/Scale.h"
#include "gui/cairo/CairoImage.h"
#include "support/HostLog.h"
#include "tools/host/PluginLoader.h"
#include "tools/host/support/x11/X11FakeInput.h"
#include "tools/host/support/x11/X11HostWindow.h"

namespace qmx11 {
namespace {

using qmgui::HostLog;
using qmhost::Plugin;
using qmhost::PluginModule;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The pixels of resources/bitmaps/`file`.
Screenshot picture(const std::string& file) {
    // Appended in place: GCC 12 misreads a chain of + on temporary strings as out of bounds.
    std::ifstream stream(std::string(QM_PRODUCT_RESOURCE_DIR).append("/").append(file), std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
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

// True when `shot` shows `source` in the device rectangle (left, top, right, bottom).
bool shows(const Screenshot& shot, const Screenshot& source, int left, int top, int right, int bottom) {
    if (source.pixels.empty() || shot.width < right || shot.height < bottom) return false;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (shot.at(x, y) != source.at(x, y)) return false;
        }
    }
    return true;
}

// Sets the X resources of the screen as `xrdb` does (nothing: none set).
void setResources(Display* display, const std::string& resources) {
    const Window root = DefaultRootWindow(display);
    const Atom property = XInternAtom(display, "RESOURCE_MANAGER", False);
    if (resources.empty()) {
        XDeleteProperty(display, root, property);
    } else {
        XChangeProperty(display, root, property, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(resources.data()), static_cast<int>(resources.size()));
    }
    XSync(display, False);
}

struct Density {
    const char* name;
    const char* resources;
    const char* forcedScale;  // QUELLMAR_SCALE, or null
    qm::ScalePercent scale;
    const char* folder;  // of the bitmaps at that scale
};

const Density kDensities[] = {
    {"1x", "", nullptr, qm::kScale1x, ""},
    {"1.5x", "Xft.dpi:\t144\n", nullptr, qm::kScale1_5x, "1.5x/"},
    {"2x", "Xft.dpi:\t192\n", nullptr, qm::kScale2x, "2x/"},
    {"2x-forced", "Xft.dpi:\t96\n", "2", qm::kScale2x, "2x/"},
    {"1x-forced", "Xft.dpi:\t192\n", "1", qm::kScale1x, ""},
};

class X11ScaleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { module = std::make_unique<PluginModule>(environment("QM_MODULE_PATH")); }
    static void TearDownTestSuite() { module.reset(); }
    void SetUp() override {
        ASSERT_TRUE(module->isLoaded());
        ASSERT_NE(host.display(), nullptr) << "no display";
        ASSERT_TRUE(input.isAvailable()) << "no XTEST";
    }
    void TearDown() override {
        setResources(host.display(), "");
        unsetenv("QUELLMAR_SCALE");
    }
    void use(const Density& density) {
        setResources(host.display(), density.resources);
        if (density.forcedScale != nullptr) setenv("QUELLMAR_SCALE", density.forcedScale, 1);
        else unsetenv("QUELLMAR_SCALE");
    }
    // Where logical point (x, y) of the editor lies in `window` at `scale`: the middle of its pixels.
    void moveToLogical(Window window, int x, int y, qm::ScalePercent scale) {
        input.moveTo(window, (qm::toDevice(x, scale) + qm::toDevice(x + 1, scale) - 1) / 2,
                     (qm::toDevice(y, scale) + qm::toDevice(y + 1, scale) - 1) / 2);
    }

    static std::unique_ptr<PluginModule> module;
    HostWindow host;
    FakeInput input;
};
std::unique_ptr<PluginModule> X11ScaleTest::module;

TEST_F(X11ScaleTest, TheEditorOpensAtTheDensityOfItsScreenWithPicturesDrawnForIt) {
    for (const Density& density : kDensities) {
        SCOPED_TRACE(density.name);
        use(density);
        Plugin plugin(module->create(HostLog::callback));
        const int width = qm::toDevice(qm::layout::kEditor.width(), density.scale);
        const int height = qm::toDevice(qm::layout::kEditor.height(), density.scale);
        qm::ERect* rect = nullptr;
        ASSERT_EQ(plugin.dispatch(qm::effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right - rect->left, width) << "before the open";
        EXPECT_EQ(rect->bottom - rect->top, height) << "before the open";
        ASSERT_EQ(plugin.dispatch(qm::effEditOpen, 0, 0, host.handle()), 1);
        pump(plugin.get(), 12);
        const Window window = host.editorWindow();
        int x = 0;
        int y = 0;
        int shownWidth = 0;
        int shownHeight = 0;
        bool mapped = false;
        ASSERT_TRUE(host.geometry(window, x, y, shownWidth, shownHeight, mapped));
        EXPECT_EQ(shownWidth, width);
        EXPECT_EQ(shownHeight, height);
        ASSERT_EQ(plugin.dispatch(qm::effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(rect->right - rect->left, width) << "while open";
        const Screenshot shot = host.capture(window);
        const std::string folder = environment("QM_ARTIFACT_UNIX_DIR");
        if (!folder.empty()) {
            EXPECT_TRUE(shot.writePng(folder + "/linux-editor-" + density.name + ".png"));
        }
        // The title box, which no control covers, is the background picture drawn for this scale.
        const Screenshot background =
            picture(std::string(density.folder) + std::to_string(qm::layout::kBackgroundPicture) + ".bmp");
        EXPECT_EQ(background.width, width);
        EXPECT_TRUE(shows(shot, background, 0, 0, qm::toDevice(160, density.scale), qm::toDevice(44, density.scale)));
        plugin.dispatch(qm::effEditClose);
    }
}

TEST_F(X11ScaleTest, RealClicksAndDragsReachTheSameControlsAndValuesAtEveryScale) {
    for (const Density& density : {kDensities[0], kDensities[1], kDensities[2]}) {
        SCOPED_TRACE(density.name);
        use(density);
        Plugin plugin(module->create(HostLog::callback));
        ASSERT_EQ(plugin.dispatch(qm::effEditOpen, 0, 0, host.handle()), 1);
        pump(plugin.get(), 5);
        const Window window = host.editorWindow();
        HostLog::get().clear();
        // The α toggle.
        moveToLogical(window, 38, 122, density.scale);
        input.button(1, true);
        input.button(1, false);
        pump(plugin.get(), 3);
        EXPECT_EQ(plugin.getParameter(qm::ParamInputAlpha), 1.0f);
        // The attack handle from its grip to x = 219, as one gesture: 70/141, as at 1x.
        moveToLogical(window, 140 + 29 + 9, 152, density.scale);
        input.button(1, true);
        // The slider tracks the mouse inside the idle call: another thread moves and releases it.
        std::atomic<bool> done{false};
        std::thread mouse([&] {
            HostLog::get().waitFor(qm::audioMasterBeginEdit, 1);
            moveToLogical(window, 219, 152, density.scale);
            HostLog::get().waitForAutomation(qm::ParamAttack, 70.0f / 141.0f);
            input.button(1, false);
            done = true;
        });
        while (!done.load()) pump(plugin.get(), 1);
        mouse.join();
        pump(plugin.get(), 3);
        EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterBeginEdit).size(), 1u);
        EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterEndEdit).size(), 1u);
        EXPECT_FLOAT_EQ(plugin.getParameter(qm::ParamAttack), 70.0f / 141.0f);
        plugin.dispatch(qm::effEditClose);
    }
}

}  // namespace
}  // namespace qmx11
