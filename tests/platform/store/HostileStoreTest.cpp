#include "StoreTestSupport.h"

#include "platform/foundation/Log.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace calstore;
using namespace storetest;

namespace {

QByteArray ruleFile(const QString& uid, const QString& rule, const QString& start = QString()) {
    return eventFile(uid, {QStringLiteral("DTSTART:") +
                               (start.isEmpty() ? QStringLiteral("20240105T100000") : start),
                           QStringLiteral("SUMMARY:") + uid, QStringLiteral("RRULE:") + rule});
}

bool makePipe(const QString& path) {
    QFile::remove(path);
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool makeLink(const QString& target, const QString& path) {
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) ==
           0;
}

// Runs `work` on a thread of its own and answers whether it ended within
// `seconds`; a store that hangs fails the test instead of stopping the suite.
bool endsWithin(double seconds, const std::function<void()>& work) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ended = done->get_future();
    std::thread([work, done] {
        work();
        done->set_value();
    }).detach();
    return ended.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready;
}

// One hostile thing in a calendar folder beside a good event.
struct HostileCase {
    const char* name;
    std::function<void(StoreDir&)> make;
    QString named;       // the file the warning names, relative to the store
    QString message;     // what the warning says of it
    QStringList titles;  // what a query of 2024 gives, besides the good event
};

std::vector<HostileCase> hostileCases() {
    QByteArray longLine =
        eventFile(QStringLiteral("long"),
                  {QStringLiteral("DTSTART:20240301T100000"), QStringLiteral("SUMMARY:Long")});
    longLine.replace("SUMMARY:Long", "DESCRIPTION:" + QByteArray(1100 * 1024, 'x'));
    QStringList zone{QStringLiteral("BEGIN:VTIMEZONE"), QStringLiteral("TZID:Many")};
    for (int i = 0; i < 2100; ++i)
        zone << QStringLiteral("BEGIN:STANDARD")
             << QStringLiteral("DTSTART:%10101T000000").arg(1900 + i % 300)
             << QStringLiteral("TZOFFSETFROM:+0100") << QStringLiteral("TZOFFSETTO:+0100")
             << QStringLiteral("END:STANDARD");
    zone << QStringLiteral("END:VTIMEZONE");
    zone << vevent(QStringLiteral("manyzone"),
                   {QStringLiteral("DTSTART;TZID=Many:20240301T100000")});
    QStringList twice =
        vevent(QStringLiteral("twice"),
               {QStringLiteral("DTSTART:20240301T100000"), QStringLiteral("SUMMARY:Twice"),
                QStringLiteral("RRULE:FREQ=DAILY;COUNT=3")});
    for (const char* title : {"First change", "Second change"})
        twice << vevent(QStringLiteral("twice"),
                        {QStringLiteral("RECURRENCE-ID:20240302T100000"),
                         QStringLiteral("DTSTART:20240302T120000"),
                         QStringLiteral("SUMMARY:") + QLatin1String(title)});
    QStringList nested{QStringLiteral("BEGIN:VEVENT"), QStringLiteral("UID:outer"),
                       QStringLiteral("DTSTART:20240301T100000"), QStringLiteral("SUMMARY:Outer")};
    nested << vevent(QStringLiteral("outer"), {QStringLiteral("DTSTART:20240302T100000")})
           << QStringLiteral("END:VEVENT");
    QStringList offset{
        QStringLiteral("BEGIN:VTIMEZONE"),      QStringLiteral("TZID:Far"),
        QStringLiteral("BEGIN:STANDARD"),       QStringLiteral("DTSTART:19700101T000000"),
        QStringLiteral("TZOFFSETFROM:+995959"), QStringLiteral("TZOFFSETTO:+995959"),
        QStringLiteral("END:STANDARD"),         QStringLiteral("END:VTIMEZONE")};
    offset << vevent(QStringLiteral("far"), {QStringLiteral("DTSTART;TZID=Far:20240301T100000"),
                                             QStringLiteral("SUMMARY:Far")});
    auto write = [](const char* file, QByteArray data) {
        return [file, data](StoreDir& d) {
            d.write(QStringLiteral("cal"), QLatin1String(file), data);
        };
    };
    auto rule = [&](const char* file, const char* text, const char* problem) {
        return HostileCase{
            file,
            write(file, ruleFile(QStringLiteral("r"), QLatin1String(text))),
            QStringLiteral("cal/") + QLatin1String(file),
            QStringLiteral("has a recurrence rule it cannot use (it ") + QLatin1String(problem),
            {QStringLiteral("r")}};
    };
    const QString pipeMessage = QStringLiteral("was ignored: it is a named pipe");
    return {
        // Only regular files are opened, and never so that opening blocks.
        {"displayname pipe",
         [](StoreDir& d) { makePipe(d.path(QStringLiteral("cal/displayname"))); },
         QStringLiteral("cal/displayname"),
         pipeMessage,
         {}},
        {"color pipe",
         [](StoreDir& d) { makePipe(d.path(QStringLiteral("cal/color"))); },
         QStringLiteral("cal/color"),
         pipeMessage,
         {}},
        {"attributes pipe",
         [](StoreDir& d) { makePipe(d.path(QStringLiteral("cal/zolt-calendar.json"))); },
         QStringLiteral("cal/zolt-calendar.json"),
         pipeMessage,
         {}},
        {"groups pipe",
         [](StoreDir& d) { makePipe(d.path(QStringLiteral("zolt-groups.json"))); },
         QStringLiteral("zolt-groups.json"),
         pipeMessage,
         {}},
        {"calendar file pipe",
         [](StoreDir& d) { makePipe(d.path(QStringLiteral("cal/p.ics"))); },
         QStringLiteral("cal/p.ics"),
         QStringLiteral("was skipped: it is not a regular file"),
         {}},
        {"link loop",
         [](StoreDir& d) {
             makeLink(d.path(QStringLiteral("cal/b.ics")), d.path(QStringLiteral("cal/a.ics")));
             makeLink(d.path(QStringLiteral("cal/a.ics")), d.path(QStringLiteral("cal/b.ics")));
         },
         QStringLiteral("cal/a.ics"),
         QStringLiteral("was skipped: it is a loop of symbolic links"),
         {}},
        {"dangling link",
         [](StoreDir& d) {
             makeLink(d.path(QStringLiteral("cal/gone.ics")), d.path(QStringLiteral("cal/d.ics")));
         },
         QStringLiteral("cal/d.ics"),
         QStringLiteral("was skipped: it is a link to nothing"),
         {}},
        {"link to a device",
         [](StoreDir& d) {
             makeLink(QStringLiteral("/dev/zero"), d.path(QStringLiteral("cal/z.ics")));
         },
         QStringLiteral("cal/z.ics"),
         QStringLiteral("was skipped: it is not a regular file"),
         {}},
        {"folder named like a calendar file",
         [](StoreDir& d) { QDir().mkpath(d.path(QStringLiteral("cal/folder.ics"))); },
         QStringLiteral("cal/folder.ics"),
         QStringLiteral("was skipped: it is a folder"),
         {}},
        {"title of NULs",
         [](StoreDir& d) {
             d.dir.write(QStringLiteral("cal/displayname"), QByteArray(65536, '\0'));
         },
         QStringLiteral("cal/displayname"),
         QStringLiteral("was ignored: it holds control characters"),
         {}},
        {"name not UTF-8",
         [](StoreDir& d) {
             QFile f(d.path(QStringLiteral("cal")) + QFile::decodeName("/caf\xE9.ics"));
             const QByteArray raw =
                 QFile::encodeName(d.path(QStringLiteral("cal"))) + "/caf\xE9.ics";
             FILE* out = std::fopen(raw.constData(), "wb");
             const QByteArray text =
                 eventFile(QStringLiteral("cafe"), {QStringLiteral("DTSTART:20240301T100000")});
             if (out) {
                 std::fwrite(text.constData(), 1, size_t(text.size()), out);
                 std::fclose(out);
             }
         },
         QStringLiteral("cal/caf\\xe9.ics"),
         QStringLiteral("was skipped: its name is not valid UTF-8"),
         {}},
        // Costly files get limits.
        {"line of a megabyte",
         write("long.ics", longLine),
         QStringLiteral("cal/long.ics"),
         QStringLiteral("was skipped: it has a line longer than"),
         {}},
        {"zone of thousands of observances",
         write("zone.ics", calendarText(zone)),
         QStringLiteral("cal/zone.ics"),
         QStringLiteral("was skipped: it has time zone definitions with more than 2000 onsets"),
         {}},
        // Readings that were wrong without a word.
        {"end before start",
         write("end.ics",
               eventFile(QStringLiteral("end"),
                         {QStringLiteral("DTSTART:20240301T100000"),
                          QStringLiteral("DTEND:20240301T090000"), QStringLiteral("SUMMARY:End")})),
         QStringLiteral("cal/end.ics"),
         QStringLiteral("has an end before its start"),
         {QStringLiteral("End")}},
        {"negative duration",
         write("dur.ics",
               eventFile(QStringLiteral("dur"),
                         {QStringLiteral("DTSTART:20240301T100000"),
                          QStringLiteral("DURATION:-PT1H"), QStringLiteral("SUMMARY:Dur")})),
         QStringLiteral("cal/dur.ics"),
         QStringLiteral("has a negative DURATION"),
         {QStringLiteral("Dur")}},
        {"30 February",
         write("feb.ics",
               eventFile(QStringLiteral("feb"), {QStringLiteral("DTSTART:20230230T100000"),
                                                 QStringLiteral("SUMMARY:Feb")})),
         QStringLiteral("cal/feb.ics"),
         QStringLiteral("was skipped: it has a start on a day that does not exist (2023-02-30)"),
         {}},
        {"changed twice",
         write("twice.ics", calendarText(twice)),
         QStringLiteral("cal/twice.ics"),
         QStringLiteral("changes one occurrence twice"),
         {QStringLiteral("Twice"), QStringLiteral("Second change"), QStringLiteral("Twice")}},
        {"nested event",
         write("nested.ics", calendarText(nested)),
         QStringLiteral("cal/nested.ics"),
         QStringLiteral("has an event or task nested inside another"),
         {QStringLiteral("Outer")}},
        {"offset of 99 hours",
         write("far.ics", calendarText(offset)),
         QStringLiteral("cal/far.ics"),
         QStringLiteral("has a time zone \"Far\" with a UTC offset of a day or more"),
         {QStringLiteral("Far")}},
        rule("month13.ics", "FREQ=MONTHLY;BYMONTH=13", "has BYMONTH=13 out of range"),
        rule("week54.ics", "FREQ=MONTHLY;BYDAY=-54MO", "has BYDAY=-54MO out of range"),
        rule("day367.ics", "FREQ=YEARLY;BYYEARDAY=367", "has BYYEARDAY=367 out of range"),
        rule("interval.ics", "FREQ=DAILY;INTERVAL=1e14", "has INTERVAL=1e14 out of range"),
        rule("empty.ics", "", "is empty"),
        // libical walks such a rule month by month to the year 2582 inside one call.
        rule("noday.ics", "FREQ=MONTHLY;BYMONTH=2;BYMONTHDAY=31;BYSETPOS=1",
             "fits no day of the calendar"),
        rule("setpos.ics", "FREQ=MINUTELY;BYSETPOS=1",
             "repeats more often than daily with BYSETPOS"),
    };
}

}  // namespace

class HostileStore : public BerlinTest {};

// Each hostile thing is reported once, naming its file, the good event beside
// it is still read, and nothing hangs.
TEST_F(HostileStore, EachCaseIsReportedOnceByNameAndTheRestIsRead) {
    for (const HostileCase& c : hostileCases()) {
        SCOPED_TRACE(c.name);
        StoreDir dir;
        dir.addCalendar(QStringLiteral("cal"), QStringLiteral("Mine"));
        dir.write(QStringLiteral("cal"), QStringLiteral("good.ics"),
                  eventFile(QStringLiteral("good"), {QStringLiteral("DTSTART:20240101T100000"),
                                                     QStringLiteral("SUMMARY:Fine")}));
        c.make(dir);
        foundation::LogCapture log;
        StorePtr store;
        QList<EventPtr> events;
        ASSERT_TRUE(endsWithin(20, [&] {
            store = dir.open();
            events = query(store, berlin(2024, 1, 1), berlin(2025, 1, 1));
        })) << "hangs";
        QStringList expected{QStringLiteral("Fine")};
        expected << c.titles;
        EXPECT_EQ(titlesOf(events), expected);
        const QString line = dir.path(c.named) + QLatin1Char(' ') + c.message;
        EXPECT_EQ(log.count(line), 1) << log.lines().join(QLatin1Char('\n')).toStdString();

        // A rescan that reads the folder again does not repeat the warning.
        dir.write(QStringLiteral("cal"), QStringLiteral("more.ics"),
                  eventFile(QStringLiteral("more"), {QStringLiteral("DTSTART:20240102T100000")}));
        ASSERT_TRUE(endsWithin(20, [&] { store->rescan(); }));
        EXPECT_EQ(log.count(line), 1);
    }
}

TEST_F(HostileStore, AnUnreadableFolderIsReportedNotShownEmpty) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"));
    dir.write(QStringLiteral("cal"), QStringLiteral("a.ics"),
              eventFile(QStringLiteral("a"), {QStringLiteral("DTSTART:20240301T100000")}));
    ::chmod(QFile::encodeName(dir.path(QStringLiteral("cal"))).constData(), 0);
    foundation::LogCapture log;
    const auto store = dir.open();
    ::chmod(QFile::encodeName(dir.path(QStringLiteral("cal"))).constData(), 0700);
    EXPECT_TRUE(log.contains(QStringLiteral("calendar folder ") + dir.path(QStringLiteral("cal")) +
                             QStringLiteral(" cannot be read")));
}

// Rules that are costly to expand: each query ends within a generous bound,
// and counted rules come out whole.
TEST_F(HostileStore, CostlyRulesStayBoundedAndCountedOnesComeOutWhole) {
    StoreDir dir;
    dir.addCalendar(QStringLiteral("cal"));
    dir.write(
        QStringLiteral("cal"), QStringLiteral("never.ics"),
        ruleFile(QStringLiteral("never"), QStringLiteral("FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30"),
                 QStringLiteral("20000101T000000")));
    dir.write(
        QStringLiteral("cal"), QStringLiteral("never-s.ics"),
        ruleFile(QStringLiteral("never-s"), QStringLiteral("FREQ=SECONDLY;BYMONTHDAY=31;BYMONTH=4"),
                 QStringLiteral("20000101T000000")));
    for (int i = 0; i < 50; ++i)
        dir.write(
            QStringLiteral("cal"), QStringLiteral("past%1.ics").arg(i),
            ruleFile(QStringLiteral("past%1").arg(i), QStringLiteral("FREQ=SECONDLY;COUNT=1000000"),
                     QStringLiteral("2001%1T000000").arg(101 + i % 28, 4, 10, QLatin1Char('0'))));
    dir.write(QStringLiteral("cal"), QStringLiteral("minutes.ics"),
              ruleFile(QStringLiteral("minutes"), QStringLiteral("FREQ=MINUTELY;COUNT=400000"),
                       QStringLiteral("20240101T000000")));
    foundation::LogCapture log;
    StorePtr store;
    ASSERT_TRUE(endsWithin(30, [&] { store = dir.open(); }));
    QList<EventPtr> year, lastDay, after, whole;
    ASSERT_TRUE(endsWithin(30, [&] {
        year = query(store, berlin(2024, 1, 1), berlin(2025, 1, 1), QStringLiteral("never"));
        year += query(store, berlin(2024, 1, 1), berlin(2025, 1, 1), QStringLiteral("never-s"));
        for (int i = 0; i < 5; ++i) whole = query(store, berlin(2030, 1, 1), berlin(2030, 1, 8));
        // 400000 minutes of the wall clock from New Year's Day end on 4 October at 18:39.
        lastDay = query(store, berlin(2024, 10, 4), berlin(2024, 10, 5), QStringLiteral("minutes"));
        after = query(store, berlin(2024, 10, 5), berlin(2024, 10, 6), QStringLiteral("minutes"));
    }));
    EXPECT_TRUE(year.isEmpty());
    EXPECT_TRUE(whole.isEmpty());
    ASSERT_FALSE(lastDay.isEmpty());
    EXPECT_EQ(lastDay.size(), 18 * 60 + 40);
    EXPECT_EQ(inZone(lastDay.last()->startDate()), QStringLiteral("2024-10-04 18:39:00"));
    EXPECT_TRUE(after.isEmpty());
    EXPECT_FALSE(log.contains(QStringLiteral("left out")));
}
