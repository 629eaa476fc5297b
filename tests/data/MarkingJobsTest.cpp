#include "MarkJobsTestSupport.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

using namespace markjobs;

namespace {

using Loader = YearViewEventLoader;

TEST(MarkerGroups, TypesEightAndNineShareAGroupAndOtherTypesOnlyTheirOwn) {
    struct Case {
        int a, b;
        bool shared;
    };
    const Case cases[] = {{8, 9, true},  {9, 8, true},  {8, 8, true},  {7, 7, true},
                          {7, 8, false}, {9, 7, false}, {1, 9, false}, {2, 3, false}};
    for (const Case& c : cases)
        EXPECT_EQ(Loader::markerTypesShareGroup(c.a, c.b), c.shared) << c.a << " " << c.b;
}

using MarkingJobsTest = MarkJobsTest;

TEST_F(MarkingJobsTest, MarkingReplacesTheMarksOfTheMarkersGroupAndNothingElse) {
    defineUsualMarkers();  // applied up to 1 January 2030
    // 5 March: marks of types 8 and 7, the notes, a mark of a deleted marker and
    // an ordinary event; 6 March: a mark of the marker itself; 7 March: nothing.
    writeMark("marks", "eight", markLocation(kTypeEight), "20300305");
    writeMark("marks", "seven", markLocation(kTypeSeven), "20300305");
    writeMark("marks", "notes", QStringLiteral("Zolt:Notes"), "20300305");
    writeMark("marks", "gone", markLocation(kGone), "20300305");
    writeAllDay("work", "meeting", "20300305", "20300306");
    writeMark("marks", "nine-before", markLocation(kTypeNine), "20300306");
    openWithMarkers();
    auto page = loadedPage(2030);
    const EMarkerPtr nine = markerOf(kTypeNine);
    ASSERT_TRUE(nine);

    // The page is changed and redrawn before the store is written.
    QStringList storeAtRedraw;
    page->onUpdate = [&] { storeAtRedraw = storedEvents(kTypeNine); };

    const auto loader = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(loader->startMarkingDaysWithMarkerFromView(
        {day(2030, 3, 5), day(2030, 3, 6), day(2030, 3, 7)}, nine, page));
    ASSERT_TRUE(done(loader));

    EXPECT_EQ(storeAtRedraw, QStringList{"marks 2030-03-06 " + markLocation(kTypeNine)});
    EXPECT_EQ(page->day(5, 3), sorted({"Zolt:Notes", markLocation(kTypeSeven),
                                       markLocation(kTypeNine), markLocation(kGone), "meeting"}));
    EXPECT_EQ(page->day(6, 3), QStringList{markLocation(kTypeNine)});
    EXPECT_FALSE(page->uidsOn(6, 3).contains("nine-before"));  // a new event
    EXPECT_EQ(page->day(7, 3), QStringList{markLocation(kTypeNine)});

    EXPECT_EQ(storedEvents("Zolt:"),
              sorted({"marks 2030-03-05 Zolt:Notes", "marks 2030-03-05 " + markLocation(kTypeSeven),
                      "marks 2030-03-05 " + markLocation(kTypeNine),
                      "marks 2030-03-05 " + markLocation(kGone),
                      "marks 2030-03-06 " + markLocation(kTypeNine),
                      "marks 2030-03-07 " + markLocation(kTypeNine)}));
    EXPECT_TRUE(storedWithUID("eight").isEmpty());
    EXPECT_TRUE(storedWithUID("nine-before").isEmpty());
    EXPECT_EQ(storedEvents("meeting"), QStringList{"work 2030-03-05 meeting"});

    // A new mark in its file: an all-day event of one day titled like the marker.
    const QString newUID = page->uidsOn(7, 3).value(0);
    const auto stored = storedWithUID(newUID);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_TRUE(stored.first()->isAllDay());
    EXPECT_EQ(stored.first()->title(), QStringLiteral("Nine"));
    const QByteArray text = dir.read(QStringLiteral("store/marks/%1.ics").arg(newUID));
    EXPECT_TRUE(text.contains("DTSTART;VALUE=DATE:20300307")) << text.toStdString();
    EXPECT_TRUE(text.contains("DTEND;VALUE=DATE:20300308")) << text.toStdString();

    // Two removals and three saves, one task each.
    EXPECT_EQ(sink->shown(), QStringList{"busy"} + batch(5));
    EXPECT_EQ(Loader::taskCounts().toDo, 0);

    // The marker's applied span now reaches on to 7 March and is saved.
    const double march7 = day(2030, 3, 7)->timeIntervalSince1970();
    EXPECT_EQ(nine->latestMarkerApplied(), march7);
    EXPECT_EQ(foundation::Defaults::standard()
                  .dictionaryForKey(CalendarSources::kMarkersPrefs)
                  .value(kTypeNine)
                  .toMap()
                  .value("Last")
                  .toDouble(),
              march7);
}

TEST_F(MarkingJobsTest, MarkingWithAnotherGroupLeavesTheMarkAndAnEmptySelectionStillRedraws) {
    defineUsualMarkers();
    writeMark("marks", "eight", markLocation(kTypeEight), "20300305");
    openWithMarkers();
    auto page = loadedPage(2030);
    const int updatesBefore = page->page->updates();

    const auto seven = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(
        seven->startMarkingDaysWithMarkerFromView({day(2030, 3, 5)}, markerOf(kTypeSeven), page));
    ASSERT_TRUE(done(seven));
    EXPECT_EQ(page->day(5, 3), sorted({markLocation(kTypeSeven), markLocation(kTypeEight)}));
    EXPECT_EQ(storedEvents("Zolt:").size(), 2);

    sink->clear();
    foundation::Defaults::standard().setObject(CalendarSources::kMarkersPrefs, QVariantMap());
    const auto none = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(none->startMarkingDaysWithMarkerFromView({}, markerOf(kTypeNine), page));
    ASSERT_TRUE(done(none));
    EXPECT_EQ(page->page->updates(), updatesBefore + 2);
    EXPECT_EQ(sink->shown(), QStringList{"busy"});  // no task announced
    // The marker settings were saved all the same.
    EXPECT_TRUE(foundation::Defaults::standard()
                    .dictionaryForKey(CalendarSources::kMarkersPrefs)
                    .contains(kTypeNine));
}

TEST_F(MarkingJobsTest, RemovingOneMarkersMarksLeavesOthersAndRemovingAllTakesEveryZoltEvent) {
    defineUsualMarkers();
    for (const char* d : {"20300410", "20300411"}) {
        const QString s = QString::fromLatin1(d);
        writeMark("marks", "a" + s, markLocation(kTwoA), s);
        writeMark("marks", "b" + s, markLocation(kTwoB), s);  // the same marker type as A
    }
    writeMark("marks", "notes", QStringLiteral("Zolt:Notes"), "20300410");
    writeMark("marks2", "gone", markLocation(kGone), "20300411");
    writeAllDay("home", "party", "20300410", "20300412");
    openWithMarkers();
    auto page = loadedPage(2030);
    const std::vector<MyDatePtr> days{day(2030, 4, 10), day(2030, 4, 11)};

    const auto one = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(one->startRemovingMarksOfMarkerFromDaysFromView(markerOf(kTwoA), days, page));
    ASSERT_TRUE(done(one));
    EXPECT_EQ(page->day(10, 4), sorted({"Zolt:Notes", markLocation(kTwoB), "party"}));
    EXPECT_EQ(page->day(11, 4), sorted({markLocation(kTwoB), markLocation(kGone), "party"}));
    EXPECT_TRUE(storedEvents(kTwoA).isEmpty());
    EXPECT_EQ(storedEvents(kTwoB).size(), 2);
    EXPECT_EQ(sink->shown(), QStringList{"busy"} + batch(2));

    sink->clear();
    const auto all = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(all->startRemovingAllMarksFromDaysFromView(days, page));
    ASSERT_TRUE(done(all));
    EXPECT_EQ(page->day(10, 4), QStringList{"party"});
    EXPECT_EQ(page->day(11, 4), QStringList{"party"});
    EXPECT_TRUE(storedEvents("Zolt:").isEmpty());
    EXPECT_EQ(storedEvents("party"), QStringList{"home 2030-04-10 party"});
    EXPECT_EQ(sink->shown(), QStringList{"busy"} + batch(4));
    // The marker settings are not written by removals.
    EXPECT_TRUE(foundation::Defaults::standard()
                    .dictionaryForKey(CalendarSources::kMarkersPrefs)
                    .value(kTwoA)
                    .toMap()
                    .value("First")
                    .isValid());
}

TEST_F(MarkingJobsTest, AMarkerWithoutItsMarkerStoreStartsNoJob) {
    defineMarkers({{kTypeNine, QStringLiteral("Nine"), 9, QStringLiteral("missing")}});
    writeMark("marks", "nine", markLocation(kTypeNine), "20300305");
    openWithMarkers();
    auto page = loadedPage(2030);
    foundation::LogCapture log;

    const auto loader = Loader::newEventLoaderForYear(2030);
    EXPECT_FALSE(
        loader->startMarkingDaysWithMarkerFromView({day(2030, 3, 6)}, markerOf(kTypeNine), page));
    EXPECT_FALSE(loader->startRemovingMarksOfMarkerFromDaysFromView(markerOf(kTypeNine),
                                                                    {day(2030, 3, 5)}, page));
    EXPECT_FALSE(loader->isRunning());
    testsupport::waitUntil([] { return false; }, 0.05);
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_EQ(page->day(5, 3), QStringList{markLocation(kTypeNine)});
    EXPECT_TRUE(page->day(6, 3).isEmpty());
    EXPECT_EQ(storedEvents("Zolt:"), QStringList{"marks 2030-03-05 " + markLocation(kTypeNine)});
}

// Mark moves and copies, each on a page of its own year. Source day: 5 May;
// 12 May holds a mark of marker B (the same group as A); A's day is 5 May.
struct MoveCase {
    const char* name;
    int destDay;
    bool copy;
    QStringList may5;  // the page's days afterwards
    QStringList destination;
    int tasks;           // store writes
    QStringList stored;  // "dd location" of the year, sorted
};

TEST_F(MarkingJobsTest, MarksMoveAndCopyBetweenDaysButNotOntoAMarkOfTheirGroup) {
    defineUsualMarkers();
    const QString a = markLocation(kTwoA);
    const QString b = markLocation(kTwoB);
    const QString gone = markLocation(kGone);
    const QList<MoveCase> cases = {
        {"move", 10, false, {gone}, {a}, 2, {"05 " + gone, "10 " + a, "12 " + b}},
        {"copy", 10, true, {a, gone}, {a}, 1, {"05 " + a, "05 " + gone, "10 " + a, "12 " + b}},
        {"move onto the group", 12, false, {gone}, {b}, 1, {"05 " + gone, "12 " + b}},
        {"copy onto the group", 12, true, {a, gone}, {b}, 0, {"05 " + a, "05 " + gone, "12 " + b}},
        {"move onto its own day",
         5,
         false,
         {a, gone},
         {a, gone},
         2,
         {"05 " + a, "05 " + gone, "12 " + b}},
        {"copy onto its own day",
         5,
         true,
         {a, gone},
         {a, gone},
         0,
         {"05 " + a, "05 " + gone, "12 " + b}},
    };
    foundation::LogCapture log;
    int year = 2040;
    for (const MoveCase& c : cases) {
        const QString y = QString::number(year);
        writeMark("marks", "a" + y, a, y + "0505");
        writeMark("marks", "gone" + y, gone, y + "0505");  // no marker: stays where it is
        writeMark("marks", "b" + y, b, y + "0512");
        ++year;
    }
    openWithMarkers();

    year = 2040;
    for (const MoveCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString y = QString::number(year);
        auto page = loadedPage(year);
        QList<calstore::EventPtr> marks;
        const auto entries = page->eventsForDayAndMonth(5, 5);
        for (const EventDayPtr& entry : *entries) marks << entry->event();
        ASSERT_EQ(marks.size(), 2);
        sink->clear();

        const auto loader = Loader::newEventLoaderForYear(year);
        ASSERT_TRUE(loader->startMovingEventsFromDayToDayCopyFromView(
            marks, day(year, 5, 5), day(year, 5, c.destDay), c.copy, page));
        ASSERT_TRUE(done(loader));

        EXPECT_EQ(page->day(5, 5), sorted(c.may5));
        EXPECT_EQ(page->day(c.destDay, 5), sorted(c.destination));
        QStringList stored;
        for (const QString& line : storedEvents("Zolt:"))
            if (line.contains(" " + y + "-"))
                stored << line.section(' ', 1, 1).right(2) + " " + line.section(' ', 2);
        EXPECT_EQ(sorted(stored), sorted(c.stored));
        EXPECT_EQ(sink->shown(), QStringList{"busy"} + (c.tasks ? batch(c.tasks) : QStringList()));
        // The mark of no known marker stays where it is, and says so.
        EXPECT_EQ(log.count("oops, mark " + gone + " stays on its day"), 1);
        log.clear();
        if (QString(c.name) == "move onto its own day")
            EXPECT_FALSE(page->uidsOn(5, 5).contains("a" + y));  // replaced by a new event
        ++year;
    }
}

TEST_F(MarkingJobsTest, CommandsGivenInQuickSuccessionWorkOnWhatTheOneBeforeLeft) {
    defineUsualMarkers();
    openWithMarkers();
    auto page = loadedPage(2030);
    std::vector<MyDatePtr> days;
    for (int d = 1; d <= 20; ++d) days.push_back(day(2030, 6, d));
    foundation::LogCapture log;

    // Marked, marked again, and unmarked before any of the jobs could finish:
    // the marks just made are in the store when the next job removes them.
    const auto first = Loader::newEventLoaderForYear(2030);
    const auto second = Loader::newEventLoaderForYear(2030);
    const auto third = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(first->startMarkingDaysWithMarkerFromView(days, markerOf(kTypeEight), page));
    ASSERT_TRUE(second->startMarkingDaysWithMarkerFromView(days, markerOf(kTypeNine), page));
    ASSERT_TRUE(third->startRemovingMarksOfMarkerFromDaysFromView(
        markerOf(kTypeNine), {days.begin(), days.begin() + 10}, page));
    ASSERT_TRUE(done(first));
    ASSERT_TRUE(done(second));
    ASSERT_TRUE(done(third));

    EXPECT_FALSE(log.contains(QStringLiteral("ERROR")));
    EXPECT_TRUE(page->day(5, 6).isEmpty());
    EXPECT_EQ(page->day(15, 6), QStringList{markLocation(kTypeNine)});
    EXPECT_TRUE(storedEvents(kTypeEight).isEmpty());
    EXPECT_EQ(storedEvents(kTypeNine).size(), 10);
    EXPECT_EQ(storedEvents(kTypeNine).first(), "marks 2030-06-11 " + markLocation(kTypeNine));
}

TEST_F(MarkingJobsTest, JobsStartedOnOneLoaderEachDoTheirOwnAndLaterJobsStillRun) {
    defineUsualMarkers();
    openWithMarkers();
    auto page = loadedPage(2030);

    // Two jobs on one loader, the second started before the first could read
    // what it was given.
    const auto loader = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(
        loader->startMarkingDaysWithMarkerFromView({day(2030, 7, 1)}, markerOf(kTypeEight), page));
    ASSERT_TRUE(
        loader->startMarkingDaysWithMarkerFromView({day(2030, 7, 2)}, markerOf(kTypeSeven), page));
    ASSERT_TRUE(done(loader));
    const auto later = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(later->startRemovingAllMarksFromDaysFromView({day(2030, 7, 3)}, page));
    ASSERT_TRUE(done(later));

    EXPECT_EQ(page->day(1, 7), QStringList{markLocation(kTypeEight)});
    EXPECT_EQ(page->day(2, 7), QStringList{markLocation(kTypeSeven)});
    EXPECT_EQ(storedEvents("Zolt:"), sorted({"marks 2030-07-01 " + markLocation(kTypeEight),
                                             "marks 2030-07-02 " + markLocation(kTypeSeven)}));
}

TEST_F(MarkingJobsTest, ADayWhoseNewMarkCannotBeSavedKeepsItsOldMark) {
    // Eight's marks live in "marks2", Nine's in "marks", which goes away.
    defineMarkers({{kTypeEight, QStringLiteral("Eight"), 8, QStringLiteral("marks2")},
                   {kTypeNine, QStringLiteral("Nine"), 9, QStringLiteral("marks")}});
    writeMark("marks2", "eight", markLocation(kTypeEight), "20300305");
    openWithMarkers();
    auto page = loadedPage(2030);
    ASSERT_TRUE(store->removeCalendar(store->calendarWithUID(QStringLiteral("marks"))));
    foundation::LogCapture log;

    const auto loader = Loader::newEventLoaderForYear(2030);
    ASSERT_TRUE(loader->startMarkingDaysWithMarkerFromView({day(2030, 3, 5), day(2030, 3, 6)},
                                                           markerOf(kTypeNine), page));
    ASSERT_TRUE(done(loader));

    EXPECT_EQ(log.count(QStringLiteral("ERROR: saving marker event failed!")), 2);
    EXPECT_FALSE(log.contains(QStringLiteral("ERROR: deleting marker event")));
    // The day keeps its mark, in the store and on the page, which shows no
    // mark the store does not hold.
    EXPECT_EQ(storedEvents("Zolt:"), QStringList{"marks2 2030-03-05 " + markLocation(kTypeEight)});
    EXPECT_EQ(page->day(5, 3), QStringList{markLocation(kTypeEight)});
    EXPECT_TRUE(page->day(6, 3).isEmpty());
    EXPECT_EQ(Loader::taskCounts().toDo, 0);
}

// Jobs whose store write of one event fails: another program changed that
// event's file after the page was loaded. The page shows the event again as
// the store holds it; the other events go.
TEST_F(MarkingJobsTest, AnEventTheStoreKeepsIsShownAgainAfterTheJob) {
    defineUsualMarkers();
    const QStringList jobs = {"remove all marks", "remove the marker's marks", "delete the events",
                              "move the marks"};
    int year = 2050;
    for (int i = 0; i < jobs.size(); ++i, ++year) {
        const QString y = QString::number(year);
        writeMark("marks", "kept" + y, markLocation(kTwoA), y + "0505");
        writeMark("marks", "going" + y, markLocation(kTwoA), y + "0506");
    }
    openWithMarkers();

    year = 2050;
    for (const QString& job : jobs) {
        SCOPED_TRACE(job.toStdString());
        const QString y = QString::number(year);
        auto page = loadedPage(year);
        writeMark("marks", "kept" + y, markLocation(kTwoA) + "-changed-elsewhere", y + "0505");
        const std::vector<MyDatePtr> days{day(year, 5, 5), day(year, 5, 6)};
        const auto loader = Loader::newEventLoaderForYear(year);
        foundation::LogCapture log;
        if (job == "remove all marks") {
            ASSERT_TRUE(loader->startRemovingAllMarksFromDaysFromView(days, page));
        } else if (job == "remove the marker's marks") {
            ASSERT_TRUE(
                loader->startRemovingMarksOfMarkerFromDaysFromView(markerOf(kTwoA), days, page));
        } else if (job == "delete the events") {
            ASSERT_TRUE(loader->startDeletingEventsFromDaysFromCalendarFromView(
                days, Loader::DeletionCalendars::calendarWithUID(QStringLiteral("marks")), page));
        } else {
            QList<calstore::EventPtr> marks;
            const auto entries = page->eventsForDayAndMonth(5, 5);
            for (const EventDayPtr& entry : *entries) marks << entry->event();
            ASSERT_TRUE(loader->startMovingEventsFromDayToDayCopyFromView(
                marks, day(year, 5, 5), day(year, 5, 20), false, page));
        }
        ASSERT_TRUE(done(loader));
        EXPECT_TRUE(log.contains(QStringLiteral("ERROR: deleting marker event failed!")));
        EXPECT_EQ(page->uidsOn(5, 5), QStringList{"kept" + y});
        EXPECT_FALSE(storedWithUID("kept" + y).isEmpty());
        if (job == "move the marks") {
            // Saved at its new day, and kept at its old one: both are shown.
            EXPECT_EQ(page->day(20, 5), QStringList{markLocation(kTwoA)});
        } else {
            EXPECT_TRUE(page->uidsOn(6, 5).isEmpty());
            EXPECT_TRUE(storedWithUID("going" + y).isEmpty());
        }
        ++year;
    }
}

}  // namespace
