#include "data/YearViewEventLoader.h"

#include "YearViewEventLoaderTestSupport.h"
#include "platform/foundation/Log.h"
#include "platform/store/Store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using loadertest::Gate;
using loadertest::LoaderTest;
using loadertest::TestPage;

namespace {

const QStringList kNone;

// --- The loader cache ----------------------------------------------------------------

TEST_F(LoaderTest, CacheKeepsSixLoadersAndDropsTheFirstCreatedStoppingItsPopulation) {
    writeAllDay(QStringLiteral("work"), QStringLiteral("early"), QStringLiteral("20910105"),
                QStringLiteral("20910106"));
    writeAllDay(QStringLiteral("work"), QStringLiteral("late"), QStringLiteral("20910705"),
                QStringLiteral("20910706"));
    open();
    foundation::LogCapture log;

    // The first loader's population is held at its first add.
    const auto first = YearViewEventLoader::eventLoaderForYear(2091);
    auto page = std::make_shared<TestPage>(2091);
    Gate gate;
    std::atomic<bool> once{false};
    page->beforeAdd = [&] {
        if (!once.exchange(true)) gate.pass();
    };
    first->startPopulatingView(page);
    ASSERT_TRUE(testsupport::waitUntil([&] { return gate.reached(); }));

    std::vector<YearViewEventLoaderPtr> later;
    for (int year = 2092; year <= 2097; ++year) {
        later.push_back(YearViewEventLoader::eventLoaderForYear(year));
        // Asking for the first year again does not make it younger.
        if (year == 2093) EXPECT_EQ(YearViewEventLoader::eventLoaderForYear(2091), first);
    }
    // The seventh loader dropped the first one; the six others are still cached
    // (asking for them makes nothing new, so drops nothing more).
    EXPECT_TRUE(first->shouldStop());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(YearViewEventLoader::eventLoaderForYear(2092 + i), later[size_t(i)]);

    gate.open();
    ASSERT_TRUE(finished(first));
    EXPECT_TRUE(log.contains(QStringLiteral("oops, stopping event population for year 2091")));
    EXPECT_EQ(page->entryCount(), 0);
    EXPECT_FALSE(page->loaded());
    EXPECT_EQ(page->updates(), 0);

    // The dropped year gets a loader of its own again.
    EXPECT_NE(YearViewEventLoader::eventLoaderForYear(2091), first);
}

TEST_F(LoaderTest, CacheAnswersOneLoaderPerYearAndNewLoadersAreNeverShared) {
    const auto cached = YearViewEventLoader::eventLoaderForYear(2080);
    EXPECT_EQ(YearViewEventLoader::eventLoaderForYear(2080), cached);
    EXPECT_EQ(cached->year(), 2080);
    EXPECT_EQ(cached->firstDayInYear()->nsDate(),
              QDateTime(QDate(2080, 1, 1), QTime(0, 0), QTimeZone("Europe/Berlin")));

    const auto fresh = YearViewEventLoader::newEventLoaderForYear(2080);
    EXPECT_NE(fresh, cached);
    EXPECT_NE(YearViewEventLoader::newEventLoaderForYear(2080), fresh);
    EXPECT_EQ(YearViewEventLoader::eventLoaderForYear(2080), cached);
    EXPECT_FALSE(fresh->isRunning());
    EXPECT_FALSE(fresh->shouldStop());
}

// --- Populations ------------------------------------------------------------------------

TEST_F(LoaderTest, PopulationRestartedWhileRunningStopsTheFirstWithoutHoldingTheStarter) {
    for (int i = 1; i <= 5; ++i)
        writeAllDay(QStringLiteral("work"), QStringLiteral("e%1").arg(i),
                    QStringLiteral("203003%1").arg(10 + i, 2, 10, QLatin1Char('0')),
                    QStringLiteral("203003%1").arg(11 + i, 2, 10, QLatin1Char('0')));
    open();
    foundation::LogCapture log;
    const auto loader = YearViewEventLoader::newEventLoaderForYear(2030);
    auto page = std::make_shared<TestPage>(2030);
    Gate gate;
    std::atomic<bool> once{false};
    page->beforeAdd = [&] {
        if (!once.exchange(true)) gate.pass();
    };
    loader->startPopulatingView(page);
    ASSERT_TRUE(testsupport::waitUntil([&] { return gate.reached(); }));

    // The second start returns while the first population is still held.
    std::atomic<bool> returned{false};
    std::thread starter([&] {
        loader->startPopulatingView(page);
        returned = true;
    });
    const bool starterReturned = testsupport::waitUntil([&] { return returned.load(); });
    EXPECT_TRUE(starterReturned);
    EXPECT_TRUE(loader->isRunning());
    gate.open();
    starter.join();
    ASSERT_TRUE(finished(loader));

    EXPECT_EQ(log.count(QStringLiteral("oops, stopping event population for year 2030")), 1);
    EXPECT_EQ(page->invalidations(), 1);
    EXPECT_EQ(page->updates(), 1);
    EXPECT_TRUE(page->loaded());
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(page->daysOf(QStringLiteral("e%1").arg(i)),
                  QStringList{QStringLiteral("03-%1").arg(10 + i)});
}

TEST_F(LoaderTest, PopulationsEndAsTheirKindSays) {
    writeTimed(QStringLiteral("work"), QStringLiteral("w"), QStringLiteral("20300505T080000"),
               QStringLiteral("20300505T090000"));
    writeTimed(QStringLiteral("home"), QStringLiteral("h"), QStringLiteral("20300506T080000"),
               QStringLiteral("20300506T090000"));
    open();

    const auto loader = YearViewEventLoader::newEventLoaderForYear(2030);
    auto offscreen = std::make_shared<TestPage>(2030);
    loader->startPopulatingOffscreen(offscreen);
    ASSERT_TRUE(finished(loader));
    EXPECT_EQ(offscreen->offscreenUpdates(), 1);
    EXPECT_EQ(offscreen->updates(), 0);
    EXPECT_EQ(offscreen->daysOf(QStringLiteral("w")), QStringList{QStringLiteral("05-05")});
    EXPECT_EQ(offscreen->daysOf(QStringLiteral("h")), QStringList{QStringLiteral("05-06")});

    // Filled on the calling thread: done when the call returns, and a second full
    // load replaces the first instead of adding to it.
    auto page = std::make_shared<TestPage>(2030);
    loader->populateView(page);
    loader->populateView(page);
    EXPECT_FALSE(loader->isRunning());
    EXPECT_EQ(page->updates(), 2);
    EXPECT_EQ(page->entryCount(), 2);
}

TEST_F(LoaderTest, PopulationOfAYearLeftWithoutEventsEmptiesThePage) {
    writeAllDay(QStringLiteral("work"), QStringLiteral("gone"), QStringLiteral("20300707"),
                QStringLiteral("20300708"));
    open();
    const auto loader = YearViewEventLoader::newEventLoaderForYear(2030);
    auto page = std::make_shared<TestPage>(2030);
    loader->populateView(page);
    ASSERT_EQ(page->daysOf(QStringLiteral("gone")), QStringList{QStringLiteral("07-07")});

    const auto events = eventsWithUID(QStringLiteral("gone"));
    ASSERT_EQ(events.size(), 1);
    ASSERT_TRUE(store->removeEvent(events.first(), calstore::Span::AllEvents));
    loader->startPopulatingView(page);
    ASSERT_TRUE(finished(loader));
    EXPECT_EQ(page->entryCount(), 0);
    EXPECT_TRUE(page->loaded());
}

// --- The days an event is added to ---------------------------------------------------------

struct WalkCase {
    const char* uid;
    bool allDay;
    const char* start;  // UTC for timed events (Berlin is UTC+1 in winter)
    const char* end;
    QStringList days2030;
    QStringList days2031;
};

TEST_F(LoaderTest, EventsAreAddedToEveryDayTheyCoverWithinTheLoadersYear) {
    const QList<WalkCase> cases = {
        // 22:00 to 02:00 the next day: both days.
        {"night", false, "20300310T210000", "20300311T010000", {"03-10", "03-11"}, kNone},
        // Ends exactly at midnight: not on the day that midnight begins.
        {"toMidnight", false, "20300312T220000", "20300312T230000", {"03-12"}, kNone},
        // No length at midnight: the day it lies on.
        {"instant", false, "20300313T230000", "20300313T230000", {"03-14"}, kNone},
        // The night the clocks go back (UTC+2 until 03:00 local, UTC+1 after).
        {"dstNight", false, "20301027T223000", "20301027T233000", {"10-27", "10-28"}, kNone},
        {"dstToMidnight", false, "20301027T210000", "20301027T230000", {"10-27"}, kNone},
        {"sameDay", false, "20300315T090000", "20300315T100000", {"03-15"}, kNone},
        {"allDay", true, "20300320", "20300321", {"03-20"}, kNone},
        {"threeDays", true, "20300401", "20300404", {"04-01", "04-02", "04-03"}, kNone},
        // Across the new year: each year's page gets its own days.
        {"newYear", true, "20301230", "20310103", {"12-30", "12-31"}, {"01-01", "01-02"}},
        {"newYearNight", false, "20301231T220000", "20310101T010000", {"12-31"}, {"01-01"}},
        // Begun years before: only the days of the year.
        {"longAgo", true, "20250601", "20300103", {"01-01", "01-02"}, kNone},
        {"intoYear", false, "20291231T090000", "20300101T090000", {"01-01"}, kNone},
        {"lastYear", true, "20290601", "20290603", kNone, kNone},
    };
    for (const WalkCase& c : cases) {
        if (c.allDay)
            writeAllDay(QStringLiteral("work"), QString::fromLatin1(c.uid),
                        QString::fromLatin1(c.start), QString::fromLatin1(c.end));
        else
            writeTimed(QStringLiteral("work"), QString::fromLatin1(c.uid),
                       QString::fromLatin1(c.start), QString::fromLatin1(c.end));
    }
    open();

    auto page2030 = std::make_shared<TestPage>(2030);
    auto page2031 = std::make_shared<TestPage>(2031);
    YearViewEventLoader::newEventLoaderForYear(2030)->populateView(page2030);
    YearViewEventLoader::newEventLoaderForYear(2031)->populateView(page2031);
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.uid);
        EXPECT_EQ(page2030->daysOf(QString::fromLatin1(c.uid)), c.days2030);
        EXPECT_EQ(page2031->daysOf(QString::fromLatin1(c.uid)), c.days2031);
    }
}

TEST_F(LoaderTest, EventEndingBeforeItStartsIsOnItsStartDayOnly) {
    open();
    auto event = calstore::Event::event();
    event->setStartDate(QDateTime(QDate(2030, 5, 10), QTime(10, 0), QTimeZone("Europe/Berlin")));
    event->setEndDate(QDateTime(QDate(2030, 5, 8), QTime(10, 0), QTimeZone("Europe/Berlin")));
    auto page = std::make_shared<TestPage>(2030);
    const auto loader = YearViewEventLoader::newEventLoaderForYear(2030);
    EXPECT_EQ(loader->walkEventDays(page, event, calendarNamed(QStringLiteral("Work")), false), 1);
    EXPECT_EQ(page->daysOf(event->uid()), QStringList{QStringLiteral("05-10")});

    // Ending before it starts, in the year before: nothing in this year.
    event->setStartDate(QDateTime(QDate(2029, 12, 31), QTime(10, 0), QTimeZone("Europe/Berlin")));
    event->setEndDate(QDateTime(QDate(2029, 6, 1), QTime(10, 0), QTimeZone("Europe/Berlin")));
    EXPECT_EQ(loader->walkEventDays(page, event, calendarNamed(QStringLiteral("Work")), false), 0);
}

// --- Calendars and single events --------------------------------------------------------------

TEST_F(LoaderTest, CalendarsAreAddedWithOneTaskPerEventAndRemovedFromEveryDay) {
    writeAllDay(QStringLiteral("work"), QStringLiteral("w1"), QStringLiteral("20300131"),
                QStringLiteral("20300202"));
    writeAllDay(QStringLiteral("work"), QStringLiteral("w2"), QStringLiteral("20300228"),
                QStringLiteral("20300301"));
    writeAllDay(QStringLiteral("home"), QStringLiteral("h1"), QStringLiteral("20300131"),
                QStringLiteral("20300201"));
    open();
    auto sink = std::make_shared<loadertest::RecordingSink>();
    YearViewEventLoader::setProgressIndicatorAndTextField(sink);
    auto page = std::make_shared<TestPage>(2030);
    const CalendarPtr work = calendarNamed(QStringLiteral("Work"));
    const CalendarPtr home = calendarNamed(QStringLiteral("Home"));
    ASSERT_TRUE(work && home);

    auto adder = YearViewEventLoader::newEventLoaderForYear(2030);
    adder->startPopulatingFromCalsToView({home, work}, page);
    ASSERT_TRUE(finished(adder));
    EXPECT_EQ(page->daysOf(QStringLiteral("w1")),
              (QStringList{QStringLiteral("01-31"), QStringLiteral("02-01")}));
    EXPECT_EQ(page->daysOf(QStringLiteral("h1")), QStringList{QStringLiteral("01-31")});
    EXPECT_EQ(page->updates(), 1);
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return sink->calls.contains(QStringLiteral("hide")); }));
    // A share was shown while the events were added; the strip went down at the end.
    EXPECT_TRUE(sink->calls.contains(QStringLiteral("value")));
    EXPECT_EQ(sink->calls.mid(sink->calls.size() - 2),
              (QStringList{QStringLiteral("stop"), QStringLiteral("hide")}));
    EXPECT_EQ(YearViewEventLoader::taskCounts().toDo, 0);

    // Adding keeps what the page has.
    auto again = YearViewEventLoader::newEventLoaderForYear(2030);
    again->startPopulatingFromCalsToView({home}, page);
    ASSERT_TRUE(finished(again));
    EXPECT_EQ(page->daysOf(QStringLiteral("h1")).size(), 2);

    auto remover = YearViewEventLoader::newEventLoaderForYear(2030);
    remover->startRemovingCalsFromView({work}, page);
    ASSERT_TRUE(finished(remover));
    EXPECT_TRUE(page->daysOf(QStringLiteral("w1")).isEmpty());
    EXPECT_TRUE(page->daysOf(QStringLiteral("w2")).isEmpty());
    EXPECT_EQ(page->daysOf(QStringLiteral("h1")).size(), 2);
    EXPECT_EQ(page->updates(), 3);
    EXPECT_EQ(sink->callsOffMain, 0);
}

struct UpdateCase {
    int code;
    QStringList movedDays;  // of the event moved in the store from 15 to 20 March
    QStringList otherDays;
};

TEST_F(LoaderTest, UpdatedEventsAreRemovedOrAddedAsTheirCodeSays) {
    const QList<UpdateCase> cases = {
        {YearViewEventLoader::kEventDeleted, kNone, {"03-16"}},
        {YearViewEventLoader::kEventInserted, {"03-15", "03-20"}, {"03-16"}},
        {YearViewEventLoader::kEventChanged, {"03-20"}, {"03-16"}},
        {7, {"03-15"}, {"03-16"}},
    };
    writeAllDay(QStringLiteral("work"), QStringLiteral("moved"), QStringLiteral("20300315"),
                QStringLiteral("20300316"));
    writeAllDay(QStringLiteral("home"), QStringLiteral("other"), QStringLiteral("20300316"),
                QStringLiteral("20300317"));
    open();
    const auto loader = YearViewEventLoader::newEventLoaderForYear(2030);

    // Each case starts from the page as it was loaded before the move.
    QList<std::shared_ptr<TestPage>> pages;
    for (int i = 0; i < cases.size(); ++i) {
        pages << std::make_shared<TestPage>(2030);
        loader->populateView(pages.last());
    }
    const auto moved = eventsWithUID(QStringLiteral("moved"));
    ASSERT_EQ(moved.size(), 1);
    moved.first()->setStartDate(moved.first()->startDate().addDays(5));
    moved.first()->setEndDate(moved.first()->endDate().addDays(5));
    ASSERT_TRUE(store->saveEvent(moved.first(), calstore::Span::AllEvents));

    for (int i = 0; i < cases.size(); ++i) {
        const UpdateCase& c = cases[i];
        SCOPED_TRACE(c.code);
        auto job = YearViewEventLoader::newEventLoaderForYear(2030);
        job->startUpdatingEventsFromView({{QStringLiteral("moved"), c.code}}, pages[i]);
        ASSERT_TRUE(finished(job));
        EXPECT_EQ(pages[i]->daysOf(QStringLiteral("moved")), c.movedDays);
        EXPECT_EQ(pages[i]->daysOf(QStringLiteral("other")), c.otherDays);
        EXPECT_EQ(pages[i]->updates(), 2);
        EXPECT_EQ(YearViewEventLoader::taskCounts().toDo, 0);
    }
}

TEST_F(LoaderTest, UpdatedEventOfACalendarTheModelDoesNotKnowIsSkippedButCounted) {
    open();
    // A calendar made in the store after the model was read.
    auto stranger = calstore::Calendar::calendar();
    stranger->setTitle(QStringLiteral("Stranger"));
    ASSERT_TRUE(store->saveCalendar(stranger));
    auto event = calstore::Event::event();
    event->setCalendar(store->calendarWithUID(stranger->uid()));
    event->setTitle(QStringLiteral("unknown"));
    event->setStartDate(QDateTime(QDate(2030, 6, 1), QTime(9, 0), QTimeZone("Europe/Berlin")));
    event->setEndDate(QDateTime(QDate(2030, 6, 1), QTime(10, 0), QTimeZone("Europe/Berlin")));
    ASSERT_TRUE(store->saveEvent(event, calstore::Span::ThisEvent));

    foundation::LogCapture log;
    auto page = std::make_shared<TestPage>(2030);
    const auto loader = YearViewEventLoader::newEventLoaderForYear(2030);
    loader->startUpdatingEventsFromView(
        {{event->uid(), YearViewEventLoader::kEventInserted}, {QStringLiteral("none"), 1}}, page);
    ASSERT_TRUE(finished(loader));
    EXPECT_EQ(log.count(QStringLiteral(
                  "oops, didn't find the calendar for this event to be updated/inserted!")),
              1);
    EXPECT_EQ(page->entryCount(), 0);
    EXPECT_EQ(page->updates(), 1);
    EXPECT_EQ(YearViewEventLoader::taskCounts().toDo, 0);
}

}  // namespace
