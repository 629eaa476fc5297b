#include "MarkJobsTestSupport.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Log.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace markjobs;

namespace {

using Loader = YearViewEventLoader;

double berlinSeconds(int year, int month, int day) {
    return double(QDateTime(QDate(year, month, day), QTime(0, 0), QTimeZone("Europe/Berlin"))
                      .toSecsSinceEpoch());
}

using MarkerJobsTest = MarkJobsTest;

TEST_F(MarkerJobsTest, RemovingAMarkersMarksSearchesItsAppliedSpanInEveryCalendar) {
    // Applied from 1 March 2010 on (a loaded marker's span also reaches to the
    // day it was loaded): windows of three years ending with 1 March 2013,
    // 2016, 2019 ...; a mark on a window's last day lies in two windows.
    defineMarkers(
        {{kTwoA, "Two A", 2, "marks", berlinSeconds(2010, 3, 1), berlinSeconds(2016, 6, 20)},
         {kTwoB, "Two B", 2, "marks"}});
    writeMark("marks", "first", markLocation(kTwoA), "20100301");
    writeMark("marks2", "boundary", markLocation(kTwoA), "20130301");
    writeMark("marks", "in-page", markLocation(kTwoA), "20160620");
    writeMark("home", "next-window", markLocation(kTwoA), "20190301");
    writeMark("marks", "before", markLocation(kTwoA), "20100228");
    writeMark("marks", "far-after", markLocation(kTwoA), "20990601");
    writeMark("marks", "other", markLocation(kTwoB), "20160620");
    writeMark("marks", "notes", "Zolt:Notes", "20160620");
    openWithMarkers();
    auto page = loadedPage(2016);
    foundation::LogCapture log;

    const auto loader = Loader::newEventLoaderForYear(2016);
    ASSERT_TRUE(loader->startRemovingMarksFromView(markerOf(kTwoA), page));
    ASSERT_TRUE(done(loader));

    EXPECT_EQ(page->day(20, 6), sorted({markLocation(kTwoB), "Zolt:Notes"}));
    EXPECT_EQ(storedEvents(kTwoA), sorted({"marks 2010-02-28 " + markLocation(kTwoA),
                                           "marks 2099-06-01 " + markLocation(kTwoA)}));
    EXPECT_EQ(storedEvents(kTwoB).size(), 1);
    EXPECT_EQ(storedEvents("Notes").size(), 1);
    EXPECT_FALSE(log.contains("ERROR"));
    EXPECT_EQ(sink->shown(), QStringList{"busy"} + batch(4));
    EXPECT_EQ(page->page->updates(), 2);
}

TEST_F(MarkerJobsTest, MovingAMarkersMarksTakesThemFromTheOldStoreOnlyToTheNewOne) {
    // The marker has just been given "marks2"; its marks are still in "marks".
    defineMarkers(
        {{kTwoA, "Two A", 2, "marks2", berlinSeconds(2011, 5, 5), berlinSeconds(2016, 4, 1)},
         {kTwoB, "Two B", 2, "marks"}});
    writeMark("marks", "in-page", markLocation(kTwoA), "20160401");
    writeMark("marks", "earlier", markLocation(kTwoA), "20110505");
    writeMark("home", "elsewhere", markLocation(kTwoA), "20160402");
    writeMark("marks", "other", markLocation(kTwoB), "20160401");
    openWithMarkers();
    auto page = loadedPage(2016);
    foundation::LogCapture log;

    const auto loader = Loader::newEventLoaderForYear(2016);
    ASSERT_TRUE(loader->startMovingMarksFromCalFromView(markerOf(kTwoA),
                                                        sources->calendarWithUID("marks"), page));
    ASSERT_TRUE(done(loader));

    // The same events, in the new store's folder.
    EXPECT_EQ(storedEvents(kTwoA), sorted({"marks2 2016-04-01 " + markLocation(kTwoA),
                                           "marks2 2011-05-05 " + markLocation(kTwoA),
                                           "home 2016-04-02 " + markLocation(kTwoA)}));
    for (const char* uid : {"in-page", "earlier"}) {
        EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("store/marks2/%1.ics").arg(uid))))
            << uid;
        EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("store/marks/%1.ics").arg(uid))))
            << uid;
    }
    EXPECT_EQ(storedEvents(kTwoB), QStringList{"marks 2016-04-01 " + markLocation(kTwoB)});

    // On the page the mark stays on its day, now with the new store.
    const auto entries = page->eventsForDayAndMonth(1, 4);
    ASSERT_EQ(entries->size(), 2u);
    for (const EventDayPtr& entry : *entries) {
        const bool moved = entry->event()->uid() == "in-page";
        EXPECT_EQ(entry->calendar()->uid(), moved ? "marks2" : "marks");
        EXPECT_EQ(entry->event()->calendar()->uid(), moved ? "marks2" : "marks");
    }
    EXPECT_FALSE(log.contains("ERROR"));
    EXPECT_EQ(sink->shown(), QStringList{"busy"} + batch(2));

    // Moved marks are marks of the page like any other: removing them works.
    const auto removal = Loader::newEventLoaderForYear(2016);
    ASSERT_TRUE(removal->startRemovingAllMarksFromDaysFromView({day(2016, 4, 1)}, page));
    ASSERT_TRUE(done(removal));
    EXPECT_FALSE(log.contains("ERROR"));
    EXPECT_TRUE(storedWithUID("in-page").isEmpty());
}

TEST_F(MarkerJobsTest, MovingToAMissingMarkerStoreOrFromNoStoreStartsNoJob) {
    defineMarkers({{kTwoA, "Two A", 2, "vanished"}, {kTwoB, "Two B", 2, "marks"}});
    writeMark("marks", "mark", markLocation(kTwoA), "20300601");
    openWithMarkers();
    auto page = loadedPage(2030);
    foundation::LogCapture log;

    const auto loader = Loader::newEventLoaderForYear(2030);
    EXPECT_FALSE(loader->startMovingMarksFromCalFromView(markerOf(kTwoA),
                                                         sources->calendarWithUID("marks"), page));
    EXPECT_EQ(log.count("does not exist"), 1);
    log.clear();
    // Without the old store there is nothing to move, and nothing to say.
    EXPECT_FALSE(loader->startMovingMarksFromCalFromView(markerOf(kTwoB), nullptr, page));
    EXPECT_FALSE(loader->startMovingMarksFromCalFromView(markerOf(kTwoB),
                                                         std::make_shared<Calendar>(), page));
    EXPECT_FALSE(loader->isRunning());
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_EQ(storedEvents(kTwoA), QStringList{"marks 2030-06-01 " + markLocation(kTwoA)});
}

}  // namespace
