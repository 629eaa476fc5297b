// The week view: the rules of its display modes, the day offsets, the copy
// for a mode change, the layout of the columns and the scroller, the column
// under a position, the live resize, the refreshes from the loaders and the
// notifications it follows.

#include "weekview/WeekViewTestSupport.h"

#include "data/CalendarSources.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/Window.h"
#include "weekview/WeekViewScroller.h"

#include <QCoreApplication>

#include <thread>

using namespace wvtest;

namespace {

void processEvents() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace

// -- Display modes

struct ModeCase {
    int mode;
    bool weekStartsSunday;
    QDate day;
    QDate first;
    int step;
    int columns;
};

TEST_F(WeekViewTest, ModeTableGivesFirstDayStepAndColumns) {
    const ModeCase cases[] = {
        // A Sunday belongs to the week of the Monday before, unless weeks
        // begin on Sundays; then a Monday's week began the day before.
        {1, false, QDate(2011, 6, 19), QDate(2011, 6, 13), 7, 7},
        {1, false, QDate(2011, 6, 13), QDate(2011, 6, 13), 7, 7},
        {1, true, QDate(2011, 6, 19), QDate(2011, 6, 19), 7, 7},
        {1, true, QDate(2011, 6, 13), QDate(2011, 6, 12), 7, 7},
        {1, true, QDate(2011, 12, 31), QDate(2011, 12, 25), 7, 7},
        {1, false, QDate(2012, 1, 1), QDate(2011, 12, 26), 7, 7},
        // The working week never asks when weeks begin.
        {2, true, QDate(2011, 6, 19), QDate(2011, 6, 13), 7, 5},
        {2, false, QDate(2012, 1, 1), QDate(2011, 12, 26), 7, 5},
        {3, true, QDate(2011, 12, 31), QDate(2011, 12, 31), 1, 7},
        {4, false, QDate(2011, 6, 19), QDate(2011, 6, 19), 1, 5},
        // A stored single day shows one column of the day; anything else is
        // a week of seven.
        {5, false, QDate(2011, 6, 19), QDate(2011, 6, 19), 1, 1},
        {0, false, QDate(2011, 6, 19), QDate(2011, 6, 13), 7, 7},
        {9, true, QDate(2011, 6, 13), QDate(2011, 6, 12), 7, 7},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " sunday " << c.weekStartsSunday
                                        << " day " << c.day.toString().toStdString());
        setGeneralPref(QStringLiteral("Week Begins on Sunday"), c.weekStartsSunday);
        auto view = makeView(1000, 700, c.mode, day(c.day.year(), c.day.month(), c.day.day()));
        EXPECT_EQ(dateOf(view->referenceDate()), c.first);
        EXPECT_EQ(dateOf(view->nextReferenceDateInDirection(1)), c.first.addDays(c.step));
        EXPECT_EQ(dateOf(view->nextReferenceDateInDirection(-1)), c.first.addDays(-c.step));
        EXPECT_EQ(view->numberOfDaysInDisplay(), c.columns);
        EXPECT_EQ(view->viewSetMaxIndex(), c.columns - 1);
        ASSERT_EQ(int(view->viewSet().size()), c.columns);
        // One column per day from the first, each on the year area's cell.
        for (int i = 0; i < c.columns; ++i) {
            EXPECT_EQ(dateOf(view->viewSet()[size_t(i)]->date()), c.first.addDays(i));
            EXPECT_EQ(view->viewSet()[size_t(i)]->dataCell(),
                      yearArea->cells.value(c.first.addDays(i)));
        }
    }
}

TEST_F(WeekViewTest, StartsOnTodaysWeekAndChecksItsModeInTheMainMenu) {
    kit::MenuItem items[4] = {
        kit::MenuItem(QStringLiteral("7")), kit::MenuItem(QStringLiteral("5")),
        kit::MenuItem(QStringLiteral("n7")), kit::MenuItem(QStringLiteral("n5"))};
    setWeekPref(QStringLiteral("Display Mode"), 3);
    WeekView view(QRectF(0, 0, 800, 600));
    for (int mode = 1; mode <= 4; ++mode) view.setMainMenuModeItem(mode, &items[mode - 1]);
    view.setMainMenuModeItem(2, nullptr);  // an absent outlet is skipped
    view.setYearViewScroller(yearArea.get());
    view.loadPreferences();
    view.applicationFinishedLaunching();
    EXPECT_EQ(dateOf(view.referenceDate()), QDate(2011, 6, 15));
    EXPECT_EQ(items[0].state(), 0);
    EXPECT_EQ(items[1].state(), 0);
    EXPECT_EQ(items[2].state(), 1);
    EXPECT_EQ(items[3].state(), 0);
}

TEST_F(WeekViewTest, DateOffsetCountsDaysAcrossMonthAndYearEnds) {
    struct Case {
        MyDatePtr a, b;
        int offset;
    };
    const Case cases[] = {
        {MyDate::dateWithNSDate(yvtest::at(2011, 6, 15, 1)),
         MyDate::dateWithNSDate(yvtest::at(2011, 6, 15, 23, 30)), 0},
        {day(2011, 6, 13), day(2011, 6, 20), 7},
        {day(2011, 3, 1), day(2011, 2, 28), -1},
        {day(2012, 1, 1), day(2011, 12, 31), -1},
        {day(2011, 12, 26), day(2012, 1, 2), 7},
        {day(2012, 2, 28), day(2012, 3, 1), 2},
        {day(2012, 3, 1), day(2011, 3, 1), -366},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(dateOf(c.a).toString().toStdString() + " to " +
                     dateOf(c.b).toString().toStdString());
        EXPECT_EQ(WeekView::dateOffsetFromTo(c.a, c.b), c.offset);
    }
}

TEST_F(WeekViewTest, CopyForAModeChangeIsAtLeast249HighWithAUsableScroller) {
    auto source = makeView(1000, 200);
    kit::MenuItem item(QStringLiteral("Whole Week"));
    source->setMainMenuModeItem(1, &item);

    std::unique_ptr<WeekView> copy(WeekView::initFromWeekView(source.get()));
    EXPECT_EQ(copy->frame(), QRectF(0, 0, 1000, 249));
    const QRectF scroller = copy->gui_vScroller()->frame();
    EXPECT_GE(scroller.height(), 190);
    EXPECT_EQ(scroller.y(), 22);
    EXPECT_NE(copy->gui_vScroller(), source->gui_vScroller());
    EXPECT_EQ(copy->gui_yearViewScroller(), yearArea.get());
    EXPECT_EQ(copy->gui_mainmiItem(1), &item);
    // It carries no days of its own until it is told its mode and started.
    EXPECT_TRUE(copy->viewSet().empty());
    EXPECT_EQ(copy->referenceDate(), nullptr);

    // A tall source keeps its height.
    auto tall = makeView(900, 600);
    std::unique_ptr<WeekView> tallCopy(WeekView::initFromWeekView(tall.get()));
    EXPECT_EQ(tallCopy->frame().height(), 600);
}

TEST_F(WeekViewTest, UpdatePreferencesReplacesTheViewOnlyWhenTheModeChanged) {
    auto view = makeView(1000, 600, 1);
    view->updatePreferences();
    EXPECT_EQ(yearArea->exchanged, nullptr);

    setWeekPref(QStringLiteral("Display Mode"), 4);
    view->updatePreferences();
    auto* fresh = qobject_cast<WeekView*>(yearArea->exchanged.data());
    ASSERT_NE(fresh, nullptr);
    std::unique_ptr<WeekView> owned(fresh);
    EXPECT_EQ(fresh->displayMode(), 4);
    EXPECT_EQ(fresh->viewSet().size(), 5u);
    EXPECT_EQ(dateOf(fresh->referenceDate()), QDate(2011, 6, 15));
}

// -- Layout

TEST_F(WeekViewTest, InnerRectangleFollowsTheSizeAndTheBar) {
    setWeekPref(QStringLiteral("Show RelativeInYear"), true);
    auto view = makeView(1000, 700);
    EXPECT_EQ(view->innerRectForDrawing(), QRectF(40, 22, 912, 648));
    setWeekPref(QStringLiteral("Show RelativeInYear"), false);
    view->quickLoadPreferences();
    EXPECT_EQ(view->innerRectForDrawing(), QRectF(40, 22, 912, 656));
    view->setFrame(QRectF(0, 0, 1000, 40));
    EXPECT_EQ(view->innerRectForDrawing().height(), 0);
}

TEST_F(WeekViewTest, SevenColumnsShareTheInnerWidth) {
    setWeekPref(QStringLiteral("Show RelativeInYear"), false);
    auto view = makeView(1000, 700);
    const double xs[] = {40, 170, 300, 430, 560, 690, 820};
    const int positions[] = {2, 3, 3, 3, 3, 3, 4};
    ASSERT_EQ(view->viewSet().size(), 7u);
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(view->viewSet()[i]->frame(), QRectF(xs[i], 22, 130, 656)) << i;
        EXPECT_EQ(view->viewSet()[i]->cellPosition(), positions[i]) << i;
    }
    // The scroller runs along the right edge from 22 up to a point below the top.
    const QRectF scroller = view->gui_vScroller()->frame();
    EXPECT_EQ(scroller.x() + scroller.width(), 1000);
    EXPECT_EQ(scroller.y(), 22);
    EXPECT_EQ(scroller.height(), 700 - 23);

    // A single day is the first and only column.
    auto single = makeView(1000, 700, 5);
    ASSERT_EQ(single->viewSet().size(), 1u);
    EXPECT_EQ(single->viewSet()[0]->frame(), QRectF(40, 22, 912, 656));
    EXPECT_EQ(single->viewSet()[0]->cellPosition(), 2);
}

TEST_F(WeekViewTest, ScrollerShowsTheShareOfTheDayInSight) {
    setWeekPref(QStringLiteral("Show RelativeInYear"), false);
    auto view = makeView(1000, 1226 + 44);
    EXPECT_TRUE(view->gui_vScroller()->isHidden());
    EXPECT_FLOAT_EQ(view->scrollerSize(), 1.0f);

    view->setFrame(QRectF(0, 0, 1000, 613 + 44));
    EXPECT_FALSE(view->gui_vScroller()->isHidden());
    EXPECT_FLOAT_EQ(view->scrollerSize(), 0.5f);
    EXPECT_DOUBLE_EQ(view->gui_vScroller()->knobProportion(), 0.5);
    // The columns show the workday's start at the top, and the scroller says so.
    const WeekdayView* first = view->viewSet().front();
    EXPECT_DOUBLE_EQ(view->shownHour(), 8.0);
    EXPECT_DOUBLE_EQ(view->gui_vScroller()->doubleValue(), first->scrollPercentForHour(8.0));
    EXPECT_EQ(first->eventsView()->frame().y(),
              first->yPosForScrollPercent(first->scrollPercentForHour(8.0)));
    for (const WeekdayView* column : view->viewSet())
        EXPECT_EQ(column->eventsView()->frame().y(), first->eventsView()->frame().y());
    EXPECT_TRUE(view->eventSetHasChanged());
}

TEST_F(WeekViewTest, ColumnUnderAPositionFallsBackToTheFirst) {
    setWeekPref(QStringLiteral("Show RelativeInYear"), false);
    auto view = makeView(1000, 700);
    const auto& columns = view->viewSet();
    const double width = 912.0 / 7;
    EXPECT_EQ(view->weekdayViewAtMouseX(40 + 2.5 * width), columns[2]);
    EXPECT_EQ(view->weekdayViewAtMouseX(40 + 6.5 * width), columns[6]);
    EXPECT_EQ(view->weekdayViewAtMouseX(39.5), columns[0]);
    EXPECT_EQ(view->weekdayViewAtMouseX(-200), columns[0]);
    EXPECT_EQ(view->weekdayViewAtMouseX(990), columns[0]);

    // Five columns are wider.
    auto five = makeView(1000, 700, 2);
    EXPECT_EQ(five->weekdayViewAtMouseX(40 + 4.5 * 912.0 / 5), five->viewSet()[4]);
}

// -- Live resize

TEST_F(WeekViewTest, LiveResizeHidesTheColumnsBehindASnapshot) {
    int hoverCloses = 0;
    WeekView::changeServices(
        [&](WeekView::Services& s) { s.eventHoverCloseWindow = [&](QObject*) { ++hoverCloses; }; });
    auto view = makeView(1000, 600);
    view->viewWillStartLiveResize();
    EXPECT_TRUE(view->inWeekLiveResize());
    EXPECT_EQ(hoverCloses, 1);
    EXPECT_EQ(view->cachedView().size(), QSize(1000, 600));
    for (const WeekdayView* column : view->viewSet()) EXPECT_TRUE(column->isHidden());
    EXPECT_FALSE(view->gui_vScroller()->isHidden());
    // A second start changes nothing.
    view->viewWillStartLiveResize();
    EXPECT_EQ(hoverCloses, 1);

    view->setFrame(QRectF(0, 0, 700, 500));
    view->viewDidEndLiveResize();
    EXPECT_FALSE(view->inWeekLiveResize());
    for (const WeekdayView* column : view->viewSet()) EXPECT_FALSE(column->isHidden());
    EXPECT_EQ(view->viewSet()[1]->frame().x(), 127);  // floor(40 + 612 / 7 + 0.5)
    EXPECT_FALSE(view->cachedView().isNull());        // kept for the next resize

    // An end without a start does nothing; a low view keeps no snapshot, not
    // even the older one.
    view->viewDidEndLiveResize();
    view->setFrame(QRectF(0, 0, 700, 200));
    view->viewWillStartLiveResize();
    EXPECT_TRUE(view->cachedView().isNull());
    view->viewDidEndLiveResize();
}

// -- Refreshes

TEST_F(WeekViewTest, LoaderAnnouncementsGiveOneRefreshOnTheMainThread) {
    auto view = makeView(1000, 600);
    const YearViewCellPtr cell = yearArea->cells.value(QDate(2011, 6, 15));
    ASSERT_TRUE(cell);
    auto work = yvtest::makeCalendar(Calendar::kTypeNormal);
    cell->addEventFromCalendar(
        yvtest::makeEvent(yvtest::at(2011, 6, 15, 9), yvtest::at(2011, 6, 15, 10)), work);
    view->setEventSetHasChanged(false);

    std::thread a([&] { view->threadedUpdateView(); });
    std::thread b([&] { view->threadedUpdateView(); });
    a.join();
    b.join();
    EXPECT_TRUE(view->eventSetHasChanged());
    EXPECT_EQ(view->refreshesRun(), 0);  // nothing touched off the main thread
    processEvents();
    EXPECT_EQ(view->refreshesRun(), 1);
    EXPECT_EQ(view->viewSet()[2]->events().size(), 1u);
}

TEST_F(WeekViewTest, RefreshDuringAGestureWaitsForItsEnd) {
    auto view = makeView(1000, 600);
    view->setInModalGesture(true);
    view->threadedUpdateView();
    processEvents();
    EXPECT_EQ(view->refreshesRun(), 0);
    view->setInModalGesture(false);
    EXPECT_EQ(view->refreshesRun(), 1);
    // A gesture without an announcement ends without a refresh.
    view->setInModalGesture(true);
    view->setInModalGesture(false);
    EXPECT_EQ(view->refreshesRun(), 1);
}

// -- Notifications

TEST_F(WeekViewTest, CalendarSelectionChangeDropsHiddenCalendarsFromTheColumns) {
    auto view = makeView(1000, 600);
    auto work = yvtest::makeCalendar(Calendar::kTypeNormal);
    yearArea->cells.value(QDate(2011, 6, 15))
        ->addEventFromCalendar(
            yvtest::makeEvent(yvtest::at(2011, 6, 15, 9), yvtest::at(2011, 6, 15, 10)), work);
    WeekdayView* wednesday = view->viewSet()[2];
    wednesday->eventlistChanged();
    ASSERT_EQ(wednesday->events().size(), 1u);
    work->setSelected(false);
    foundation::NotificationCenter::defaultCenter().post(
        CalendarSources::calendarSelectionChangedNotification);
    processEvents();
    EXPECT_TRUE(wednesday->events().empty());
}

TEST_F(WeekViewTest, DateChangeShowsTheWeekOfTheNewDay) {
    auto view = makeView(1000, 600);
    delegate_->today = day(2011, 6, 20);
    foundation::NotificationCenter::defaultCenter().post(AppDelegate::kCurrentDateChanged);
    processEvents();
    EXPECT_EQ(dateOf(view->referenceDate()), QDate(2011, 6, 20));
    EXPECT_EQ(dateOf(view->viewSet()[0]->date()), QDate(2011, 6, 20));
}

TEST_F(WeekViewTest, HearsTheResizesOfItsOwnWindowOnly) {
    setWeekPref(QStringLiteral("Show RelativeInYear"), false);
    kit::Window own(QRectF(0, 0, 1000, 700));
    kit::Window other(QRectF(0, 0, 600, 400));
    // Made before it is placed: no window yet, so no resizes at all.
    WeekView* view = makeView(1000, 700).release();
    auto post = [](kit::Window& w) {
        foundation::NotificationCenter::defaultCenter().post(kit::Window::didResizeNotification(),
                                                             &w);
        processEvents();
    };
    // Columns moved aside by hand show whether a resize was heard.
    auto disturb = [&] { view->viewSet()[1]->setFrame(QRectF(0, 0, 10, 10)); };
    disturb();
    post(other);
    EXPECT_EQ(view->viewSet()[1]->frame().x(), 0);

    own.contentView()->addSubview(view);
    disturb();
    post(other);
    EXPECT_EQ(view->viewSet()[1]->frame().x(), 0);
    post(own);
    EXPECT_EQ(view->viewSet()[1]->frame().x(), 170);

    // Gone with the window's content: nothing is left to hear the next one.
    delete view;
    post(own);
}
