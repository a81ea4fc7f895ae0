#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/EditorFrame.h"
#include "support/GuiTestSupport.h"

namespace qm {
namespace {

// A view that writes what happens to it into a shared log and answers as told.
class LoggingView : public View {
public:
    LoggingView(const Rect& size, std::string name, std::vector<std::string>& log)
        : View(size), name(std::move(name)), log(log) {}
    ~LoggingView() override { log.push_back(name + ":deleted"); }

    void draw(Canvas& canvas) override {
        log.push_back(name + ":draw");
        View::draw(canvas);
    }
    void onMouseDown(Canvas&, Point& where) override {
        log.push_back(name + ":click " + std::to_string(where.h) + "," + std::to_string(where.v));
    }
    std::int32_t onKeyDown(KeyCode&) override {
        log.push_back(name + ":key");
        return keyAnswer;
    }
    bool onDrop(char**, std::int32_t, DropKind, Point) override {
        log.push_back(name + ":drop");
        return acceptsDrop;
    }
    bool onWheel(Canvas*, Point, float) override {
        log.push_back(name + ":wheel");
        return true;
    }
    void onFocusLost(std::int32_t reason) override { log.push_back(name + ":focusLost " + std::to_string(reason)); }
    bool onAttached(EditorFrame*) override {
        log.push_back(name + ":attached");
        return true;
    }
    bool onDetached(EditorFrame*) override {
        log.push_back(name + ":detached");
        return true;
    }

    std::string name;
    std::vector<std::string>& log;
    std::int32_t keyAnswer = -1;
    bool acceptsDrop = false;
};

class EditorFrameTest : public ::testing::Test {
protected:
    LoggingView* add(const Rect& size, const std::string& name) {
        auto* view = new LoggingView(size, name, log);
        frame->addView(view);
        return view;
    }
    void click(Point where, PhysicalInput buttons = test::primary()) {
        input.hold(buttons);
        Canvas canvas(frame.get(), nullptr, nullptr);
        frame->onMouseDown(canvas, where);
    }

    test::ScriptedInput input;
    std::vector<std::string> log;
    std::unique_ptr<EditorFrame> frame = std::make_unique<EditorFrame>(Rect{0, 0, 317, 260}, nullptr);
};

TEST_F(EditorFrameTest, ClicksGoToTheTopmostMouseEnabledViewEdgesIncluded) {
    add(Rect{10, 10, 50, 50}, "under");
    LoggingView* over = add(Rect{30, 30, 80, 80}, "over");
    click(Point{40, 40});
    click(Point{50, 50});
    click(Point{80, 80});
    click(Point{200, 200});
    over->setMouseEnabled(false);
    click(Point{40, 40});
    EXPECT_EQ(log, (std::vector<std::string>{"under:attached", "over:attached", "over:click 40,40", "over:click 50,50",
                                             "over:click 80,80", "under:click 40,40"}));
}

TEST_F(EditorFrameTest, DrawingPutsLaterViewsOnTopAndTheModalViewLast) {
    add(Rect{0, 0, 10, 10}, "first");
    add(Rect{5, 5, 20, 20}, "second");
    LoggingView modal(Rect{0, 0, 317, 260}, "modal", log);
    ASSERT_TRUE(frame->setModalView(&modal));
    log.clear();
    Canvas canvas(frame.get(), nullptr, nullptr);
    frame->draw(canvas);
    EXPECT_EQ(log, (std::vector<std::string>{"first:draw", "second:draw", "modal:draw"}));
    log.clear();
    frame->drawInRect(canvas, Rect{15, 15, 30, 30});
    EXPECT_EQ(log, (std::vector<std::string>{"second:draw", "modal:draw"}));
    EXPECT_TRUE(frame->setModalView(nullptr));
}

TEST_F(EditorFrameTest, AModalViewTakesEveryClickAndRefusesASecondModalView) {
    add(Rect{0, 0, 100, 100}, "child");
    LoggingView modal(Rect{0, 0, 317, 260}, "modal", log);
    LoggingView other(Rect{0, 0, 10, 10}, "other", log);
    ASSERT_TRUE(frame->setModalView(&modal));
    EXPECT_FALSE(frame->setModalView(&other));
    EXPECT_EQ(frame->getModalView(), &modal);
    click(Point{50, 50});
    click(Point{400, 400});
    EXPECT_TRUE(frame->setModalView(nullptr));
    click(Point{50, 50});
    EXPECT_EQ(log, (std::vector<std::string>{"child:attached", "modal:attached", "modal:click 50,50",
                                             "modal:detached", "child:click 50,50"}));
}

TEST_F(EditorFrameTest, AnyClickFirstTakesTheFocusAway) {
    LoggingView* focused = add(Rect{0, 0, 10, 10}, "focused");
    frame->setFocusView(focused);
    click(Point{300, 250});
    EXPECT_EQ(frame->getFocusView(), nullptr);
    EXPECT_EQ(log.back(), "focused:focusLost 0");
}

TEST_F(EditorFrameTest, KeysGoToFocusThenModalThenViewsFromTheLast) {
    LoggingView* first = add(Rect{0, 0, 10, 10}, "first");
    LoggingView* second = add(Rect{0, 0, 10, 10}, "second");
    KeyCode key{0, VKEY_UP, 0};
    log.clear();
    EXPECT_EQ(frame->onKeyDown(key), -1);
    EXPECT_EQ(log, (std::vector<std::string>{"second:key", "first:key"}));

    log.clear();
    first->keyAnswer = 0;
    frame->setFocusView(first);
    EXPECT_EQ(frame->onKeyDown(key), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"first:key"}));
    second->keyAnswer = 4;
    EXPECT_EQ(frame->onKeyDown(key), 0);
    frame->setFocusView(nullptr);
    EXPECT_EQ(frame->onKeyDown(key), 4);
    EditorFrame empty(Rect{0, 0, 10, 10}, nullptr);
    EXPECT_EQ(empty.onKeyDown(key), -1);
}

TEST_F(EditorFrameTest, DropsAreRefusedWhileModalOrFocusedAndOfferedFromTheTopDown) {
    LoggingView* lower = add(Rect{0, 0, 100, 100}, "lower");
    LoggingView* upper = add(Rect{0, 0, 50, 50}, "upper");
    lower->acceptsDrop = true;
    char path[] = "C:\\a.txt";
    char* items[] = {path};
    log.clear();
    EXPECT_TRUE(frame->onDrop(items, 1, DropFiles, Point{20, 20}));
    EXPECT_EQ(log, (std::vector<std::string>{"upper:drop", "lower:drop"}));
    log.clear();
    upper->setMouseEnabled(false);
    EXPECT_TRUE(frame->onDrop(items, 1, DropFiles, Point{20, 20}));
    EXPECT_EQ(log, (std::vector<std::string>{"lower:drop"}));
    EXPECT_FALSE(frame->onDrop(items, 1, DropFiles, Point{200, 200}));
    frame->setFocusView(lower);
    EXPECT_FALSE(frame->onDrop(items, 1, DropFiles, Point{20, 20}));
}

TEST_F(EditorFrameTest, TheWheelGoesToTheViewUnderTheMouseEvenWhenNotMouseEnabled) {
    LoggingView* view = add(Rect{10, 10, 20, 20}, "view");
    view->setMouseEnabled(false);
    input.hold(PhysicalInput{}, Point{15, 15});
    log.clear();
    EXPECT_TRUE(frame->onWheel(nullptr, Point{0, 0}, 1.0f));
    EXPECT_EQ(log, (std::vector<std::string>{"view:wheel"}));
    input.hold(PhysicalInput{}, Point{150, 150});
    EXPECT_FALSE(frame->onWheel(nullptr, Point{15, 15}, 1.0f));
}

TEST_F(EditorFrameTest, TheListGrowsByTwentyAndRemovalKeepsTheOrder) {
    std::vector<LoggingView*> views;
    for (int i = 0; i < 21; ++i) views.push_back(add(Rect{i, 0, i + 1, 1}, "v" + std::to_string(i)));
    EXPECT_EQ(frame->getCapacity(), 40);
    for (int i = 0; i < 21; ++i) EXPECT_EQ(frame->viewAt(i), views[i]);
    EXPECT_EQ(frame->viewAt(21), nullptr);
    EXPECT_EQ(frame->viewAt(-1), nullptr);
    EXPECT_TRUE(frame->removeView(views[1], true));
    EXPECT_EQ(frame->getViewCount(), 20);
    EXPECT_EQ(frame->viewAt(0), views[0]);
    EXPECT_EQ(frame->viewAt(1), views[2]);
    EXPECT_FALSE(frame->containsView(views[1]));
    LoggingView stranger(Rect{}, "stranger", log);
    EXPECT_TRUE(frame->removeView(&stranger, false));
    EXPECT_EQ(frame->getViewCount(), 20);
}

TEST_F(EditorFrameTest, DestroyingTheFrameReleasesEveryViewAndTheBackground) {
    LoggingView* kept = add(Rect{0, 0, 1, 1}, "kept");
    kept->retain();
    add(Rect{0, 0, 1, 1}, "owned");
    Bitmap* background = test::solidBitmap(4, 4, 0);
    frame->setBackground(background);
    frame->setBackground(background);
    EXPECT_EQ(background->getRefCount(), 2);
    log.clear();
    frame.reset();
    EXPECT_EQ(log, (std::vector<std::string>{"kept:detached", "owned:detached", "owned:deleted"}));
    EXPECT_EQ(kept->getRefCount(), 1);
    EXPECT_EQ(background->getRefCount(), 1);
    kept->release();
    background->release();
}

TEST_F(EditorFrameTest, IdleUpdatesWaitForTheFirstPaintAndAMarkedFrameRedrawsEverything) {
    auto window = std::make_unique<test::MemoryWindow>(317, 260);
    test::MemoryWindow* memory = window.get();
    frame = std::make_unique<EditorFrame>(Rect{0, 0, 317, 260}, nullptr, std::move(window));
    LoggingView* marked = add(Rect{0, 0, 10, 10}, "marked");
    add(Rect{0, 0, 10, 10}, "clean");
    marked->setNeedsRedraw(true);
    log.clear();
    frame->idleUpdate();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(memory->targetsMade, 0);

    Canvas paint(frame.get(), nullptr, nullptr);
    frame->drawInRect(paint, Rect{0, 0, 317, 260});
    log.clear();
    marked->setNeedsRedraw(true);
    frame->idleUpdate();
    EXPECT_EQ(log, (std::vector<std::string>{"marked:draw"}));
    EXPECT_EQ(memory->targetsMade, 1);
    log.clear();
    frame->idleUpdate();
    EXPECT_TRUE(log.empty());

    frame->setNeedsRedraw(true);
    frame->update(paint);
    EXPECT_EQ(log, (std::vector<std::string>{"marked:draw", "clean:draw"}));
    EXPECT_FALSE(frame->needsUpdate());

    log.clear();
    marked->setNeedsRedraw(true);
    frame->windowDestroyed();
    frame->idleUpdate();
    frame->update(paint);
    EXPECT_TRUE(log.empty());
}

TEST_F(EditorFrameTest, RedrawViewDrawsOneChildOrTheWholeFrame) {
    auto window = std::make_unique<test::MemoryWindow>(317, 260);
    frame = std::make_unique<EditorFrame>(Rect{0, 0, 317, 260}, nullptr, std::move(window));
    LoggingView* child = add(Rect{0, 0, 10, 10}, "child");
    add(Rect{0, 0, 10, 10}, "other");
    log.clear();
    child->redrawNow();
    EXPECT_EQ(log, (std::vector<std::string>{"child:draw"}));
    log.clear();
    frame->redrawView(nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"child:draw", "other:draw"}));
    LoggingView orphan(Rect{}, "orphan", log);
    orphan.redrawNow();
    EXPECT_EQ(log.size(), 2u);
}

}  // namespace
}  // namespace qm
