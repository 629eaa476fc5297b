#include "MarkJobsTestSupport.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

using namespace markjobs;

namespace {

using Loader = YearViewEventLoader;
using Chosen = YearViewEventLoader::DeletionCalendars;

class DayDeletionTest : public MarkJobsTest {
protected:
    // 5 and 6 March 2030: events of "work", of a second calendar also titled
    // "Work", of "home", marks and notes. A two-day event and a daily event show
    // on both days.
    void writeDays() {
        addCalendar("work2", "Work");
        writeTimed("work", "standup", "20300305T080000", "20300305T090000");
        writeAllDay("work", "trip", "20300305", "20300307");
        writeEvent(
            "work", "daily",
            {"DTSTART:20300301T070000Z", "DTEND:20300301T073000Z", "RRULE:FREQ=DAILY;COUNT=30"});
        writeTimed("work2", "other-work", "20300305T100000", "20300305T110000");
        writeTimed("home", "dinner", "20300306T180000", "20300306T190000");
        writeMark("marks", "mark", markLocation(kTwoA), "20300305");
        writeMark("marks", "notes", "Zolt:Notes", "20300306");
    }
    const std::vector<MyDatePtr> days{day(2030, 3, 5), day(2030, 3, 6)};
};

TEST_F(DayDeletionTest, DeletingFromOneCalendarTakesEachOfItsEventsOnceAndLeavesTheOthers) {
    defineUsualMarkers();
    writeDays();
    openWithMarkers();
    auto page = loadedPage(2030);
    foundation::LogCapture log;

    const auto loader = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(loader->startDeletingEventsFromDaysFromCalendarFromView(
        days, Chosen::calendarWithUID("work"), page));
    ASSERT_TRUE(done(loader));

    EXPECT_EQ(page->day(5, 3), sorted({"other-work", markLocation(kTwoA)}));
    EXPECT_EQ(page->day(6, 3), sorted({"dinner", "Zolt:Notes"}));
    // The daily event leaves every day, on the page only the selected ones.
    EXPECT_EQ(page->page->daysOf("daily").size(), 28);
    for (const char* uid : {"standup", "trip", "daily"})
        EXPECT_TRUE(storedWithUID(uid).isEmpty()) << uid;
    EXPECT_EQ(storedEvents(),
              sorted({"home 2030-03-06 dinner", "work2 2030-03-05 other-work",
                      "marks 2030-03-05 " + markLocation(kTwoA), "marks 2030-03-06 Zolt:Notes"}));
    EXPECT_FALSE(log.contains("ERROR"));
    EXPECT_EQ(sink->shown(), QStringList{"busy"} + batch(3));
}

TEST_F(DayDeletionTest, DeletingFromAllCalendarsEmptiesTheDaysMarksAndNotesIncluded) {
    defineUsualMarkers();
    writeDays();
    writeTimed("home", "later", "20300310T180000", "20300310T190000");
    openWithMarkers();
    auto page = loadedPage(2030);

    const auto loader = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(loader->startDeletingEventsFromDaysFromCalendarFromView(
        days, Chosen::allCalendars(), page));
    ASSERT_TRUE(done(loader));

    EXPECT_TRUE(page->day(5, 3).isEmpty());
    EXPECT_TRUE(page->day(6, 3).isEmpty());
    EXPECT_EQ(storedEvents(), QStringList{"home 2030-03-10 later"});
    EXPECT_EQ(sink->shown(), QStringList{"busy"} + batch(7));
}

TEST_F(DayDeletionTest, AnUnknownCalendarStartsNoJobAndEmptyDaysOnlyRedraw) {
    addCalendar("odd", "All Calendars");  // titled like the menu's entry for all
    writeTimed("work", "standup", "20300305T080000", "20300305T090000");
    writeTimed("odd", "odd-one", "20300305T100000", "20300305T110000");
    openWithMarkers();
    auto page = loadedPage(2030);
    foundation::LogCapture log;

    const auto loader = Loader::newEventLoaderForYear(2030);
    for (const QString& uid : {QString("nowhere"), QString(), QString("Work")})
        EXPECT_FALSE(loader->startDeletingEventsFromDaysFromCalendarFromView(
            days, Chosen::calendarWithUID(uid), page));
    EXPECT_FALSE(loader->isRunning());
    EXPECT_EQ(log.count("oops, not deleting the events of days"), 3);

    // A calendar titled like the all-calendars entry is just that calendar.
    ASSERT_TRUE(loader->startDeletingEventsFromDaysFromCalendarFromView(
        days, Chosen::calendarWithUID("odd"), page));
    ASSERT_TRUE(done(loader));
    EXPECT_EQ(page->day(5, 3), QStringList{"standup"});
    EXPECT_EQ(storedEvents(), QStringList{"work 2030-03-05 standup"});

    sink->clear();
    const int updates = page->page->updates();
    const auto empty = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(empty->startDeletingEventsFromDaysFromCalendarFromView(
        {day(2030, 8, 1)}, Chosen::allCalendars(), page));
    ASSERT_TRUE(done(empty));
    EXPECT_EQ(page->page->updates(), updates + 1);
    EXPECT_EQ(sink->shown(), QStringList{"busy"});
    EXPECT_EQ(storedEvents().size(), 1);
}

// --- The consistency check ---------------------------------------------------------------

using ConsistencyCheckTest = MarkJobsTest;

TEST_F(ConsistencyCheckTest, OrphanedMarksOfTwentyOneYearsGoAndNothingElse) {
    defineUsualMarkers();
    // The page's year is 2030: 2020 to 2040 are checked.
    writeMark("marks", "orphan-2020", markLocation(kGone), "20200101");
    writeMark("marks", "orphan-2030", markLocation(kGone), "20300705");
    writeMark("home", "orphan-home", markLocation("0123456789ABCDEF0123456789ABCDEF"), "20350101");
    writeMark("marks2", "orphan-2040", markLocation(kGone), "20401231");
    // A repeating orphan across the new year: found in two years, removed once.
    writeEvent("marks", "orphan-weekly",
               {"LOCATION:" + markLocation(kGone), "DTSTART;VALUE=DATE:20311224",
                "DTEND;VALUE=DATE:20311225", "RRULE:FREQ=WEEKLY;COUNT=4"});
    // Left alone: outside the years, marks of known markers, the notes, and
    // "Zolt:" locations of other lengths.
    writeMark("marks", "orphan-2019", markLocation(kGone), "20191231");
    writeMark("marks", "orphan-2041", markLocation(kGone), "20410101");
    writeMark("marks", "known", markLocation(kTwoA), "20300705");
    writeMark("marks", "notes", "Zolt:Notes", "20300705");
    writeMark("marks", "short", "Zolt:" + kGone.left(31), "20300705");
    writeMark("marks", "long", "Zolt:" + kGone + "X", "20300705");
    openWithMarkers();
    auto page = loadedPage(2030);
    foundation::LogCapture log;

    const auto loader = Loader::newEventLoaderForYear(2030);
    const auto markers = sources->markersGroup()->markers();
    ASSERT_TRUE(loader->startRemovingOrphanedMarksForMarkersAndView(
        std::vector<EMarkerPtr>(markers.begin(), markers.end()), page));
    ASSERT_TRUE(done(loader));

    EXPECT_EQ(page->day(5, 7), sorted({markLocation(kTwoA), "Zolt:Notes", "Zolt:" + kGone.left(31),
                                       "Zolt:" + kGone + "X"}));
    for (const char* uid :
         {"orphan-2020", "orphan-2030", "orphan-home", "orphan-2040", "orphan-weekly"})
        EXPECT_TRUE(storedWithUID(uid).isEmpty()) << uid;
    for (const char* uid : {"orphan-2019", "orphan-2041", "known", "notes", "short", "long"})
        EXPECT_EQ(storedWithUID(uid).size(), 1) << uid;
    EXPECT_EQ(log.count("removed 5 orphaned mark(s) from calendars"), 1);
    EXPECT_FALSE(log.contains("ERROR"));
    EXPECT_FALSE(log.contains("all calendars consistent"));
    // 21 years read, then one task per orphan.
    EXPECT_EQ(sink->shown(), QStringList{"busy"} + batch(21) + batch(5));
    EXPECT_EQ(page->page->updates(), 2);  // the population's and the check's
}

TEST_F(ConsistencyCheckTest, ACheckWithoutOrphansSaysSoAndAFailedRemovalIsNotCounted) {
    defineUsualMarkers();
    writeMark("marks", "known", markLocation(kTwoA), "20300705");
    openWithMarkers();
    auto page = loadedPage(2030);
    const auto markers = sources->markersGroup()->markers();
    const std::vector<EMarkerPtr> known(markers.begin(), markers.end());
    foundation::LogCapture log;

    const auto clean = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(clean->startRemovingOrphanedMarksForMarkersAndView(known, page));
    ASSERT_TRUE(done(clean));
    EXPECT_EQ(log.count("all calendars consistent; no orphaned marks found"), 1);
    EXPECT_FALSE(log.contains("orphaned mark(s)"));
    EXPECT_EQ(sink->shown(), QStringList{"busy"} + batch(21));
    EXPECT_EQ(page->page->updates(), 2);

    // Without the markers every mark is an orphan; one of them was changed by
    // another program after the store read it, so it stays.
    writeMark("marks", "later", markLocation(kTwoB), "20300706");
    store->rescan();
    writeMark("marks", "known", markLocation(kTwoA), "20300707");
    log.clear();
    sink->clear();
    const auto failing = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(failing->startRemovingOrphanedMarksForMarkersAndView({}, page));
    ASSERT_TRUE(done(failing));
    EXPECT_EQ(log.count("ERROR: deleting marker event failed!"), 1);
    EXPECT_EQ(log.count("removed 1 orphaned mark(s) from calendars"), 1);
    EXPECT_TRUE(storedWithUID("later").isEmpty());
    EXPECT_EQ(storedWithUID("known").size(), 1);
    EXPECT_EQ(sink->shown(), QStringList{"busy"} + batch(21) + batch(2));
}

}  // namespace
