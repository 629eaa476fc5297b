// The year page's commands through the real loaders down to the store's files:
// marks made and removed on selected days, and the events of a day deleted
// from one calendar only.
#include "YearViewPageWorld.h"
#include "data/YearViewEventLoader.h"
#include "platform/kit/ContextMenu.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace {

using namespace yvpage;

class YearViewJobsEndToEndTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        YearView::changeServices([](auto& installed) { installed = {}; });
        YearView::connectLoaderJobs();
        YearViewEventLoader::setCalendarSources(delegate->calendarSources);
    }
    void TearDown() override {
        kit::DragSession::setDriverForTesting({});
        kit::ContextMenu::setHandlerForTesting({});
        // Let every job end before the world it works on goes.
        testsupport::waitUntil([] { return YearViewEventLoader::taskCounts().toDo == 0; }, 10);
        YearViewEventLoader::setCalendarSources(nullptr);
        PageTest::TearDown();
    }

    // The texts of the event files of one calendar folder, as they are on disk.
    QStringList filesOf(const QString& folder) const {
        QStringList texts;
        QDirIterator it(dir.file(QStringLiteral("store/") + folder), {QStringLiteral("*.ics")},
                        QDir::Files);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.open(QIODevice::ReadOnly)) texts << QString::fromUtf8(f.readAll());
        }
        return texts;
    }
    // The marker's marks in the store's files, on the given day of March 2024 or
    // on any day.
    int marksOnDisk(const QString& markerUid, int marchDay = 0) const {
        int n = 0;
        for (const QString& text : filesOf(QStringLiteral("markers")))
            if (text.contains(QStringLiteral("LOCATION:Zolt:") + markerUid) &&
                (marchDay == 0 || text.contains(QStringLiteral("DTSTART;VALUE=DATE:202403%1")
                                                    .arg(marchDay, 2, 10, QLatin1Char('0')))))
                ++n;
        return n;
    }

    // The next drop menu chooses all marks in its Move (0) or Copy (1) submenu.
    static void chooseAllMarksIn(int submenu) {
        kit::ContextMenu::setHandlerForTesting(
            [submenu](QMenu* qmenu, const kit::Event&, kit::View*) {
                auto* menu = qobject_cast<kit::Menu*>(qmenu);
                ASSERT_TRUE(menu);
                kit::MenuItem* all =
                    menu->itemAtIndex(submenu)->submenu()->itemWithTag(YearView::kAllMarksTag);
                ASSERT_TRUE(all);
                EXPECT_TRUE(all->performAction());
            });
    }

    // A page drawn once, so that it has asked for its events and got them.
    YearView* loadedPage(int year) {
        YearView* page = makePage(year);
        render(page);
        EXPECT_TRUE(testsupport::waitUntil([page] { return page->eventsLoaded(); }, 10));
        return page;
    }
};

TEST_F(YearViewJobsEndToEndTest, MarkingAndUnmarkingSelectedDaysReachesTheStoreFiles) {
    YearView* page = loadedPage(2024);
    for (int day : {4, 5, 6}) page->setHighlightStatusForDayMonthHighlight(day, 3, 1);

    page->markSelectionAs(kMarkerShade);
    ASSERT_TRUE(testsupport::waitUntil([&] { return marksOnDisk(kMarkerShade) == 3; }, 10));
    // The page shows them as well.
    EXPECT_FALSE(page->model()->eventsForDayAndMonth(5, 3)->empty());

    page->removeAllMarks();
    ASSERT_TRUE(testsupport::waitUntil([&] { return marksOnDisk(kMarkerShade) == 0; }, 10));
    EXPECT_TRUE(page->model()->eventsForDayAndMonth(5, 3)->empty());
}

TEST_F(YearViewJobsEndToEndTest, MarksDraggedToAnotherDayAreCopiedAndMovedInTheStore) {
    YearView* page = loadedPage(2024);
    page->setHighlightStatusForDayMonthHighlight(5, 3, 1);
    page->markSelectionAs(kMarkerShade);
    ASSERT_TRUE(testsupport::waitUntil([&] { return marksOnDisk(kMarkerShade, 5) == 1; }, 10));
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return !page->model()->eventsForDayAndMonth(5, 3)->empty(); }, 5));
    page->deHighlightAll();

    chooseAllMarksIn(1);  // copy
    dragMarks(page, 5, 3, page, 8, 3);
    ASSERT_TRUE(testsupport::waitUntil([&] { return marksOnDisk(kMarkerShade, 8) == 1; }, 10));
    EXPECT_EQ(marksOnDisk(kMarkerShade, 5), 1);

    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return !page->model()->eventsForDayAndMonth(8, 3)->empty(); }, 5));
    chooseAllMarksIn(0);  // move
    dragMarks(page, 8, 3, page, 12, 3);
    ASSERT_TRUE(testsupport::waitUntil([&] { return marksOnDisk(kMarkerShade, 12) == 1; }, 10));
    EXPECT_TRUE(testsupport::waitUntil([&] { return marksOnDisk(kMarkerShade, 8) == 0; }, 10));
    EXPECT_EQ(marksOnDisk(kMarkerShade), 2);
}

TEST_F(YearViewJobsEndToEndTest, DeletingTheEventsOfADayTakesOnlyTheNamedCalendar) {
    const auto ics = [](const char* uid) {
        return QByteArray(
                   "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n"
                   "BEGIN:VEVENT\r\nUID:") +
               uid +
               "\r\nDTSTAMP:20240101T000000Z\r\nDTSTART:20240305T100000\r\n"
               "DTEND:20240305T110000\r\nSUMMARY:Meeting\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    };
    ASSERT_TRUE(dir.write(QStringLiteral("store/work/w1.ics"), ics("w1")));
    ASSERT_TRUE(dir.write(QStringLiteral("store/home/h1.ics"), ics("h1")));
    calstore::Store::setDefaultStore(calstore::Store::openAt(dir.file(QStringLiteral("store"))));

    YearView* page = loadedPage(2024);
    ASSERT_EQ(page->model()->eventsForDayAndMonth(5, 3)->size(), 2u);
    page->setHighlightStatusForDayMonthHighlight(5, 3, 1);

    page->deleteEventsFromCalendar(
        YearViewEventLoader::DeletionCalendars::calendarWithUID(QStringLiteral("work")));
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return filesOf(QStringLiteral("work")).isEmpty(); }, 10));
    EXPECT_EQ(filesOf(QStringLiteral("home")).size(), 1);
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return page->model()->eventsForDayAndMonth(5, 3)->size() == 1; }, 5));
}

TEST_F(YearViewJobsEndToEndTest, EventsOfNoLengthOrUnderAMinuteAreListedOnTheirDay) {
    struct Case {
        const char* uid;
        const char* start;  // local wall times of the page's zone
        const char* end;
        int day, month;
    };
    const Case cases[] = {
        {"instant-midnight", "20240305T000000", "20240305T000000", 5, 3},
        {"half-minute-midnight", "20240306T000000", "20240306T000030", 6, 3},
        {"instant-noon", "20240307T120000", "20240307T120000", 7, 3},
        {"instant-new-year", "20240101T000000", "20240101T000000", 1, 1},
        {"half-minute-new-year", "20240101T000000", "20240101T000030", 1, 1},
    };
    for (const Case& c : cases)
        ASSERT_TRUE(dir.write(
            QStringLiteral("store/work/%1.ics").arg(QLatin1String(c.uid)),
            QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\n"
                       "UID:") +
                c.uid + "\r\nDTSTAMP:20240101T000000Z\r\nDTSTART:" + c.start + "\r\nDTEND:" +
                c.end + "\r\nSUMMARY:" + c.uid + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"));
    calstore::Store::setDefaultStore(calstore::Store::openAt(dir.file(QStringLiteral("store"))));

    YearView* page = loadedPage(2024);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uid);
        QStringList listed;
        const auto entries = page->model()->eventsForDayAndMonth(c.day, c.month);
        for (const EventDayPtr& entry : *entries) listed << entry->event()->uid();
        EXPECT_TRUE(listed.contains(QLatin1String(c.uid))) << listed.join(' ').toStdString();
    }
}

// A weekly series and an event over the turn of the year, deleted from one
// of their days each: every other day of both loaded pages drops them at
// once, without a reload; the other calendar's event stays.
TEST_F(YearViewJobsEndToEndTest, DeletedSeriesLeaveEveryDayOfTheLoadedPages) {
    const auto ics = [](const char* uid, const QByteArray& when) {
        return QByteArray(
                   "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n"
                   "BEGIN:VEVENT\r\nUID:") +
               uid + "\r\nDTSTAMP:20240101T000000Z\r\n" + when +
               "SUMMARY:Event\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    };
    ASSERT_TRUE(dir.write(QStringLiteral("store/work/weekly.ics"),
                          ics("weekly",
                              "DTSTART:20240305T100000\r\nDTEND:20240305T110000\r\n"
                              "RRULE:FREQ=WEEKLY;COUNT=60\r\n")));
    ASSERT_TRUE(
        dir.write(QStringLiteral("store/work/turn.ics"), ics("turn",
                                                             "DTSTART;VALUE=DATE:20241230\r\n"
                                                             "DTEND;VALUE=DATE:20250103\r\n")));
    ASSERT_TRUE(dir.write(QStringLiteral("store/home/h1.ics"),
                          ics("h1", "DTSTART:20240312T100000\r\nDTEND:20240312T110000\r\n")));
    calstore::Store::setDefaultStore(calstore::Store::openAt(dir.file(QStringLiteral("store"))));

    YearView* page = loadedPage(2024);
    YearView* next = loadedPage(2025);
    const auto shown = [](YearView* p, int day, int month) {
        return int(p->model()->eventsForDayAndMonth(day, month)->size());
    };
    ASSERT_EQ(shown(page, 12, 3), 2);   // the series and the other calendar's event
    ASSERT_EQ(shown(page, 31, 12), 2);  // a Tuesday: the series and the turn of the year
    ASSERT_EQ(shown(next, 1, 1), 1);
    ASSERT_EQ(shown(next, 7, 1), 1);

    page->setHighlightStatusForDayMonthHighlight(5, 3, 1);
    page->setHighlightStatusForDayMonthHighlight(30, 12, 1);
    page->deleteEventsFromCalendar(
        YearViewEventLoader::DeletionCalendars::calendarWithUID(QStringLiteral("work")));
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return filesOf(QStringLiteral("work")).isEmpty(); }, 10));
    EXPECT_EQ(shown(page, 5, 3), 0);
    EXPECT_EQ(shown(page, 12, 3), 1);
    EXPECT_EQ(shown(page, 31, 12), 0);
    EXPECT_EQ(shown(next, 1, 1), 0);
    EXPECT_EQ(shown(next, 7, 1), 0);
    EXPECT_EQ(filesOf(QStringLiteral("home")).size(), 1);
}

}  // namespace
