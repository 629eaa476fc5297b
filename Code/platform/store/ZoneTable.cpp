#include "platform/store/ZoneTable.h"

#include "platform/store/CivilTime.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <mutex>

namespace calstore {

namespace {

// The span tabulated for system zones; instants outside it ask the zone itself.
constexpr int kFirstTabulatedYear = 1900;
constexpr int kLastTabulatedYear = 2200;

QDateTime utcOf(qint64 secs) {
    return QDateTime::fromSecsSinceEpoch(secs, Qt::UTC);
}

std::shared_ptr<const ZoneTable> buildFromSystemZone(const QTimeZone& zone) {
    const qint64 start = civil::daysFromCivil(kFirstTabulatedYear, 1, 1) * civil::kSecondsPerDay;
    const qint64 end = civil::daysFromCivil(kLastTabulatedYear, 1, 1) * civil::kSecondsPerDay;
    std::vector<ZoneTable::Transition> transitions;
    if (zone.hasTransitions()) {
        // Asked a year at a time: a request across the last year that the zone
        // file lists explicitly ends there, without the years its rule gives after.
        for (int y = kFirstTabulatedYear; y < kLastTabulatedYear; ++y) {
            const QDateTime from(QDate(y, 1, 1), QTime(0, 0), Qt::UTC);
            const QDateTime to(QDate(y + 1, 1, 1), QTime(0, 0), Qt::UTC);
            const auto list = zone.transitions(from, to.addSecs(-1));
            for (const auto& t : list) {
                const qint64 at = t.atUtc.toSecsSinceEpoch();
                if (!transitions.empty() && transitions.back().utc >= at) continue;
                transitions.push_back({at, t.offsetFromUtc});
            }
        }
    }
    const int initial = zone.offsetFromUtc(utcOf(start - 1));
    auto table = std::make_shared<ZoneTable>(QString::fromUtf8(zone.id()), initial, transitions,
                                             zone, start, end);
    // The system's list of transitions can go wrong past the years its zone file
    // spells out (2038 for some zones) while its offsets stay right: the table
    // ends at the first year where the two disagree, and the zone answers after.
    for (int y = kFirstTabulatedYear; y < kLastTabulatedYear; ++y) {
        bool agrees = true;
        for (int month : {1, 4, 7, 10}) {
            const qint64 t = civil::daysFromCivil(y, month, 15) * civil::kSecondsPerDay + 43200;
            if (table->offsetAtUtc(t) != zone.offsetFromUtc(utcOf(t))) agrees = false;
        }
        if (agrees) continue;
        const qint64 yearStart = civil::daysFromCivil(y, 1, 1) * civil::kSecondsPerDay;
        std::vector<ZoneTable::Transition> kept;
        for (const auto& t : transitions)
            if (t.utc < yearStart) kept.push_back(t);
        return std::make_shared<ZoneTable>(QString::fromUtf8(zone.id()), initial, std::move(kept),
                                           zone, start, yearStart);
    }
    return table;
}

}  // namespace

ZoneTable::ZoneTable(QString id, int initialOffset, std::vector<Transition> transitions,
                     QTimeZone outside, qint64 rangeStart, qint64 rangeEnd)
    : id_(std::move(id)),
      initialOffset_(initialOffset),
      outside_(std::move(outside)),
      rangeStart_(rangeStart),
      rangeEnd_(rangeEnd) {
    std::stable_sort(transitions.begin(), transitions.end(),
                     [](const Transition& a, const Transition& b) { return a.utc < b.utc; });
    times_.reserve(transitions.size());
    offsets_.reserve(transitions.size());
    for (const auto& t : transitions) {
        if (!times_.empty() && times_.back() == t.utc) {
            offsets_.back() = t.offsetAfter;
            continue;
        }
        times_.push_back(t.utc);
        offsets_.push_back(t.offsetAfter);
    }
}

std::shared_ptr<const ZoneTable> ZoneTable::forTimeZone(const QTimeZone& zone) {
    if (!zone.isValid()) return utc();
    static std::mutex mutex;
    static QHash<QByteArray, std::shared_ptr<const ZoneTable>> cache;
    const QByteArray key = zone.id();
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = cache.constFind(key);
        if (it != cache.constEnd()) return *it;
    }
    // Built outside the lock (it takes a few milliseconds); the first one stored wins.
    auto table = buildFromSystemZone(zone);
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.constFind(key);
    if (it != cache.constEnd()) return *it;
    cache.insert(key, table);
    return table;
}

std::shared_ptr<const ZoneTable> ZoneTable::utc() {
    static const std::shared_ptr<const ZoneTable> table = std::make_shared<ZoneTable>(
        QStringLiteral("UTC"), 0, std::vector<Transition>{}, QTimeZone(), 0, 0);
    return table;
}

std::shared_ptr<const ZoneTable> ZoneTable::fromTransitions(const QString& id, int initialOffset,
                                                            std::vector<Transition> transitions) {
    return std::make_shared<ZoneTable>(id, initialOffset, std::move(transitions), QTimeZone(), 0,
                                       0);
}

int ZoneTable::offsetAtUtc(qint64 utc) const {
    if (outside_.isValid() && (utc < rangeStart_ || utc >= rangeEnd_))
        return outside_.offsetFromUtc(utcOf(utc));
    auto it = std::upper_bound(times_.begin(), times_.end(), utc);
    if (it == times_.begin()) return initialOffset_;
    return offsets_[size_t(it - times_.begin()) - 1];
}

qint64 ZoneTable::utcFromWall(qint64 wall) const {
    // Real zones change their offset at most once within two days, so the
    // offsets a day before and a day after bracket every possible reading.
    const int before = offsetAtUtc(wall - civil::kSecondsPerDay);
    const int after = offsetAtUtc(wall + civil::kSecondsPerDay);
    if (before == after) return wall - before;
    const qint64 withBefore = wall - before;
    const qint64 withAfter = wall - after;
    const bool beforeHolds = offsetAtUtc(withBefore) == before;
    const bool afterHolds = offsetAtUtc(withAfter) == after;
    if (beforeHolds && afterHolds) return std::min(withBefore, withAfter);  // read twice
    if (beforeHolds) return withBefore;
    if (afterHolds) return withAfter;
    return withBefore;  // skipped: the offset before the jump carries it forward
}

}  // namespace calstore
