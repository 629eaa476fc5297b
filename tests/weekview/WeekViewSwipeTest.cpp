// Moving the week by hand in a week view in a window: presses on the bar of
// the year's weeks and on the corner, drags scripted through the window's
// modal loop, and swipes fed as scroll gestures with phases.

#include "weekview/WeekViewStoreFixture.h"

#include "platform/kit/Animation.h"
#include "weekview/WeekViewScroller.h"
#include "weekview/WeekdayView.h"

#include <QCoreApplication>
#include <QTimer>

using namespace wvtest;

namespace {

const QDate kWednesday(2011, 6, 15);
const QDate kMonday(2011, 6, 13);

class WeekViewSwipeTest : public WeekViewStoreFixture {
protected:
    void SetUp() override {
        WeekViewStoreFixture::SetUp();
        kit::Animation::setInstantForTesting(true);
        open();
    }
    void TearDown() override {
        kit::Animation::setInstantForTesting(false);
        WeekViewStoreFixture::TearDown();
    }

    double columnWidth() const {
        return view->innerRectForDrawing().width() / view->numberOfDaysInDisplay();
    }
    // The middle of the columns, in the window.
    QPointF middle() const {
        const QRectF I = view->innerRectForDrawing();
        return view->convertPointToView(I.center(), nullptr);
    }
    QPointF leftBy(double columns) const { return middle() - QPointF(columns * columnWidth(), 0); }
    // A press in the middle of the view, dragged to the left by each of
    // `columns` in turn (negative is to the right), then released there or
    // abandoned with Escape.
    void dragWeek(const std::vector<double>& columns, bool escape = false) {
        std::vector<kit::Event> then;
        for (double c : columns) then.push_back(drag(leftBy(c)));
        const QPointF last = columns.empty() ? middle() : leftBy(columns.back());
        then.push_back(escape ? this->escape() : up(last));
        for (const kit::Event& e : then) window->postEvent(e);
        view->mouseDown(mouse(kit::EventType::LeftMouseDown, middle()));
    }
    // Where the first shown column stands while the pointer rests after the
    // drags (the drag is then abandoned).
    double frontWhileDragging(const std::vector<double>& columns) {
        for (double c : columns) window->postEvent(drag(leftBy(c)));
        WeekdayView* front = view->viewSet().front();
        double x = -1;
        QTimer::singleShot(0, [&] {
            x = front->frame().x();
            window->postEvent(escape());
        });
        view->mouseDown(mouse(kit::EventType::LeftMouseDown, middle()));
        return x;
    }
    QDate shownDay() const { return dateOf(view->referenceDate()); }
    void expectWeekIntact(const QDate& monday) {
        EXPECT_EQ(shownDay(), monday);
        ASSERT_EQ(view->viewSet().size(), 7u);
        EXPECT_EQ(dateOf(view->viewSet().front()->date()), monday);
        EXPECT_NEAR(view->viewSet().front()->frame().x(), view->innerRectForDrawing().x(), 1);
        int columns = 0;
        for (kit::View* sub : view->subviews())
            if (qobject_cast<WeekdayView*>(sub)) ++columns;
        EXPECT_EQ(columns, 7);
        EXPECT_EQ(view->dotOffset(), 0.0);
        EXPECT_FALSE(view->selection());
    }
};

struct DragCase {
    const char* name;
    std::vector<double> columns;
    bool escape;
    QDate shown;
};

TEST_F(WeekViewSwipeTest, ADragMovesOneStepOnlyPastTheThresholdWhileStillMovingOn) {
    const DragCase cases[] = {
        {"0.2 left, still moving left: next week", {0.1, 0.2}, false, kMonday.addDays(7)},
        {"0.2 right: previous week", {-0.1, -0.2}, false, kMonday.addDays(-7)},
        {"0.14 left: falls back", {0.05, 0.14}, false, kMonday},
        {"past 0.15 and back a little: falls back", {0.1, 0.4, 0.35}, false, kMonday},
        {"Escape: falls back", {0.1, 0.5}, true, kMonday},
        {"left, then across the start: falls back", {0.3, -0.4}, false, kMonday},
        {"a click: nothing", {}, false, kMonday},
    };
    for (const DragCase& c : cases) {
        SCOPED_TRACE(c.name);
        showWeek(kWednesday);
        view->setEventSetHasChanged(false);
        dragWeek(c.columns, c.escape);
        expectWeekIntact(c.shown);
        if (c.shown != kMonday) EXPECT_TRUE(view->eventSetHasChanged());
    }
}

TEST_F(WeekViewSwipeTest, ADragPullsAtMostThreeQuartersOfAColumnAndNeverPastTheStart) {
    showWeek(kWednesday);
    const double x0 = view->viewSet().front()->frame().x();
    const double half = frontWhileDragging({0.5});
    const double limit = frontWhileDragging({0.75});
    const double far = frontWhileDragging({0.3, 3});
    EXPECT_LT(half, x0);
    EXPECT_LT(limit, half);
    EXPECT_NEAR(far, limit, 0.01);
    // Left, then to the right of the start: the row is back where it began.
    EXPECT_NEAR(frontWhileDragging({0.3, -0.5}), x0, 0.01);
    // The previous days: pulled to the right by the same most.
    EXPECT_NEAR(frontWhileDragging({-3}) - x0, x0 - limit, 1);
    expectWeekIntact(kMonday);
}

TEST_F(WeekViewSwipeTest, AClickOnTheBarShowsThatWeek) {
    setWeekPref(QStringLiteral("Show RelativeInYear"), true);
    showWeek(kWednesday);
    const QRectF I = view->innerRectForDrawing();
    const double slot = I.width() / view->weeksInYear();
    const double bottom = std::floor(view->bounds().height() - 20) + 0.5;
    // The slot of index 9 is calendar week 10: Monday 7 March 2011.
    const QPointF p(I.x() + 0.5 + 9.5 * slot, bottom + 4);
    view->mouseDown(mouse(kit::EventType::LeftMouseDown, view->convertPointToView(p, nullptr)));
    EXPECT_EQ(shownDay(), QDate(2011, 3, 7));
    // Just above the bar it is a drag (a click here): the week stays.
    const QPointF above = view->convertPointToView(QPointF(p.x(), bottom + 9), nullptr);
    window->postEvent(up(above));
    view->mouseDown(mouse(kit::EventType::LeftMouseDown, above));
    EXPECT_EQ(shownDay(), QDate(2011, 3, 7));
}

// -- Swipes from scroll gestures

class WeekViewScrollSwipeTest : public WeekViewSwipeTest {
protected:
    void scroll(double dx, double dy, unsigned phase) {
        window->sendEvent(kit::Event::scrollEvent(middle(), dx, dy, phase, kit::EventPhase::None,
                                                  true, 0, window.get()));
    }
    // Waits until the swipe's columns stand at `offset`.
    void settleAt(double offset) {
        ASSERT_TRUE(testsupport::waitUntil([&] {
            QCoreApplication::processEvents();
            return !view->touchRedrawActive() && view->touchLastSwipeDeltaX() == offset;
        }));
    }
};

TEST_F(WeekViewScrollSwipeTest, AHorizontalGestureTurnsTheWeekOrFallsBack) {
    // 120 points to the left are 30 trackpad points: the columns move 60,
    // more than a fifth of the most a swipe pulls.
    showWeek(kWednesday);
    scroll(-20, 0, kit::EventPhase::Began);
    ASSERT_GT(view->touchSwipeMaxX(), 60.0);
    scroll(-100, 0, kit::EventPhase::Changed);
    settleAt(60);
    EXPECT_TRUE(view->isTrackingTouches());
    EXPECT_GT(view->dotOffset(), 0);
    scroll(0, 0, kit::EventPhase::Ended);
    expectWeekIntact(kMonday.addDays(7));
    EXPECT_FALSE(view->isTrackingTouches());

    // To the right: the week before.
    scroll(20, 0, kit::EventPhase::Began);
    scroll(100, 0, kit::EventPhase::Changed);
    settleAt(-60);
    scroll(0, 0, kit::EventPhase::Ended);
    expectWeekIntact(kMonday);

    // Too little: back.
    scroll(-10, 0, kit::EventPhase::Began);
    scroll(-20, 0, kit::EventPhase::Changed);
    settleAt(15);
    scroll(0, 0, kit::EventPhase::Ended);
    expectWeekIntact(kMonday);

    // Far enough, but released while moving back: back.
    scroll(-20, 0, kit::EventPhase::Began);
    scroll(-180, 0, kit::EventPhase::Changed);
    settleAt(std::min(100.0, view->touchSwipeMaxX()));
    scroll(80, 0, kit::EventPhase::Changed);
    settleAt(60);
    scroll(0, 0, kit::EventPhase::Ended);
    expectWeekIntact(kMonday);
}

TEST_F(WeekViewScrollSwipeTest, AGestureThatBeginsVerticallyScrollsTheHoursOnly) {
    showWeek(kWednesday);
    const double before = view->gui_vScroller()->doubleValue();
    scroll(2, 8, kit::EventPhase::Began);
    EXPECT_TRUE(view->isScrollSwiping());
    scroll(-200, 4, kit::EventPhase::Changed);
    EXPECT_FALSE(view->isTrackingTouches());
    EXPECT_LT(view->gui_vScroller()->doubleValue(), before);
    scroll(0, 0, kit::EventPhase::Ended);
    EXPECT_FALSE(view->isScrollSwiping());
    expectWeekIntact(kMonday);
}

// The columns' moves are worked out off the main thread; one that arrives
// after the swipe has ended moves nothing.
TEST_F(WeekViewScrollSwipeTest, MovesArrivingAfterTheEndMoveNothing) {
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        showWeek(kWednesday);
        scroll(-8, 0, kit::EventPhase::Began);
        scroll(-8, 0, kit::EventPhase::Changed);
        scroll(-8, 0, kit::EventPhase::Changed);
        scroll(0, 0, kit::EventPhase::Ended);
        testsupport::waitUntil([] { return false; }, 0.1);
        expectWeekIntact(kMonday);
        EXPECT_FALSE(view->touchRedrawActive());
    }
}

// Where the platform delivers trackpad touches they drive the same swipe.
TEST_F(WeekViewScrollSwipeTest, TwoFingerTouchesSwipeAndAVerticalStartDoesNot) {
    showWeek(kWednesday);
    kit::Touch a{1, kit::TouchPhase::Began, QPointF(0.5, 0.5)};
    kit::Touch b{2, kit::TouchPhase::Began, QPointF(0.6, 0.5)};
    const auto send = [&](unsigned phase, double dx, double dy, std::vector<kit::Touch> more = {}) {
        for (kit::Touch* t : {&a, &b}) {
            t->phase = phase;
            t->normalizedPosition += QPointF(dx, dy);
        }
        std::vector<kit::Touch> touches{a, b};
        touches.insert(touches.end(), more.begin(), more.end());
        window->sendEvent(kit::Event::touchEvent(middle(), touches, window.get()));
    };
    // Left by 0.375 of a trackpad 100 points wide: the columns move 75.
    send(kit::TouchPhase::Began, 0, 0);
    send(kit::TouchPhase::Moved, -0.25, 0);
    EXPECT_TRUE(view->isTrackingTouches());
    send(kit::TouchPhase::Moved, -0.125, 0);
    settleAt(75);
    send(kit::TouchPhase::Ended, 0, 0);
    expectWeekIntact(kMonday.addDays(7));

    // Up first: the gesture never moves the week.
    send(kit::TouchPhase::Began, 0.25, 0);
    send(kit::TouchPhase::Moved, -0.0078125, 0.25);
    EXPECT_TRUE(view->isScrollSwiping());
    send(kit::TouchPhase::Moved, -0.25, 0);
    EXPECT_FALSE(view->isTrackingTouches());
    send(kit::TouchPhase::Ended, 0, 0);
    EXPECT_FALSE(view->isScrollSwiping());
    expectWeekIntact(kMonday.addDays(7));

    // A third finger ends a running swipe; this one was too short to move.
    send(kit::TouchPhase::Began, 0, 0);
    send(kit::TouchPhase::Moved, -0.03125, 0);
    send(kit::TouchPhase::Moved, -0.03125, 0);
    settleAt(12.5);
    send(kit::TouchPhase::Stationary, 0, 0,
         {kit::Touch{3, kit::TouchPhase::Began, QPointF(0.2, 0.2)}});
    EXPECT_FALSE(view->isTrackingTouches());
    expectWeekIntact(kMonday.addDays(7));
}

}  // namespace
