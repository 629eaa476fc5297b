#include "StoreTestSupport.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace calstore;
using namespace storetest;

namespace {

QStringList describe(const QList<EventPtr>& events) {
    QStringList out;
    for (const auto& e : events)
        out << e->uid() + QLatin1Char('|') + inZone(e->startDate()) + QLatin1Char('|') +
                   inZone(e->endDate()) + QLatin1Char('|') + e->calendar()->title() +
                   QLatin1Char('|') + e->title();
    return out;
}

// A store of every kind of series: single, all-day, timed in two zones and UTC,
// repeating by the store's own expansion and by libical's, with exclusions and
// changed occurrences.
void fill(StoreDir& dir) {
    const QStringList rules = {
        QStringLiteral("FREQ=DAILY;COUNT=40"),
        QStringLiteral("FREQ=WEEKLY;BYDAY=MO,TH"),
        QStringLiteral("FREQ=MONTHLY;BYDAY=-1FR"),
        QStringLiteral("FREQ=YEARLY;BYMONTH=3,9"),
        QStringLiteral("FREQ=MONTHLY;BYDAY=MO,TU;BYSETPOS=1"),
        QStringLiteral("FREQ=HOURLY;INTERVAL=7;COUNT=300"),
    };
    const QStringList starts = {QStringLiteral("DTSTART;TZID=Europe/Berlin:20240105T090000"),
                                QStringLiteral("DTSTART;TZID=America/New_York:20231230T170000"),
                                QStringLiteral("DTSTART:20240210T120000Z"),
                                QStringLiteral("DTSTART;VALUE=DATE:20240301")};
    for (int c = 0; c < 3; ++c) {
        const QString folder = QStringLiteral("cal%1").arg(c);
        dir.addCalendar(folder, QStringLiteral("Calendar %1").arg(c));
        for (int i = 0; i < 40; ++i) {
            const QString uid = QStringLiteral("e%1-%2").arg(c).arg(i);
            QStringList props{starts[i % starts.size()], QStringLiteral("SUMMARY:Event ") + uid};
            if (i % starts.size() != 3)
                props << QStringLiteral("DURATION:PT%1M").arg(30 + 15 * (i % 5));
            if (i % 3 != 0) props << QStringLiteral("RRULE:") + rules[i % rules.size()];
            QStringList lines = vevent(uid, props);
            if (i % 7 == 1) {
                lines << vevent(
                    uid, {QStringLiteral("RECURRENCE-ID;TZID=America/New_York:20231230T170000"),
                          QStringLiteral("DTSTART;TZID=America/New_York:20240102T080000"),
                          QStringLiteral("DURATION:PT2H"), QStringLiteral("SUMMARY:Moved")});
            }
            dir.write(folder, uid + QStringLiteral(".ics"), calendarText(lines));
        }
    }
}

}  // namespace

class StoreThreads : public BerlinTest {};

TEST_F(StoreThreads, ConcurrentQueriesAnswerWhatOneThreadWould) {
    StoreDir dir;
    fill(dir);
    const auto store = dir.open();
    const auto calendars = store->calendars();
    ASSERT_EQ(calendars.size(), 3);

    struct Span {
        QDateTime from, to;
        QStringList expected;
    };
    std::vector<Span> spans;
    QRandomGenerator rng(99);
    for (int i = 0; i < 24; ++i) {
        const QDateTime from = berlin(2023, 12, 1).addSecs(qint64(rng.bounded(400 * 24)) * 3600);
        const QDateTime to = from.addSecs(qint64(1 + rng.bounded(60 * 24)) * 3600);
        spans.push_back({from, to, describe(query(store, from, to))});
    }
    ASSERT_FALSE(spans[0].expected.isEmpty() && spans[1].expected.isEmpty());

    std::atomic<int> mismatches{0};
    std::atomic<int> done{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 6; ++round) {
                for (size_t i = 0; i < spans.size(); ++i) {
                    const Span& span = spans[(i + size_t(t) * 5) % spans.size()];
                    if (describe(query(store, span.from, span.to)) != span.expected) ++mismatches;
                }
            }
            ++done;
        });
    }
    // The main thread keeps reading meanwhile.
    int reads = 0;
    while (done < 8) {
        EXPECT_EQ(store->calendars().size(), 3);
        const auto e = store->eventWithUIDOccurrence(QStringLiteral("e0-1"), QDateTime());
        EXPECT_TRUE(e);
        ++reads;
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(reads, 0);
}
