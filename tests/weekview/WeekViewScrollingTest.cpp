// Hour scrolling of the week view: the wheel with its acceleration, clamp and
// bounce, the soft range over the shown events, the scroller's parts, showing
// an hour; and the Space and Escape keys.

#include "weekview/WeekViewTestSupport.h"

#include "platform/kit/Animation.h"
#include "platform/kit/Event.h"
#include "platform/kit/Window.h"
#include "weekview/WDEventsView.h"
#include "weekview/WeekViewScroller.h"
#include "weekview/WeekdayView.h"

#ifdef ZOLT_HAS_SAMPLE_STORE
#include "SampleStore.h"
#include "platform/store/Store.h"
#include "support/TestSupport.h"

#include <map>
#endif

using namespace wvtest;

namespace {

class WeekViewScrollingTest : public WeekViewTest {
protected:
    void SetUp() override {
        WeekViewTest::SetUp();
        kit::Animation::setInstantForTesting(true);
        WeekView::setClock([this] { return clock; });
        setWeekPref(QStringLiteral("Show RelativeInYear"), false);
    }
    void TearDown() override {
        WeekView::setClock(nullptr);
        kit::Animation::setInstantForTesting(false);
        WeekViewTest::TearDown();
    }

    void setWorkday(double start, double end) {
        setGeneralPref(QStringLiteral("Workday Starts At"), start);
        setGeneralPref(QStringLiteral("Workday Ends At"), end);
    }

    // The week of 13 to 19 June 2011.
    std::unique_ptr<WeekView> week() { return drawnWeek(day(2011, 6, 15)); }

    void addEvent(int dayOfMonth, int fromMinute, int toMinute) {
        YearViewCellPtr cell = yearArea->cellForDate(day(2011, 6, dayOfMonth));
        cell->addEventFromCalendar(
            yvtest::makeEvent(yvtest::at(2011, 6, dayOfMonth, fromMinute / 60, fromMinute % 60),
                              yvtest::at(2011, 6, dayOfMonth, toMinute / 60, toMinute % 60)),
            calendar);
    }

    // A wheel event with the time stamp `at` on the test's clock.
    void wheel(WeekView& view, double deltaY, double at) {
        kit::Event e = kit::Event::scrollEvent(QPointF(500, 300), 0, deltaY);
        e.setTimestamp(at);
        view.scrollWheel(e);
    }

    static double value(WeekView& view) { return view.gui_vScroller()->doubleValue(); }

    double clock = 100.0;
    CalendarPtr calendar =
        yvtest::makeCalendar(Calendar::kTypeNormal, true, Qt::blue, QStringLiteral("Work"));
};

}  // namespace

TEST_F(WeekViewScrollingTest, WheelDeltasAreAcceleratedAndClamped) {
    setWorkday(0, 24);  // the whole day in range: no bounce
    struct Case {
        const char* what;
        double accelerate, deltaY, expectedValue, keptAccelerate;
    };
    const Case cases[] = {
        {"one step, factor 3", 3, -1, 0.5 + 3 / 150.0, 3},
        {"one step up, factor 3", 3, 1, 0.5 - 3 / 150.0, 3},
        {"factor 12 acts as 10", 12, -1, 0.5 + 10 / 150.0, 10},
        {"delta 20 clamped to 10", 1, -20, 0.5 + 10 / 150.0, 1},
        {"factor below 1 leaves the delta", 0.5, -2, 0.5 + 2 / 150.0, 0.5},
        {"no delta", 3, 0, 0.5, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto view = week();
        view->setAccelerateScroll(c.accelerate);
        view->gui_vScroller()->setDoubleValue(0.5);
        wheel(*view, c.deltaY, clock);
        EXPECT_NEAR(value(*view), c.expectedValue, 1e-6);
        EXPECT_DOUBLE_EQ(view->accelerateScroll(), c.keptAccelerate);
        // The columns follow the scroller together.
        const WeekdayView* first = view->viewSet().front();
        if (c.deltaY != 0)
            EXPECT_NEAR(view->shownHour(), first->hourForScrollPercent(c.expectedValue), 1e-6);
        for (const WeekdayView* column : view->viewSet())
            EXPECT_DOUBLE_EQ(column->eventsView()->frame().y(), first->eventsView()->frame().y());
    }

    // A factor stored in the settings above the clamp acts as 10, and the
    // view keeps 10.
    setWeekPref(QStringLiteral("Accelerate Scroll"), 12);
    auto view = week();
    ASSERT_DOUBLE_EQ(view->accelerateScroll(), 12);
    view->gui_vScroller()->setDoubleValue(0.5);
    wheel(*view, -1, clock);
    EXPECT_NEAR(value(*view), 0.5 + 10 / 150.0, 1e-6);
    EXPECT_DOUBLE_EQ(view->accelerateScroll(), 10);
}

TEST_F(WeekViewScrollingTest, TheSoftRangeIsTheWorkdayWidenedByTheShownEvents) {
    setWorkday(8, 18);
    struct Case {
        const char* what;
        std::vector<std::array<int, 3>> events;  // day, from and to in minutes
        double lo, hi;
    };
    const Case cases[] = {
        {"no events", {}, 8, 18},
        {"events inside the workday", {{15, 9 * 60, 10 * 60}}, 8, 18},
        {"an hour before and after",
         {{14, 6 * 60 + 30, 7 * 60 + 30}, {16, 20 * 60, 21 * 60}},
         5.5,
         22},
        {"at the ends of the day", {{13, 30, 23 * 60 + 45}}, 0, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        yearArea->cells.clear();
        for (const auto& e : c.events) addEvent(e[0], e[1], e[2]);
        auto view = week();
        view->calculateScrollBounds();
        const WeekdayView* first = view->viewSet().front();
        const double min = first->scrollPercentForHour(c.lo);
        EXPECT_NEAR(view->scrollMinBound(), min, 1e-6);
        EXPECT_NEAR(view->scrollMaxBound(), std::max(min, first->maxScrollPercentForHour(c.hi)),
                    1e-6);
        EXPECT_LE(view->scrollMinBound(), view->scrollMaxBound());
        EXPECT_FALSE(view->eventSetHasChanged());
    }
}

TEST_F(WeekViewScrollingTest, ScrollingPastAnEndBouncesAndQuietsTheWheelForHalfASecond) {
    setWorkday(6, 20);
    for (bool top : {true, false}) {
        SCOPED_TRACE(top ? "top" : "bottom");
        auto view = week();
        view->setAccelerateScroll(1);
        view->calculateScrollBounds();
        const double min = view->scrollMinBound(), max = view->scrollMaxBound();
        ASSERT_LT(min, max);
        const double bound = top ? min : max;
        const double outward = top ? 1 : -1;  // wheel deltas are inverted
        view->gui_vScroller()->setDoubleValue(bound);

        wheel(*view, outward, clock);
        EXPECT_NEAR(value(*view), bound, 1e-6) << "bounced back";
        EXPECT_DOUBLE_EQ(view->bounceTimeStamp(), clock);

        // Further out within half a second: dropped.
        view->gui_vScroller()->setDoubleValue(bound);
        wheel(*view, outward, clock + 0.3);
        EXPECT_NEAR(value(*view), bound, 1e-6);
        EXPECT_DOUBLE_EQ(view->bounceTimeStamp(), clock);
        // Back into the range: acted on at once.
        wheel(*view, -outward, clock + 0.3);
        EXPECT_NEAR(value(*view), bound + outward / 150.0, 1e-6);
        // Out again after half a second: another bounce.
        clock += 0.6;
        view->gui_vScroller()->setDoubleValue(bound);
        wheel(*view, outward, clock);
        EXPECT_DOUBLE_EQ(view->bounceTimeStamp(), clock);
        EXPECT_NEAR(value(*view), bound, 1e-6);
    }
}

TEST_F(WeekViewScrollingTest, ScrollerPartsStepLinesAndPagesAndLeaveTheSlotAlone) {
    using Part = kit::Scroller::Part;
    struct Case {
        const char* what;
        Part part;
        unsigned modifiers;
        double start;
        double step;  // in half hours for lines, fractions for pages
    };
    const Case cases[] = {
        {"line down", Part::IncrementLine, 0, 0.5, 1},
        {"line up", Part::DecrementLine, 0, 0.5, -1},
        {"page down", Part::IncrementPage, 0, 0.5, 0.3},
        {"page up", Part::DecrementPage, 0, 0.5, -0.3},
        {"page down from 0.9 ends at 1", Part::IncrementPage, 0, 0.9, 0.3},
    };
    kit::Window window(QRectF(0, 0, 1000, 700));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WeekView* view = week().release();
        window.contentView()->addSubview(view);
        WeekViewScroller* scroller = view->gui_vScroller();
        // The style with line arrows.
        scroller->setScrollerStyle(kit::Scroller::Style::Legacy);
        scroller->setDoubleValue(c.start);
        const QRectF rect = scroller->rectForPart(c.part);
        ASSERT_FALSE(rect.isEmpty());
        scroller->mouseDown(kit::Event::mouseEvent(
            kit::EventType::LeftMouseDown, scroller->convertPointToView(rect.center(), nullptr),
            c.modifiers));
        ASSERT_EQ(scroller->hitPart(), c.part);
        const bool line = c.part == Part::IncrementLine || c.part == Part::DecrementLine;
        const double s = line ? c.step * view->viewSet().front()->scrollDiffForHalfHour() : c.step;
        const double expected = std::clamp(c.start + s, 0.0, 1.0);
        EXPECT_NEAR(scroller->doubleValue(), expected, 1e-6);
        EXPECT_NEAR(view->shownHour(), view->viewSet().front()->hourForScrollPercent(expected),
                    1e-6);
        delete view;
    }

    // An Option-click in the slot jumps there; the action adds no page.
    WeekView* view = week().release();
    window.contentView()->addSubview(view);
    WeekViewScroller* scroller = view->gui_vScroller();
    scroller->setDoubleValue(0.0);
    const QRectF slot = scroller->rectForPart(Part::IncrementPage);
    const QPointF at = scroller->convertPointToView(slot.center(), nullptr);
    window.postEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseUp, at));
    scroller->mouseDown(
        kit::Event::mouseEvent(kit::EventType::LeftMouseDown, at, kit::ModifierFlags::Option));
    EXPECT_EQ(scroller->hitPart(), Part::KnobSlot);
    EXPECT_GT(scroller->doubleValue(), 0.0);
    EXPECT_NEAR(view->shownHour(),
                view->viewSet().front()->hourForScrollPercent(scroller->doubleValue()), 1e-6);
    delete view;
}

TEST_F(WeekViewScrollingTest, ShowingAnHourMovesEveryColumnWithOrWithoutAnimation) {
    for (bool animate : {false, true}) {
        SCOPED_TRACE(animate ? "animated" : "at once");
        auto view = week();
        view->scrollToHourAnimate(0, false);
        view->scrollToHourAnimate(9, animate);
        const WeekdayView* first = view->viewSet().front();
        const double y = first->yPosForScrollPercent(first->scrollPercentForHour(9));
        EXPECT_DOUBLE_EQ(view->shownHour(), 9);
        for (const WeekdayView* column : view->viewSet())
            EXPECT_NEAR(column->eventsView()->frame().y(), y, 1e-6);
    }
}

TEST_F(WeekViewScrollingTest, SpaceAndEscapeActOnTheHoverFirst) {
    bool hoverOpen = false;
    int closes = 0;
    EventDayPtr opened;
    WeekView::changeServices([&](WeekView::Services& s) {
        s.eventHoverIsOpen = [&] { return hoverOpen; };
        s.eventHoverCloseWindow = [&](QObject*) { ++closes; };
        s.eventHoverShowWindow = [&](const EventDayPtr& e, const QRectF&, kit::View*) {
            opened = e;
        };
    });
    addEvent(15, 9 * 60, 10 * 60);
    auto view = week();
    const EventDayPtr e = view->viewSet().at(2)->events().at(0);
    auto key = [&](int code) {
        view->keyDown(kit::Event::keyEvent(kit::EventType::KeyDown, code, QString()));
    };

    key(kit::KeyCodes::Space);  // nothing selected
    EXPECT_EQ(opened, nullptr);

    view->selectEvent(e);
    closes = 0;
    key(kit::KeyCodes::Space);
    EXPECT_EQ(opened, e);
    hoverOpen = true;
    opened = nullptr;
    key(kit::KeyCodes::Space);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(opened, nullptr);

    key(kit::KeyCodes::Escape);  // the open hover closes, the selection stays
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(view->selection(), e);
    hoverOpen = false;
    key(kit::KeyCodes::Escape);
    EXPECT_EQ(view->selection(), nullptr);
    EXPECT_FALSE(e->isSelected());
}

TEST_F(WeekViewScrollingTest, InAWindowTheWheelAndTheScrollerMoveAllColumnsOfABusyWeek) {
#ifndef ZOLT_HAS_SAMPLE_STORE
    GTEST_SKIP() << "built without the sample store";
#else
    BusySampleWeek week;
    ASSERT_TRUE(week.open());
    for (int d = 0; d < 7; ++d) week.fillDay(yearArea->cellForDate(day(2024, 3, 4 + d)), d);
    setWorkday(0, 24);
    kit::Window window(QRectF(0, 0, 1000, 700));
    WeekView* view = makeView(1000, 700, 1, day(2024, 3, 6)).release();
    window.contentView()->addSubview(view);
    window.makeKeyAndOrderFront();
    view->setAccelerateScroll(3);
    view->gui_vScroller()->setDoubleValue(0.2);
    view->scrollWheelProgress(0.2);
    auto columnsAt = [&](double y) {
        for (const WeekdayView* column : view->viewSet())
            if (column->eventsView()->frame().y() != y) return false;
        return true;
    };

    // The wheel over a column reaches the week view through the column.
    const WeekdayView* wednesday = view->viewSet().at(2);
    const QPointF overWednesday =
        wednesday->convertPointToView(QPointF(60, wednesday->frame().height() / 2), nullptr);
    kit::Event wheelDown = kit::Event::scrollEvent(overWednesday, 0, -2, kit::EventPhase::None,
                                                   kit::EventPhase::None, false, 0, &window);
    wheelDown.setTimestamp(clock);
    window.sendEvent(wheelDown);
    EXPECT_NEAR(value(*view), 0.2 + 6 / 150.0, 1e-6);
    EXPECT_TRUE(columnsAt(view->viewSet().front()->yPosForScrollPercent(value(*view))));

    // A page down in the scroller's slot below the knob.
    WeekViewScroller* scroller = view->gui_vScroller();
    const QPointF below = scroller->convertPointToView(
        scroller->rectForPart(kit::Scroller::Part::IncrementPage).center(), nullptr);
    const double before = value(*view);
    window.sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseDown, below, 0, 1, &window));
    window.sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseUp, below, 0, 1, &window));
    EXPECT_NEAR(value(*view), std::min(1.0, before + 0.3), 1e-6);
    EXPECT_TRUE(columnsAt(view->viewSet().front()->yPosForScrollPercent(value(*view))));

    // The arrows (of the style that has them) step up and back down.
    scroller->setScrollerStyle(kit::Scroller::Style::Legacy);
    const auto clickPart = [&](kit::Scroller::Part part) {
        const QPointF at =
            scroller->convertPointToView(scroller->rectForPart(part).center(), nullptr);
        window.sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseDown, at, 0, 1, &window));
        window.sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseUp, at, 0, 1, &window));
    };
    const double beforeArrows = value(*view);
    clickPart(kit::Scroller::Part::DecrementLine);
    const double afterUp = value(*view);
    EXPECT_LT(afterUp, beforeArrows);
    EXPECT_TRUE(columnsAt(view->viewSet().front()->yPosForScrollPercent(afterUp)));
    clickPart(kit::Scroller::Part::IncrementLine);
    EXPECT_NEAR(value(*view), beforeArrows, 1e-6);
    EXPECT_TRUE(columnsAt(view->viewSet().front()->yPosForScrollPercent(value(*view))));

    view->forcedRedraw();
    testsupport::saveForInspection(window.contentView()->renderToImage(),
                                   QStringLiteral("week-scrolled-busy-week"));
    delete view;
#endif
}
