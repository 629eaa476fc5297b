// The year page's threaded interface: filling from job threads, full reloads,
// the chained loading of sibling pages, month counts and the page's lifetime
// against running jobs.

#include "YearViewPageWorld.h"

#include "platform/kit/Image.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <thread>

using namespace yvpage;
using yvtest::at;
using yvtest::makeAllDay;
using yvtest::makeEvent;

namespace {

class YearViewThreadedTest : public PageTest {};

TEST_F(YearViewThreadedTest, DaysOutsideTheGridOrTheMonthAreIgnored) {
    YearView* page = makePage(2023);
    const auto event = makeAllDay(2023, 2, 27);
    struct Case {
        int day, month;
    };
    for (const Case c : {Case{0, 1}, Case{32, 1}, Case{1, 0}, Case{1, 13}, Case{29, 2}, Case{30, 2},
                         Case{31, 4}}) {
        SCOPED_TRACE(testing::Message() << c.day << "." << c.month);
        page->threadedAddEventFromCalendarForDayInMonthInFullLoading(event, work, c.day, c.month,
                                                                     false);
        page->threadedRemoveCalendarForDayInMonth(work, c.day, c.month);
        page->threadedRemoveEventUIDFromDayInMonth(event->uid(), c.day, c.month);
        EXPECT_TRUE(page->eventsForDayAndMonth(c.day, c.month)->empty());
        EXPECT_EQ(page->cellForDayAndMonth(c.day, c.month), nullptr);
    }
    // The leap day exists only in leap years.
    EXPECT_EQ(makePage(2024)->cellForDayAndMonth(29, 2)->cellDate()->dayNum(), 29);
    EXPECT_EQ(page->cellForDayAndMonth(28, 2)->cellDate()->monthNum(), 2);
}

TEST_F(YearViewThreadedTest, CellsCarryTheirDatesMonthByMonth) {
    YearView* page = makePage(2024);
    for (int month = 1; month <= 12; ++month) {
        int days = 0;
        for (int day = 1; day <= 31; ++day) {
            const YearViewCellPtr cell = page->cellForDayAndMonth(day, month);
            if (!cell) continue;
            ++days;
            EXPECT_EQ(cell->cellDate()->dayNum(), day);
            EXPECT_EQ(cell->cellDate()->monthNum(), month);
            EXPECT_EQ(cell->cellDate()->yearNum(), 2024);
            EXPECT_EQ(cell->cellDate()->hourNum(), 0);
        }
        EXPECT_EQ(days, QDate(2024, month, 1).daysInMonth()) << month;
    }
}

TEST_F(YearViewThreadedTest, AFullReloadOfALoadedPageShowsNoDuplicates) {
    YearView* page = makePage(2024);
    const std::vector<Placed> events = {
        {makeEvent(at(2024, 5, 6, 9), at(2024, 5, 8, 17), QStringLiteral("Trip")), work},
        {makeAllDay(2024, 5, 7, QStringLiteral("Day")), home}};
    fillFromThread(page, events);
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->eventsLoaded(); }));
    EXPECT_EQ(page->eventsForDayAndMonth(7, 5)->size(), 2u);
    EXPECT_EQ(page->eventsForDayAndMonth(6, 5)->size(), 1u);

    fillFromThread(page, events);
    EXPECT_TRUE(page->eventsLoaded());
    EXPECT_EQ(page->eventsForDayAndMonth(7, 5)->size(), 2u);
    EXPECT_EQ(page->eventsForDayAndMonth(8, 5)->size(), 1u);

    // Adds outside a full load only add.
    fillFromThread(page, {events[1]}, false);
    EXPECT_EQ(page->eventsForDayAndMonth(7, 5)->size(), 3u);

    page->invalidateEvents();
    EXPECT_FALSE(page->eventsLoaded());
    EXPECT_TRUE(page->eventsForDayAndMonth(7, 5)->empty());
}

TEST_F(YearViewThreadedTest, RemovalsFromJobThreads) {
    YearView* page = makePage(2024);
    const auto trip = makeEvent(at(2024, 5, 6, 9), at(2024, 5, 7, 17), QStringLiteral("Trip"));
    const auto gym =
        makeAllDay(2024, 5, 7, QStringLiteral("Gym"), QStringLiteral("Zolt:") + kMarkerDot);
    fillFromThread(page, {{trip, work}, {gym, markers}, {makeAllDay(2024, 5, 7), home}});
    std::thread job([model = page->model(), trip, this] {
        model->threadedRemoveEventUIDFromDayInMonth(trip->uid(), 7, 5);
        model->threadedRemoveCalendarForDayInMonth(home, 7, 5);
        model->threadedUpdateView();
    });
    job.join();
    const auto left = page->eventsForDayAndMonth(7, 5);
    ASSERT_EQ(left->size(), 1u);
    EXPECT_EQ(left->front()->event(), gym);
    EXPECT_EQ(page->eventsForDayAndMonth(6, 5)->size(), 1u);  // other days keep the trip
}

TEST_F(YearViewThreadedTest, MonthCountsCountEntriesPerDayByIdentity) {
    YearView* page = makePage(2024);
    const QString shade = QStringLiteral("Zolt:") + kMarkerShade;
    fillFromThread(
        page,
        {{makeEvent(at(2024, 1, 30, 10), at(2024, 2, 2, 11)), work},  // 2 in Jan, 2 in Feb
         {makeAllDay(2024, 2, 10), work},
         {makeAllDay(2024, 2, 10), home},
         {makeAllDay(2024, 2, 11, QStringLiteral("V"), shade), markers},
         {makeAllDay(2024, 2, 12, QStringLiteral("V"), shade), markers},
         {makeAllDay(2024, 2, 12, QStringLiteral("G"), QStringLiteral("Zolt:") + kMarkerDot),
          markers},
         {makeAllDay(2024, 2, 13, QStringLiteral("N"), QStringLiteral("Zolt:Notes")), markers},
         {makeAllDay(2024, 2, 14, QStringLiteral("X"), shade + QStringLiteral("x")), markers}});
    EXPECT_EQ(page->numberOfEventsInMonthForCalendar(1, work.get()), 2);
    EXPECT_EQ(page->numberOfEventsInMonthForCalendar(2, work.get()), 3);
    EXPECT_EQ(page->numberOfEventsInMonthForCalendar(2, home.get()), 1);
    EXPECT_EQ(page->numberOfEventsInMonthForCalendar(3, work.get()), 0);
    EXPECT_EQ(page->numberOfEventsInMonthForCalendar(13, work.get()), 0);
    // An equal calendar that is another object counts nothing.
    auto twin = std::make_shared<Calendar>(work->calendar());
    EXPECT_EQ(page->numberOfEventsInMonthForCalendar(2, twin.get()), 0);

    const auto sources = delegate->calendarSources;
    EXPECT_EQ(page->numberOfMarksInMonthForMarker(2, sources->markerWithUID(kMarkerShade).get()),
              2);
    EXPECT_EQ(page->numberOfMarksInMonthForMarker(2, sources->markerWithUID(kMarkerDot).get()), 1);
    EXPECT_EQ(page->numberOfMarksInMonthForMarker(2, sources->markerWithUID(kMarkerBar).get()), 0);
    EXPECT_EQ(page->numberOfMarksInMonthForMarker(0, sources->markerWithUID(kMarkerShade).get()),
              0);
}

// Three pages side by side in one superview, as the year area holds them.
class SiblingPagesTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        past = makePage(2023);
        current = makePage(2024);
        future = makePage(2025);
    }
    void finishJob(YearView* page) {
        std::thread job([model = page->model()] { model->threadedUpdateView(); });
        job.join();
        settle();
    }
    YearView *past = nullptr, *current = nullptr, *future = nullptr;
};

TEST_F(SiblingPagesTest, AFinishedJobLoadsTheUnloadedSiblingsOffscreen) {
    finishJob(current);
    EXPECT_TRUE(current->eventsLoaded());
    EXPECT_EQ(log->count("dayPopupReload"), 1);
    ASSERT_EQ(log->populated.size(), 2u);
    EXPECT_EQ(log->populated[0], past);
    EXPECT_EQ(log->populated[1], future);
}

TEST_F(SiblingPagesTest, TheRedrawCountHoldsBackThatManyCompletions) {
    YearView::setViewsToRedraw(3);
    finishJob(current);
    finishJob(past);
    finishJob(current);
    EXPECT_TRUE(log->populated.empty());
    EXPECT_EQ(YearViewModel::viewsToRedraw(), 0);
    finishJob(past);
    ASSERT_EQ(log->populated.size(), 1u);  // past and current are loaded by now
    EXPECT_EQ(log->populated[0], future);
}

TEST_F(SiblingPagesTest, LoadedSiblingsAreNotLoadedAgain) {
    finishJob(past);
    finishJob(future);
    log->populated.clear();
    finishJob(current);
    EXPECT_TRUE(log->populated.empty());
}

TEST_F(SiblingPagesTest, AnOffscreenPopulationRendersThePageOnItsOwnThread) {
    past->setFrame(QRectF(0, 23, 500, 300));
    EXPECT_TRUE(past->model()->cachedView().isNull());
    std::thread job([model = past->model()] { model->threadedUpdateViewOffscreen(); });
    job.join();
    // Drawn before the job ends, with no turn of the main thread.
    ASSERT_FALSE(past->model()->cachedView().isNull());
    EXPECT_TRUE(past->eventsLoaded());
    EXPECT_TRUE(past->model()->initialRedrawDone());
    EXPECT_EQ(kit::Image::sizeInPoints(past->model()->cachedView()), QSizeF(500, 300));
    EXPECT_TRUE(log->populated.empty());
}

// "Decrement if positive, else chain" is one step: however many completions
// race, exactly the counted number is held back.
TEST(YearViewRedrawCount, ConcurrentCompletionsTakeEachCountOnce) {
    YearViewModel::setViewsToRedraw(1000);
    std::atomic<int> heldBack{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 250; ++i)
                if (YearViewModel::consumeViewToRedraw()) ++heldBack;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(heldBack.load(), 1000);
    EXPECT_EQ(YearViewModel::viewsToRedraw(), 0);
    YearViewModel::setViewsToRedraw(-2);
    EXPECT_FALSE(YearViewModel::consumeViewToRedraw());
    EXPECT_EQ(YearViewModel::viewsToRedraw(), -2);
    YearViewModel::setViewsToRedraw(0);
}

TEST_F(YearViewThreadedTest, StoreChangeReactionsWaitForTheFirstDrawing) {
    YearView* page = makePage(2024);
    page->calendarsAdded({work});
    page->calendarsRemoved({work});
    page->eventsUpdated({{QStringLiteral("uid"), 2}});
    EXPECT_EQ(log->count("startPopulatingFromCals") + log->count("startRemovingCals") +
                  log->count("startUpdatingEvents"),
              0);
    page->drawOffscreen();
    page->calendarsAdded({work});
    page->calendarsRemoved({work});
    page->eventsUpdated({{QStringLiteral("uid"), 2}});
    EXPECT_EQ(log->count("startPopulatingFromCals"), 1);
    EXPECT_EQ(log->count("startRemovingCals"), 1);
    EXPECT_EQ(log->count("startUpdatingEvents"), 1);
}

// A job may still hold a page that the year area has dropped: it goes on
// filling the page's model, and its completion finds no widget to redraw.
TEST_F(YearViewThreadedTest, AJobOutlivesItsDroppedPage) {
    YearView* page = makePage(2024);
    const std::shared_ptr<YearViewModel> model = page->model();
    pages.clear();
    delete page;
    std::thread job([model, this] {
        model->threadedAddEventFromCalendarForDayInMonthInFullLoading(makeAllDay(2024, 4, 1), work,
                                                                      1, 4, true);
        model->threadedUpdateView();
        model->threadedUpdateViewOffscreen();
    });
    job.join();
    settle();
    EXPECT_EQ(model->eventsForDayAndMonth(1, 4)->size(), 1u);
    EXPECT_EQ(log->count("dayPopupReload"), 0);
}

}  // namespace
