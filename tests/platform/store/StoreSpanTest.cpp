// Saves and removals of repeating events with each span, checked by the
// occurrences that remain, both in the store that wrote them and in one that
// reads the files anew.
#include "StoreTestSupport.h"

#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <functional>

using namespace calstore;
using namespace storetest;

namespace {

QDateTime at(int mo, int d, int h = 0, int mi = 0) {
    return QDateTime(QDate(2024, mo, d), QTime(h, mi), QTimeZone("Europe/Berlin"));
}

// "MM-dd HH:mm title [calendar]" of every occurrence in March and April 2024.
QStringList occurrences(const StorePtr& store) {
    QStringList out;
    for (const auto& e : query(store, at(3, 1), at(5, 1))) {
        QString line = inZone(e->startDate()).mid(5, 11) + QLatin1Char(' ') + e->title();
        if (e->calendar()->uid() != QStringLiteral("home"))
            line += QStringLiteral(" [") + e->calendar()->uid() + QLatin1Char(']');
        out << line;
    }
    return out;
}

// A weekly standup, six times from 4 March 9:00, the second one moved to 12 March 14:00.
struct Weekly {
    Weekly() {
        dir.addCalendar(QStringLiteral("home"));
        dir.addCalendar(QStringLiteral("work"));
        QStringList lines = vevent(
            QStringLiteral("w"),
            {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240304T090000"),
             QStringLiteral("DTEND;TZID=Europe/Berlin:20240304T093000"),
             QStringLiteral("SUMMARY:Standup"), QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=6")});
        lines << vevent(QStringLiteral("w"),
                        {QStringLiteral("RECURRENCE-ID;TZID=Europe/Berlin:20240311T090000"),
                         QStringLiteral("DTSTART;TZID=Europe/Berlin:20240312T140000"),
                         QStringLiteral("DTEND;TZID=Europe/Berlin:20240312T143000"),
                         QStringLiteral("SUMMARY:Moved")});
        dir.write(QStringLiteral("home"), QStringLiteral("w.ics"), calendarText(lines));
        store = dir.open();
    }
    EventPtr occurrence(int mo, int d) const {
        return store->eventWithUIDOccurrence(QStringLiteral("w"), at(mo, d, 9));
    }

    foundation::LogCapture log;
    StoreDir dir;
    StorePtr store;
};

void later(const EventPtr& e, int minutes) {
    e->setStartDate(e->startDate().addSecs(minutes * 60));
    e->setEndDate(e->endDate().addSecs(minutes * 60));
}

}  // namespace

class StoreSpans : public BerlinTest {};

TEST_F(StoreSpans, OccurrencesThatRemainAfterEachSpan) {
    struct Case {
        const char* name;
        std::function<bool(Weekly&)> change;
        QStringList expected;
        int files;
    };
    const std::vector<Case> cases = {
        {"this occurrence, new title",
         [](Weekly& w) {
             auto e = w.occurrence(3, 18);
             e->setTitle(QStringLiteral("Changed"));
             return w.store->saveEvent(e, Span::ThisEvent);
         },
         {"03-04 09:00 Standup", "03-12 14:00 Moved", "03-18 09:00 Changed", "03-25 09:00 Standup",
          "04-01 09:00 Standup", "04-08 09:00 Standup"},
         1},
        {"this occurrence, an hour later",
         [](Weekly& w) {
             auto e = w.occurrence(3, 18);
             later(e, 60);
             return w.store->saveEvent(e, Span::ThisEvent);
         },
         {"03-04 09:00 Standup", "03-12 14:00 Moved", "03-18 10:00 Standup", "03-25 09:00 Standup",
          "04-01 09:00 Standup", "04-08 09:00 Standup"},
         1},
        {"an occurrence changed before, changed again",
         [](Weekly& w) {
             auto e = w.occurrence(3, 11);
             e->setTitle(QStringLiteral("Moved again"));
             later(e, 30);
             return w.store->saveEvent(e, Span::ThisEvent);
         },
         {"03-04 09:00 Standup", "03-12 14:30 Moved again", "03-18 09:00 Standup",
          "03-25 09:00 Standup", "04-01 09:00 Standup", "04-08 09:00 Standup"},
         1},
        {"this and future occurrences, new title",
         [](Weekly& w) {
             auto e = w.occurrence(3, 25);
             e->setTitle(QStringLiteral("Later"));
             return w.store->saveEvent(e, Span::FutureEvents);
         },
         {"03-04 09:00 Standup", "03-12 14:00 Moved", "03-18 09:00 Standup", "03-25 09:00 Later",
          "04-01 09:00 Later", "04-08 09:00 Later"},
         2},
        {"this and future occurrences, an hour later",
         [](Weekly& w) {
             auto e = w.occurrence(3, 25);
             later(e, 60);
             return w.store->saveEvent(e, Span::FutureEvents);
         },
         {"03-04 09:00 Standup", "03-12 14:00 Moved", "03-18 09:00 Standup", "03-25 10:00 Standup",
          "04-01 10:00 Standup", "04-08 10:00 Standup"},
         2},
        {"this and future from the first occurrence is the whole series",
         [](Weekly& w) {
             auto e = w.occurrence(3, 4);
             e->setTitle(QStringLiteral("Daily scrum"));
             return w.store->saveEvent(e, Span::FutureEvents);
         },
         {"03-04 09:00 Daily scrum", "03-12 14:00 Moved", "03-18 09:00 Daily scrum",
          "03-25 09:00 Daily scrum", "04-01 09:00 Daily scrum", "04-08 09:00 Daily scrum"},
         1},
        {"all occurrences, an hour later (the moved one stays moved)",
         [](Weekly& w) {
             auto e = w.occurrence(3, 18);
             later(e, 60);
             return w.store->saveEvent(e, Span::AllEvents);
         },
         {"03-04 10:00 Standup", "03-12 14:00 Moved", "03-18 10:00 Standup", "03-25 10:00 Standup",
          "04-01 10:00 Standup", "04-08 10:00 Standup"},
         1},
        {"all occurrences, a new rule",
         [](Weekly& w) {
             auto e = w.occurrence(3, 4);
             e->setRecurrenceRule(RecurrenceRule::initWeeklyRecurrenceWithIntervalEnd(
                 2, RecurrenceEnd::recurrenceEndWithOccurrenceCount(3)));
             return w.store->saveEvent(e, Span::AllEvents);
         },
         {"03-04 09:00 Standup", "03-18 09:00 Standup", "04-01 09:00 Standup"},
         1},
        {"all occurrences, no more repetition",
         [](Weekly& w) {
             auto e = w.occurrence(3, 4);
             e->setRecurrenceRule(std::nullopt);
             return w.store->saveEvent(e, Span::AllEvents);
         },
         {"03-04 09:00 Standup"},
         1},
        {"this occurrence into another calendar",
         [](Weekly& w) {
             auto e = w.occurrence(3, 18);
             e->setCalendar(w.store->calendarWithUID(QStringLiteral("work")));
             return w.store->saveEvent(e, Span::ThisEvent);
         },
         {"03-04 09:00 Standup", "03-12 14:00 Moved", "03-18 09:00 Standup [work]",
          "03-25 09:00 Standup", "04-01 09:00 Standup", "04-08 09:00 Standup"},
         1},
        {"remove this occurrence",
         [](Weekly& w) { return w.store->removeEvent(w.occurrence(3, 18), Span::ThisEvent); },
         {"03-04 09:00 Standup", "03-12 14:00 Moved", "03-25 09:00 Standup", "04-01 09:00 Standup",
          "04-08 09:00 Standup"},
         1},
        {"remove the occurrence changed before",
         [](Weekly& w) { return w.store->removeEvent(w.occurrence(3, 11), Span::ThisEvent); },
         {"03-04 09:00 Standup", "03-18 09:00 Standup", "03-25 09:00 Standup",
          "04-01 09:00 Standup", "04-08 09:00 Standup"},
         1},
        {"remove this and future occurrences",
         [](Weekly& w) { return w.store->removeEvent(w.occurrence(3, 25), Span::FutureEvents); },
         {"03-04 09:00 Standup", "03-12 14:00 Moved", "03-18 09:00 Standup"},
         1},
        {"remove from the changed occurrence on",
         [](Weekly& w) { return w.store->removeEvent(w.occurrence(3, 11), Span::FutureEvents); },
         {"03-04 09:00 Standup"},
         1},
        {"remove all occurrences",
         [](Weekly& w) { return w.store->removeEvent(w.occurrence(3, 18), Span::AllEvents); },
         {},
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Weekly w;
        ASSERT_TRUE(c.change(w)) << w.log.lines().join(QLatin1Char('\n')).toStdString();
        const QString expected = c.expected.join(QLatin1Char('\n'));
        EXPECT_EQ(occurrences(w.store).join(QLatin1Char('\n')).toStdString(),
                  expected.toStdString());
        EXPECT_EQ(occurrences(w.dir.open()).join(QLatin1Char('\n')).toStdString(),
                  expected.toStdString());
        QStringList files = w.dir.files(QStringLiteral("home"));
        files.removeAll(QStringLiteral("displayname"));
        EXPECT_EQ(files.size(), c.files) << files.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(w.dir.open()->skippedFiles().isEmpty());
    }
}

TEST_F(StoreSpans, ASplitSeriesKeepsItsCountAndItsExclusions) {
    Weekly w;
    // An exclusion after the split moves along with the new series.
    auto e = w.occurrence(4, 1);
    ASSERT_TRUE(w.store->removeEvent(e, Span::ThisEvent));
    auto from = w.occurrence(3, 25);
    later(from, 120);
    QString error;
    ASSERT_TRUE(w.store->saveEvent(from, Span::FutureEvents, &error)) << error.toStdString();
    EXPECT_EQ(occurrences(w.dir.open()),
              (QStringList{"03-04 09:00 Standup", "03-12 14:00 Moved", "03-18 09:00 Standup",
                           "03-25 11:00 Standup", "04-08 11:00 Standup"}));
    // The saved event is the first of the new series, under a new UID.
    EXPECT_NE(from->uid(), QStringLiteral("w"));
    EXPECT_EQ(from->startDate(), at(3, 25, 11));
    const QByteArray text = w.dir.textOf(QStringLiteral("home"), from->uid());
    EXPECT_TRUE(text.contains("COUNT=3")) << text.toStdString();
    EXPECT_TRUE(w.dir.textOf(QStringLiteral("home"), QStringLiteral("w"))
                    .contains("RRULE:FREQ=WEEKLY;UNTIL=20240325T075959Z"));
}

TEST_F(StoreSpans, AllDaySeriesSplitOnTheirDays) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("home"));
    dir.write(QStringLiteral("home"), QStringLiteral("d.ics"),
              eventFile(QStringLiteral("d"), {QStringLiteral("DTSTART;VALUE=DATE:20240310"),
                                              QStringLiteral("SUMMARY:Holiday"),
                                              QStringLiteral("RRULE:FREQ=DAILY;COUNT=5")}));
    const auto store = dir.open();
    auto third = store->eventWithUIDOccurrence(QStringLiteral("d"), at(3, 12));
    ASSERT_TRUE(third);
    third->setTitle(QStringLiteral("Trip"));
    QString error;
    ASSERT_TRUE(store->saveEvent(third, Span::FutureEvents, &error)) << error.toStdString();
    EXPECT_EQ(occurrences(dir.open()),
              (QStringList{"03-10 00:00 Holiday", "03-11 00:00 Holiday", "03-12 00:00 Trip",
                           "03-13 00:00 Trip", "03-14 00:00 Trip"}));
    EXPECT_TRUE(dir.textOf(QStringLiteral("home"), QStringLiteral("d"))
                    .contains("RRULE:FREQ=DAILY;UNTIL=20240311\r\n"));
    EXPECT_TRUE(third->isAllDay());
}
