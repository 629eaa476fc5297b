#include "StoreTestSupport.h"

#include "platform/foundation/Log.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace calstore;
using namespace storetest;

namespace {

QStringList startsOf(const QList<EventPtr>& events) {
    QStringList out;
    for (const auto& e : events) out << inZone(e->startDate()).left(16);
    return out;
}

}  // namespace

class StoreReading : public BerlinTest {};

TEST_F(StoreReading, CalendarsComeFromTheFoldersInAStableOrder) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("b-folder"), QStringLiteral("Work"), QStringLiteral("#ff8000"));
    dir.addCalendar(QStringLiteral("a-folder"), QStringLiteral("private"),
                    QStringLiteral("#11223380"));
    dir.addCalendar(QStringLiteral("c-folder"), QStringLiteral("Birthdays"));
    dir.write(QStringLiteral("c-folder"), QStringLiteral("zolt-calendar.json"),
              R"({"type": "birthday", "notes": "Family", "order": 0})");
    dir.dir.write(QStringLiteral("d-folder/x.ics"),
                  calendarText({QStringLiteral("BEGIN:VTODO"), QStringLiteral("UID:t1"),
                                QStringLiteral("SUMMARY:Buy milk"), QStringLiteral("END:VTODO")}));
    dir.dir.write(QStringLiteral(".hidden/displayname"), "Hidden");
    const auto store = dir.open();
    const auto calendars = store->calendars();
    ASSERT_EQ(calendars.size(), 4);
    // An explicit place first, then by title regardless of case, then by folder.
    EXPECT_EQ(calendars[0]->title(), QStringLiteral("Birthdays"));
    EXPECT_EQ(calendars[0]->type(), CalendarTypeBirthday);
    EXPECT_EQ(calendars[0]->notes(), QStringLiteral("Family"));
    EXPECT_EQ(calendars[1]->uid(), QStringLiteral("d-folder"));  // no displayname: folder name
    EXPECT_TRUE(calendars[1]->holdsTasks());                     // it holds to-dos only
    EXPECT_EQ(calendars[2]->title(), QStringLiteral("private"));
    EXPECT_EQ(calendars[2]->color(), QColor(0x11, 0x22, 0x33, 0x80));
    EXPECT_EQ(calendars[3]->title(), QStringLiteral("Work"));
    EXPECT_EQ(calendars[3]->color(), QColor(0xff, 0x80, 0x00));
    EXPECT_EQ(calendars[3]->type(), CalendarTypeLocal);
    EXPECT_FALSE(calendars[3]->holdsTasks());
    ASSERT_TRUE(store->calendarWithUID(QStringLiteral("b-folder")));
    EXPECT_FALSE(store->calendarWithUID(QStringLiteral(".hidden")));
    // Copies: changing one changes nothing in the store.
    calendars[3]->setTitle(QStringLiteral("Changed"));
    EXPECT_EQ(store->calendarWithUID(QStringLiteral("b-folder"))->title(), QStringLiteral("Work"));
}

TEST_F(StoreReading, AMissingRootIsAnEmptyStoreAndTheRootFollowsTheEnvironment) {
    EXPECT_TRUE(Store::openAt(QStringLiteral("/nonexistent/zolt-store"))->calendars().isEmpty());
    {
        testsupport::ScopedEnv root("ZOLT_STORE_DIR", QStringLiteral("/tmp/some-store/"));
        EXPECT_EQ(Store::defaultRootPath(), QStringLiteral("/tmp/some-store"));
    }
    testsupport::ScopedEnv root("ZOLT_STORE_DIR", QString());
    testsupport::ScopedEnv data("XDG_DATA_HOME", QStringLiteral("/tmp/data"));
    EXPECT_EQ(Store::defaultRootPath(), QStringLiteral("/tmp/data/zolt/calendars"));
}

TEST_F(StoreReading, EventFieldsAreRead) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"), QStringLiteral("Work"));
    dir.write(
        QStringLiteral("cal"), QStringLiteral("e.ics"),
        eventFile(
            QStringLiteral("meeting-1"),
            {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240305T100000"),
             QStringLiteral("DTEND;TZID=Europe/Berlin:20240305T113000"),
             QStringLiteral("SUMMARY:Planning\\, quarterly"), QStringLiteral("LOCATION:Room 4"),
             QStringLiteral("DESCRIPTION:Line one\\nLine two"),
             QStringLiteral("URL:https://example.com/plan"),
             QStringLiteral("LAST-MODIFIED:20240301T080000Z"),
             QStringLiteral(
                 "ATTENDEE;CN=Ann Lee;PARTSTAT=ACCEPTED;ROLE=CHAIR:mailto:ann@example.com"),
             QStringLiteral("ATTENDEE:mailto:bob@example.com"), QStringLiteral("BEGIN:VALARM"),
             QStringLiteral("ACTION:DISPLAY"), QStringLiteral("TRIGGER:-PT15M"),
             QStringLiteral("DESCRIPTION:x"), QStringLiteral("END:VALARM")}));
    const auto events = query(dir.open(), berlin(2024, 3, 1), berlin(2024, 4, 1));
    ASSERT_EQ(events.size(), 1);
    const auto& e = events[0];
    EXPECT_EQ(e->uid(), QStringLiteral("meeting-1"));
    EXPECT_EQ(e->calendar()->title(), QStringLiteral("Work"));
    EXPECT_EQ(e->title(), QStringLiteral("Planning, quarterly"));
    EXPECT_EQ(e->location(), QStringLiteral("Room 4"));
    EXPECT_EQ(e->notes(), QStringLiteral("Line one\nLine two"));
    EXPECT_EQ(e->url(), QUrl(QStringLiteral("https://example.com/plan")));
    EXPECT_EQ(e->startDate(), berlin(2024, 3, 5, 10, 0));
    EXPECT_EQ(e->endDate(), berlin(2024, 3, 5, 11, 30));
    EXPECT_EQ(e->occurrence(), e->startDate());
    EXPECT_FALSE(e->isAllDay());
    EXPECT_FALSE(e->recurrenceRule().has_value());
    EXPECT_EQ(e->dateStamp(), QDateTime(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC));
    EXPECT_TRUE(e->hasAlarm());
    ASSERT_EQ(e->attendees().size(), 2);
    EXPECT_EQ(e->attendees()[0]->commonName(), QStringLiteral("Ann Lee"));
    EXPECT_EQ(e->attendees()[0]->address(), QUrl(QStringLiteral("mailto:ann@example.com")));
    EXPECT_EQ(e->attendees()[0]->status(), AttendeeStatusAccepted);
    EXPECT_EQ(e->attendees()[0]->role(), AttendeeRoleChair);
    EXPECT_EQ(e->attendees()[1]->status(), AttendeeStatusNeedsAction);
    EXPECT_EQ(e->attendees()[1]->role(), AttendeeRoleRequired);
    // Results are copies.
    e->setTitle(QStringLiteral("Changed"));
    EXPECT_EQ(query(dir.open(), berlin(2024, 3, 1), berlin(2024, 4, 1))[0]->title(),
              QStringLiteral("Planning, quarterly"));
}

// The occurrences of a series share what their component says until one of
// them is changed: a change reaches neither the other occurrences, nor a copy,
// nor the next query of the same store.
TEST_F(StoreReading, OccurrencesShareTheirTextsUntilOneIsChanged) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"), QStringLiteral("Work"));
    dir.write(QStringLiteral("cal"), QStringLiteral("e.ics"),
              eventFile(QStringLiteral("daily-1"),
                        {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240305T100000"),
                         QStringLiteral("DTEND;TZID=Europe/Berlin:20240305T110000"),
                         QStringLiteral("RRULE:FREQ=DAILY;COUNT=3"),
                         QStringLiteral("SUMMARY:Stand-up"), QStringLiteral("LOCATION:Hall"),
                         QStringLiteral("ATTENDEE:mailto:ann@example.com")}));
    const auto store = dir.open();
    auto events = query(store, berlin(2024, 3, 1), berlin(2024, 4, 1));
    ASSERT_EQ(events.size(), 3);
    auto& first = events[0];
    const auto& second = events[1];

    calstore::Event copy = *first;
    const QDateTime readStart = first->startDate();
    const calstore::CalendarPtr readCalendar = first->calendar();
    ASSERT_TRUE(readCalendar);
    first->setTitle(QStringLiteral("Changed"));
    first->setAttendees({});
    first->setRecurrenceRule(std::nullopt);
    first->setCalendar(nullptr);
    first->setStartDate(readStart.addSecs(1800));
    EXPECT_EQ(first->title(), QStringLiteral("Changed"));
    EXPECT_EQ(first->location(), QStringLiteral("Hall"));  // the rest is kept
    EXPECT_FALSE(first->recurrenceRule().has_value());
    EXPECT_FALSE(first->calendar());
    EXPECT_EQ(first->uid(), QStringLiteral("daily-1"));
    // A moved start leaves the occurrence the rule gave it.
    EXPECT_EQ(first->occurrence(), readStart);
    EXPECT_EQ(first->startDate(), readStart.addSecs(1800));
    for (const calstore::Event* other : {second.get(), &copy}) {
        EXPECT_EQ(other->title(), QStringLiteral("Stand-up"));
        EXPECT_EQ(other->attendees().size(), 1);
        EXPECT_TRUE(other->recurrenceRule().has_value());
        EXPECT_EQ(other->calendar(), readCalendar);
        EXPECT_EQ(other->occurrence(), other->startDate());
    }
    EXPECT_EQ(copy.startDate(), readStart);
    // The copy's own change stays its own, and the changed event's second
    // change lands on its own copy.
    copy.setNotes(QStringLiteral("copy only"));
    first->setNotes(QStringLiteral("first only"));
    EXPECT_EQ(copy.notes(), QStringLiteral("copy only"));
    EXPECT_EQ(copy.title(), QStringLiteral("Stand-up"));
    EXPECT_EQ(first->notes(), QStringLiteral("first only"));
    EXPECT_TRUE(second->notes().isEmpty());
    const calstore::Event later = *first;  // shares the changed event's own texts
    first->setTitle(QStringLiteral("Again"));
    EXPECT_EQ(later.title(), QStringLiteral("Changed"));

    const auto again = query(store, berlin(2024, 3, 1), berlin(2024, 4, 1));
    ASSERT_EQ(again.size(), 3);
    for (const auto& e : again) {
        EXPECT_EQ(e->title(), QStringLiteral("Stand-up"));
        EXPECT_TRUE(e->notes().isEmpty());
        EXPECT_TRUE(e->recurrenceRule().has_value());
    }
}

// Files the store cannot use are skipped, reported by name, and never touched;
// their neighbours are read as usual.
TEST_F(StoreReading, BadAndHostileFilesAreSkippedReportedAndLeftAlone) {
    struct Case {
        const char* file;
        QByteArray data;
    };
    QByteArray nested = "BEGIN:VCALENDAR\r\n";
    for (int i = 0; i < 100000; ++i) nested += "BEGIN:X-A\r\n";
    QByteArray huge =
        calendarText(vevent(QStringLiteral("huge"), {QStringLiteral("DTSTART:20240301T100000")}));
    huge.prepend(QByteArray(9 * 1024 * 1024, 'x'));
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i) binary[i] = char((i * 7919) % 256);
    QStringList twoUids =
        vevent(QStringLiteral("one"), {QStringLiteral("DTSTART:20240301T100000")});
    twoUids << vevent(QStringLiteral("two"), {QStringLiteral("DTSTART:20240302T100000")});
    QStringList twoMasters =
        vevent(QStringLiteral("same"), {QStringLiteral("DTSTART:20240301T100000")});
    twoMasters << vevent(QStringLiteral("same"), {QStringLiteral("DTSTART:20240302T100000")});
    const std::vector<Case> cases = {
        {"garbage.ics", "this is not a calendar at all\n"},
        {"empty.ics", ""},
        {"binary.ics", binary},
        {"truncated.ics", "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:t\r\nDTSTART:2024"},
        {"nested.ics", nested},
        {"huge.ics", huge},
        {"two-uids.ics", calendarText(twoUids)},
        {"two-masters.ics", calendarText(twoMasters)},
        {"todo.ics", calendarText({QStringLiteral("BEGIN:VTODO"), QStringLiteral("UID:todo"),
                                   QStringLiteral("END:VTODO")})},
        {"journal.ics", calendarText({QStringLiteral("BEGIN:VJOURNAL"), QStringLiteral("UID:j"),
                                      QStringLiteral("END:VJOURNAL")})},
        {"no-uid.ics",
         calendarText({QStringLiteral("BEGIN:VEVENT"), QStringLiteral("DTSTART:20240301T100000"),
                       QStringLiteral("END:VEVENT")})},
        {"no-start.ics", eventFile(QStringLiteral("nostart"), {QStringLiteral("SUMMARY:When?")})},
        {"bad-start.ics",
         eventFile(QStringLiteral("badstart"), {QStringLiteral("DTSTART:tomorrow")})},
        {"bad-rule.ics",
         eventFile(QStringLiteral("badrule"), {QStringLiteral("DTSTART:20240301T100000"),
                                               QStringLiteral("RRULE:FREQ=SOMETIMES")})},
        {"zero-interval.ics",
         eventFile(QStringLiteral("zero"), {QStringLiteral("DTSTART:20240301T100000"),
                                            QStringLiteral("RRULE:FREQ=DAILY;INTERVAL=0")})},
        {"bad-exdate.ics",
         eventFile(QStringLiteral("badex"),
                   {QStringLiteral("DTSTART:20240301T100000"), QStringLiteral("RRULE:FREQ=DAILY"),
                    QStringLiteral("EXDATE:someday")})},
        {"no-event.ics", calendarText({})},
        {"zz-duplicate.ics",
         eventFile(QStringLiteral("good"), {QStringLiteral("DTSTART:20240303T100000"),
                                            QStringLiteral("SUMMARY:Second copy")})},
    };
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"));
    dir.write(QStringLiteral("cal"), QStringLiteral("good.ics"),
              eventFile(QStringLiteral("good"), {QStringLiteral("DTSTART:20240301T100000"),
                                                 QStringLiteral("SUMMARY:Fine")}));
    std::vector<QDateTime> modified;
    for (const auto& c : cases) {
        dir.write(QStringLiteral("cal"), QLatin1String(c.file), c.data);
        modified.push_back(
            QFileInfo(dir.path(QStringLiteral("cal/") + QLatin1String(c.file))).lastModified());
    }

    foundation::LogCapture log;
    const auto store = dir.open();
    const auto events = query(store, berlin(2024, 1, 1), berlin(2025, 1, 1));
    EXPECT_EQ(titlesOf(events), QStringList{QStringLiteral("Fine")});
    const QStringList skipped = store->skippedFiles();
    for (size_t i = 0; i < cases.size(); ++i) {
        const QString path = dir.path(QStringLiteral("cal/") + QLatin1String(cases[i].file));
        SCOPED_TRACE(cases[i].file);
        EXPECT_TRUE(skipped.contains(path));
        EXPECT_EQ(log.count(QStringLiteral("WARNING: calendar file ") + path +
                            QStringLiteral(" was skipped")),
                  1);
        EXPECT_EQ(dir.dir.read(QStringLiteral("cal/") + QLatin1String(cases[i].file)),
                  cases[i].data);
        EXPECT_EQ(QFileInfo(path).lastModified(), modified[i]);
    }
    EXPECT_EQ(skipped.size(), qsizetype(cases.size()));
    EXPECT_TRUE(log.contains(QStringLiteral("repeats the UID of ") +
                             dir.path(QStringLiteral("cal/good.ics"))));
}

TEST_F(StoreReading, RunawayAndImpossibleRulesEndTheirQuery) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"));
    const QStringList rules = {
        QStringLiteral("FREQ=SECONDLY"),
        QStringLiteral("FREQ=MINUTELY;BYSECOND=0,10,20,30,40,50"),
        QStringLiteral("FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30"),
        QStringLiteral("FREQ=MONTHLY;BYMONTH=2;BYMONTHDAY=31;BYSETPOS=1"),
        QStringLiteral("FREQ=DAILY;COUNT=2147483647"),
        QStringLiteral("FREQ=DAILY;UNTIL=19990101T000000Z"),
    };
    for (int i = 0; i < rules.size(); ++i)
        dir.write(
            QStringLiteral("cal"), QStringLiteral("r%1.ics").arg(i),
            eventFile(QStringLiteral("r%1").arg(i), {QStringLiteral("DTSTART:20000101T000000"),
                                                     QStringLiteral("RRULE:") + rules[i]}));
    foundation::LogCapture log;
    const auto store = dir.open();
    auto count = [&](int i, const QDateTime& from, const QDateTime& to) {
        return query(store, from, to, QStringLiteral("r%1").arg(i)).size();
    };
    // Cut at the cap (less what lies just before the span), and reported once per series.
    for (int i : {0, 1, 0}) {
        const auto n = count(i, berlin(2020, 1, 1), berlin(2021, 1, 1));
        EXPECT_LE(n, Store::kMaxOccurrencesPerQuery);
        EXPECT_GT(n, Store::kMaxOccurrencesPerQuery * 9 / 10);
    }
    EXPECT_EQ(log.count(QStringLiteral("occurrences in one query")), 2);
    EXPECT_EQ(count(2, berlin(2000, 1, 1), berlin(2100, 1, 1)), 1);  // only its start
    EXPECT_EQ(count(3, berlin(2000, 1, 1), berlin(2100, 1, 1)), 1);
    EXPECT_EQ(count(4, berlin(2024, 1, 1), berlin(2024, 1, 11)), 10);
    EXPECT_EQ(count(5, berlin(1990, 1, 1), berlin(2100, 1, 1)), 1);  // ended before it began
}

TEST_F(StoreReading, AllDayEventsEndInsideTheirLastDay) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"));
    dir.write(QStringLiteral("cal"), QStringLiteral("one.ics"),
              eventFile(QStringLiteral("one"), {QStringLiteral("DTSTART;VALUE=DATE:20240310"),
                                                QStringLiteral("DTEND;VALUE=DATE:20240311")}));
    dir.write(QStringLiteral("cal"), QStringLiteral("three.ics"),
              eventFile(QStringLiteral("three"), {QStringLiteral("DTSTART;VALUE=DATE:20240330"),
                                                  QStringLiteral("DTEND;VALUE=DATE:20240402")}));
    dir.write(QStringLiteral("cal"), QStringLiteral("noend.ics"),
              eventFile(QStringLiteral("noend"), {QStringLiteral("DTSTART;VALUE=DATE:20240315")}));
    dir.write(QStringLiteral("cal"), QStringLiteral("yearly.ics"),
              eventFile(QStringLiteral("yearly"), {QStringLiteral("DTSTART;VALUE=DATE:20000229"),
                                                   QStringLiteral("RRULE:FREQ=YEARLY")}));
    const auto store = dir.open();
    struct Case {
        const char* uid;
        QDateTime start, end;
    };
    const std::vector<Case> cases = {
        {"one", berlin(2024, 3, 10), berlin(2024, 3, 10, 23, 59, 59)},
        {"three", berlin(2024, 3, 30), berlin(2024, 4, 1, 23, 59, 59)},  // across the clock change
        {"noend", berlin(2024, 3, 15), berlin(2024, 3, 15, 23, 59, 59)},
        {"yearly", berlin(2024, 2, 29), berlin(2024, 2, 29, 23, 59, 59)},  // leap days only
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uid);
        const auto events =
            query(store, berlin(2021, 1, 1), berlin(2025, 1, 1), QLatin1String(c.uid));
        ASSERT_EQ(events.size(), 1);
        EXPECT_TRUE(events[0]->isAllDay());
        EXPECT_EQ(events[0]->startDate(), c.start);
        EXPECT_EQ(events[0]->endDate(), c.end);
        EXPECT_EQ(events[0]->occurrence(), c.start);
        // The last second of the last day belongs to it, the next midnight does not.
        EXPECT_EQ(query(store, c.end, c.end.addSecs(1), QLatin1String(c.uid)).size(), 1);
        EXPECT_EQ(query(store, c.end.addSecs(1), c.end.addDays(2), QLatin1String(c.uid)).size(), 0);
        EXPECT_EQ(query(store, c.start.addDays(-2), c.start, QLatin1String(c.uid)).size(), 0);
    }
    // Dates stay on their days when the user's zone changes.
    foundation::UserCalendar::setCurrent(
        foundation::UserCalendar(QTimeZone("America/New_York"), 1, 1));
    const auto events =
        query(store, QDateTime(QDate(2024, 3, 10), QTime(0, 0), QTimeZone("America/New_York")),
              QDateTime(QDate(2024, 3, 11), QTime(0, 0), QTimeZone("America/New_York")),
              QStringLiteral("one"));
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(inZone(events[0]->startDate(), "America/New_York"),
              QStringLiteral("2024-03-10 00:00:00"));
    EXPECT_EQ(inZone(events[0]->endDate(), "America/New_York"),
              QStringLiteral("2024-03-10 23:59:59"));
}

TEST_F(StoreReading, QueriesIncludeTheirStartAndExcludeTheirEnd) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"));
    dir.write(QStringLiteral("cal"), QStringLiteral("hour.ics"),
              eventFile(QStringLiteral("hour"),
                        {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240305T100000"),
                         QStringLiteral("DTEND;TZID=Europe/Berlin:20240305T110000")}));
    dir.write(QStringLiteral("cal"), QStringLiteral("instant.ics"),
              eventFile(QStringLiteral("instant"),
                        {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240305T100000")}));
    dir.write(QStringLiteral("cal"), QStringLiteral("long.ics"),
              eventFile(QStringLiteral("long"),
                        {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240303T220000"),
                         QStringLiteral("DTEND;TZID=Europe/Berlin:20240306T020000")}));
    const auto store = dir.open();
    struct Case {
        const char* uid;
        QDateTime from, to;
        int expected;
    };
    const std::vector<Case> cases = {
        {"hour", berlin(2024, 3, 5, 9), berlin(2024, 3, 5, 10), 0},  // ends at its start
        {"hour", berlin(2024, 3, 5, 9), berlin(2024, 3, 5, 10, 0, 1), 1},
        {"hour", berlin(2024, 3, 5, 10, 59, 59), berlin(2024, 3, 5, 12), 1},
        {"hour", berlin(2024, 3, 5, 11), berlin(2024, 3, 5, 12), 0},          // starts at its end
        {"hour", berlin(2024, 3, 5, 10, 30), berlin(2024, 3, 5, 10, 31), 1},  // inside
        {"hour", berlin(2024, 3, 5, 12), berlin(2024, 3, 5, 9), 0},           // reversed span
        {"instant", berlin(2024, 3, 5, 10), berlin(2024, 3, 5, 10, 0, 1), 1},
        {"instant", berlin(2024, 3, 5, 9), berlin(2024, 3, 5, 10), 0},
        {"long", berlin(2024, 3, 4), berlin(2024, 3, 5), 1},  // a middle day
        {"long", berlin(2024, 3, 6, 2), berlin(2024, 3, 7), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.uid) + " " + inZone(c.from).toStdString() + " - " +
                     inZone(c.to).toStdString());
        EXPECT_EQ(query(store, c.from, c.to, QLatin1String(c.uid)).size(), c.expected);
    }
}

TEST_F(StoreReading, ExclusionsExtraDatesAndChangedOccurrences) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"));
    QStringList lines =
        vevent(QStringLiteral("weekly"),
               {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240301T090000"),
                QStringLiteral("DTEND;TZID=Europe/Berlin:20240301T100000"),
                QStringLiteral("SUMMARY:Standup"), QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=6"),
                QStringLiteral("EXDATE;TZID=Europe/Berlin:20240308T090000"),
                QStringLiteral("RDATE;TZID=Europe/Berlin:20240320T150000")});
    // The third occurrence moves to Saturday afternoon, the fourth out of the month.
    lines << vevent(QStringLiteral("weekly"),
                    {QStringLiteral("RECURRENCE-ID;TZID=Europe/Berlin:20240315T090000"),
                     QStringLiteral("DTSTART;TZID=Europe/Berlin:20240316T140000"),
                     QStringLiteral("DTEND;TZID=Europe/Berlin:20240316T150000"),
                     QStringLiteral("SUMMARY:Standup moved")});
    lines << vevent(QStringLiteral("weekly"),
                    {QStringLiteral("RECURRENCE-ID:20240322T080000Z"),
                     QStringLiteral("DTSTART;TZID=Europe/Berlin:20240501T090000"),
                     QStringLiteral("DTEND;TZID=Europe/Berlin:20240501T100000"),
                     QStringLiteral("SUMMARY:Standup far away")});
    dir.write(QStringLiteral("cal"), QStringLiteral("w.ics"), calendarText(lines));
    const auto store = dir.open();
    const auto march = query(store, berlin(2024, 3, 1), berlin(2024, 4, 1));
    EXPECT_EQ(
        startsOf(march),
        (QStringList{QStringLiteral("2024-03-01 09:00"), QStringLiteral("2024-03-16 14:00"),
                     QStringLiteral("2024-03-20 15:00"), QStringLiteral("2024-03-29 09:00")}));
    EXPECT_EQ(titlesOf(march),
              (QStringList{QStringLiteral("Standup"), QStringLiteral("Standup moved"),
                           QStringLiteral("Standup"), QStringLiteral("Standup")}));
    ASSERT_EQ(march.size(), 4);
    EXPECT_TRUE(march[1]->isDetached());
    EXPECT_EQ(march[1]->occurrence(), berlin(2024, 3, 15, 9));
    EXPECT_FALSE(march[0]->isDetached());
    EXPECT_EQ(march[2]->endDate(), berlin(2024, 3, 20, 16));  // an extra date keeps the length
    for (const auto& e : march) {
        EXPECT_EQ(e->uid(), QStringLiteral("weekly"));
        EXPECT_TRUE(e->recurrenceRule().has_value());
    }
    // The occurrence moved far away is found where it is now.
    const auto may = query(store, berlin(2024, 5, 1), berlin(2024, 5, 2));
    EXPECT_EQ(titlesOf(may), QStringList{QStringLiteral("Standup far away")});
    // Looking up occurrences by the start the rule gave them.
    EXPECT_EQ(
        store->eventWithUIDOccurrence(QStringLiteral("weekly"), berlin(2024, 3, 15, 9))->title(),
        QStringLiteral("Standup moved"));
    EXPECT_EQ(store->eventWithUIDOccurrence(QStringLiteral("weekly"), berlin(2024, 3, 29, 9))
                  ->startDate(),
              berlin(2024, 3, 29, 9));
    EXPECT_FALSE(store->eventWithUIDOccurrence(QStringLiteral("weekly"), berlin(2024, 3, 8, 9)));
    EXPECT_FALSE(store->eventWithUIDOccurrence(QStringLiteral("weekly"), berlin(2024, 3, 29, 10)));
    EXPECT_EQ(store->eventWithUIDOccurrence(QStringLiteral("weekly"), QDateTime())->startDate(),
              berlin(2024, 3, 1, 9));
    EXPECT_FALSE(store->eventWithUIDOccurrence(QStringLiteral("nobody"), QDateTime()));
    // COUNT=6 counts the excluded and the moved occurrences too: 1, 8, 15, 22, 29 March, 5 April.
    EXPECT_EQ(startsOf(query(store, berlin(2024, 4, 1), berlin(2024, 4, 30))),
              QStringList{QStringLiteral("2024-04-05 09:00")});
}

TEST_F(StoreReading, TheSameUidInTwoCalendarsIsFoundInBoth) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("a"), QStringLiteral("A"));
    dir.addCalendar(QStringLiteral("b"), QStringLiteral("B"));
    const QByteArray file =
        eventFile(QStringLiteral("shared"), {QStringLiteral("DTSTART:20240301T100000")});
    dir.write(QStringLiteral("a"), QStringLiteral("s.ics"), file);
    dir.write(QStringLiteral("b"), QStringLiteral("s.ics"), file);
    dir.write(QStringLiteral("b"), QStringLiteral("o.ics"),
              eventFile(QStringLiteral("other"), {QStringLiteral("DTSTART:20240301T100000")}));
    const auto store = dir.open();
    const auto found =
        query(store, berlin(2024, 1, 1), berlin(2025, 1, 1), QStringLiteral("shared"));
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[0]->calendar()->title(), QStringLiteral("A"));
    EXPECT_EQ(found[1]->calendar()->title(), QStringLiteral("B"));
    // Only the calendars asked for are searched.
    const auto onlyB =
        store->eventsWithPredicate(Store::eventPredicateWithStartDateEndDateCalendars(
            berlin(2024, 1, 1), berlin(2025, 1, 1), {store->calendarWithUID(QStringLiteral("b"))}));
    EXPECT_EQ(onlyB.size(), 2);
    EXPECT_TRUE(store
                    ->eventsWithPredicate(Store::eventPredicateWithStartDateEndDateCalendars(
                        berlin(2024, 1, 1), berlin(2025, 1, 1), {}))
                    .isEmpty());
}

TEST_F(StoreReading, TasksAreReadFromTaskCalendars) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("todo"), QStringLiteral("Reminders"));
    dir.write(QStringLiteral("todo"), QStringLiteral("zolt-calendar.json"),
              R"({"items": "tasks"})");
    auto todo = [](const QString& uid, const QStringList& props) {
        QStringList lines{QStringLiteral("BEGIN:VTODO"), QStringLiteral("UID:") + uid};
        lines << props << QStringLiteral("END:VTODO");
        return calendarText(lines);
    };
    dir.write(QStringLiteral("todo"), QStringLiteral("a.ics"),
              todo(QStringLiteral("a"),
                   {QStringLiteral("SUMMARY:Taxes"), QStringLiteral("DUE:20240415T120000Z"),
                    QStringLiteral("PRIORITY:1")}));
    dir.write(QStringLiteral("todo"), QStringLiteral("b.ics"),
              todo(QStringLiteral("b"),
                   {QStringLiteral("SUMMARY:Done"), QStringLiteral("STATUS:COMPLETED"),
                    QStringLiteral("COMPLETED:20240301T100000Z")}));
    dir.write(QStringLiteral("todo"), QStringLiteral("c.ics"),
              todo(QStringLiteral("c"), {QStringLiteral("SUMMARY:Someday")}));
    const auto store = dir.open();
    const auto calendars = store->calendars();
    ASSERT_TRUE(calendars[0]->holdsTasks());
    EXPECT_EQ(store->tasksWithPredicate(Store::taskPredicateWithCalendars(calendars)).size(), 3);
    EXPECT_EQ(store->tasksWithPredicate(Store::taskPredicateWithUncompletedTasks(calendars)).size(),
              2);
    const auto due = store->tasksWithPredicate(
        Store::taskPredicateWithUncompletedTasksDueBeforeCalendars(berlin(2024, 5, 1), calendars));
    ASSERT_EQ(due.size(), 1);
    EXPECT_EQ(due[0]->title(), QStringLiteral("Taxes"));
    EXPECT_EQ(due[0]->priority(), 1);
    const auto done = store->tasksWithPredicate(
        Store::taskPredicateWithTasksCompletedSinceCalendars(berlin(2024, 2, 1), calendars));
    ASSERT_EQ(done.size(), 1);
    EXPECT_EQ(done[0]->completedDate(), QDateTime(QDate(2024, 3, 1), QTime(10, 0), Qt::UTC));
    EXPECT_EQ(store->taskWithUID(QStringLiteral("c"))->title(), QStringLiteral("Someday"));
    // A task calendar gives no events.
    EXPECT_TRUE(query(store, berlin(2000, 1, 1), berlin(2100, 1, 1)).isEmpty());
}

TEST_F(StoreReading, LookUpsAndExclusionsWrittenInOtherForms) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"));
    // The start itself is excluded: the first occurrence is the next one.
    dir.write(QStringLiteral("cal"), QStringLiteral("a.ics"),
              eventFile(QStringLiteral("a"),
                        {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240101T100000"),
                         QStringLiteral("RRULE:FREQ=DAILY;COUNT=5"),
                         QStringLiteral("EXDATE;TZID=Europe/Berlin:20240101T100000")}));
    // An EXDATE in UTC, one as a plain date, and an RDATE the rule gives anyway.
    dir.write(QStringLiteral("cal"), QStringLiteral("b.ics"),
              eventFile(QStringLiteral("b"),
                        {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240101T100000"),
                         QStringLiteral("RRULE:FREQ=DAILY;COUNT=5"),
                         QStringLiteral("EXDATE:20240102T090000Z"),
                         QStringLiteral("EXDATE;VALUE=DATE:20240104"),
                         QStringLiteral("RDATE;TZID=Europe/Berlin:20240105T100000")}));
    // Exclusions of an all-day series, one as a date-time.
    dir.write(QStringLiteral("cal"), QStringLiteral("c.ics"),
              eventFile(QStringLiteral("c"),
                        {QStringLiteral("DTSTART;VALUE=DATE:20240101"),
                         QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=4"),
                         QStringLiteral("EXDATE;VALUE=DATE:20240108"),
                         QStringLiteral("EXDATE;TZID=Europe/Berlin:20240115T000000")}));
    const auto store = dir.open();
    EXPECT_EQ(store->eventWithUIDOccurrence(QStringLiteral("a"), QDateTime())->startDate(),
              berlin(2024, 1, 2, 10));
    EXPECT_EQ(startsOf(query(store, berlin(2024, 1, 1), berlin(2024, 2, 1), QStringLiteral("b"))),
              (QStringList{QStringLiteral("2024-01-01 10:00"), QStringLiteral("2024-01-03 10:00"),
                           QStringLiteral("2024-01-05 10:00")}));
    EXPECT_EQ(
        startsOf(query(store, berlin(2024, 1, 1), berlin(2024, 2, 1), QStringLiteral("c"))),
        (QStringList{QStringLiteral("2024-01-01 00:00"), QStringLiteral("2024-01-22 00:00")}));
    // An all-day occurrence is found by the midnight it starts at.
    const auto c = store->eventWithUIDOccurrence(QStringLiteral("c"), berlin(2024, 1, 22));
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->isAllDay());
    EXPECT_EQ(c->endDate(), berlin(2024, 1, 22, 23, 59, 59));
}
