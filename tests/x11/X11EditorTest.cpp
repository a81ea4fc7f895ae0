// The Linux module's editor in a real X11 window under Xvfb: a host window of the test's own, the
// editor opened in it through dlopen and the record, screenshots read back with XGetImage (PNG in
// the artefacts folder), and a real mouse and keyboard through XTEST. The tests that count X
// resources link the same code into this program, as the Windows gui tier does for GDI objects.

#include <X11/keysym.h>

#include <gtest/gtest.h>

#include <algorithm>
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
#include "gui/cairo/CairoImage.h"
#include "gui/controls/ValueDisplay.h"
#include "gui/x11/XResourceCount.h"
#include "formats/vst2/base/PluginEntry.h"
#include "support/HostLog.h"
#include "support/LayoutPlaces.h"
#include "tools/host/PluginLoader.h"
#include "tools/host/support/posix/ProcessCensus.h"
#include "tools/host/support/x11/X11FakeInput.h"
#include "tools/host/support/x11/X11HostWindow.h"

namespace qmx11 {
namespace {

namespace layout = qm::layout;
using qm::test::backgroundCorner;
using qm::test::handleLeft;
using qm::test::handlePlace;
using qm::test::kSlotDigitHeight;
using qm::test::meterColumns;
using qm::test::slotDigitPlace;
using qm::test::trackBefore;

using qmgui::HostLog;
using qmhost::Plugin;
using qmhost::PluginModule;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The pixels of resources/bitmaps/N.bmp.
Screenshot picture(int id) {
    std::ifstream file(std::string(QM_PRODUCT_RESOURCE_DIR) + "/" + std::to_string(id) + ".bmp", std::ios::binary);
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

// True when `shot` shows `source`'s block at (sourceX, sourceY) in (left, top, right, bottom).
bool shows(const Screenshot& shot, const Screenshot& source, int left, int top, int right, int bottom, int sourceX,
           int sourceY) {
    if (source.pixels.empty() || shot.width < right || shot.height < bottom) return false;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (shot.at(x, y) != source.at(sourceX + x - left, sourceY + y - top)) return false;
        }
    }
    return true;
}
bool shows(const Screenshot& shot, const Screenshot& source, const qm::Rect& place, int sourceX, int sourceY) {
    return shows(shot, source, place.left, place.top, place.right, place.bottom, sourceX, sourceY);
}

class X11EditorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { module = std::make_unique<PluginModule>(environment("QM_MODULE_PATH")); }
    static void TearDownTestSuite() { module.reset(); }
    void SetUp() override {
        ASSERT_TRUE(module->isLoaded());
        ASSERT_NE(host.display(), nullptr) << "no display";
        ASSERT_TRUE(input.isAvailable()) << "no XTEST";
        HostLog::get().clear();
    }

    Window openEditor(const Plugin& plugin) {
        EXPECT_EQ(plugin.dispatch(qm::effEditOpen, 0, 0, host.handle()), 1);
        pump(plugin.get(), 5);
        return host.editorWindow();
    }
    void saveArtefact(const Screenshot& shot, const std::string& name) {
        const std::string folder = environment("QM_ARTIFACT_UNIX_DIR");
        if (!folder.empty()) {
            EXPECT_TRUE(shot.writePng(folder + "/" + name + ".png"));
        }
    }
    void click(const Plugin& plugin, Window editor, int x, int y) {
        input.moveTo(editor, x, y);
        input.button(1, true);
        input.button(1, false);
        pump(plugin.get(), 3);
    }
    // Presses at (x, y) with `modifier` held when not 0; `whilePressed` runs on another thread
    // while this one idles the editor (a slider tracks the mouse inside the idle) and must release.
    template <typename Body>
    void pressAndTrack(const Plugin& plugin, Window editor, int x, int y, unsigned long modifier, Body whilePressed) {
        input.moveTo(editor, x, y);
        if (modifier != 0) input.key(modifier, true);
        input.button(1, true);
        std::atomic<bool> done{false};
        std::thread mouse([&] {
            whilePressed();
            done = true;
        });
        while (!done.load()) pump(plugin.get(), 1);
        mouse.join();
        if (modifier != 0) input.key(modifier, false);
        pump(plugin.get(), 3);
    }

    static std::unique_ptr<PluginModule> module;
    HostWindow host;
    FakeInput input;
};
std::unique_ptr<PluginModule> X11EditorTest::module;

TEST_F(X11EditorTest, TheEditorIsAChildOfTheEditorsSizeShowingSlotBypassHandlesReadoutsAndTheMeter) {
    Plugin sender(module->create(HostLog::callback));
    Plugin listener(module->create(HostLog::callback));
    ASSERT_EQ(sender.getParameter(qm::ParamOwnSlot), 0.0f);
    const Window window = openEditor(sender);
    ASSERT_NE(window, 0u);
    int x = -1;
    int y = -1;
    int width = 0;
    int height = 0;
    bool mapped = false;
    ASSERT_TRUE(host.geometry(window, x, y, width, height, mapped));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(width, layout::kEditor.width());
    EXPECT_EQ(height, layout::kEditor.height());
    EXPECT_TRUE(mapped);
    Screenshot shot = host.capture(window);
    saveArtefact(shot, "linux-editor-slot0");
    EXPECT_TRUE(shows(shot, picture(layout::kSlotDigitsPicture), slotDigitPlace(), 0, 0));    // α
    EXPECT_TRUE(shows(shot, picture(layout::kBypassPicture), layout::kBypassSwitch, 0, 24));   // bypass lit
    EXPECT_TRUE(shows(shot, picture(layout::kDuckKeyPicture), layout::kDuckKeySwitch, 0, 0));  // keying lit
    EXPECT_TRUE(shows(shot, picture(layout::kBackgroundPicture), backgroundCorner(), 0, 0));  // background
    const auto& tops = layout::kSliderRows;
    const float values[3] = {0.19858247f, 0.19856989f, 0.5f};
    for (int i = 0; i < 3; ++i) {
        const int left = handleLeft(values[i]);
        EXPECT_TRUE(shows(shot, picture(layout::kSliderHandlePicture), handlePlace(i, left), 0, 0)) << i;
        EXPECT_TRUE(shows(shot, picture(layout::kSliderTrackPicture), trackBefore(i, left), 0, 0)) << i;
    }
    // The readouts: the same pixels as displays of 78.87, 39.43 and -48.00 drawn by the toolkit.
    auto reference = qm::createMemoryTarget(layout::kEditor.width(), layout::kEditor.height(), nullptr);
    const float shown[3] = {78.87f, 39.43f, -48.0f};
    for (int i = 0; i < 3; ++i) {
        const qm::Rect readout = layout::readoutRect(i);
        qm::ValueDisplay display(readout, nullptr, 1);
        display.setFont(qm::FontSmall);
        display.setFontColor(qm::Color{29, 146, 255, 0});
        display.setBackColor(qm::Color{66, 66, 66, 0});
        display.setFrameColor(qm::Color{66, 66, 66, 0});
        display.setValue(shown[i]);
        qm::Canvas canvas(nullptr, reference.get(), nullptr);
        display.draw(canvas);
        int differing = 0;
        for (int row = tops[i]; row <= readout.bottom; ++row) {
            for (int column = readout.left; column <= readout.right; ++column) {
                const qm::Color expected = reference->pixelAt(column, row);
                const std::uint32_t rgb = (std::uint32_t{expected.red} << 16) | (expected.green << 8) | expected.blue;
                differing += shot.at(column, row) != rgb ? 1 : 0;
            }
        }
        EXPECT_EQ(differing, 0) << shown[i];
    }
    sender.dispatch(qm::effEditClose);
    EXPECT_EQ(host.editorWindow(), 0u);

    // The listener on Alpha after ducked blocks: the meter lights 273 of its 275 columns.
    listener.setParameter(qm::ParamBypass, 0.0f);
    listener.setParameter(qm::ParamInputAlpha, 1.0f);
    listener.setParameter(qm::ParamDuckKey, 1.0f);
    const Window listening = openEditor(listener);
    std::vector<float> key(512, 1.0f);
    std::vector<float> audio(512, 0.5f);
    std::vector<float> out(512);
    for (int block = 0; block < 200; ++block) {
        sender.processReplacing(key.data(), key.data(), out.data(), out.data(), 512);
        listener.processReplacing(audio.data(), audio.data(), out.data(), out.data(), 512);
    }
    pump(listener.get(), 3);
    shot = host.capture(listening);
    saveArtefact(shot, "linux-editor-ducking");
    EXPECT_TRUE(shows(shot, picture(layout::kSlotDigitsPicture), slotDigitPlace(), 0, kSlotDigitHeight));  // β
    EXPECT_TRUE(shows(shot, picture(layout::kMeterLitPicture), meterColumns(0, 273), 0, 0));
    EXPECT_TRUE(shows(shot, picture(layout::kMeterUnlitPicture), meterColumns(273, layout::kMeter.width()), 273, 0));
    listener.dispatch(qm::effEditClose);
}

TEST_F(X11EditorTest, AFifthInstanceShowsTheRedCross) {
    std::vector<std::unique_ptr<Plugin>> plugins;
    for (int i = 0; i < 5; ++i) plugins.push_back(std::make_unique<Plugin>(module->create(HostLog::callback)));
    const Screenshot shot = host.capture(openEditor(*plugins[4]));
    saveArtefact(shot, "linux-editor-no-slot");
    EXPECT_TRUE(shows(shot, picture(layout::kSlotDigitsPicture), slotDigitPlace(), 0, 6 * kSlotDigitHeight));
    plugins[4]->dispatch(qm::effEditClose);
}

TEST_F(X11EditorTest, ARealClickFlipsAToggleAndTheHostHearsOneAutomation) {
    Plugin plugin(module->create(HostLog::callback));
    const Window window = openEditor(plugin);
    HostLog::get().clear();
    click(plugin, window, 38, 122);
    EXPECT_EQ(plugin.getParameter(qm::ParamInputAlpha), 1.0f);
    const auto automated = HostLog::get().eventsWith(qm::audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, qm::ParamInputAlpha);
    EXPECT_TRUE(HostLog::get().eventsWith(qm::audioMasterBeginEdit).empty());
    // α lit
    EXPECT_TRUE(shows(host.capture(window), picture(layout::kInputPictures[0]), layout::kInputSwitches[0], 0, 24));
    // The other buttons reach the toggle too, and it takes only the primary one.
    input.moveTo(window, 38, 122);
    input.button(3, true);
    input.button(3, false);
    pump(plugin.get(), 3);
    EXPECT_EQ(plugin.getParameter(qm::ParamInputAlpha), 1.0f);
    plugin.dispatch(qm::effEditClose);
}

TEST_F(X11EditorTest, ARealDragIsOneGestureAndKeysControlClickAndTheWheelFollow) {
    Plugin plugin(module->create(HostLog::callback));
    const Window window = openEditor(plugin);
    HostLog::get().clear();
    pressAndTrack(plugin, window, handleLeft(0.19858247f) + 9, 152, 0, [&] {
        HostLog::get().waitFor(qm::audioMasterBeginEdit, 1);
        input.moveTo(window, 219, 152);
        HostLog::get().waitForAutomation(qm::ParamAttack, 70.0f / 141.0f);
        input.button(1, false);
    });
    const auto begin = HostLog::get().eventsWith(qm::audioMasterBeginEdit);
    const auto end = HostLog::get().eventsWith(qm::audioMasterEndEdit);
    const auto automated = HostLog::get().eventsWith(qm::audioMasterAutomate);
    ASSERT_EQ(begin.size(), 1u);
    ASSERT_EQ(end.size(), 1u);
    EXPECT_EQ(begin[0].index, qm::ParamAttack);
    EXPECT_EQ(end[0].index, qm::ParamAttack);
    ASSERT_FALSE(automated.empty());
    EXPECT_FLOAT_EQ(automated.back().opt, 70.0f / 141.0f);
    EXPECT_FLOAT_EQ(plugin.getParameter(qm::ParamAttack), 70.0f / 141.0f);
    EXPECT_TRUE(shows(host.capture(window), picture(layout::kSliderHandlePicture),
                      handlePlace(0, handleLeft(70.0f / 141.0f)), 0, 0));

    // The dragged slider keeps the focus: the arrow keys step it.
    HostLog::get().clear();
    EXPECT_EQ(plugin.dispatch(qm::effEditKeyDown, 0, 12), 1);
    EXPECT_FLOAT_EQ(plugin.getParameter(qm::ParamAttack), 70.0f / 141.0f + 0.1f);
    EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterAutomate).size(), 1u);

    // Control-click returns to 0.5 (were Control missed, the slider would track the mouse until
    // the release, which therefore comes once the host heard of the change).
    pump(plugin.get(), 3);
    HostLog::get().clear();
    pressAndTrack(plugin, window, 200, 152, XK_Control_L, [&] {
        HostLog::get().waitFor(qm::audioMasterAutomate, 1);
        input.button(1, false);
    });
    EXPECT_EQ(plugin.getParameter(qm::ParamAttack), 0.5f);
    EXPECT_EQ(HostLog::get().eventsWith(qm::audioMasterAutomate).size(), 1u);
    EXPECT_TRUE(HostLog::get().eventsWith(qm::audioMasterBeginEdit).empty());

    // The wheel over the threshold slider: button 4 steps it up, button 5 down, 0.1 a notch.
    input.moveTo(window, 200, 196);
    input.button(4, true);
    input.button(4, false);
    pump(plugin.get(), 3);
    EXPECT_FLOAT_EQ(plugin.getParameter(qm::ParamThreshold), 0.6f);
    input.button(5, true);
    input.button(5, false);
    input.button(5, true);
    input.button(5, false);
    pump(plugin.get(), 3);
    EXPECT_FLOAT_EQ(plugin.getParameter(qm::ParamThreshold), 0.4f);
    plugin.dispatch(qm::effEditClose);
}

TEST_F(X11EditorTest, TheHelpMarkOpensThePanelAndTheNextClickClosesIt) {
    Plugin plugin(module->create(HostLog::callback));
    const Window window = openEditor(plugin);
    HostLog::get().clear();
    click(plugin, window, 242, 30);
    Screenshot shot = host.capture(window);
    saveArtefact(shot, "linux-editor-help");
    EXPECT_TRUE(shows(shot, picture(layout::kHelpPicture), layout::kEditor, 0, 0));
    click(plugin, window, 100, 100);
    shot = host.capture(window);
    EXPECT_TRUE(shows(shot, picture(layout::kBackgroundPicture), 0, 0, 160, 100, 0, 0));
    EXPECT_TRUE(HostLog::get().eventsWith(qm::audioMasterAutomate).empty());
    plugin.dispatch(qm::effEditClose);
}

TEST_F(X11EditorTest, FiftyOpensAndClosesWhileAudioAndAutomationRun) {
    Plugin sender(module->create(HostLog::callback));
    Plugin listener(module->create(HostLog::callback));
    listener.setParameter(qm::ParamBypass, 0.0f);
    listener.setParameter(qm::ParamInputAlpha, 1.0f);
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        std::vector<float> in(256, 0.5f);
        std::vector<float> out(256);
        for (int i = 0; !stop.load(); ++i) {
            sender.processReplacing(in.data(), in.data(), out.data(), out.data(), 256);
            listener.processReplacing(in.data(), in.data(), out.data(), out.data(), 256);
            listener.setParameter(qm::ParamThreshold, static_cast<float>(i % 10) / 10.0f);
        }
    });
    for (int cycle = 0; cycle < 50; ++cycle) {
        EXPECT_EQ(listener.dispatch(qm::effEditOpen, 0, 0, host.handle()), 1);
        pump(listener.get(), 3);
        listener.dispatch(qm::effEditClose);
    }
    stop = true;
    audio.join();
    EXPECT_TRUE(host.children().empty());
}

}  // namespace
}  // namespace qmx11
