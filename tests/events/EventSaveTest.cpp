// Saving from the event editor: the check of the entries, the dates and the
// rule a save builds, and what the store file holds afterwards.

#include "data/MyNthWeekDay.h"
#include "events/EditorTestSupport.h"
#include "events/MyDatePicker.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/SegmentedControl.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/store/Capabilities.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"

#include <QFile>

#include <gtest/gtest.h>

using editortest::atBerlin;
using writerstest::ChangeRecorder;

namespace {

QString inBerlin(const QDateTime& date) {
    return date.toTimeZone(QTimeZone(QByteArrayLiteral("Europe/Berlin")))
        .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// -- Dates

TEST(EventSaveDates, TheRangeAndTheTimeFieldsGiveStartAndEnd) {
    ScopedUserCalendar berlin{"Europe/Berlin", 2, 4};
    const struct {
        const char* name;
        QDateTime day;
        double interval;
        bool fullday;
        QDateTime startTime, endTime;
        const char *start, *end;
    } cases[] = {
        // Nothing is widened here: the store bridge gives the event its shortest length.
        {"zero-length range", atBerlin(2024, 3, 13, 9, 5), 0, false, atBerlin(2024, 3, 13, 9, 5),
         atBerlin(2024, 3, 13, 9, 5), "2024-03-13 09:05", "2024-03-13 09:05"},
        // A late-evening event stays on its day.
        {"late evening", atBerlin(2024, 3, 13, 23, 57), 120, false, atBerlin(2024, 3, 13, 23, 57),
         atBerlin(2024, 3, 13, 23, 59), "2024-03-13 23:57", "2024-03-13 23:59"},
        {"over midnight", atBerlin(2024, 3, 13, 23, 0), 5400, false, atBerlin(2024, 3, 13, 23, 0),
         atBerlin(2024, 3, 14, 0, 30), "2024-03-13 23:00", "2024-03-14 00:30"},
        // The times are taken as picked, also an end before the start.
        {"end before start", atBerlin(2024, 3, 13, 10, 0), 0, false, atBerlin(2024, 3, 13, 10, 0),
         atBerlin(2024, 3, 13, 9, 0), "2024-03-13 10:00", "2024-03-13 09:00"},
        {"range picked backwards", atBerlin(2024, 3, 15, 9, 0), -2 * 86400.0, false,
         atBerlin(2024, 3, 15, 9, 0), atBerlin(2024, 3, 15, 11, 0), "2024-03-13 09:00",
         "2024-03-15 11:00"},
        // Full days end at the start of the day after the last.
        {"one full day",
         atBerlin(2024, 3, 13),
         0,
         true,
         {},
         {},
         "2024-03-13 00:00",
         "2024-03-14 00:00"},
        {"three full days as opened",
         atBerlin(2024, 3, 13),
         3 * 86400.0 - 2,
         true,
         {},
         {},
         "2024-03-13 00:00",
         "2024-03-16 00:00"},
        {"full day from a timed start",
         atBerlin(2024, 3, 13, 9, 5),
         86400,
         true,
         {},
         {},
         "2024-03-13 00:00",
         "2024-03-15 00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto made = EventConfigController::startEndFromRange(c.day, c.interval, c.fullday,
                                                                   c.startTime, c.endTime);
        EXPECT_EQ(inBerlin(made.start), QString::fromLatin1(c.start));
        EXPECT_EQ(inBerlin(made.end), QString::fromLatin1(c.end));
    }
}

// -- The rule

TEST(EventSaveRule, EveryKindAndPrecedence) {
    const auto nth = [](int weekday, int week) {
        return std::make_shared<MyNthWeekDay>(weekday, week);
    };
    const auto rule = [](int type, int interval = 1) {
        LocalRecurrenceRule r;
        r.rule = true;
        r.recurrenceType = type;
        r.recurrenceInterval = interval;
        return r;
    };
    struct Case {
        const char* name;
        LocalRecurrenceRule record;
        const char* text;  // none: no rule
    };
    std::vector<Case> cases;
    cases.push_back({"daily", rule(0, 2), "FREQ=DAILY;INTERVAL=2"});
    cases.push_back({"weekly", rule(1), "FREQ=WEEKLY"});
    {
        auto r = rule(1, 3);
        r.daysOfTheWeek = QList<int>{2, 4};
        cases.push_back({"weekly on days", r, "FREQ=WEEKLY;INTERVAL=3;BYDAY=MO,WE"});
    }
    cases.push_back({"monthly", rule(2), "FREQ=MONTHLY"});
    {
        auto r = rule(2);
        r.nthWeekDaysOfTheMonth = QList<MyNthWeekDayPtr>{nth(3, 2), nth(6, -1)};
        cases.push_back({"monthly on the first ordinal weekday only", r, "FREQ=MONTHLY;BYDAY=2TU"});
        r.daysOfTheMonth = QList<int>{1, 15};
        cases.push_back(
            {"monthly days win over ordinal weekdays", r, "FREQ=MONTHLY;BYMONTHDAY=1,15"});
    }
    cases.push_back({"yearly", rule(3), "FREQ=YEARLY"});
    {
        auto r = rule(3);
        r.monthsOfTheYear = QList<int>{3, 6};
        r.daysOfTheMonth = QList<int>{4};  // the yearly rule ignores days of the month
        cases.push_back({"yearly in months", r, "FREQ=YEARLY;BYMONTH=3,6"});
        r.nthWeekDaysOfTheMonth = QList<MyNthWeekDayPtr>{nth(6, -1)};
        cases.push_back(
            {"yearly ordinal weekday in months", r, "FREQ=YEARLY;BYDAY=-1FR;BYMONTH=3,6"});
        r.monthsOfTheYear.reset();
        cases.push_back({"yearly ordinal weekday alone", r, "FREQ=YEARLY;BYDAY=-1FR"});
    }
    {
        auto r = rule(0);
        r.recurrenceEnd = true;
        r.recurrenceEndOccurrenceCount = 5;
        r.recurrenceEndEndDate = MyDate::dateWithNSDate(atBerlin(2024, 6, 1, 12, 0));
        cases.push_back({"ending after a count", r, "FREQ=DAILY;COUNT=5"});
        r.recurrenceEndUsesEndDate = true;
        cases.push_back({"ending on a date", r, "FREQ=DAILY;UNTIL=20240601T100000Z"});
    }
    {
        auto r = rule(1);
        r.rule = false;
        cases.push_back({"not repeating", r, nullptr});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto made = c.record.toStoreRule();
        if (!c.text) {
            EXPECT_FALSE(made.has_value());
            continue;
        }
        ASSERT_TRUE(made.has_value());
        EXPECT_EQ(made->iCalendarText(), QString::fromLatin1(c.text));
    }
}

// -- Saving to the store

// A repeating event with all the editor does not show: an alarm, attendees
// with addresses and parameters, an unknown property, an excluded date, a
// changed occurrence and a rule the repetition pane cannot hold (the first and
// third Monday of each month).
const char* const kSeries =
    "BEGIN:VCALENDAR\r\n"
    "VERSION:2.0\r\n"
    "PRODID:-//Zolt//Tests//EN\r\n"
    "BEGIN:VEVENT\r\n"
    "UID:series\r\n"
    "DTSTAMP:20240101T000000Z\r\n"
    "SUMMARY:Review\r\n"
    "DTSTART:20240101T090000Z\r\n"
    "DTEND:20240101T100000Z\r\n"
    "RRULE:FREQ=MONTHLY;BYDAY=1MO,3MO\r\n"
    "EXDATE:20240115T090000Z\r\n"
    "ATTENDEE;CN=Ann;PARTSTAT=ACCEPTED;ROLE=CHAIR;RSVP=TRUE:mailto:ann@example.org\r\n"
    "ATTENDEE;CN=Bob;PARTSTAT=DECLINED;ROLE=OPT-PARTICIPANT:mailto:bob@example.org\r\n"
    "X-ZOLT-TEST:keep me\r\n"
    "BEGIN:VALARM\r\n"
    "ACTION:DISPLAY\r\n"
    "DESCRIPTION:Reminder\r\n"
    "TRIGGER:-PT15M\r\n"
    "END:VALARM\r\n"
    "END:VEVENT\r\n"
    "BEGIN:VEVENT\r\n"
    "UID:series\r\n"
    "DTSTAMP:20240101T000000Z\r\n"
    "RECURRENCE-ID:20240205T090000Z\r\n"
    "SUMMARY:Review moved\r\n"
    "DTSTART:20240206T090000Z\r\n"
    "DTEND:20240206T100000Z\r\n"
    "END:VEVENT\r\n"
    "END:VCALENDAR\r\n";

class EventSaveTest : public editortest::EventConfigControllerTest {
protected:
    void SetUp() override {
        EventConfigControllerTest::SetUp();
        dir.write(QStringLiteral("store/work/series.ics"), kSeries);
        writeTimed(QStringLiteral("work"), QStringLiteral("plain"),
                   QStringLiteral("20240313T080000"), QStringLiteral("20240313T090000"));
        open();
    }
    void TearDown() override {
        calstore::Capabilities::shared().restoreAll();
        EventConfigControllerTest::TearDown();
    }
    QByteArray file(const QString& uid) const {
        return dir.read(QStringLiteral("store/work/%1.ics").arg(uid));
    }
    // The file's text with its folded lines joined.
    QByteArray unfolded(const QString& uid) const { return file(uid).replace("\r\n ", ""); }
    // The occurrence of the series on the given day of 2024.
    calstore::EventPtr occurrence(int month, int day) const {
        for (const auto& e : eventsWithUID(QStringLiteral("series")))
            if (e->startDate().date() == QDate(2024, month, day)) return e;
        return nullptr;
    }
    EventConfigController* openEditor(const calstore::EventPtr& event, bool forNew = false) {
        EventConfigController* editor = editorFor(event);
        if (forNew)
            editor->showWindowForNew();
        else
            editor->showWindow();
        return editor;
    }
    static bool warningShown(EventConfigController* editor) {
        return !editor->gui_warningIcon->isHidden() && !editor->gui_warningLabel->isHidden();
    }
    ChangeRecorder changes;
};

TEST_F(EventSaveTest, ANewTitleKeepsWhatTheEditorDoesNotShow) {
    const auto march = occurrence(3, 4);
    ASSERT_NE(march, nullptr);
    EventConfigController* editor = openEditor(march);
    editor->gui_title->setStringValue(QStringLiteral("Quarterly review"));
    editor->saveButton();

    EXPECT_FALSE(editor->windowOpen());
    const QByteArray text = unfolded(QStringLiteral("series"));
    EXPECT_TRUE(text.contains("SUMMARY:Quarterly review")) << text.constData();
    for (const char* kept :
         {"DTSTART:20240101T090000Z", "DTEND:20240101T100000Z", "RRULE:FREQ=MONTHLY;BYDAY=1MO,3MO",
          "EXDATE:20240115T090000Z", "RECURRENCE-ID:20240205T090000Z", "SUMMARY:Review moved",
          "BEGIN:VALARM", "TRIGGER:-PT15M", "X-ZOLT-TEST:keep me", "mailto:ann@example.org",
          "PARTSTAT=ACCEPTED", "ROLE=CHAIR", "RSVP=TRUE", "mailto:bob@example.org",
          "PARTSTAT=DECLINED"})
        EXPECT_TRUE(text.contains(kept)) << kept << "\n" << text.constData();
    // The replaced editor left the registry; the next opening makes a fresh one.
    EXPECT_EQ(EventConfigController::registeredControllerForUID(QStringLiteral("series")), nullptr);
    made.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(EventSaveTest, AttendeesKeepTheirAddressWhileTheirNameStays) {
    EventConfigController* editor = openEditor(occurrence(3, 4));
    EXPECT_EQ(editor->gui_apAttendees->stringValue(), QStringLiteral("Ann, Bob"));
    // Bob goes, Cleo comes; the items are trimmed.
    editor->gui_apAttendees->setStringValue(QStringLiteral("  Cleo ,, Ann ,"));
    const QList<calstore::AttendeePtr> list = editor->attendeesList();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0]->commonName(), QStringLiteral("Cleo"));
    EXPECT_TRUE(list[0]->address().isEmpty());
    EXPECT_EQ(list[1]->commonName(), QStringLiteral("Ann"));
    EXPECT_EQ(list[1]->address(), QUrl(QStringLiteral("mailto:ann@example.org")));
    EXPECT_EQ(list[1]->status(), calstore::AttendeeStatusAccepted);
    EXPECT_EQ(list[1]->role(), calstore::AttendeeRoleChair);

    editor->saveButton();
    const QByteArray text = unfolded(QStringLiteral("series"));
    EXPECT_FALSE(text.contains("bob@example.org")) << text.constData();
    EXPECT_TRUE(text.contains("CN=Cleo"));
    EXPECT_TRUE(text.contains("RSVP=TRUE"));  // Ann's own line stays
    made.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(EventSaveTest, AChangedRepetitionReplacesTheRule) {
    EventConfigController* editor = openEditor(occurrence(1, 1));
    editor->gui_rpPattern->setSelectedSegment(2);  // weekly
    editor->patternSelect(editor->gui_rpPattern);
    editor->saveButton();

    const QByteArray text = unfolded(QStringLiteral("series"));
    EXPECT_FALSE(text.contains("BYDAY=1MO,3MO")) << text.constData();
    EXPECT_TRUE(text.contains("RRULE:FREQ=WEEKLY")) << text.constData();
    // The exceptions of the old repetition go with it; the rest stays.
    EXPECT_FALSE(text.contains("EXDATE"));
    EXPECT_FALSE(text.contains("RECURRENCE-ID"));
    EXPECT_TRUE(text.contains("BEGIN:VALARM"));
    EXPECT_TRUE(text.contains("X-ZOLT-TEST:keep me"));
    made.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(EventSaveTest, TimesAreSavedInOrderWithTheShortestLength) {
    const struct {
        const char* name;
        QDateTime startTime, endTime;
        const char *start, *end;
    } cases[] = {
        {"end before start", atBerlin(2024, 3, 13, 11, 0), atBerlin(2024, 3, 13, 10, 0),
         "2024-03-13 10:00", "2024-03-13 11:00"},
        {"zero length", atBerlin(2024, 3, 13, 11, 0), atBerlin(2024, 3, 13, 11, 0),
         "2024-03-13 11:00", "2024-03-13 11:05"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EventConfigController* editor = openEditor(stored(QStringLiteral("plain")));
        editor->gui_dpStartTime->setDateValue(c.startTime);
        editor->gui_dpEndTime->setDateValue(c.endTime);
        editor->saveButton();
        EXPECT_FALSE(editor->windowOpen());
        const auto saved = stored(QStringLiteral("plain"));
        ASSERT_NE(saved, nullptr);
        EXPECT_EQ(inBerlin(saved->startDate()), QString::fromLatin1(c.start));
        EXPECT_EQ(inBerlin(saved->endDate()), QString::fromLatin1(c.end));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    made.clear();
}

TEST_F(EventSaveTest, TheDataCheckWarnsOnceAndTheSecondPressSaves) {
    const QString limitation = QStringLiteral(
        "Attendees cannot be saved in this calendar store. Save again to save without them.");
    const QString malformed =
        QStringLiteral("The URL is not valid. Save again to save without it.");
    const struct {
        const char* name;
        const char* attendees;
        const char* url;
        bool storeTakesAttendees;
        QString warning;  // empty: no warning, saved at once
    } cases[] = {
        {"attendees the store cannot take", "Ann", "", false, limitation},
        {"malformed URL", "", "http://exa mple.org", true, malformed},
        {"both: the URL's warning", "Ann", "http://exa mple.org", false, malformed},
        {"empty entries", "", "", false, QString()},
        {"good entries", "Ann", "https://example.org/agenda", true, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        calstore::Capabilities::shared().restoreAll();
        if (!c.storeTakesAttendees)
            calstore::Capabilities::shared().removeOperation(
                calstore::Capabilities::ManagedEventClass, QStringLiteral("setHasAttendee:"));
        EventConfigController* editor = openEditor(stored(QStringLiteral("plain")));
        editor->gui_title->setStringValue(QString::fromLatin1(c.name));
        editor->gui_apAttendees->setStringValue(QString::fromLatin1(c.attendees));
        editor->gui_upUrl->setStringValue(QString::fromLatin1(c.url));
        const int posted = int(changes.posted().size());
        editor->saveButton();
        if (!c.warning.isEmpty()) {
            EXPECT_TRUE(editor->windowOpen());
            EXPECT_TRUE(warningShown(editor));
            EXPECT_EQ(editor->gui_warningLabel->stringValue(), c.warning);
            EXPECT_TRUE(editor->isSecondSaveTry());
            EXPECT_EQ(int(changes.posted().size()), posted);  // nothing written
            editor->saveButton();
        }
        EXPECT_FALSE(editor->windowOpen());
        const auto saved = stored(QStringLiteral("plain"));
        ASSERT_NE(saved, nullptr);
        EXPECT_EQ(saved->title(), QString::fromLatin1(c.name));
        // An unusable URL is left out; attendees the store cannot take stay as they were.
        EXPECT_EQ(saved->url().toString(), QString::fromLatin1(c.url).contains(QLatin1Char(' '))
                                               ? QString()
                                               : QString::fromLatin1(c.url));
        EXPECT_EQ(saved->attendees().size(),
                  c.storeTakesAttendees ? QString::fromLatin1(c.attendees).isEmpty() ? 0 : 1 : 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    made.clear();
}

// The store refuses the write: nothing changes on disk, the editor stays open
// with its warning, and a new event is still removed when it closes unsaved.
class FailedSaveTest : public EventSaveTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FailedSaveTest, LeavesTheFileAndTheEditorOpen) {
    const bool forNew = GetParam();
    const QByteArray before = file(QStringLiteral("plain"));
    EventConfigController* editor = openEditor(stored(QStringLiteral("plain")), forNew);
    editor->gui_title->setStringValue(QStringLiteral("Not written"));
    foundation::testhooks::interruptNextAtomicWrite();
    editor->saveButton();

    EXPECT_EQ(file(QStringLiteral("plain")), before);
    EXPECT_TRUE(editor->windowOpen());
    EXPECT_TRUE(warningShown(editor));
    EXPECT_EQ(editor->gui_warningLabel->stringValue(),
              QStringLiteral("The event could not be saved."));
    EXPECT_EQ(editor->isEventNew(), forNew);
    EXPECT_TRUE(changes.posted().empty());

    editor->closeWindow();
    EXPECT_EQ(QFile::exists(dir.file(QStringLiteral("store/work/plain.ics"))), !forNew);
}

INSTANTIATE_TEST_SUITE_P(Editor, FailedSaveTest, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "NewEvent" : "StoredEvent");
});

}  // namespace
