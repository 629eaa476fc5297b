// The split view: scaling with the rest spread, proportional layout, collapsing
// and parking, divider drags through a tracking loop under the delegate's limits,
// the splitter move, and the saved-position record.

#include "ShellTestViews.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Animation.h"
#include "platform/kit/Application.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Window.h"
#include "shell/WsSplitView.h"
#include "shell/WsSplitViewDelegate.h"
#include "support/TestSupport.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <vector>

using foundation::Defaults;
using foundation::NotificationCenter;
using kit::Event;
using kit::EventType;
using shelltest::PaneView;

namespace {

// Draws from a fixed list (then always the last one), counting the draws.
std::vector<int> g_draws;
size_t g_drawn = 0;
int scriptedDraw() {
    const int v = g_draws.empty() ? 0 : g_draws[std::min(g_drawn, g_draws.size() - 1)];
    ++g_drawn;
    return v;
}

// Puts a scripted generator in place for the lifetime of the object.
struct ScriptedRandom {
    explicit ScriptedRandom(std::vector<int> draws) {
        g_draws = std::move(draws);
        g_drawn = 0;
        previous = wsSetRandomSource(&scriptedDraw);
    }
    ~ScriptedRandom() { wsSetRandomSource(previous); }
    WsRandomSource previous;
};

constexpr int kNeverTakes = 2147483647;  // a draw that loses against any chance below 1

// A split view with a chosen divider thickness.
class TestSplitView final : public WsSplitView {
public:
    TestSplitView(const QRectF& frame, bool vertical, double thickness = 1.0)
        : WsSplitView(frame), thickness_(thickness) {
        setVertical(vertical);
    }
    double dividerThickness() const override { return thickness_; }

private:
    double thickness_;
};

// A delegate that answers what it is told to and records what it is asked.
class RecordingDelegate final : public WsSplitViewDelegate {
public:
    unsigned splitViewDelegateOperations() const override { return operations; }
    double splitViewConstrainMinCoordinateOfSubviewAt(WsSplitView*, double proposed,
                                                      qint64) override {
        log << QStringLiteral("min");
        return proposed + minOffset;
    }
    double splitViewConstrainMaxCoordinateOfSubviewAt(WsSplitView*, double proposed,
                                                      qint64) override {
        log << QStringLiteral("max");
        return proposed - maxOffset;
    }
    bool splitViewCanCollapseSubview(WsSplitView* sv, kit::View* subview) override {
        return subview == sv->subviews()[0] ? collapseFirst : collapseSecond;
    }
    double splitViewConstrainSplitPositionOfSubviewAt(WsSplitView*, double proposed,
                                                      qint64) override {
        return snap ? snap(proposed) : proposed;
    }
    void splitViewDidDoubleClickInDivider(WsSplitView*, qint64 index) override {
        log << QStringLiteral("double %1").arg(index);
    }
    void splitViewDidFinishDragInDivider(WsSplitView*, qint64 index) override {
        log << QStringLiteral("finish %1").arg(index);
    }
    void splitViewWillResizeSubviews(const foundation::Notification&) override {
        log << QStringLiteral("will-resize");
    }
    void splitViewDidResizeSubviews(const foundation::Notification&) override {
        log << QStringLiteral("did-resize");
    }
    void splitViewDidCollapseSubview(const foundation::Notification& n) override {
        log << QStringLiteral("collapse");
        subviews.push_back(n.userInfo.value(QStringLiteral("subview")).value<QObject*>());
    }
    void splitViewDidExpandSubview(const foundation::Notification& n) override {
        log << QStringLiteral("expand");
        subviews.push_back(n.userInfo.value(QStringLiteral("subview")).value<QObject*>());
    }

    unsigned operations = 0;
    double minOffset = 0, maxOffset = 0;
    bool collapseFirst = false, collapseSecond = false;
    std::function<double(double)> snap;
    QStringList log;
    std::vector<QObject*> subviews;
};

// Records the split view notifications posted by one object.
struct NotificationLog {
    explicit NotificationLog(const void* sender) {
        for (const QString& name : {WsSplitView::willResizeSubviewsNotification(),
                                    WsSplitView::didResizeSubviewsNotification(),
                                    WsSplitView::didCollapseSubviewNotification(),
                                    WsSplitView::didExpandSubviewNotification()})
            NotificationCenter::defaultCenter().addObserver(
                this, name, sender, [this](const foundation::Notification& n) { names << n.name; });
    }
    ~NotificationLog() { NotificationCenter::defaultCenter().removeObserver(this); }
    QStringList names;
};

const QString kWill = WsSplitView::willResizeSubviewsNotification();
const QString kDid = WsSplitView::didResizeSubviewsNotification();
const QString kCollapse = WsSplitView::didCollapseSubviewNotification();
const QString kExpand = WsSplitView::didExpandSubviewNotification();

// User defaults in a temporary file for each test.
class SplitViewTest : public ::testing::Test {
protected:
    void SetUp() override { Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist"))); }
    void TearDown() override { Defaults::resetStandard(); }
    static Defaults& defaults() { return Defaults::standard(); }
    testsupport::TempDir dir;
};

// Two or more panes in a split view that fills a window of the same size.
struct DragScene {
    kit::Window window;
    TestSplitView* split;
    std::vector<PaneView*> panes;
    DragScene(const QSizeF& size, bool vertical, const std::vector<double>& thicknesses,
              double divider = 1.0)
        : window(QRectF(QPointF(100, 100), size)) {
        split = new TestSplitView(QRectF(QPointF(0, 0), size), vertical, divider);
        window.setContentView(split);
        double position = 0;
        for (double t : thicknesses) {
            const QRectF frame = vertical ? QRectF(position, 0, t, size.height())
                                          : QRectF(0, position, size.width(), t);
            panes.push_back(new PaneView(frame));
            split->addSubview(panes.back());
            position += t + divider;
        }
        split->awakeFromNib();
        window.makeKeyAndOrderFront();
    }
    // A window point from a point of the split view (which is flipped).
    QPointF at(double major, double minor = 10) const {
        const QPointF own = split->isVertical() ? QPointF(major, minor) : QPointF(minor, major);
        return split->convertPointToView(own, nullptr);
    }
    // Presses at `from`, drags through `path` and lets go at the last point.
    void drag(double from, const std::vector<double>& path, int clicks = 1) {
        for (double p : path)
            kit::Application::shared().postEvent(
                Event::mouseEvent(EventType::LeftMouseDragged, at(p), 0, 1, &window));
        const double up = path.empty() ? from : path.back();
        kit::Application::shared().postEvent(
            Event::mouseEvent(EventType::LeftMouseUp, at(up), 0, 1, &window));
        window.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, at(from), 0, clicks, &window));
    }
    double major(int i) const {
        const QRectF f = panes[size_t(i)]->frame();
        return split->isVertical() ? f.x() : f.y();
    }
    double thickness(int i) const {
        const QRectF f = panes[size_t(i)]->frame();
        return split->isVertical() ? f.width() : f.height();
    }
};

}  // namespace

// -- Scaling

TEST(WsScaleUInts, ScalesToTheTargetAndSpreadsTheRest) {
    struct Case {
        const char* what;
        std::vector<uint32_t> values;
        uint32_t target;
        std::vector<int> draws;
        std::vector<uint32_t> expected;
        size_t expectedDraws;
    };
    const std::vector<Case> cases = {
        {"exact factor: no draw", {100, 0, 300}, 200, {}, {50, 0, 150}, 0},
        {"rest to the last for sure", {1, 1, 1}, 10, {kNeverTakes}, {3, 3, 4}, 2},
        {"rest to the first drawn", {1, 1, 1}, 10, {0}, {4, 3, 3}, 1},
        {"rest to the middle", {1, 1, 1}, 10, {kNeverTakes, 0}, {3, 4, 3}, 2},
        {"minimum of 1 dropped again", {1, 1, 100}, 2, {0}, {0, 1, 1}, 1},
        {"zeros stay zeros", {0, 7, 0, 7, 0}, 15, {kNeverTakes}, {0, 7, 0, 8, 0}, 1},
        {"shrinking to nothing", {3, 5}, 0, {}, {0, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedRandom random(c.draws);
        std::vector<uint32_t> values = c.values;
        EXPECT_TRUE(wsScaleUInts(values.data(), values.size(), c.target));
        EXPECT_EQ(values, c.expected);
        EXPECT_EQ(g_drawn, c.expectedDraws);
    }
    std::vector<uint32_t> zeros{0, 0, 0};
    EXPECT_FALSE(wsScaleUInts(zeros.data(), zeros.size(), 50));
    EXPECT_EQ(zeros, (std::vector<uint32_t>{0, 0, 0}));
}

TEST(WsScaleUInts, WithTheCLibraryGeneratorTheSumAlwaysMeetsTheTarget) {
    std::srand(7);  // only so that this test repeats; the application never seeds
    for (int round = 0; round < 500; ++round) {
        std::vector<uint32_t> values(size_t(1 + std::rand() % 6));
        for (uint32_t& v : values) v = uint32_t(std::rand() % 4 == 0 ? 0 : 1 + std::rand() % 400);
        const std::vector<uint32_t> before = values;
        uint32_t nonZero = 0;
        for (uint32_t v : values) nonZero += v != 0;
        const uint32_t target = nonZero + uint32_t(std::rand() % 2000);
        if (!wsScaleUInts(values.data(), values.size(), target)) {
            EXPECT_EQ(nonZero, 0u);
            continue;
        }
        uint32_t sum = 0;
        for (size_t i = 0; i < values.size(); ++i) {
            sum += values[i];
            EXPECT_EQ(values[i] == 0, before[i] == 0);
        }
        EXPECT_EQ(sum, target);
    }
}

// -- Layout

TEST_F(SplitViewTest, ProportionalLayoutKeepsWholePointsAndTheLastPaneTakesTheFraction) {
    ScriptedRandom random({kNeverTakes});
    DragScene scene(QSizeF(302, 50), true, {100, 100, 100});
    NotificationLog log(scene.split);
    scene.split->setFrame(QRectF(0, 0, 402.5, 50));  // 400.5 points for the panes
    // 4/3 of 100 floors to 133 each; the one point left goes to the last pane,
    // which also takes the half point.
    EXPECT_EQ(scene.panes[0]->frame(), QRectF(0, 0, 133, 50));
    EXPECT_EQ(scene.panes[1]->frame(), QRectF(134, 0, 133, 50));
    EXPECT_EQ(scene.panes[2]->frame(), QRectF(268, 0, 134.5, 50));
    ASSERT_EQ(scene.split->dividerRects().size(), 2u);
    EXPECT_EQ(scene.split->dividerRects()[0], QRectF(133, 0, 1, 50));
    EXPECT_EQ(scene.split->dividerRects()[1], QRectF(267, 0, 1, 50));
    EXPECT_EQ(log.names, QStringList({kWill, kDid}));

    // Stacked panes take the height the same way, the first on top.
    DragScene stacked(QSizeF(50, 61), false, {30, 30}, 1);
    stacked.split->setFrame(QRectF(0, 0, 50, 121));
    EXPECT_EQ(stacked.panes[0]->frame(), QRectF(0, 0, 50, 60));
    EXPECT_EQ(stacked.panes[1]->frame(), QRectF(0, 61, 50, 60));
    EXPECT_EQ(stacked.split->wsGetDividerAtMajCoord(60.0f), 0);
    EXPECT_EQ(stacked.split->wsGetDividerAtMajCoord(61.0f), WsSplitView::notFound);
}

TEST_F(SplitViewTest, CollapsedPanesTakeNoRoomAndAreParkedOutside) {
    DragScene scene(QSizeF(302, 50), true, {100, 100, 100});
    NotificationLog log(scene.split);
    scene.split->setSubviewIsCollapsed(scene.panes[1], true);
    scene.split->setSubviewIsCollapsed(scene.panes[1], true);  // no change: posts nothing
    EXPECT_EQ(log.names, QStringList({kCollapse}));
    EXPECT_EQ(scene.panes[1]->frame(), QRectF(101, 0, 100, 50));  // nothing moves yet

    scene.split->setFrame(QRectF(0, 0, 402, 50));
    EXPECT_EQ(scene.panes[0]->frame(), QRectF(0, 0, 200, 50));
    EXPECT_EQ(scene.panes[2]->frame(), QRectF(202, 0, 200, 50));
    EXPECT_EQ(scene.panes[1]->frame(), QRectF(1000000, 1000000, 100, 50));
    // The two dividers beside the collapsed pane lie one behind the other.
    EXPECT_EQ(scene.split->dividerRects()[0], QRectF(200, 0, 1, 50));
    EXPECT_EQ(scene.split->dividerRects()[1], QRectF(201, 0, 1, 50));
    EXPECT_TRUE(scene.split->isSubviewCollapsed(scene.panes[1]));

    // With every pane collapsed the first one comes back with the whole length
    // (less the dividers, which stay in place behind it).
    log.names.clear();
    scene.split->setSubviewIsCollapsed(scene.panes[0], true);
    scene.split->setSubviewIsCollapsed(scene.panes[2], true);
    scene.split->adjustSubviews();
    EXPECT_EQ(log.names, QStringList({kCollapse, kCollapse, kExpand}));
    EXPECT_FALSE(scene.split->isSubviewCollapsed(scene.panes[0]));
    EXPECT_EQ(scene.panes[0]->frame(), QRectF(0, 0, 400, 50));
}

TEST_F(SplitViewTest, OnePaneFillsTheSplitViewWithoutDividers) {
    DragScene scene(QSizeF(120, 40), false, {40});
    scene.split->setFrame(QRectF(0, 0, 90, 70.5));
    EXPECT_EQ(scene.panes[0]->frame(), QRectF(0, 0, 90, 70.5));
    EXPECT_TRUE(scene.split->dividerRects().empty());
    scene.window.resetCursorRects();
    EXPECT_TRUE(scene.split->cursorRects().empty());
}

TEST_F(SplitViewTest, DividersCarryTheResizeCursorOfTheirDirection) {
    DragScene across(QSizeF(201, 50), true, {100, 100});
    across.window.resetCursorRects();
    ASSERT_EQ(across.split->cursorRects().size(), 1u);
    EXPECT_EQ(across.split->cursorRects()[0].first, QRectF(100, 0, 1, 50));
    EXPECT_EQ(across.split->cursorRects()[0].second, kit::Cursor::resizeLeftRightCursor());
    DragScene stacked(QSizeF(50, 201), false, {100, 100});
    stacked.window.resetCursorRects();
    ASSERT_EQ(stacked.split->cursorRects().size(), 1u);
    EXPECT_EQ(stacked.split->cursorRects()[0].second, kit::Cursor::resizeUpDownCursor());
    // A divider without thickness is no target.
    DragScene flat(QSizeF(50, 200), false, {100, 100}, 0);
    flat.window.resetCursorRects();
    EXPECT_TRUE(flat.split->cursorRects().empty());
    EXPECT_EQ(flat.split->wsGetDividerAtMajCoord(100.0f), WsSplitView::notFound);
}

// -- Dragging

TEST_F(SplitViewTest, DraggingADividerFollowsTheMouseWithinTheDelegatesLimits) {
    // Two panes of 100 with a divider of 1 between them: lowest 0, highest 200.
    // The delegate keeps the first pane at least 40 wide and the second 30.
    struct Case {
        const char* what;
        bool collapseFirst, collapseSecond;
        std::vector<double> path;  // where the mouse goes (the press is at 100.5)
        double divider;
        bool firstCollapsed, secondCollapsed;
    };
    const std::vector<Case> cases = {
        {"free move", false, false, {120.5, 150.5}, 150, false, false},
        {"held at the minimum", false, false, {5.5}, 40, false, false},
        {"held at the maximum", false, false, {199.5}, 170, false, false},
        {"below half-way to the minimum collapses", true, false, {19.5}, 0, true, false},
        {"exactly half-way does not", true, false, {20.5}, 40, false, false},
        {"collapse is undone by coming back", true, false, {3.5, 60.5}, 60, false, false},
        {"half-way to the end collapses the second", false, true, {185.5}, 200, false, true},
        {"short of half-way it does not", false, true, {184.5}, 170, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DragScene scene(QSizeF(201, 50), true, {100, 100});
        RecordingDelegate delegate;
        delegate.operations = WsSplitViewDelegate::ConstrainMinCoordinate |
                              WsSplitViewDelegate::ConstrainMaxCoordinate |
                              WsSplitViewDelegate::CanCollapseSubview |
                              WsSplitViewDelegate::DidFinishDragInDivider;
        delegate.minOffset = 40;
        delegate.maxOffset = 30;
        delegate.collapseFirst = c.collapseFirst;
        delegate.collapseSecond = c.collapseSecond;
        scene.split->setDelegate(&delegate);
        scene.drag(100.5, c.path);

        EXPECT_EQ(scene.split->dividerRects()[0], QRectF(c.divider, 0, 1, 50));
        EXPECT_EQ(scene.split->isSubviewCollapsed(scene.panes[0]), c.firstCollapsed);
        EXPECT_EQ(scene.split->isSubviewCollapsed(scene.panes[1]), c.secondCollapsed);
        if (c.firstCollapsed)
            EXPECT_EQ(scene.panes[0]->frame().topLeft(), WsSplitView::wsOffScreenPoint());
        else
            EXPECT_EQ(scene.panes[0]->frame(), QRectF(0, 0, c.divider, 50));
        if (c.secondCollapsed)
            EXPECT_EQ(scene.panes[1]->frame().topLeft(), WsSplitView::wsOffScreenPoint());
        else
            EXPECT_EQ(scene.panes[1]->frame(), QRectF(c.divider + 1, 0, 200 - c.divider, 50));
        // Limits are asked once, at the start; the end is reported once.
        EXPECT_EQ(delegate.log, QStringList({"min", "max", "finish 0"}));
        EXPECT_EQ(scene.panes[0]->calls, QStringList({"will", "did"}));
        EXPECT_EQ(scene.panes[1]->calls, QStringList({"will", "did"}));
        EXPECT_FALSE(kit::Application::shared().isTracking());
        scene.split->setDelegate(nullptr);
    }
}

TEST_F(SplitViewTest, DragStepsPostTheResizeNotificationsOnlyWhenThePositionChanges) {
    DragScene scene(QSizeF(50, 201), false, {100, 100});
    RecordingDelegate delegate;
    delegate.operations = WsSplitViewDelegate::ConstrainSplitPosition;
    delegate.snap = [](double p) { return std::round(p / 10) * 10; };  // steps of 10
    scene.split->setDelegate(&delegate);
    NotificationLog log(scene.split);
    // The first step acts although the mouse has not moved; 103 and 104 snap to
    // the same position and do nothing. Stacked panes: the mouse going down (a
    // growing major coordinate) moves the divider down.
    scene.drag(100.5, {103, 104, 131});
    EXPECT_EQ(log.names, QStringList({kWill, kDid, kWill, kDid}));
    EXPECT_EQ(scene.split->dividerRects()[0], QRectF(0, 130, 50, 1));
    EXPECT_EQ(scene.panes[0]->frame(), QRectF(0, 0, 50, 130));
    EXPECT_EQ(scene.panes[1]->frame(), QRectF(0, 131, 50, 70));
}

TEST_F(SplitViewTest, TheReleaseEndsTheDragWhereTheLastDragLeftIt) {
    DragScene scene(QSizeF(201, 50), true, {100, 100});
    // Events of other kinds wait in the queue while the drag runs.
    auto& app = kit::Application::shared();
    app.postEvent(
        Event::mouseEvent(EventType::LeftMouseDragged, scene.at(80), 0, 1, &scene.window));
    app.postEvent(Event::keyEvent(EventType::KeyDown, kit::KeyCodes::A, QStringLiteral("a")));
    app.postEvent(Event::mouseEvent(EventType::LeftMouseUp, scene.at(10), 0, 1, &scene.window));
    scene.window.sendEvent(
        Event::mouseEvent(EventType::LeftMouseDown, scene.at(100.25), 0, 1, &scene.window));
    EXPECT_EQ(scene.split->dividerRects()[0], QRectF(79.75, 0, 1, 50));
    app.discardEventsMatchingMask(kit::EventMasks::Any);
}

TEST_F(SplitViewTest, DoubleClicksGoToTheDelegateAndPressesBesideDividersDoNothing) {
    DragScene scene(QSizeF(201, 50), true, {100, 100});
    RecordingDelegate delegate;
    delegate.operations =
        WsSplitViewDelegate::DidDoubleClickInDivider | WsSplitViewDelegate::DidFinishDragInDivider;
    scene.split->setDelegate(&delegate);
    NotificationLog log(scene.split);
    scene.split->mouseDown(
        Event::mouseEvent(EventType::LeftMouseDown, scene.at(100.5), 0, 2, &scene.window));
    EXPECT_EQ(delegate.log, QStringList({"double 0"}));
    scene.split->mouseDown(
        Event::mouseEvent(EventType::LeftMouseDown, scene.at(101), 0, 1, &scene.window));
    EXPECT_EQ(delegate.log, QStringList({"double 0"}));
    EXPECT_TRUE(log.names.isEmpty());
    EXPECT_FALSE(kit::Application::shared().isTracking());
}

TEST_F(SplitViewTest, ADelegateObservesOnlyTheNotificationsItAnswersUntilItIsReplaced) {
    DragScene scene(QSizeF(201, 50), true, {100, 100});
    RecordingDelegate first, second;
    first.operations =
        WsSplitViewDelegate::DidResizeSubviews | WsSplitViewDelegate::DidCollapseSubview;
    second.operations =
        WsSplitViewDelegate::WillResizeSubviews | WsSplitViewDelegate::DidExpandSubview;
    scene.split->setDelegate(&first);
    EXPECT_EQ(scene.split->delegate(), &first);
    scene.split->setFrame(QRectF(0, 0, 301, 50));
    scene.split->setSubviewIsCollapsed(scene.panes[1], true);
    EXPECT_EQ(first.log, QStringList({"did-resize", "collapse"}));
    EXPECT_EQ(first.subviews, std::vector<QObject*>{scene.panes[1]});

    scene.split->setDelegate(&second);
    scene.split->setFrame(QRectF(0, 0, 401, 50));
    scene.split->setSubviewIsCollapsed(scene.panes[1], false);
    EXPECT_EQ(first.log, QStringList({"did-resize", "collapse"}));
    EXPECT_EQ(second.log, QStringList({"will-resize", "expand"}));
    scene.split->setDelegate(nullptr);
}

// -- Moving the splitter

TEST_F(SplitViewTest, AnAnimatedSplitterMoveBlocksUntilItHasEnded) {
    DragScene scene(QSizeF(100, 300), false, {100, 200}, 0);
    scene.panes[1]->setHidden(true);
    NotificationLog log(scene.split);
    std::vector<bool> animating;
    std::vector<double> heights;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        animating.push_back(scene.split->isSplitterAnimating());
        heights.push_back(scene.panes[0]->frame().height());
    });
    watcher.start(10);
    scene.split->setSplitterPositionAnimate(220, true);
    watcher.stop();

    EXPECT_FALSE(scene.split->isSplitterAnimating());
    EXPECT_EQ(scene.panes[0]->frame(), QRectF(0, 0, 100, 220));
    EXPECT_EQ(scene.panes[1]->frame(), QRectF(0, 220, 100, 80));
    EXPECT_FALSE(scene.panes[1]->isHidden());
    // The rest of the application went on meanwhile and saw the move under way.
    ASSERT_FALSE(animating.empty());
    EXPECT_TRUE(animating.front());
    EXPECT_TRUE(
        std::any_of(heights.begin(), heights.end(), [](double h) { return h > 100 && h < 220; }));
    EXPECT_EQ(scene.panes[0]->calls, QStringList({"will", "did"}));
    EXPECT_EQ(scene.panes[1]->calls, QStringList({"will", "did"}));
    // The move posts no resize notification, so it saves nothing by itself.
    EXPECT_TRUE(log.names.isEmpty());
}

TEST_F(SplitViewTest, ASplitterMoveWithoutAnimationIsImmediateAndNeedsTwoPanes) {
    ScriptedRandom random({kNeverTakes});
    DragScene scene(QSizeF(301, 40), true, {150, 150});
    scene.split->setSplitterPositionAnimate(100.5, false);
    // The layout that follows floors the widths and gives the last pane the rest.
    EXPECT_EQ(scene.panes[0]->frame(), QRectF(0, 0, 100, 40));
    EXPECT_EQ(scene.panes[1]->frame(), QRectF(101, 0, 200, 40));
    EXPECT_TRUE(scene.panes[0]->calls.isEmpty());

    DragScene single(QSizeF(100, 40), true, {100});
    single.split->setSplitterPositionAnimate(30, true);
    EXPECT_EQ(single.panes[0]->frame(), QRectF(0, 0, 100, 40));
}

// -- Saved positions

TEST_F(SplitViewTest, ThePositionRecordIsWrittenAtEveryLayoutAndReadBack) {
    const QString key = QStringLiteral("MySplitView Position Test");
    EXPECT_EQ(WsSplitView::wsDefaultsKeyForName(QStringLiteral("Test")), key);
    {
        DragScene scene(QSizeF(201, 60), true, {100, 100});
        EXPECT_TRUE(scene.split->setPositionAutosaveName(QStringLiteral("Test")));
        EXPECT_FALSE(
            defaults().objectForKey(key).isValid());  // nothing to restore, nothing written
        scene.split->setSubviewIsCollapsed(scene.panes[1], true);
        scene.split->setFrame(QRectF(0, 0, 251, 60));
        const QVariantMap record = defaults().dictionaryForKey(key);
        EXPECT_EQ(record.value(QStringLiteral("version")).toLongLong(), 2);
        EXPECT_EQ(record.value(QStringLiteral("isVertical")).toBool(), true);
        const QVariantList subviews = record.value(QStringLiteral("subviews")).toList();
        ASSERT_EQ(subviews.size(), 2);
        EXPECT_EQ(subviews[0].toMap().value(QStringLiteral("frame")).toString(),
                  QStringLiteral("{{0, 0}, {250, 60}}"));
        EXPECT_FALSE(subviews[0].toMap().value(QStringLiteral("collapsed")).toBool());
        // The parked frame is written as it is.
        EXPECT_EQ(
            kit::rectFromString(subviews[1].toMap().value(QStringLiteral("frame")).toString()),
            QRectF(1000000, 1000000, 100, 60));
        EXPECT_TRUE(subviews[1].toMap().value(QStringLiteral("collapsed")).toBool());

        // The name is held: no other split view may take it meanwhile.
        DragScene other(QSizeF(201, 60), true, {100, 100});
        EXPECT_FALSE(other.split->setPositionAutosaveName(QStringLiteral("Test")));
        EXPECT_FALSE(scene.split->setPositionAutosaveName(QStringLiteral("Test")));
        EXPECT_EQ(scene.split->positionAutosaveName(), QStringLiteral("Test"));
    }
    // Once the first one is gone, a new split view takes the name and the record.
    DragScene scene(QSizeF(251, 60), true, {125, 125});
    EXPECT_TRUE(scene.split->setPositionAutosaveName(QStringLiteral("Test")));
    EXPECT_EQ(scene.panes[0]->frame(), QRectF(0, 0, 250, 60));
    EXPECT_TRUE(scene.split->isSubviewCollapsed(scene.panes[1]));
    EXPECT_EQ(scene.panes[1]->frame().topLeft(), WsSplitView::wsOffScreenPoint());

    // The empty name stops the saving and frees the name.
    EXPECT_TRUE(scene.split->setPositionAutosaveName(QString()));
    scene.split->setFrame(QRectF(0, 0, 300, 60));
    EXPECT_EQ(defaults()
                  .dictionaryForKey(key)
                  .value(QStringLiteral("subviews"))
                  .toList()[0]
                  .toMap()
                  .value(QStringLiteral("frame"))
                  .toString(),
              QStringLiteral("{{0, 0}, {250, 60}}"));
    WsSplitView::removePositionUsingName(QStringLiteral("Test"));
    EXPECT_FALSE(defaults().objectForKey(key).isValid());
    EXPECT_FALSE(scene.split->setPositionUsingName(QStringLiteral("Test")));
}

TEST_F(SplitViewTest, RestoringLaysOutAgainWithoutWritingTheRecordBack) {
    const QString key = WsSplitView::wsDefaultsKeyForName(QStringLiteral("R"));
    auto entry = [](const QString& frame) {
        return QVariantMap{{QStringLiteral("frame"), frame}, {QStringLiteral("collapsed"), false}};
    };
    auto record = [](qint64 version, const QVariantList& subviews, bool vertical) {
        return QVariantMap{{QStringLiteral("version"), version},
                           {QStringLiteral("subviews"), subviews},
                           {QStringLiteral("isVertical"), vertical}};
    };
    struct Case {
        const char* what;
        QVariantMap stored;
        double firstWidth;  // after the layout that follows, in a split view 201 wide
    };
    const std::vector<Case> cases = {
        // 40 and 100 scaled to the 200 points there are; the third entry has no pane.
        {"applied",
         record(2,
                {entry(QStringLiteral("{{0, 0}, {40, 60}}")),
                 entry(QStringLiteral("{{41, 0}, {100, 60}}")),
                 entry(QStringLiteral("{{0, 0}, {5, 5}}"))},
                true),
         57},
        // Not applied: neither the frames nor the orientation.
        {"version 1", record(1, {entry(QStringLiteral("{{0, 0}, {40, 60}}"))}, false), 100},
        {"a frame that is no rectangle", record(2, {entry(QStringLiteral("wide"))}, true), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedRandom random({kNeverTakes});
        defaults().setObject(key, c.stored);
        DragScene scene(QSizeF(201, 60), true, {100, 100});
        EXPECT_TRUE(scene.split->setPositionAutosaveName(QStringLiteral("R")));
        EXPECT_TRUE(scene.split->isVertical());
        EXPECT_EQ(scene.panes[0]->frame().width(), c.firstWidth);
        EXPECT_EQ(scene.panes[1]->frame(), QRectF(c.firstWidth + 1, 0, 200 - c.firstWidth, 60));
        EXPECT_EQ(defaults().dictionaryForKey(key), c.stored);  // not written back
    }
    DragScene scene(QSizeF(201, 60), true, {100, 100});
    defaults().setObject(key, QStringLiteral("not a record"));
    EXPECT_TRUE(scene.split->setPositionUsingName(QStringLiteral("R")));
    EXPECT_EQ(scene.panes[0]->frame(), QRectF(0, 0, 100, 60));
}
