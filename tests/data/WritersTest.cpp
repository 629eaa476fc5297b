#include "data/YearViewEventLoader.h"

#include "WritersTestSupport.h"
#include "YearViewEventLoaderTestSupport.h"
#include "data/EventDay.h"
#include "data/MyAttendee.h"
#include "data/MyDate.h"
#include "data/MyEventStore.h"
#include "platform/foundation/Log.h"
#include "platform/store/Store.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using loadertest::LoaderTest;
using loadertest::TestPage;
using writerstest::ChangeRecorder;
using writerstest::describe;
using writerstest::describeReport;
using writerstest::ScopedHooks;

namespace {

QDateTime atBerlin(int year, int month, int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second),
                     QTimeZone(QByteArrayLiteral("Europe/Berlin")));
}

QString inBerlin(const QDateTime& date) {
    return date.toTimeZone(QTimeZone(QByteArrayLiteral("Europe/Berlin")))
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

class WritersTest : public LoaderTest {
protected:
    // A page of the year filled from the store, as the year view has it.
    std::shared_ptr<TestPage> pageOf(int year) {
        auto page = std::make_shared<TestPage>(year);
        YearViewEventLoader::newEventLoaderForYear(year)->populateView(page);
        return page;
    }

    calstore::EventPtr stored(const QString& uid) const {
        const auto events = eventsWithUID(uid);
        return events.isEmpty() ? nullptr : events.first();
    }

    // Another program rewrites the event's file after the store read it, so
    // that the store refuses to overwrite or remove it.
    void changeUnderneath(const QString& folder, const QString& uid) {
        writeEvent(
            folder, uid,
            {QStringLiteral("DTSTART:20910310T090000Z"), QStringLiteral("DTEND:20910310T110000Z"),
             QStringLiteral("DESCRIPTION:changed elsewhere")});
    }

    // The editor's new event for `old`: a changed copy of it, or (another UID)
    // a new event in "home"; titled "Edited", on 12 March 2091 10:00 to 11:00.
    calstore::EventPtr editOf(const calstore::EventPtr& old, bool sameUID) const {
        calstore::EventPtr edited;
        if (sameUID) {
            edited = std::make_shared<calstore::Event>(*old);
        } else {
            edited = calstore::Event::event();
            edited->setCalendar(calendarNamed(QStringLiteral("Home"))->calendar());
        }
        edited->setTitle(QStringLiteral("Edited"));
        edited->setStartDate(atBerlin(2091, 3, 12, 10, 0));
        edited->setEndDate(atBerlin(2091, 3, 12, 11, 0));
        return edited;
    }

    QStringList described() const {
        QStringList texts;
        for (const auto& n : changes.posted()) {
            EXPECT_EQ(n.object, YearViewEventLoader::notificationSender());
            texts << describe(n.userInfo);
        }
        return texts;
    }
    QStringList reports() const {
        QStringList texts;
        for (const auto& r : hooks->reports()) texts << describeReport(r);
        return texts;
    }

    ScopedHooks hooks;
    ChangeRecorder changes;
    foundation::LogCapture log;
};

// --- Notes --------------------------------------------------------------------------------

TEST_F(WritersTest, NotesAreWrittenChangedAndClearedInOneEventOfTheDay) {
    open();
    const CalendarPtr work = calendarNamed(QStringLiteral("Work"));
    ASSERT_TRUE(work);
    auto page = pageOf(2091);
    auto otherPage = pageOf(2090);
    const MyDatePtr day = MyDate::dateWithDayMonthYear(14, 3, 2091);

    // The first notes make the day's notes event.
    ASSERT_TRUE(YearViewEventLoader::updateNotesForEventOnCalOnDateOnView(
        QStringLiteral("Call the bank"), nullptr, work, day, page));
    auto entries = page->eventsForDayAndMonth(14, 3);
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(entries->front()->calendar(), work);
    const QString uid = entries->front()->event()->uid();
    calstore::EventPtr notes = stored(uid);
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->location(), QStringLiteral("Zolt:Notes"));
    EXPECT_EQ(notes->title(), QStringLiteral("Notes"));
    EXPECT_EQ(notes->notes(), QStringLiteral("Call the bank"));
    EXPECT_TRUE(notes->isAllDay());
    EXPECT_EQ(inBerlin(notes->startDate()), QStringLiteral("2091-03-14 00:00:00"));
    EXPECT_EQ(inBerlin(notes->endDate()), QStringLiteral("2091-03-14 23:59:59"));
    EXPECT_EQ(notes->calendar()->uid(), work->uid());
    EXPECT_EQ(eventsWithUID(uid).size(), 1);

    // Changed notes keep the event; the caller names no calendar, the day's
    // entry still gets the event's own.
    ASSERT_TRUE(YearViewEventLoader::updateNotesForEventOnCalOnDateOnView(
        QStringLiteral("Call the bank at 9"), notes, nullptr, day, page));
    entries = page->eventsForDayAndMonth(14, 3);
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(entries->front()->calendar(), work);
    notes = stored(uid);
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->notes(), QStringLiteral("Call the bank at 9"));
    EXPECT_EQ(notes->title(), QStringLiteral("Notes"));

    // Emptied notes remove the event from the store and the day.
    ASSERT_TRUE(YearViewEventLoader::updateNotesForEventOnCalOnDateOnView(QString(), notes, nullptr,
                                                                          day, page));
    EXPECT_TRUE(page->eventsForDayAndMonth(14, 3)->empty());
    EXPECT_TRUE(eventsWithUID(uid).isEmpty());

    // The page of another year was never touched; nothing was announced.
    EXPECT_EQ(otherPage->entryCount(), 0);
    EXPECT_TRUE(changes.posted().empty());
    EXPECT_TRUE(hooks->reports().empty());
    EXPECT_FALSE(log.contains(QStringLiteral("ERROR")));
}

TEST_F(WritersTest, NotesWithoutACalendarAreNotWritten) {
    open();
    auto page = pageOf(2091);
    EXPECT_FALSE(YearViewEventLoader::updateNotesForEventOnCalOnDateOnView(
        QStringLiteral("lost?"), nullptr, nullptr, MyDate::dateWithDayMonthYear(2, 2, 2091), page));
    EXPECT_EQ(page->entryCount(), 0);
    EXPECT_EQ(page->updates(), 1);  // only the population's
}

TEST_F(WritersTest, NotesThatCannotBeSavedAreReportedAsAFailure) {
    writeAllDay(QStringLiteral("work"), QStringLiteral("n1"), QStringLiteral("20910314"),
                QStringLiteral("20910315"));
    open();
    const calstore::EventPtr notes = stored(QStringLiteral("n1"));
    changeUnderneath(QStringLiteral("work"), QStringLiteral("n1"));
    EXPECT_FALSE(YearViewEventLoader::updateNotesForEventOnCalOnDateOnView(
        QStringLiteral("new text"), notes, nullptr, MyDate::dateWithDayMonthYear(14, 3, 2091),
        pageOf(2091)));
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR: saving notes event failed!")));
    EXPECT_FALSE(dir.read(QStringLiteral("store/work/n1.ics")).contains("new text"));
}

// --- Start and end times ---------------------------------------------------------------------

struct TimeCase {
    const char* name;
    const char* start;  // UTC, as stored
    const char* end;
    bool movesStart;
    QDateTime to;  // the new start or end
    int pageYear;
    QStringList pageDays;  // where the page lists the event afterwards
    const char* storedStart;
    const char* storedEnd;
};

class TimeUpdateTest : public WritersTest, public ::testing::WithParamInterface<TimeCase> {};

TEST_P(TimeUpdateTest, PageStoreAndNotificationFollowTheNewTime) {
    const TimeCase& c = GetParam();
    const QString uid = QStringLiteral("meet");
    writeTimed(QStringLiteral("work"), uid, QString::fromLatin1(c.start),
               QString::fromLatin1(c.end));
    open();
    auto page = pageOf(c.pageYear);
    const calstore::EventPtr event = stored(uid);
    ASSERT_TRUE(event);

    const CalendarPtr work = calendarNamed(QStringLiteral("Work"));
    const bool saved =
        c.movesStart
            ? YearViewEventLoader::updateStartTimeForEventOnCalOnView(c.to, event, work, page)
            : YearViewEventLoader::updateEndTimeForEventOnCalOnView(c.to, event, work, page);
    ASSERT_TRUE(saved);

    EXPECT_EQ(page->daysOf(uid), c.pageDays);
    const calstore::EventPtr after = stored(uid);
    ASSERT_TRUE(after);
    EXPECT_EQ(inBerlin(after->startDate()), QString::fromLatin1(c.storedStart));
    EXPECT_EQ(inBerlin(after->endDate()), QString::fromLatin1(c.storedEnd));
    const QString changesText =
        c.movesStart ? QStringLiteral("startDate") : QStringLiteral("endDate");
    EXPECT_EQ(described(),
              QStringList{QStringLiteral("changes=%1, event=meet/meet").arg(changesText)});
    EXPECT_TRUE(hooks->reports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Writers, TimeUpdateTest,
    ::testing::Values(TimeCase{"StartLaterOnItsDay",
                               "20910310T090000",
                               "20910310T110000",
                               true,
                               atBerlin(2091, 3, 10, 11, 0),
                               2091,
                               {QStringLiteral("03-10")},
                               "2091-03-10 11:00:00",
                               "2091-03-10 12:00:00"},
                      TimeCase{"StartIntoTheDayBefore",
                               "20910310T090000",
                               "20910310T110000",
                               true,
                               atBerlin(2091, 3, 9, 20, 0),
                               2091,
                               {QStringLiteral("03-09"), QStringLiteral("03-10")},
                               "2091-03-09 20:00:00",
                               "2091-03-10 12:00:00"},
                      TimeCase{"StartLeavesTheDayBefore",
                               "20910309T210000",
                               "20910310T010000",
                               true,
                               atBerlin(2091, 3, 10, 0, 30),
                               2091,
                               {QStringLiteral("03-10")},
                               "2091-03-10 00:30:00",
                               "2091-03-10 02:00:00"},
                      TimeCase{"EndIntoTheNextDay",
                               "20910310T090000",
                               "20910310T110000",
                               false,
                               atBerlin(2091, 3, 11, 9, 0),
                               2091,
                               {QStringLiteral("03-10"), QStringLiteral("03-11")},
                               "2091-03-10 10:00:00",
                               "2091-03-11 09:00:00"},
                      TimeCase{"EndBackIntoItsStartDay",
                               "20910309T210000",
                               "20910310T010000",
                               false,
                               atBerlin(2091, 3, 9, 23, 30),
                               2091,
                               {QStringLiteral("03-09")},
                               "2091-03-09 22:00:00",
                               "2091-03-09 23:30:00"},
                      TimeCase{"EndIntoTheNextYear",
                               "20911231T190000",
                               "20911231T210000",
                               false,
                               atBerlin(2092, 1, 1, 1, 0),
                               2091,
                               {QStringLiteral("12-31")},
                               "2091-12-31 20:00:00",
                               "2092-01-01 01:00:00"},
                      TimeCase{"StartIntoThePreviousYear",
                               "20920101T090000",
                               "20920101T110000",
                               true,
                               atBerlin(2091, 12, 31, 22, 0),
                               2092,
                               {QStringLiteral("01-01")},
                               "2091-12-31 22:00:00",
                               "2092-01-01 12:00:00"}),
    [](const auto& info) { return std::string(info.param.name); });

class FailedTimeTest : public WritersTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FailedTimeTest, ATimeThatCannotBeSavedIsNotAnnounced) {
    const bool movesStart = GetParam();
    writeTimed(QStringLiteral("work"), QStringLiteral("meet"), QStringLiteral("20910310T090000"),
               QStringLiteral("20910310T110000"));
    open();
    const calstore::EventPtr event = stored(QStringLiteral("meet"));
    changeUnderneath(QStringLiteral("work"), QStringLiteral("meet"));

    const QDateTime to = atBerlin(2091, 3, 10, movesStart ? 11 : 13, 0);
    EXPECT_FALSE(movesStart ? YearViewEventLoader::updateStartTimeForEventOnCalOnView(
                                  to, event, nullptr, pageOf(2091))
                            : YearViewEventLoader::updateEndTimeForEventOnCalOnView(
                                  to, event, nullptr, pageOf(2091)));
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR: updating event start/end times failed!")));
    EXPECT_TRUE(changes.posted().empty());
    EXPECT_TRUE(hooks->reports().empty());
}

INSTANTIATE_TEST_SUITE_P(Writers, FailedTimeTest, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "Start" : "End");
});

TEST_F(WritersTest, AMovedEventIsSavedAnnouncedAndReadAgainAcrossYears) {
    writeTimed(QStringLiteral("work"), QStringLiteral("meet"), QStringLiteral("20911231T090000"),
               QStringLiteral("20911231T100000"));
    open();
    const calstore::EventPtr event = stored(QStringLiteral("meet"));

    ASSERT_TRUE(YearViewEventLoader::updateStartTimeAndEndTimeForEvent(
        atBerlin(2092, 1, 2, 10, 0), atBerlin(2092, 1, 2, 11, 0), event));
    const auto all = eventsWithUID(QStringLiteral("meet"));
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(inBerlin(all.first()->startDate()), QStringLiteral("2092-01-02 10:00:00"));
    EXPECT_EQ(inBerlin(all.first()->endDate()), QStringLiteral("2092-01-02 11:00:00"));
    EXPECT_EQ(described(), QStringList{QStringLiteral("changes=dates, event=meet/meet")});
    EXPECT_EQ(reports(), QStringList{QStringLiteral("meet:2")});
}

TEST_F(WritersTest, AMoveThatCannotBeSavedIsOnlyReadAgain) {
    writeTimed(QStringLiteral("work"), QStringLiteral("meet"), QStringLiteral("20910310T090000"),
               QStringLiteral("20910310T110000"));
    open();
    const calstore::EventPtr event = stored(QStringLiteral("meet"));
    changeUnderneath(QStringLiteral("work"), QStringLiteral("meet"));

    EXPECT_FALSE(YearViewEventLoader::updateStartTimeAndEndTimeForEvent(
        atBerlin(2091, 3, 11, 10, 0), atBerlin(2091, 3, 11, 11, 0), event));
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR: updating event after move failed!")));
    EXPECT_TRUE(changes.posted().empty());
    EXPECT_EQ(reports(), QStringList{QStringLiteral("meet:2")});
}

// --- Edited events -------------------------------------------------------------------------

TEST_F(WritersTest, AnEditedEventWithItsOwnUIDIsUpdatedInPlace) {
    writeTimed(QStringLiteral("work"), QStringLiteral("meet"), QStringLiteral("20910310T090000"),
               QStringLiteral("20910310T110000"));
    open();
    const calstore::EventPtr old = stored(QStringLiteral("meet"));
    auto edited = std::make_shared<calstore::Event>(*old);
    edited->setTitle(QStringLiteral("Edited"));

    ASSERT_TRUE(YearViewEventLoader::updateEventWithEvent(old, edited));
    const auto all = eventsWithUID(QStringLiteral("meet"));
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(all.first()->title(), QStringLiteral("Edited"));
    EXPECT_EQ(reports(), QStringList{QStringLiteral("meet:2")});
    EXPECT_EQ(described(),
              QStringList{QStringLiteral("changes=updated, event=null, old-uid=meet, uid=meet")});
}

TEST_F(WritersTest, AnEditedEventWithANewUIDReplacesTheOldOne) {
    writeTimed(QStringLiteral("work"), QStringLiteral("meet"), QStringLiteral("20910310T090000"),
               QStringLiteral("20910310T110000"));
    open();
    const calstore::EventPtr old = stored(QStringLiteral("meet"));
    auto replacement = calstore::Event::event();
    replacement->setCalendar(calendarNamed(QStringLiteral("Home"))->calendar());
    replacement->setTitle(QStringLiteral("Replacement"));
    replacement->setStartDate(atBerlin(2091, 3, 12, 10, 0));
    replacement->setEndDate(atBerlin(2091, 3, 12, 11, 0));

    ASSERT_TRUE(YearViewEventLoader::updateEventWithEventAndAttendees(old, replacement, {}));
    const QString newUID = replacement->uid();
    EXPECT_TRUE(eventsWithUID(QStringLiteral("meet")).isEmpty());
    ASSERT_EQ(eventsWithUID(newUID).size(), 1);
    EXPECT_EQ(eventsWithUID(newUID).first()->title(), QStringLiteral("Replacement"));
    ASSERT_EQ(hooks->reports().size(), 1u);
    EXPECT_EQ(hooks->reports().front(), (QVariantMap{{QStringLiteral("meet"), 3}, {newUID, 1}}));
    EXPECT_EQ(described(),
              QStringList{
                  QStringLiteral("changes=updated, event=null, old-uid=meet, uid=%1").arg(newUID)});
}

// A failed save of the edit: the old event stays as the store has it, and
// nothing is announced.
class FailedEditTest : public WritersTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FailedEditTest, KeepsTheOldEventAndAnnouncesNothing) {
    const bool sameUID = GetParam();
    writeTimed(QStringLiteral("work"), QStringLiteral("meet"), QStringLiteral("20910310T090000"),
               QStringLiteral("20910310T110000"));
    open();
    const calstore::EventPtr old = stored(QStringLiteral("meet"));
    const calstore::EventPtr edited = editOf(old, sameUID);
    if (sameUID)  // another program changed the event meanwhile
        changeUnderneath(QStringLiteral("work"), QStringLiteral("meet"));
    else  // the target calendar went away meanwhile
        ASSERT_TRUE(store->removeCalendar(store->calendarWithUID(QStringLiteral("home"))));

    EXPECT_FALSE(YearViewEventLoader::updateEventWithEvent(old, edited));
    EXPECT_TRUE(
        log.contains(QStringLiteral("ERROR: event update failed! (creation of new event data)")));
    const QByteArray file = dir.read(QStringLiteral("store/work/meet.ics"));
    EXPECT_TRUE(file.contains("SUMMARY:meet"));
    EXPECT_FALSE(file.contains("Edited"));
    EXPECT_EQ(eventsWithUID(QStringLiteral("meet")).size(), 1);
    EXPECT_TRUE(changes.posted().empty());
    EXPECT_TRUE(hooks->reports().empty());
}

INSTANTIATE_TEST_SUITE_P(Writers, FailedEditTest, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "SameUID" : "NewUID");
});

TEST_F(WritersTest, AnOldEventThatCannotBeRemovedStaysBesideTheNewOne) {
    writeTimed(QStringLiteral("work"), QStringLiteral("meet"), QStringLiteral("20910310T090000"),
               QStringLiteral("20910310T110000"));
    open();
    const calstore::EventPtr old = stored(QStringLiteral("meet"));
    changeUnderneath(QStringLiteral("work"), QStringLiteral("meet"));
    auto replacement = calstore::Event::event();
    replacement->setCalendar(calendarNamed(QStringLiteral("Work"))->calendar());
    replacement->setTitle(QStringLiteral("Replacement"));
    replacement->setStartDate(atBerlin(2091, 3, 12, 10, 0));
    replacement->setEndDate(atBerlin(2091, 3, 12, 11, 0));

    EXPECT_FALSE(YearViewEventLoader::updateEventWithEvent(old, replacement));
    EXPECT_TRUE(
        log.contains(QStringLiteral("ERROR: event update failed! (deletion of old event data)")));
    const QString newUID = replacement->uid();
    EXPECT_EQ(eventsWithUID(QStringLiteral("meet")).size(), 1);
    EXPECT_EQ(eventsWithUID(newUID).size(), 1);
    // Only the new event is news; the old one is still there.
    EXPECT_EQ(reports(), QStringList{newUID + QStringLiteral(":1")});
    EXPECT_EQ(described(),
              QStringList{
                  QStringLiteral("changes=updated, event=null, old-uid=meet, uid=%1").arg(newUID)});
}

// The attendees and the event data of an edit are one step.
class FailedAttendeesTest : public WritersTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FailedAttendeesTest, TakeTheSavedEditBackAndAnnounceNothing) {
    const bool sameUID = GetParam();
    writeTimed(QStringLiteral("work"), QStringLiteral("meet"), QStringLiteral("20910310T090000"),
               QStringLiteral("20910310T110000"));
    open();
    const calstore::EventPtr old = stored(QStringLiteral("meet"));
    const calstore::EventPtr edited = editOf(old, sameUID);

    testhooks::failNextAttendeeWrite();
    EXPECT_FALSE(YearViewEventLoader::updateEventWithEventAndAttendees(
        old, edited, {MyAttendee::initWithNameAndAddress(QStringLiteral("Ann"), QUrl())}));
    EXPECT_TRUE(
        log.contains(QStringLiteral("ERROR: event update failed! (attendees of new event data)")));
    // The old event as it was, and nothing beside it.
    const auto all = eventsWithUID(QStringLiteral("meet"));
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(all.first()->title(), QStringLiteral("meet"));
    EXPECT_EQ(inBerlin(all.first()->startDate()), QStringLiteral("2091-03-10 10:00:00"));
    if (!sameUID) EXPECT_TRUE(eventsWithUID(edited->uid()).isEmpty());
    EXPECT_TRUE(dir.read(QStringLiteral("store/home/%1.ics").arg(edited->uid())).isEmpty());
    EXPECT_FALSE(dir.read(QStringLiteral("store/work/meet.ics")).contains("Edited"));
    EXPECT_TRUE(changes.posted().empty());
    EXPECT_TRUE(hooks->reports().empty());
}

INSTANTIATE_TEST_SUITE_P(Writers, FailedAttendeesTest, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "SameUID" : "NewUID");
});

// --- The page's events are never changed in place --------------------------------------------

enum class Writer { Start, End, Move, Notes };
struct SharedCase {
    const char* name;
    Writer writer;
    bool fails;  // another program changed the event's file first
};

class SharedEventTest : public WritersTest, public ::testing::WithParamInterface<SharedCase> {};

// The event a page lists is read by job threads and offscreen renders while a
// writer runs: the writer saves a copy, which takes its place once saved.
TEST_P(SharedEventTest, TheWriterSavesACopyAndThePageListsItOnlyOnceSaved) {
    const SharedCase& c = GetParam();
    writeEvent(QStringLiteral("work"), QStringLiteral("meet"),
               {QStringLiteral("DTSTART:20910310T090000Z"),
                QStringLiteral("DTEND:20910310T110000Z"), QStringLiteral("DESCRIPTION:old notes")});
    open();
    auto page = pageOf(2091);
    const auto entries = page->eventsForDayAndMonth(10, 3);
    ASSERT_EQ(entries->size(), 1u);
    const calstore::EventPtr shown = entries->front()->event();
    const calstore::Event before = *shown;
    if (c.fails) changeUnderneath(QStringLiteral("work"), QStringLiteral("meet"));

    const CalendarPtr work = calendarNamed(QStringLiteral("Work"));
    bool ok = false;
    switch (c.writer) {
        case Writer::Start:
            ok = YearViewEventLoader::updateStartTimeForEventOnCalOnView(
                atBerlin(2091, 3, 11, 9, 0), shown, work, page);
            break;
        case Writer::End:
            ok = YearViewEventLoader::updateEndTimeForEventOnCalOnView(atBerlin(2091, 3, 11, 13, 0),
                                                                       shown, work, page);
            break;
        case Writer::Move:
            ok = YearViewEventLoader::updateStartTimeAndEndTimeForEvent(
                atBerlin(2091, 3, 11, 9, 0), atBerlin(2091, 3, 11, 10, 0), shown);
            break;
        case Writer::Notes:
            ok = YearViewEventLoader::updateNotesForEventOnCalOnDateOnView(
                QStringLiteral("new notes"), shown, nullptr,
                MyDate::dateWithDayMonthYear(10, 3, 2091), page);
            break;
    }
    EXPECT_EQ(ok, !c.fails);

    // The event the page listed is as it was read.
    EXPECT_EQ(shown->startDate(), before.startDate());
    EXPECT_EQ(shown->endDate(), before.endDate());
    EXPECT_EQ(shown->notes(), QStringLiteral("old notes"));
    EXPECT_EQ(shown->dateStamp(), before.dateStamp());

    if (c.fails) {
        // Nothing saved: the page still lists the event it had, where it had it.
        EXPECT_EQ(page->daysOf(QStringLiteral("meet")), QStringList{QStringLiteral("03-10")});
        EXPECT_EQ(page->eventsForDayAndMonth(10, 3)->front()->event(), shown);
        EXPECT_TRUE(changes.posted().empty());
        return;
    }
    // The move is read again by the pages through the change report; the
    // other writers list the saved copy themselves.
    if (c.writer == Writer::Move) return;
    const QStringList days = page->daysOf(QStringLiteral("meet"));
    ASSERT_FALSE(days.isEmpty());
    const int day = days.last().right(2).toInt();
    const calstore::EventPtr listed = page->eventsForDayAndMonth(day, 3)->front()->event();
    EXPECT_NE(listed, shown);
    const calstore::EventPtr inStore = stored(QStringLiteral("meet"));
    ASSERT_TRUE(inStore);
    EXPECT_EQ(listed->startDate(), inStore->startDate());
    EXPECT_EQ(listed->endDate(), inStore->endDate());
    EXPECT_EQ(listed->notes(), inStore->notes());
}

INSTANTIATE_TEST_SUITE_P(Writers, SharedEventTest,
                         ::testing::Values(SharedCase{"Start", Writer::Start, false},
                                           SharedCase{"End", Writer::End, false},
                                           SharedCase{"Move", Writer::Move, false},
                                           SharedCase{"Notes", Writer::Notes, false},
                                           SharedCase{"StartRefused", Writer::Start, true},
                                           SharedCase{"EndRefused", Writer::End, true},
                                           SharedCase{"MoveRefused", Writer::Move, true},
                                           SharedCase{"NotesRefused", Writer::Notes, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WritersTest, ARenderReadingThePagesEventWhileAWriterSavesSeesItUnchanged) {
    writeTimed(QStringLiteral("work"), QStringLiteral("meet"), QStringLiteral("20910310T090000"),
               QStringLiteral("20910310T110000"));
    open();
    auto page = pageOf(2091);
    const calstore::EventPtr shown = page->eventsForDayAndMonth(10, 3)->front()->event();
    const QDateTime start = shown->startDate();
    const QDateTime end = shown->endDate();

    // An offscreen render reads the event over and over while the writer saves.
    std::atomic<bool> stop{false};
    std::atomic<int> changedSeen{0};
    std::thread render([&] {
        while (!stop) {
            if (shown->startDate() != start || shown->endDate() != end) ++changedSeen;
        }
    });
    calstore::EventPtr current = shown;
    for (int minute = 1; minute <= 20; ++minute) {
        ASSERT_TRUE(YearViewEventLoader::updateEndTimeForEventOnCalOnView(
            atBerlin(2091, 3, 10, 12, minute), current, nullptr, page));
        current = page->eventsForDayAndMonth(10, 3)->front()->event();
    }
    stop = true;
    render.join();
    EXPECT_EQ(changedSeen, 0);
    EXPECT_EQ(inBerlin(stored(QStringLiteral("meet"))->endDate()),
              QStringLiteral("2091-03-10 12:20:00"));
}

// --- Deleting and creating -----------------------------------------------------------------

enum class DeleteKind {
    StoredRecord,
    NewRecord,
    EventOnly,
    StoredRecordOffMain,
    ChangedUnderneath
};
struct DeleteCase {
    const char* name;
    DeleteKind kind;
    bool result;
    bool stillStored;
    bool announced;  // "deleted" posted
    const char* report;
};

class DeleteTest : public WritersTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteTest, RemovesAnnouncesAndReports) {
    const DeleteCase& c = GetParam();
    writeTimed(QStringLiteral("work"), QStringLiteral("meet"), QStringLiteral("20910310T090000"),
               QStringLiteral("20910310T110000"));
    open();
    auto record = std::make_shared<EventDay>();
    record->setEvent(stored(QStringLiteral("meet")));
    bool result = false;
    switch (c.kind) {
        case DeleteKind::StoredRecord:
            result = YearViewEventLoader::deleteEvent(record);
            break;
        case DeleteKind::NewRecord:
            record->setIsNew(true);
            result = YearViewEventLoader::deleteEvent(record);
            break;
        case DeleteKind::EventOnly:
            result = YearViewEventLoader::deleteEventC(record->event());
            break;
        case DeleteKind::StoredRecordOffMain:
            // The find panel deletes found events from a thread of its own.
            std::thread([&] { result = YearViewEventLoader::deleteEvent(record); }).join();
            EXPECT_EQ(hooks->reportsOffMain(), 1);
            break;
        case DeleteKind::ChangedUnderneath:
            changeUnderneath(QStringLiteral("work"), QStringLiteral("meet"));
            result = YearViewEventLoader::deleteEvent(record);
            EXPECT_TRUE(log.contains(QStringLiteral("ERROR: deleting event failed!")));
            break;
    }
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(!eventsWithUID(QStringLiteral("meet")).isEmpty(), c.stillStored);
    EXPECT_EQ(described(),
              c.announced ? QStringList{QStringLiteral("changes=deleted, event=null, uid=meet")}
                          : QStringList());
    EXPECT_EQ(reports(), QStringList{QString::fromLatin1(c.report)});
}

INSTANTIATE_TEST_SUITE_P(
    Writers, DeleteTest,
    ::testing::Values(
        DeleteCase{"StoredRecord", DeleteKind::StoredRecord, true, false, true, "meet:3"},
        // Not in the store yet: nothing to remove or announce, but the pages drop it.
        DeleteCase{"NewRecord", DeleteKind::NewRecord, true, true, false, "meet:3"},
        DeleteCase{"EventWithoutRecord", DeleteKind::EventOnly, true, false, true, "meet:3"},
        DeleteCase{"FromAnotherThread", DeleteKind::StoredRecordOffMain, true, false, true,
                   "meet:3"},
        // Still in the store: not announced, and the pages read it again.
        DeleteCase{"ChangedUnderneath", DeleteKind::ChangedUnderneath, false, true, false,
                   "meet:2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WritersTest, ANewlyCreatedEventIsSavedWithoutAnnouncement) {
    open();
    auto event = calstore::Event::event();
    event->setCalendar(calendarNamed(QStringLiteral("Work"))->calendar());
    event->setTitle(QStringLiteral("Fresh"));
    event->setStartDate(atBerlin(2091, 5, 1, 10, 0));
    event->setEndDate(atBerlin(2091, 5, 1, 10, 1));  // made at least 300 seconds long
    auto page = pageOf(2091);

    ASSERT_TRUE(YearViewEventLoader::storeNewlyCreatedEventOnCalOnView(
        event, calendarNamed(QStringLiteral("Work")), page));
    const auto all = eventsWithUID(event->uid());
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(inBerlin(all.first()->endDate()), QStringLiteral("2091-05-01 10:05:00"));
    EXPECT_EQ(page->entryCount(), 0);
    EXPECT_TRUE(changes.posted().empty());
    EXPECT_TRUE(hooks->reports().empty());
}

TEST_F(WritersTest, ANewEventThePageListsIsReplacedThereByItsSavedCopy) {
    open();
    const CalendarPtr work = calendarNamed(QStringLiteral("Work"));
    auto event = calstore::Event::event();
    event->setCalendar(work->calendar());
    event->setTitle(QStringLiteral("Fresh"));
    event->setStartDate(atBerlin(2091, 5, 1, 10, 0));
    event->setEndDate(atBerlin(2091, 5, 1, 10, 1));
    // The week view put its new event on the page's day.
    auto page = pageOf(2091);
    page->threadedAddEventFromCalendarForDayInMonthInFullLoading(event, work, 1, 5, false);

    ASSERT_TRUE(YearViewEventLoader::storeNewlyCreatedEventOnCalOnView(event, work, page));
    EXPECT_EQ(inBerlin(event->endDate()), QStringLiteral("2091-05-01 10:01:00"));
    const auto entries = page->eventsForDayAndMonth(1, 5);
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_NE(entries->front()->event(), event);
    EXPECT_EQ(entries->front()->event()->uid(), event->uid());
    EXPECT_EQ(inBerlin(entries->front()->event()->endDate()),
              QStringLiteral("2091-05-01 10:05:00"));
    EXPECT_EQ(entries->front()->calendar(), work);
}

}  // namespace
