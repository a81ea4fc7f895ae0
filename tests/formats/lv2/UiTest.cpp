// The editor as an LV2 X11 UI, through its descriptor, in a host window of the test's own under
// Xvfb: refusals without a parent, a window or a write function; the size told to the host at the
// screen's scale; port events shown; real clicks and drags written to the host in user units,
// drags framed by touch gestures; cleanup with the editor open and from inside a drag.

#include <gtest/gtest.h>

// After GoogleTest: Xlib defines None.
#include <X11/Xlib.h>
#include <lv2/ui/ui.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "editor/EditorLayout.h"
#include "formats/lv2/PluginUris.h"
#include "formats/lv2/Ports.h"
#include "gui/Scale.h"
#include "tools/host/support/x11/X11FakeInput.h"
#include "tools/host/support/x11/X11HostWindow.h"

namespace qm::lv2::test {
namespace {

// What the UI told the host: port writes, touch gestures and its size.
struct HostRecord {
    struct Write {
        std::uint32_t port;
        float value;
    };
    std::mutex lock;
    std::vector<Write> writes;
    std::vector<std::pair<std::uint32_t, bool>> touches;
    int width = 0;
    int height = 0;
    // When set, the host destroys the UI from inside its next port write.
    std::atomic<bool> cleanupAtNextWrite{false};
    LV2UI_Handle handle = nullptr;

    std::vector<Write> writesTo(std::uint32_t port) {
        std::lock_guard<std::mutex> guard(lock);
        std::vector<Write> found;
        for (const Write& write : writes) {
            if (write.port == port) found.push_back(write);
        }
        return found;
    }
};

void writeFunction(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    auto* host = static_cast<HostRecord*>(controller);
    ASSERT_EQ(format, 0u);
    ASSERT_EQ(size, sizeof(float));
    float value = 0.0f;
    std::memcpy(&value, buffer, sizeof value);
    {
        std::lock_guard<std::mutex> guard(host->lock);
        host->writes.push_back({port, value});
    }
    if (host->cleanupAtNextWrite.exchange(false)) {
        lv2ui_descriptor(0)->cleanup(host->handle);
        host->handle = nullptr;
    }
}

void touchFunction(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
    auto* host = static_cast<HostRecord*>(handle);
    std::lock_guard<std::mutex> guard(host->lock);
    host->touches.emplace_back(port, grabbed);
}

int resizeFunction(LV2UI_Feature_Handle handle, int width, int height) {
    auto* host = static_cast<HostRecord*>(handle);
    host->width = width;
    host->height = height;
    return 0;
}

class Lv2UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(window.display(), nullptr) << "no display";
        ASSERT_TRUE(mouse.isAvailable()) << "no XTEST";
        unsetenv("QUELLMAR_SCALE");
    }
    void TearDown() override { close(); }

    // Instantiates the UI with `parent` (the host window unless given) and every feature.
    LV2UI_Handle open(void* parent) {
        parentFeature = {LV2_UI__parent, parent};
        touchFeature = {LV2_UI__touch, &touch};
        resizeFeature = {LV2_UI__resize, &resize};
        const LV2_Feature* features[] = {&parentFeature, &touchFeature, &resizeFeature, nullptr};
        host.handle = descriptor->instantiate(descriptor, kPluginUri, "", writeFunction, &host, &widget, features);
        return host.handle;
    }
    LV2UI_Handle open() { return open(window.handle()); }
    void close() {
        if (host.handle != nullptr) descriptor->cleanup(host.handle);
        host.handle = nullptr;
    }
    void idle(int rounds = 5) {
        const auto* idleInterface = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
        for (int round = 0; round < rounds && host.handle != nullptr; ++round) EXPECT_EQ(idleInterface->idle(host.handle), 0);
    }
    void portEvent(std::uint32_t port, float value) { descriptor->port_event(host.handle, port, sizeof value, 0, &value); }
    Window editorWindow() const { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(widget)); }
    // The host's window, where the editor sits at (0, 0): the mouse is moved relative to it, as
    // the editor's window may go while the mouse moves.
    Window hostWindow() const { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(window.handle())); }
    // Presses at (x, y) of the editor, runs `whilePressed` on another thread while the host idles
    // the UI (a drag loop runs inside an idle call), then idles a little more.
    template <typename Body>
    void pressAndTrack(int x, int y, Body whilePressed) {
        mouse.moveTo(hostWindow(), x, y);
        mouse.button(1, true);
        std::atomic<bool> done{false};
        std::thread moving([&] {
            whilePressed();
            done = true;
        });
        while (!done.load()) idle(1);
        moving.join();
        idle(3);
    }

    const LV2UI_Descriptor* descriptor = lv2ui_descriptor(0);
    qmx11::HostWindow window;
    qmx11::FakeInput mouse;
    HostRecord host;
    LV2UI_Touch touch{&host, touchFunction};
    LV2UI_Resize resize{&host, resizeFunction};
    LV2_Feature parentFeature{};
    LV2_Feature touchFeature{};
    LV2_Feature resizeFeature{};
    LV2UI_Widget widget = nullptr;
};

TEST_F(Lv2UiTest, WithoutAParentAWindowAWriteFunctionOrForAnotherPluginTheUiIsRefused) {
    EXPECT_STREQ(descriptor->URI, kUiUri);
    EXPECT_EQ(lv2ui_descriptor(1), nullptr);
    EXPECT_NE(descriptor->extension_data(LV2_UI__idleInterface), nullptr);
    EXPECT_EQ(descriptor->extension_data(LV2_UI__showInterface), nullptr);
    const LV2_Feature* none[] = {nullptr};
    EXPECT_EQ(descriptor->instantiate(descriptor, kPluginUri, "", writeFunction, &host, &widget, none), nullptr);
    EXPECT_EQ(descriptor->instantiate(descriptor, kPluginUri, "", writeFunction, &host, &widget, nullptr), nullptr);
    EXPECT_EQ(open(reinterpret_cast<void*>(std::uintptr_t{0x7ffffff0})), nullptr);  // no such window
    parentFeature = {LV2_UI__parent, window.handle()};
    const LV2_Feature* parentOnly[] = {&parentFeature, nullptr};
    EXPECT_EQ(descriptor->instantiate(descriptor, "http://example.org/other", "", writeFunction, &host, &widget,
                                      parentOnly),
              nullptr);
    EXPECT_EQ(descriptor->instantiate(descriptor, kPluginUri, "", nullptr, &host, &widget, parentOnly), nullptr);
    // Parent alone is enough.
    host.handle = descriptor->instantiate(descriptor, kPluginUri, "", writeFunction, &host, &widget, parentOnly);
    EXPECT_NE(host.handle, nullptr);
}

TEST_F(Lv2UiTest, TheEditorIsEmbeddedInTheHostWindowAndItsSizeToldAtTheScreensScale) {
    struct Case {
        const char* setting;
        ScalePercent scale;
    } cases[] = {{nullptr, kScale1x}, {"1.5", kScale1_5x}, {"2", kScale2x}};
    for (const Case& c : cases) {
        if (c.setting != nullptr) setenv("QUELLMAR_SCALE", c.setting, 1);
        const Rect size = toDevice(qm::layout::kEditor, c.scale);
        ASSERT_EQ(size.left, 0);
        ASSERT_EQ(size.top, 0);
        ASSERT_NE(open(), nullptr);
        idle();
        EXPECT_EQ(host.width, size.right);
        EXPECT_EQ(host.height, size.bottom);
        ASSERT_EQ(window.children(), std::vector<Window>{editorWindow()});
        int x = 0, y = 0, width = 0, height = 0;
        bool mapped = false;
        ASSERT_TRUE(window.geometry(editorWindow(), x, y, width, height, mapped));
        EXPECT_EQ(width, size.right);
        EXPECT_EQ(height, size.bottom);
        EXPECT_TRUE(mapped);
        close();
        idle();
        EXPECT_TRUE(window.children().empty());
    }
}

TEST_F(Lv2UiTest, PortEventsRedrawOnlyTheControlsTheyReach) {
    ASSERT_NE(open(), nullptr);
    idle(10);
    const qmx11::Screenshot before = window.capture(editorWindow());
    portEvent(portOfControl(ControlThreshold), -24.0f);
    portEvent(portOfControl(ControlRange), 9.0f);  // no control of the editor shows it
    portEvent(kPortCount, 1.0f);                    // no such port
    descriptor->port_event(host.handle, PortMeter, 2, 0, "x");  // a wrong size
    idle(10);
    const qmx11::Screenshot after = window.capture(editorWindow());
    ASSERT_EQ(before.pixels.size(), after.pixels.size());
    const Rect thresholdRow = qm::layout::sliderRect(2);
    int changedAbove = 0;
    int changedInRow = 0;
    for (int y = 0; y < after.height; ++y) {
        for (int x = 0; x < after.width; ++x) {
            if (before.at(x, y) == after.at(x, y)) continue;
            (y >= thresholdRow.top && y < thresholdRow.bottom ? changedInRow : changedAbove) += 1;
        }
    }
    EXPECT_GT(changedInRow, 0) << "the threshold slider and readout did not move";
    EXPECT_EQ(changedAbove, 0);
    EXPECT_TRUE(host.writes.empty()) << "port events are not written back";
}

TEST_F(Lv2UiTest, ClicksAndDragsAreWrittenInUserUnitsAndADragIsOneTouchGesture) {
    ASSERT_NE(open(), nullptr);
    idle(10);
    pressAndTrack(260, 66, [&] { mouse.button(1, false); });  // bypass lights: not enabled
    pressAndTrack(198, 122, [&] { mouse.button(1, false); });  // ducking
    pressAndTrack(38, 122, [&] { mouse.button(1, false); });   // alpha
    ASSERT_EQ(host.writesTo(portOfControl(ControlEnabled)).size(), 1u);
    EXPECT_EQ(host.writesTo(portOfControl(ControlEnabled))[0].value, 0.0f);
    ASSERT_EQ(host.writesTo(portOfControl(ControlDuckKey)).size(), 1u);
    EXPECT_EQ(host.writesTo(portOfControl(ControlDuckKey))[0].value, 1.0f);
    ASSERT_EQ(host.writesTo(portOfControl(ControlInputAlpha)).size(), 1u);
    EXPECT_EQ(host.writesTo(portOfControl(ControlInputAlpha))[0].value, 1.0f);
    EXPECT_TRUE(host.touches.empty()) << "clicks are no gestures";

    // The threshold handle, at -48 dB (0.5), dragged to the right end: -96 dB.
    pressAndTrack(212, 197, [&] {
        for (int x = 212; x <= 300; x += 8) {
            mouse.moveTo(hostWindow(), x, 197);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
        mouse.button(1, false);
    });
    const std::uint32_t threshold = portOfControl(ControlThreshold);
    const std::vector<std::pair<std::uint32_t, bool>> gesture = {{threshold, true}, {threshold, false}};
    EXPECT_EQ(host.touches, gesture);
    ASSERT_FALSE(host.writesTo(threshold).empty());
    EXPECT_EQ(host.writesTo(threshold).back().value, -96.0f);
}

TEST_F(Lv2UiTest, CleanupWithTheEditorOpenOrFromInsideADragIsSafe) {
    ASSERT_NE(open(), nullptr);
    idle(5);
    close();
    ASSERT_NE(open(), nullptr);
    idle(5);
    host.cleanupAtNextWrite = true;
    pressAndTrack(212, 175, [&] {
        for (int x = 212; x <= 260; x += 8) {
            mouse.moveTo(hostWindow(), x, 175);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
        mouse.button(1, false);
    });
    EXPECT_EQ(host.handle, nullptr);
    // The host idles nothing any more; the next UI cleans up after the last one.
    ASSERT_NE(open(), nullptr);
    idle(5);
}

}  // namespace
}  // namespace qm::lv2::test
