#include "StoreTestSupport.h"

#include "platform/foundation/Log.h"
#include "platform/store/CivilTime.h"
#include "platform/store/ZoneTable.h"

#include <QRandomGenerator>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace calstore;
using namespace storetest;

namespace {

QStringList startsIn(const QList<EventPtr>& events, const char* zone = "Europe/Berlin") {
    QStringList out;
    for (const auto& e : events) out << inZone(e->startDate(), zone).left(16);
    return out;
}

}  // namespace

TEST(ZoneTables, AgreeWithTheSystemZonesOverCenturies) {
    QRandomGenerator rng(7);
    for (const char* id : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe",
                           "Asia/Kolkata", "America/Sao_Paulo", "Pacific/Apia", "Europe/Dublin"}) {
        const QTimeZone zone(id);
        ASSERT_TRUE(zone.isValid()) << id;
        const auto table = ZoneTable::forTimeZone(zone);
        EXPECT_EQ(table, ZoneTable::forTimeZone(QTimeZone(id)));  // resolved once, shared
        const qint64 from = civil::daysFromCivil(1890, 1, 1) * civil::kSecondsPerDay;
        const qint64 to = civil::daysFromCivil(2250, 1, 1) * civil::kSecondsPerDay;
        for (int i = 0; i < 4000; ++i) {
            const qint64 t = from + qint64(rng.generateDouble() * double(to - from));
            ASSERT_EQ(table->offsetAtUtc(t),
                      zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(t, Qt::UTC)))
                << id << " at "
                << QDateTime::fromSecsSinceEpoch(t, Qt::UTC).toString(Qt::ISODate).toStdString();
        }
    }
}

TEST(ZoneTables, SkippedReadingsMoveForwardAndDoubledOnesMeanTheFirst) {
    const auto berlin = ZoneTable::forTimeZone(QTimeZone("Europe/Berlin"));
    auto wall = [](int y, int mo, int d, int h, int mi) {
        return civil::daysFromCivil(y, mo, d) * civil::kSecondsPerDay + h * 3600 + mi * 60;
    };
    auto utcText = [](qint64 t) {
        return QDateTime::fromSecsSinceEpoch(t, Qt::UTC)
            .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    };
    struct Case {
        qint64 wall;
        const char* utc;
    };
    const std::vector<Case> cases = {
        {wall(2024, 3, 31, 1, 59), "2024-03-31 00:59"},
        {wall(2024, 3, 31, 2, 30), "2024-03-31 01:30"},  // skipped: 03:30 summer time
        {wall(2024, 3, 31, 3, 0), "2024-03-31 01:00"},
        {wall(2024, 10, 27, 2, 30), "2024-10-27 00:30"},  // twice: the summer-time one
        {wall(2024, 10, 27, 3, 0), "2024-10-27 02:00"},
        {wall(2024, 7, 1, 12, 0), "2024-07-01 10:00"},
        {wall(2024, 1, 1, 12, 0), "2024-01-01 11:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(utcText(berlin->utcFromWall(c.wall)), QLatin1String(c.utc));
}

class TimeZones : public BerlinTest {};

TEST_F(TimeZones, RepetitionsKeepTheirWallClockTimeAcrossClockChanges) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"));
    dir.write(QStringLiteral("cal"), QStringLiteral("b.ics"),
              eventFile(QStringLiteral("berlin"),
                        {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240329T090000"),
                         QStringLiteral("DTEND;TZID=Europe/Berlin:20240329T100000"),
                         QStringLiteral("RRULE:FREQ=DAILY;COUNT=4")}));
    dir.write(
        QStringLiteral("cal"), QStringLiteral("n.ics"),
        eventFile(QStringLiteral("newyork"),
                  {QStringLiteral("DTSTART;TZID=America/New_York:20240304T090000"),
                   QStringLiteral("DURATION:PT1H"), QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=5")}));
    dir.write(QStringLiteral("cal"), QStringLiteral("g.ics"),
              eventFile(QStringLiteral("gap"),
                        {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240330T023000"),
                         QStringLiteral("DTEND;TZID=Europe/Berlin:20240330T033000"),
                         QStringLiteral("RRULE:FREQ=DAILY;COUNT=3")}));
    dir.write(QStringLiteral("cal"), QStringLiteral("a.ics"),
              eventFile(QStringLiteral("autumn"),
                        {QStringLiteral("DTSTART;TZID=Europe/Berlin:20241026T023000"),
                         QStringLiteral("DTEND;TZID=Europe/Berlin:20241026T040000"),
                         QStringLiteral("RRULE:FREQ=DAILY;COUNT=3")}));
    const auto store = dir.open();
    const auto berlinEvents =
        query(store, berlin(2024, 3, 1), berlin(2024, 5, 1), QStringLiteral("berlin"));
    EXPECT_EQ(
        startsIn(berlinEvents),
        (QStringList{QStringLiteral("2024-03-29 09:00"), QStringLiteral("2024-03-30 09:00"),
                     QStringLiteral("2024-03-31 09:00"), QStringLiteral("2024-04-01 09:00")}));
    for (const auto& e : berlinEvents) EXPECT_EQ(e->startDate().secsTo(e->endDate()), 3600);
    // New York changes its clocks three weeks before Berlin.
    EXPECT_EQ(
        startsIn(query(store, berlin(2024, 3, 1), berlin(2024, 5, 1), QStringLiteral("newyork"))),
        (QStringList{QStringLiteral("2024-03-04 15:00"), QStringLiteral("2024-03-11 14:00"),
                     QStringLiteral("2024-03-18 14:00"), QStringLiteral("2024-03-25 14:00"),
                     QStringLiteral("2024-04-01 15:00")}));
    // 02:30 does not exist on 31 March: that occurrence starts at 03:30, still an hour long.
    const auto gap = query(store, berlin(2024, 3, 1), berlin(2024, 5, 1), QStringLiteral("gap"));
    EXPECT_EQ(startsIn(gap),
              (QStringList{QStringLiteral("2024-03-30 02:30"), QStringLiteral("2024-03-31 03:30"),
                           QStringLiteral("2024-04-01 02:30")}));
    for (const auto& e : gap) EXPECT_EQ(e->startDate().secsTo(e->endDate()), 3600);
    // 02:30 exists twice on 27 October: the first one counts.
    const auto autumn =
        query(store, berlin(2024, 10, 1), berlin(2024, 11, 1), QStringLiteral("autumn"));
    ASSERT_EQ(autumn.size(), 3);
    EXPECT_EQ(autumn[1]->startDate().toUTC(),
              QDateTime(QDate(2024, 10, 27), QTime(0, 30), Qt::UTC));
}

TEST_F(TimeZones, EveryKindOfTimeZoneReferenceIsResolved) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"));
    // A zone known only from the file's own definition: UTC+3, summer time +4.
    const QStringList customZone = {QStringLiteral("BEGIN:VTIMEZONE"),
                                    QStringLiteral("TZID:Zolt Test Zone"),
                                    QStringLiteral("BEGIN:STANDARD"),
                                    QStringLiteral("DTSTART:19701025T030000"),
                                    QStringLiteral("TZOFFSETFROM:+0400"),
                                    QStringLiteral("TZOFFSETTO:+0300"),
                                    QStringLiteral("RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU"),
                                    QStringLiteral("END:STANDARD"),
                                    QStringLiteral("BEGIN:DAYLIGHT"),
                                    QStringLiteral("DTSTART:19700329T020000"),
                                    QStringLiteral("TZOFFSETFROM:+0300"),
                                    QStringLiteral("TZOFFSETTO:+0400"),
                                    QStringLiteral("RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU"),
                                    QStringLiteral("END:DAYLIGHT"),
                                    QStringLiteral("END:VTIMEZONE")};
    QStringList custom = customZone;
    custom << vevent(QStringLiteral("custom"),
                     {QStringLiteral("DTSTART;TZID=Zolt Test Zone:20240115T120000"),
                      QStringLiteral("RRULE:FREQ=MONTHLY;BYMONTHDAY=15;COUNT=6")});
    dir.write(QStringLiteral("cal"), QStringLiteral("custom.ics"), calendarText(custom));
    struct Case {
        const char* uid;
        const char* start;
        const char* berlinTime;
    };
    const std::vector<Case> cases = {
        {"utc", "DTSTART:20240301T120000Z", "2024-03-01 13:00"},
        {"floating", "DTSTART:20240301T120000", "2024-03-01 12:00"},
        {"prefixed", "DTSTART;TZID=/mozilla.org/20050126_1/America/New_York:20240301T120000",
         "2024-03-01 18:00"},
        {"windows", "DTSTART;TZID=W. Europe Standard Time:20240701T120000", "2024-07-01 12:00"},
        {"utcname", "DTSTART;TZID=UTC:20240701T120000", "2024-07-01 14:00"},
        {"unknown", "DTSTART;TZID=Mars/Olympus_Mons:20240301T120000", "2024-03-01 12:00"},
    };
    for (const auto& c : cases)
        dir.write(QStringLiteral("cal"), QLatin1String(c.uid) + QStringLiteral(".ics"),
                  eventFile(QLatin1String(c.uid), {QLatin1String(c.start)}));
    foundation::LogCapture log;
    const auto store = dir.open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uid);
        const auto events =
            query(store, berlin(2024, 1, 1), berlin(2025, 1, 1), QLatin1String(c.uid));
        ASSERT_EQ(events.size(), 1);
        EXPECT_EQ(inZone(events[0]->startDate()).left(16), QLatin1String(c.berlinTime));
    }
    EXPECT_TRUE(log.contains(QStringLiteral("WARNING: calendar file ") +
                             dir.path(QStringLiteral("cal/unknown.ics")) +
                             QStringLiteral(" has an unknown time zone \"Mars/Olympus_Mons\"")));
    // 12:00 at +3 in winter and +4 in summer.
    EXPECT_EQ(
        startsIn(query(store, berlin(2024, 1, 1), berlin(2025, 1, 1), QStringLiteral("custom"))),
        (QStringList{QStringLiteral("2024-01-15 10:00"), QStringLiteral("2024-02-15 10:00"),
                     QStringLiteral("2024-03-15 10:00"), QStringLiteral("2024-04-15 10:00"),
                     QStringLiteral("2024-05-15 10:00"), QStringLiteral("2024-06-15 10:00")}));
    // Floating times are read in the user's zone, whichever it is.
    foundation::UserCalendar::setCurrent(
        foundation::UserCalendar(QTimeZone("America/New_York"), 1, 1));
    const auto floating =
        query(store, berlin(2024, 1, 1), berlin(2025, 1, 1), QStringLiteral("floating"));
    ASSERT_EQ(floating.size(), 1);
    EXPECT_EQ(inZone(floating[0]->startDate(), "America/New_York"),
              QStringLiteral("2024-03-01 12:00:00"));
    EXPECT_EQ(floating[0]->startDate().timeZone(), QTimeZone("America/New_York"));
}

TEST_F(TimeZones, UntilIsAnInstantAndEndsMayUseAnotherZone) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"));
    dir.write(QStringLiteral("cal"), QStringLiteral("in.ics"),
              eventFile(QStringLiteral("in"),
                        {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240304T090000"),
                         QStringLiteral("RRULE:FREQ=WEEKLY;UNTIL=20240318T080000Z")}));
    dir.write(QStringLiteral("cal"), QStringLiteral("out.ics"),
              eventFile(QStringLiteral("out"),
                        {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240304T090000"),
                         QStringLiteral("RRULE:FREQ=WEEKLY;UNTIL=20240318T075959Z")}));
    dir.write(QStringLiteral("cal"), QStringLiteral("mixed.ics"),
              eventFile(QStringLiteral("mixed"),
                        {QStringLiteral("DTSTART;TZID=America/New_York:20240304T090000"),
                         QStringLiteral("DTEND;TZID=Europe/Berlin:20240304T170000"),
                         QStringLiteral("RRULE:FREQ=WEEKLY;COUNT=2")}));
    const auto store = dir.open();
    EXPECT_EQ(query(store, berlin(2024, 3, 1), berlin(2024, 4, 1), QStringLiteral("in")).size(), 3);
    EXPECT_EQ(query(store, berlin(2024, 3, 1), berlin(2024, 4, 1), QStringLiteral("out")).size(),
              2);
    const auto mixed =
        query(store, berlin(2024, 3, 1), berlin(2024, 4, 1), QStringLiteral("mixed"));
    ASSERT_EQ(mixed.size(), 2);
    // 09:00 New York is 15:00 Berlin: two hours, for every occurrence.
    for (const auto& e : mixed) EXPECT_EQ(e->startDate().secsTo(e->endDate()), 7200);
    const auto rule = mixed[0]->recurrenceRule();
    ASSERT_TRUE(rule && rule->recurrenceEnd());
    EXPECT_EQ(rule->recurrenceEnd()->occurrenceCount(), 2);
    const auto until = query(store, berlin(2024, 3, 1), berlin(2024, 4, 1), QStringLiteral("in"))[0]
                           ->recurrenceRule();
    ASSERT_TRUE(until && until->recurrenceEnd() && until->recurrenceEnd()->usesEndDate());
    EXPECT_EQ(until->recurrenceEnd()->endDate(), berlin(2024, 3, 18, 9));
}

// A TZID is never opened as a path: one pointing at a pipe would block the reading.
TEST_F(TimeZones, ZoneNamesThatArePathsAreUnknownZones) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"));
    const QString fifo = dir.path(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString climbing = QStringLiteral("../../../..") + fifo;
    for (const QString& tzid : {climbing, fifo, QStringLiteral("Europe/../../..") + fifo}) {
        dir.write(QStringLiteral("cal"), QStringLiteral("p.ics"),
                  eventFile(QStringLiteral("p"), {QStringLiteral("DTSTART;TZID=") + tzid +
                                                  QStringLiteral(":20240301T120000")}));
        foundation::LogCapture log;
        const auto events = query(dir.open(), berlin(2024, 1, 1), berlin(2025, 1, 1));
        ASSERT_EQ(events.size(), 1);
        EXPECT_EQ(inZone(events[0]->startDate()).left(16), QStringLiteral("2024-03-01 12:00"));
        EXPECT_TRUE(log.contains(QStringLiteral("unknown time zone")));
    }
}
