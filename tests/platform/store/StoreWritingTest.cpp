// The store's writes, run like a storage conformance suite: each case starts
// from a fresh store folder and checks what the disk and a store opened anew
// say afterwards.
#include "StoreTestSupport.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Log.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace calstore;
using namespace storetest;

namespace {

QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int sec = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, sec), QTimeZone("Europe/Berlin"));
}

// Two calendars, two events in the first.
struct Sample {
    Sample() {
        dir.addCalendar(QStringLiteral("home"), QStringLiteral("Home"));
        dir.addCalendar(QStringLiteral("work"), QStringLiteral("Work"));
        dir.write(QStringLiteral("home"), QStringLiteral("a.ics"),
                  eventFile(QStringLiteral("a"),
                            {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240305T100000"),
                             QStringLiteral("DTEND;TZID=Europe/Berlin:20240305T110000"),
                             QStringLiteral("SUMMARY:Dentist")}));
        dir.write(QStringLiteral("home"), QStringLiteral("b.ics"),
                  eventFile(QStringLiteral("b"),
                            {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240306T100000"),
                             QStringLiteral("DTEND;TZID=Europe/Berlin:20240306T110000"),
                             QStringLiteral("SUMMARY:Haircut")}));
        store = dir.open();
    }

    EventPtr event(const QString& uid) const {
        return store->eventWithUIDOccurrence(uid, QDateTime());
    }
    EventPtr newEvent(const QString& calendar, const QString& title, const QDateTime& start,
                      const QDateTime& end) const {
        auto e = Event::event();
        e->setCalendar(store->calendarWithUID(calendar));
        e->setTitle(title);
        e->setStartDate(start);
        e->setEndDate(end);
        return e;
    }
    static QList<EventPtr> all(const StorePtr& s) {
        return query(s, at(2000, 1, 1), at(2100, 1, 1));
    }

    foundation::LogCapture log;
    StoreDir dir;
    StorePtr store;
};

class StoreWriting : public BerlinTest {};

}  // namespace

TEST_F(StoreWriting, ConformanceCases) {
    struct Case {
        const char* name;
        std::function<void(Sample&)> run;
    };
    const std::vector<Case> cases = {
        {"a new event gets a file of its own and a fresh UID",
         [](Sample& t) {
             auto e = t.newEvent(QStringLiteral("work"), QStringLiteral("Kick-off"),
                                 at(2024, 4, 2, 9), at(2024, 4, 2, 10));
             const QString uid = e->uid();
             QString error;
             ASSERT_TRUE(t.store->saveEvent(e, Span::ThisEvent, &error)) << error.toStdString();
             EXPECT_FALSE(uid.isEmpty());
             EXPECT_EQ(e->uid(), uid);
             EXPECT_EQ(e->calendar()->uid(), QStringLiteral("work"));
             const QByteArray text = t.dir.textOf(QStringLiteral("work"), uid);
             EXPECT_TRUE(text.contains("DTSTART;TZID=Europe/Berlin:20240402T090000\r\n"));
             EXPECT_TRUE(text.contains("BEGIN:VTIMEZONE"));
             const auto again = t.dir.open()->eventWithUIDOccurrence(uid, QDateTime());
             ASSERT_TRUE(again);
             EXPECT_EQ(again->title(), QStringLiteral("Kick-off"));
             EXPECT_EQ(again->startDate(), at(2024, 4, 2, 9));
             EXPECT_EQ(again->endDate(), at(2024, 4, 2, 10));
             EXPECT_NE(Event::event()->uid(), uid);
         }},
        {"creating over an existing UID fails and changes nothing",
         [](Sample& t) {
             const QByteArray before = t.dir.dir.read(QStringLiteral("home/a.ics"));
             auto twin = t.newEvent(QStringLiteral("home"), QStringLiteral("Twin"),
                                    at(2024, 4, 2, 9), at(2024, 4, 2, 10));
             // A second new event object with the same UID.
             const auto fresh = std::make_shared<Event>(*twin);
             QString error;
             // Saving the same object twice updates it the second time.
             ASSERT_TRUE(t.store->saveEvent(twin, Span::ThisEvent, &error));
             ASSERT_TRUE(t.store->saveEvent(twin, Span::ThisEvent, &error));
             EXPECT_FALSE(t.store->saveEvent(fresh, Span::ThisEvent, &error));
             EXPECT_TRUE(error.contains(QStringLiteral("already in the calendar")))
                 << error.toStdString();
             EXPECT_EQ(t.dir.dir.read(QStringLiteral("home/a.ics")), before);
             EXPECT_EQ(t.all(t.dir.open()).size(), 3);
         }},
        {"updating and removing an event that is gone fail",
         [](Sample& t) {
             auto a = t.event(QStringLiteral("a"));
             auto stale = std::make_shared<Event>(*a);
             QString error;
             ASSERT_TRUE(t.store->removeEvent(a, Span::AllEvents, &error));
             EXPECT_FALSE(QFileInfo::exists(t.dir.path(QStringLiteral("home/a.ics"))));
             stale->setTitle(QStringLiteral("Back again?"));
             EXPECT_FALSE(t.store->saveEvent(stale, Span::AllEvents, &error));
             EXPECT_TRUE(error.contains(QStringLiteral("no longer in the store")));
             EXPECT_FALSE(t.store->removeEvent(stale, Span::AllEvents, &error));
             EXPECT_FALSE(t.store->removeEvent(Event::event(), Span::AllEvents, &error));
             EXPECT_FALSE(QFileInfo::exists(t.dir.path(QStringLiteral("home/a.ics"))));
             EXPECT_EQ(titlesOf(t.all(t.dir.open())), QStringList{QStringLiteral("Haircut")});
             EXPECT_TRUE(t.log.contains(QStringLiteral("ERROR: Could not save the event")));
         }},
        {"a file changed on disk since it was read is not overwritten",
         [](Sample& t) {
             auto a = t.event(QStringLiteral("a"));
             const QByteArray theirs = eventFile(
                 QStringLiteral("a"), {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240305T120000"),
                                       QStringLiteral("SUMMARY:Dentist (moved by the sync tool)")});
             t.dir.write(QStringLiteral("home"), QStringLiteral("a.ics"), theirs);
             a->setTitle(QStringLiteral("Mine"));
             QString error;
             EXPECT_FALSE(t.store->saveEvent(a, Span::AllEvents, &error));
             EXPECT_TRUE(error.contains(QStringLiteral("changed by another program")))
                 << error.toStdString();
             EXPECT_FALSE(t.store->removeEvent(a, Span::AllEvents, &error));
             EXPECT_EQ(t.dir.dir.read(QStringLiteral("home/a.ics")), theirs);
             // Once the store has read it again, the change goes on top of theirs.
             t.store->rescan();
             auto fresh = t.event(QStringLiteral("a"));
             fresh->setNotes(QStringLiteral("Bring the card"));
             ASSERT_TRUE(t.store->saveEvent(fresh, Span::AllEvents, &error));
             const auto again = t.dir.open()->eventWithUIDOccurrence(QStringLiteral("a"), {});
             EXPECT_EQ(again->title(), QStringLiteral("Dentist (moved by the sync tool)"));
             EXPECT_EQ(again->notes(), QStringLiteral("Bring the card"));
         }},
        {"an update leaves the other events' files untouched",
         [](Sample& t) {
             const QString b = t.dir.path(QStringLiteral("home/b.ics"));
             const QByteArray before = t.dir.dir.read(QStringLiteral("home/b.ics"));
             const auto modified = QFileInfo(b).lastModified();
             auto a = t.event(QStringLiteral("a"));
             a->setTitle(QStringLiteral("Dentist, again"));
             ASSERT_TRUE(t.store->saveEvent(a, Span::AllEvents, nullptr));
             EXPECT_EQ(t.dir.dir.read(QStringLiteral("home/b.ics")), before);
             EXPECT_EQ(QFileInfo(b).lastModified(), modified);
             EXPECT_EQ(t.dir.files(QStringLiteral("home")),
                       (QStringList{QStringLiteral("a.ics"), QStringLiteral("b.ics"),
                                    QStringLiteral("displayname")}));
             EXPECT_EQ(titlesOf(t.all(t.dir.open())),
                       (QStringList{QStringLiteral("Dentist, again"), QStringLiteral("Haircut")}));
         }},
        {"UIDs differing only in case are different events",
         [](Sample& t) {
             // Written by another program; one changed through the store.
             t.dir.write(
                 QStringLiteral("work"), QStringLiteral("x1.ics"),
                 eventFile(QStringLiteral("Case-UID"), {QStringLiteral("DTSTART:20240501T090000"),
                                                        QStringLiteral("SUMMARY:upper")}));
             t.dir.write(
                 QStringLiteral("work"), QStringLiteral("x2.ics"),
                 eventFile(QStringLiteral("case-uid"), {QStringLiteral("DTSTART:20240501T090000"),
                                                        QStringLiteral("SUMMARY:lower")}));
             t.store->rescan();
             auto upper = t.event(QStringLiteral("Case-UID"));
             ASSERT_TRUE(upper);
             upper->setTitle(QStringLiteral("UPPER"));
             ASSERT_TRUE(t.store->saveEvent(upper, Span::AllEvents, nullptr));
             const auto s = t.dir.open();
             EXPECT_EQ(s->eventWithUIDOccurrence(QStringLiteral("Case-UID"), {})->title(),
                       QStringLiteral("UPPER"));
             EXPECT_EQ(s->eventWithUIDOccurrence(QStringLiteral("case-uid"), {})->title(),
                       QStringLiteral("lower"));
         }},
        {"UIDs with slashes and other special characters are kept and filed safely",
         [](Sample& t) {
             const QStringList uids = {QStringLiteral("a/b/../c"), QStringLiteral(".hidden"),
                                       QStringLiteral("Ümlaut; comma, colon:x"),
                                       QStringLiteral("back\\slash"),
                                       QString(300, QLatin1Char('x'))};
             for (const QString& uid : uids) {
                 SCOPED_TRACE(uid.toStdString());
                 const QByteArray text =
                     calendarText(vevent(QString(uid)
                                             .replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
                                             .replace(QLatin1Char(';'), QStringLiteral("\\;"))
                                             .replace(QLatin1Char(','), QStringLiteral("\\,")),
                                         {QStringLiteral("DTSTART:20240501T090000"),
                                          QStringLiteral("SUMMARY:special")}));
                 t.dir.write(QStringLiteral("work"), QStringLiteral("special.ics"), text);
                 t.store->rescan();
                 auto stored = t.event(uid);
                 ASSERT_TRUE(stored);
                 // Moving it makes the store name a file after the UID.
                 stored->setCalendar(t.store->calendarWithUID(QStringLiteral("home")));
                 QString error;
                 ASSERT_TRUE(t.store->saveEvent(stored, Span::AllEvents, &error))
                     << error.toStdString();
                 QStringList names = t.dir.files(QStringLiteral("home"));
                 names.removeAll(QStringLiteral("displayname"));
                 names.removeAll(QStringLiteral("a.ics"));
                 names.removeAll(QStringLiteral("b.ics"));
                 ASSERT_EQ(names.size(), 1);
                 EXPECT_FALSE(names[0].contains(QLatin1Char('/')));
                 EXPECT_FALSE(names[0].startsWith(QLatin1Char('.')));
                 EXPECT_LE(names[0].size(), 200);
                 EXPECT_EQ(t.dir.open()->eventWithUIDOccurrence(uid, {})->uid(), uid);
                 ASSERT_TRUE(t.store->removeEvent(stored, Span::AllEvents, &error));
             }
         }},
        {"temporary and backup files in the folders are neither read nor touched",
         [](Sample& t) {
             const QByteArray other =
                 eventFile(QStringLiteral("ghost"), {QStringLiteral("DTSTART:20240501T090000")});
             const QStringList junk = {QStringLiteral(".a.ics.tmp-Xy12ab"),
                                       QStringLiteral("a.ics~"), QStringLiteral("a.ics.bak"),
                                       QStringLiteral(".#a.ics"), QStringLiteral("a.ics.swp")};
             for (const QString& name : junk) t.dir.write(QStringLiteral("home"), name, other);
             t.store->rescan();
             auto a = t.event(QStringLiteral("a"));
             a->setTitle(QStringLiteral("Changed"));
             ASSERT_TRUE(t.store->saveEvent(a, Span::AllEvents, nullptr));
             const auto s = t.dir.open();
             EXPECT_FALSE(s->eventWithUIDOccurrence(QStringLiteral("ghost"), {}));
             for (const QString& name : junk)
                 EXPECT_EQ(t.dir.dir.read(QStringLiteral("home/") + name), other);
             EXPECT_TRUE(s->skippedFiles().isEmpty());
         }},
        {"calendar attributes round-trip and unknown keys stay",
         [](Sample& t) {
             t.dir.write(QStringLiteral("work"), QStringLiteral("zolt-calendar.json"),
                         R"({"type": "local", "x-sync-token": "abc"})");
             t.store->rescan();
             auto work = t.store->calendarWithUID(QStringLiteral("work"));
             work->setTitle(QStringLiteral("Office"));
             work->setColor(QColor(0x12, 0x34, 0x56, 0x78));
             work->setNotes(QStringLiteral("Shared, with \"quotes\""));
             work->setOrder(3);
             QString error;
             ASSERT_TRUE(t.store->saveCalendar(work, &error)) << error.toStdString();
             auto fresh = Calendar::calendar();
             fresh->setTitle(QStringLiteral("Errands"));
             fresh->setHoldsTasks(true);
             ASSERT_TRUE(t.store->saveCalendar(fresh, &error)) << error.toStdString();
             const auto s = t.dir.open();
             const auto again = s->calendarWithUID(QStringLiteral("work"));
             EXPECT_EQ(again->title(), QStringLiteral("Office"));
             EXPECT_EQ(again->color(), QColor(0x12, 0x34, 0x56, 0x78));
             EXPECT_EQ(again->notes(), QStringLiteral("Shared, with \"quotes\""));
             EXPECT_EQ(again->order(), 3);
             const auto json =
                 QJsonDocument::fromJson(t.dir.dir.read(QStringLiteral("work/zolt-calendar.json")));
             EXPECT_EQ(json.object().value(QStringLiteral("x-sync-token")).toString(),
                       QStringLiteral("abc"));
             const auto errands = s->calendarWithUID(fresh->uid());
             ASSERT_TRUE(errands);
             EXPECT_EQ(errands->title(), QStringLiteral("Errands"));
             EXPECT_TRUE(errands->holdsTasks());
             EXPECT_EQ(t.store->calendars().size(), 3);
             // Removing a calendar removes its files; strangers in its folder are kept aside.
             t.dir.write(QStringLiteral("work"), QStringLiteral("notes.txt"), "keep me");
             ASSERT_TRUE(t.store->removeCalendar(again, &error)) << error.toStdString();
             EXPECT_FALSE(t.store->calendarWithUID(QStringLiteral("work")));
             EXPECT_FALSE(QFileInfo::exists(t.dir.path(QStringLiteral("work"))));
             bool kept = false;
             for (const QString& name : QDir(t.dir.dir.path()).entryList(QDir::Dirs | QDir::Hidden))
                 if (name.startsWith(QStringLiteral(".removed-work")))
                     kept = QFileInfo::exists(t.dir.dir.path() + QLatin1Char('/') + name +
                                              QStringLiteral("/notes.txt"));
             EXPECT_TRUE(kept);
             EXPECT_FALSE(t.dir.open()->calendarWithUID(QStringLiteral("work")));
         }},
        {"a write interrupted before the rename leaves the old file",
         [](Sample& t) {
             const QByteArray before = t.dir.dir.read(QStringLiteral("home/a.ics"));
             auto a = t.event(QStringLiteral("a"));
             a->setTitle(QStringLiteral("Never written"));
             foundation::testhooks::interruptNextAtomicWrite();
             QString error;
             EXPECT_FALSE(t.store->saveEvent(a, Span::AllEvents, &error));
             EXPECT_EQ(t.dir.dir.read(QStringLiteral("home/a.ics")), before);
             EXPECT_EQ(t.event(QStringLiteral("a"))->title(), QStringLiteral("Dentist"));
             EXPECT_EQ(t.dir.open()->eventWithUIDOccurrence(QStringLiteral("a"), {})->title(),
                       QStringLiteral("Dentist"));
             // The store goes on working.
             ASSERT_TRUE(t.store->saveEvent(a, Span::AllEvents, &error)) << error.toStdString();
             EXPECT_EQ(t.dir.open()->eventWithUIDOccurrence(QStringLiteral("a"), {})->title(),
                       QStringLiteral("Never written"));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Sample sample;
        c.run(sample);
        if (HasFatalFailure()) return;
    }
}

TEST_F(StoreWriting, WhatTheModelDoesNotHoldSurvivesASave) {
    Sample t;
    const QStringList lines = {
        QStringLiteral("DTSTART;TZID=Europe/Berlin:20240301T090000"),
        QStringLiteral("DTEND;TZID=Europe/Berlin:20240301T100000"),
        QStringLiteral("SUMMARY;LANGUAGE=de:Besprechung"),
        QStringLiteral("RRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1"),
        QStringLiteral("CATEGORIES:Work,Planning"),
        QStringLiteral("X-VENDOR-THING;X-PARAM=\"a:b\":opaque \\, value"),
        QStringLiteral("ATTENDEE;CN=Ann;RSVP=TRUE;CUTYPE=INDIVIDUAL;PARTSTAT=ACCEPTED:mailto:"
                       "ann@example.com"),
        QStringLiteral("DESCRIPTION:A long description that is certainly longer than seventy-"),
        QStringLiteral(" five octets and therefore folded over two lines"),
        QStringLiteral("BEGIN:VALARM"),
        QStringLiteral("ACTION:DISPLAY"),
        QStringLiteral("TRIGGER:-PT10M"),
        QStringLiteral("DESCRIPTION:Reminder"),
        QStringLiteral("END:VALARM")};
    QStringList file = vevent(QStringLiteral("keep"), lines);
    file.prepend(QStringLiteral("X-WR-CALNAME:Theirs"));
    t.dir.write(QStringLiteral("work"), QStringLiteral("keep.ics"), calendarText(file));
    t.store->rescan();
    auto e = t.store->eventWithUIDOccurrence(QStringLiteral("keep"), {});
    ASSERT_TRUE(e);
    ASSERT_TRUE(e->recurrenceRule());
    EXPECT_FALSE(e->recurrenceRule()->isRepresentable());
    e->setLocation(QStringLiteral("Room 1"));
    // A copy of the attendee with a new status: its other parameters stay.
    e->setAttendees({std::make_shared<Attendee>(QUrl(QStringLiteral("mailto:ann@example.com")),
                                                QStringLiteral("Ann"), AttendeeStatusDeclined,
                                                AttendeeRoleRequired)});
    QString error;
    ASSERT_TRUE(t.store->saveEvent(e, Span::AllEvents, &error)) << error.toStdString();
    const QByteArray text = t.dir.dir.read(QStringLiteral("work/keep.ics"));
    for (const char* kept :
         {"X-WR-CALNAME:Theirs\r\n", "SUMMARY;LANGUAGE=de:Besprechung\r\n",
          "RRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1\r\n", "CATEGORIES:Work,Planning\r\n",
          "X-VENDOR-THING;X-PARAM=\"a:b\":opaque \\, value\r\n",
          "DESCRIPTION:A long description that is certainly longer than seventy-\r\n five octets",
          "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT10M\r\n", "LOCATION:Room 1\r\n",
          "RSVP=TRUE", "CUTYPE=INDIVIDUAL", "PARTSTAT=DECLINED", "LAST-MODIFIED:"})
        EXPECT_TRUE(text.contains(kept)) << kept << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains("PARTSTAT=ACCEPTED"));
    const auto again = t.dir.open()->eventWithUIDOccurrence(QStringLiteral("keep"), {});
    EXPECT_TRUE(again->hasAlarm());
    EXPECT_EQ(again->location(), QStringLiteral("Room 1"));
    EXPECT_EQ(again->attendees().size(), 1);
    EXPECT_EQ(again->attendees()[0]->status(), AttendeeStatusDeclined);
}

TEST_F(StoreWriting, AllDayEventsAreWrittenAsWholeDays) {
    Sample t;
    struct Case {
        const char* name;
        QDateTime start, end;
        const char* dtstart;
        const char* dtend;
        QDateTime storedEnd;
    };
    const std::vector<Case> cases = {
        {"one day", berlin(2024, 3, 10), berlin(2024, 3, 10, 23, 59, 59), "20240310", "20240311",
         berlin(2024, 3, 10, 23, 59, 59)},
        {"times inside the days", berlin(2024, 3, 30, 14), berlin(2024, 4, 1, 9), "20240330",
         "20240402", berlin(2024, 4, 1, 23, 59, 59)},
        {"ending at midnight", berlin(2024, 3, 10), berlin(2024, 3, 12), "20240310", "20240312",
         berlin(2024, 3, 11, 23, 59, 59)},
        {"no length", berlin(2024, 3, 10, 8), berlin(2024, 3, 10, 8), "20240310", "20240311",
         berlin(2024, 3, 10, 23, 59, 59)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto e = t.newEvent(QStringLiteral("home"), QLatin1String(c.name), c.start, c.end);
        e->setIsAllDay(true);
        QString error;
        ASSERT_TRUE(t.store->saveEvent(e, Span::ThisEvent, &error)) << error.toStdString();
        const QByteArray text = t.dir.textOf(QStringLiteral("home"), e->uid());
        EXPECT_TRUE(text.contains(QByteArray("DTSTART;VALUE=DATE:") + c.dtstart + "\r\n"));
        EXPECT_TRUE(text.contains(QByteArray("DTEND;VALUE=DATE:") + c.dtend + "\r\n"));
        EXPECT_EQ(e->startDate(), c.start.date().startOfDay(QTimeZone("Europe/Berlin")));
        EXPECT_EQ(e->endDate(), c.storedEnd);
        const auto again = t.dir.open()->eventWithUIDOccurrence(e->uid(), {});
        EXPECT_TRUE(again->isAllDay());
        EXPECT_EQ(again->endDate(), c.storedEnd);
    }
}

TEST_F(StoreWriting, EventsMoveBetweenCalendars) {
    Sample t;
    auto a = t.event(QStringLiteral("a"));
    a->setCalendar(t.store->calendarWithUID(QStringLiteral("work")));
    QString error;
    ASSERT_TRUE(t.store->saveEvent(a, Span::AllEvents, &error)) << error.toStdString();
    EXPECT_EQ(a->calendar()->uid(), QStringLiteral("work"));
    EXPECT_FALSE(QFileInfo::exists(t.dir.path(QStringLiteral("home/a.ics"))));
    EXPECT_FALSE(t.dir.textOf(QStringLiteral("work"), QStringLiteral("a")).isEmpty());
    const auto s = t.dir.open();
    const auto moved = s->eventWithUIDOccurrence(QStringLiteral("a"), {});
    EXPECT_EQ(moved->calendar()->uid(), QStringLiteral("work"));
    EXPECT_EQ(moved->title(), QStringLiteral("Dentist"));
    // Not into a calendar that has that UID already.
    t.dir.write(QStringLiteral("home"), QStringLiteral("a2.ics"),
                eventFile(QStringLiteral("a"), {QStringLiteral("DTSTART:20240301T100000")}));
    t.store->rescan();
    a->setCalendar(t.store->calendarWithUID(QStringLiteral("home")));
    EXPECT_FALSE(t.store->saveEvent(a, Span::AllEvents, &error));
    EXPECT_FALSE(t.dir.textOf(QStringLiteral("work"), QStringLiteral("a")).isEmpty());
    // Nor into a calendar of tasks, or one that is not in the t.store.
    auto list = Calendar::calendar();
    list->setHoldsTasks(true);
    ASSERT_TRUE(t.store->saveCalendar(list, &error));
    a->setCalendar(t.store->calendarWithUID(list->uid()));
    EXPECT_FALSE(t.store->saveEvent(a, Span::AllEvents, &error));
    a->setCalendar(Calendar::calendar());
    EXPECT_FALSE(t.store->saveEvent(a, Span::AllEvents, &error));
}

TEST_F(StoreWriting, TasksAreSavedAndRemoved) {
    Sample t;
    auto list = Calendar::calendar();
    list->setTitle(QStringLiteral("Reminders"));
    list->setHoldsTasks(true);
    QString error;
    ASSERT_TRUE(t.store->saveCalendar(list, &error)) << error.toStdString();
    auto task = Task::task();
    task->setCalendar(list);
    task->setTitle(QStringLiteral("Taxes"));
    task->setDueDate(berlin(2024, 4, 15, 12));
    task->setPriority(1);
    ASSERT_TRUE(t.store->saveTask(task, &error)) << error.toStdString();
    auto stored = t.dir.open()->taskWithUID(task->uid());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->title(), QStringLiteral("Taxes"));
    EXPECT_EQ(stored->dueDate(), berlin(2024, 4, 15, 12));
    EXPECT_EQ(stored->priority(), 1);
    EXPECT_FALSE(stored->isCompleted());
    task->setCompletedDate(berlin(2024, 4, 1, 8));
    ASSERT_TRUE(t.store->saveTask(task, &error)) << error.toStdString();
    EXPECT_TRUE(t.dir.open()->taskWithUID(task->uid())->isCompleted());
    ASSERT_TRUE(t.store->removeTask(task, &error));
    EXPECT_FALSE(t.dir.open()->taskWithUID(task->uid()));
    EXPECT_FALSE(t.store->removeTask(task, &error));
}

TEST_F(StoreWriting, LongTextIsFoldedWithoutSplittingCharacters) {
    Sample t;
    QString title;
    for (int i = 0; i < 40; ++i) title += QStringLiteral("Grüße, ");
    title += QStringLiteral("🙂; done\nsecond line");
    auto e = t.newEvent(QStringLiteral("home"), title, at(2024, 4, 2, 9), at(2024, 4, 2, 10));
    QString error;
    ASSERT_TRUE(t.store->saveEvent(e, Span::AllEvents, &error)) << error.toStdString();
    const QByteArray text = t.dir.textOf(QStringLiteral("home"), e->uid());
    for (const QByteArray& line : text.split('\n')) {
        EXPECT_LE(line.size(), 76) << line.toStdString();  // 75 octets and the CR
        EXPECT_TRUE(QString::fromUtf8(line).toUtf8() == line) << "a character was split";
    }
    EXPECT_EQ(t.dir.open()->eventWithUIDOccurrence(e->uid(), {})->title(), title);
}

TEST_F(StoreWriting, ARepeatingSeriesBecomesAllDayAndBack) {
    Sample t;
    t.dir.write(QStringLiteral("home"), QStringLiteral("r.ics"),
                eventFile(QStringLiteral("r"),
                          {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240304T090000"),
                           QStringLiteral("DTEND;TZID=Europe/Berlin:20240304T100000"),
                           QStringLiteral("RRULE:FREQ=DAILY;COUNT=4"),
                           QStringLiteral("EXDATE;TZID=Europe/Berlin:20240305T090000")}));
    t.store->rescan();
    auto e = t.store->eventWithUIDOccurrence(QStringLiteral("r"), at(2024, 3, 6, 9));
    ASSERT_TRUE(e);
    e->setIsAllDay(true);
    QString error;
    ASSERT_TRUE(t.store->saveEvent(e, Span::AllEvents, &error)) << error.toStdString();
    const QByteArray text = t.dir.textOf(QStringLiteral("home"), QStringLiteral("r"));
    EXPECT_TRUE(text.contains("DTSTART;VALUE=DATE:20240304\r\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("EXDATE;VALUE=DATE:20240305\r\n")) << text.toStdString();
    auto days = query(t.dir.open(), at(2024, 3, 1), at(2024, 4, 1), QStringLiteral("r"));
    QStringList starts;
    for (const auto& d : days) starts << inZone(d->startDate()).left(16);
    EXPECT_EQ(starts,
              (QStringList{QStringLiteral("2024-03-04 00:00"), QStringLiteral("2024-03-06 00:00"),
                           QStringLiteral("2024-03-07 00:00")}));
    // Back to 8:00 on the same days, in the user's zone.
    e = t.store->eventWithUIDOccurrence(QStringLiteral("r"), at(2024, 3, 6));
    ASSERT_TRUE(e);
    e->setIsAllDay(false);
    e->setStartDate(at(2024, 3, 6, 8));
    e->setEndDate(at(2024, 3, 6, 9));
    ASSERT_TRUE(t.store->saveEvent(e, Span::AllEvents, &error)) << error.toStdString();
    days = query(t.dir.open(), at(2024, 3, 1), at(2024, 4, 1), QStringLiteral("r"));
    starts.clear();
    for (const auto& d : days) starts << inZone(d->startDate()).left(16);
    EXPECT_EQ(starts,
              (QStringList{QStringLiteral("2024-03-04 08:00"), QStringLiteral("2024-03-06 08:00"),
                           QStringLiteral("2024-03-07 08:00")}));
    EXPECT_TRUE(t.dir.textOf(QStringLiteral("home"), QStringLiteral("r"))
                    .contains("DTSTART;TZID=Europe/Berlin:20240304T080000\r\n"));
}

TEST_F(StoreWriting, SavesFromSeveralThreadsWhileOthersRead) {
    Sample t;
    std::atomic<int> failures{0};
    std::atomic<bool> done{false};
    std::vector<std::thread> threads;
    for (int w = 0; w < 4; ++w) {
        threads.emplace_back([&, w] {
            for (int i = 0; i < 15; ++i) {
                auto e = t.newEvent(w % 2 ? QStringLiteral("home") : QStringLiteral("work"),
                                    QStringLiteral("w%1-%2").arg(w).arg(i),
                                    at(2024, 6, 1 + i, 8 + w), at(2024, 6, 1 + i, 9 + w));
                if (!t.store->saveEvent(e, Span::AllEvents)) ++failures;
                e->setNotes(QStringLiteral("again"));
                if (!t.store->saveEvent(e, Span::AllEvents)) ++failures;
            }
        });
    }
    std::thread reader([&] {
        while (!done) {
            const auto n = Sample::all(t.store).size();
            if (n < 2 || n > 62) ++failures;
        }
    });
    for (auto& th : threads) th.join();
    done = true;
    reader.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(Sample::all(t.store).size(), 62);
    EXPECT_EQ(Sample::all(t.dir.open()).size(), 62);
}

TEST_F(StoreWriting, ReadOnlyCalendarsRefuseEveryWriteAndKeepTheirFiles) {
    Sample t;
    // "home" becomes a subscription; "work" stays an ordinary calendar.
    t.dir.write(QStringLiteral("home"), QStringLiteral("zolt-calendar.json"),
                R"({"type": "subscription"})");
    t.store->rescan();
    ASSERT_TRUE(t.store->calendarWithUID(QStringLiteral("home"))->isReadOnly());
    EXPECT_FALSE(t.store->calendarWithUID(QStringLiteral("work"))->isReadOnly());
    const QByteArray before = t.dir.textOf(QStringLiteral("home"), QStringLiteral("a"));
    const QStringList filesBefore = t.dir.files(QStringLiteral("home"));

    struct Case {
        const char* what;
        std::function<bool(QString*)> write;
    };
    const std::vector<Case> cases = {
        {"change an event in it",
         [&](QString* e) {
             auto a = t.event(QStringLiteral("a"));
             a->setTitle(QStringLiteral("Changed"));
             return t.store->saveEvent(a, Span::AllEvents, e);
         }},
        {"add an event to it",
         [&](QString* e) {
             return t.store->saveEvent(t.newEvent(QStringLiteral("home"), QStringLiteral("New"),
                                                  at(2024, 3, 7, 9), at(2024, 3, 7, 10)),
                                       Span::ThisEvent, e);
         }},
        {"remove an event from it",
         [&](QString* e) {
             return t.store->removeEvent(t.event(QStringLiteral("a")), Span::AllEvents, e);
         }},
        {"move an event out of it",
         [&](QString* e) {
             auto a = t.event(QStringLiteral("a"));
             a->setCalendar(t.store->calendarWithUID(QStringLiteral("work")));
             return t.store->saveEvent(a, Span::AllEvents, e);
         }},
        {"move an event into it",
         [&](QString* e) {
             auto w = t.newEvent(QStringLiteral("work"), QStringLiteral("Work"), at(2024, 3, 8, 9),
                                 at(2024, 3, 8, 10));
             if (!t.store->saveEvent(w, Span::ThisEvent, e)) return true;  // setup failed: flag it
             w->setCalendar(t.store->calendarWithUID(QStringLiteral("home")));
             return t.store->saveEvent(w, Span::AllEvents, e);
         }},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(c.write(&error)) << c.what;
        EXPECT_TRUE(error.contains(QStringLiteral("read-only")))
            << c.what << ": " << error.toStdString();
        EXPECT_EQ(t.dir.textOf(QStringLiteral("home"), QStringLiteral("a")), before) << c.what;
        EXPECT_EQ(t.dir.files(QStringLiteral("home")), filesBefore) << c.what;
    }
    EXPECT_TRUE(t.log.contains(QStringLiteral("ERROR: Could not save the event \"Changed\"")));
}

TEST_F(StoreWriting, AFolderThatCannotBeWrittenIsReadOnly) {
    Sample t;
    const QString folder = t.dir.path(QStringLiteral("home"));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(folder).isWritable()) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        GTEST_SKIP() << "every folder is writable for the superuser";
    }
    const auto s = t.dir.open();
    EXPECT_TRUE(s->calendarWithUID(QStringLiteral("home"))->isReadOnly());
    auto a = s->eventWithUIDOccurrence(QStringLiteral("a"), {});
    a->setTitle(QStringLiteral("Changed"));
    QString error;
    EXPECT_FALSE(s->saveEvent(a, Span::AllEvents, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("read-only"))) << error.toStdString();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
