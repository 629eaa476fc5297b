#include "platform/store/Store.h"

#include "platform/store/StoreSnapshot.h"
#include "platform/store/StoreTime.h"
#include "platform/store/ZoneTable.h"

#include "platform/foundation/Log.h"

#include <QDir>
#include <QStandardPaths>

#include <algorithm>
#include <limits>
#include <mutex>

namespace calstore {

namespace detail {

// Fills the fields of events and tasks that only the store sets.
class EventAccess final {
public:
    static EventPtr make(const std::shared_ptr<const Series>& series, const Occurrence& o,
                         const CalendarPtr& calendar, const QTimeZone& zone,
                         const ZoneTable& local) {
        auto e = std::make_shared<Event>();
        const Details& d = o.component->details;
        e->uid_ = series->uid;
        e->calendar_ = calendar;
        e->title_ = d.title;
        e->location_ = d.location;
        e->notes_ = d.notes;
        e->url_ = d.url;
        e->stamp_ = d.stamp;
        e->hasAlarm_ = d.hasAlarm;
        e->attendees_ = d.attendees;
        e->allDay_ = o.allDay;
        e->start_ = QDateTime::fromSecsSinceEpoch(o.startUtc, zone);
        if (o.allDay) {
            // All-day events end inside their last day.
            const qint64 lastMidnight = local.wallFromUtc(o.endUtc);
            e->end_ = QDateTime::fromSecsSinceEpoch(local.utcFromWall(lastMidnight - 1), zone);
        } else {
            e->end_ = QDateTime::fromSecsSinceEpoch(o.endUtc, zone);
        }
        e->occurrence_ = o.occurrenceUtc == o.startUtc
                             ? e->start_
                             : QDateTime::fromSecsSinceEpoch(o.occurrenceUtc, zone);
        e->detached_ = o.detached;
        e->rule_ = series->modelRule;
        e->series_ = series;
        return e;
    }
};

class TaskAccess final {
public:
    static TaskPtr make(const TaskRecord& r, const CalendarPtr& calendar, const QTimeZone& zone,
                        const ZoneTable& local) {
        auto t = std::make_shared<Task>();
        t->uid_ = r.uid;
        t->calendar_ = calendar;
        t->title_ = r.title;
        t->notes_ = r.notes;
        t->url_ = r.url;
        t->priority_ = r.priority;
        t->stamp_ = r.stamped;
        if (r.due) t->due_ = QDateTime::fromSecsSinceEpoch(r.due->utc(local), zone);
        if (r.completed)
            t->completed_ = QDateTime::fromSecsSinceEpoch(r.completed->utc(local), zone);
        else if (r.completedStatus)
            t->completed_ =
                r.stamped.isValid() ? r.stamped : QDateTime::fromSecsSinceEpoch(0, zone);
        return t;
    }
};

}  // namespace detail

namespace {

QStringList uidsOf(const QList<CalendarPtr>& calendars) {
    QStringList uids;
    for (const auto& c : calendars)
        if (c && !uids.contains(c->uid())) uids << c->uid();
    return uids;
}

}  // namespace

Store::Store(const QString& rootPath) : snapshot_(detail::StoreSnapshot::load(rootPath)) {}

std::shared_ptr<Store> Store::openAt(const QString& rootPath) {
    return std::make_shared<Store>(QDir::cleanPath(rootPath));
}

QString Store::defaultRootPath() {
    const QString explicitRoot = qEnvironmentVariable("ZOLT_STORE_DIR");
    if (!explicitRoot.isEmpty()) return QDir::cleanPath(explicitRoot);
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data + QStringLiteral("/zolt/calendars"));
}

std::shared_ptr<Store> Store::defaultStore() {
    static std::mutex mutex;
    static std::shared_ptr<Store> store;
    std::lock_guard<std::mutex> lock(mutex);
    if (!store) store = openAt(defaultRootPath());
    return store;
}

std::shared_ptr<const detail::StoreSnapshot> Store::snapshot() const {
    foundation::Guard guard(lock_);
    return snapshot_;
}

QString Store::rootPath() const {
    return snapshot()->root;
}

QStringList Store::skippedFiles() const {
    return snapshot()->skippedFiles;
}

QList<CalendarPtr> Store::calendars() const {
    const auto s = snapshot();
    QList<CalendarPtr> out;
    out.reserve(qsizetype(s->calendars.size()));
    for (const auto& folder : s->calendars) out << std::make_shared<Calendar>(folder->calendar);
    return out;
}

CalendarPtr Store::calendarWithUID(const QString& uid) const {
    const auto s = snapshot();
    const auto* folder = s->calendar(uid);
    return folder ? std::make_shared<Calendar>(folder->calendar) : nullptr;
}

EventPredicate Store::eventPredicateWithStartDateEndDateCalendars(
    const QDateTime& startDate, const QDateTime& endDate, const QList<CalendarPtr>& calendars) {
    return EventPredicate{startDate, endDate, QString(), uidsOf(calendars)};
}

EventPredicate Store::eventPredicateWithStartDateEndDateUIDCalendars(
    const QDateTime& startDate, const QDateTime& endDate, const QString& uid,
    const QList<CalendarPtr>& calendars) {
    return EventPredicate{startDate, endDate, uid, uidsOf(calendars)};
}

QList<EventPtr> Store::eventsWithPredicate(const EventPredicate& predicate) const {
    QList<EventPtr> out;
    if (!predicate.startDate.isValid() || !predicate.endDate.isValid()) return out;
    const qint64 from = predicate.startDate.toSecsSinceEpoch();
    const qint64 to = predicate.endDate.toSecsSinceEpoch();
    if (to <= from) return out;

    const auto s = snapshot();
    const QTimeZone zone = storeTimeZone();
    const auto local = ZoneTable::forTimeZone(zone);

    struct Found {
        qint64 start;
        int calendarPosition;
        EventPtr event;
    };
    std::vector<Found> found;
    std::vector<detail::Occurrence> occurrences;
    QStringList seen;
    for (const QString& uid : predicate.calendarUIDs) {
        if (seen.contains(uid)) continue;
        seen << uid;
        const int position = s->calendarIndex.value(uid, -1);
        if (position < 0) continue;
        const auto& folder = s->calendars[size_t(position)];
        if (folder->calendar.holdsTasks()) continue;
        CalendarPtr calendar;  // one copy shared by this query's events of the calendar

        auto expand = [&](const std::shared_ptr<const detail::Series>& series) {
            occurrences.clear();
            const bool complete =
                series->occurrencesIn(from, to, *local, kMaxOccurrencesPerQuery, occurrences);
            if (!complete && !series->capReported.exchange(true)) {
                foundation::log(
                    QStringLiteral("WARNING: calendar file %1 has a rule giving more than "
                                   "%2 occurrences in one query; the rest are left out")
                        .arg(series->path)
                        .arg(kMaxOccurrencesPerQuery));
            }
            if (occurrences.empty()) return;
            if (!calendar) calendar = std::make_shared<Calendar>(folder->calendar);
            for (const auto& o : occurrences)
                found.push_back({o.startUtc, position,
                                 detail::EventAccess::make(series, o, calendar, zone, *local)});
        };
        if (!predicate.uid.isEmpty()) {
            if (auto series = folder->seriesByUid.value(predicate.uid)) expand(series);
        } else {
            for (const auto& series : folder->series) expand(series);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.start != b.start) return a.start < b.start;
        if (a.calendarPosition != b.calendarPosition)
            return a.calendarPosition < b.calendarPosition;
        return a.event->uid() < b.event->uid();
    });
    out.reserve(qsizetype(found.size()));
    for (auto& f : found) out << std::move(f.event);
    return out;
}

EventPtr Store::eventWithUIDOccurrence(const QString& uid, const QDateTime& occurrence) const {
    const auto s = snapshot();
    const QTimeZone zone = storeTimeZone();
    const auto local = ZoneTable::forTimeZone(zone);
    constexpr qint64 kAll = std::numeric_limits<qint64>::max() / 4;
    for (const auto& folder : s->calendars) {
        const auto series = folder->seriesByUid.value(uid);
        if (!series) continue;
        const auto calendar = std::make_shared<Calendar>(folder->calendar);
        auto make = [&](const detail::Occurrence& o) {
            return detail::EventAccess::make(series, o, calendar, zone, *local);
        };
        auto earliest = [](const std::vector<detail::Occurrence>& list) {
            return *std::min_element(list.begin(), list.end(), [](const auto& a, const auto& b) {
                return a.startUtc < b.startUtc;
            });
        };
        std::vector<detail::Occurrence> found;
        // The changed occurrences wherever they are now, and the first start.
        series->occurrencesIn(-kAll, kAll, *local, 0, found);
        if (!series->isRecurring()) return found.empty() ? nullptr : make(earliest(found));
        const auto& start = series->master->start;
        const qint64 first = start.isDate()
                                 ? local->utcFromWall(start.days() * civil::kSecondsPerDay)
                                 : start.utc(*local);
        const qint64 at = occurrence.isValid() ? occurrence.toSecsSinceEpoch() : first;
        for (const auto& o : found)
            if (o.occurrenceUtc == at) return make(o);
        found.clear();
        series->occurrencesIn(at, at + 1, *local, kMaxOccurrencesPerQuery, found);
        for (const auto& o : found)
            if (o.occurrenceUtc == at) return make(o);
        if (occurrence.isValid()) return nullptr;
        // The first start is excluded: the earliest occurrence after it.
        for (qint64 years = 1; years <= 256; years *= 4) {
            found.clear();
            series->occurrencesIn(first, first + years * 366 * civil::kSecondsPerDay, *local, 1,
                                  found);
            if (!found.empty()) return make(earliest(found));
        }
        return nullptr;
    }
    return nullptr;
}

TaskPredicate Store::taskPredicateWithCalendars(const QList<CalendarPtr>& calendars) {
    return TaskPredicate{TaskPredicate::Kind::All, QDateTime(), uidsOf(calendars)};
}

TaskPredicate Store::taskPredicateWithTasksCompletedSinceCalendars(
    const QDateTime& completedSince, const QList<CalendarPtr>& calendars) {
    return TaskPredicate{TaskPredicate::Kind::CompletedSince, completedSince, uidsOf(calendars)};
}

TaskPredicate Store::taskPredicateWithUncompletedTasks(const QList<CalendarPtr>& calendars) {
    return TaskPredicate{TaskPredicate::Kind::Uncompleted, QDateTime(), uidsOf(calendars)};
}

TaskPredicate Store::taskPredicateWithUncompletedTasksDueBeforeCalendars(
    const QDateTime& dueDate, const QList<CalendarPtr>& calendars) {
    return TaskPredicate{TaskPredicate::Kind::UncompletedDueBefore, dueDate, uidsOf(calendars)};
}

QList<TaskPtr> Store::tasksWithPredicate(const TaskPredicate& predicate) const {
    const auto s = snapshot();
    const QTimeZone zone = storeTimeZone();
    const auto local = ZoneTable::forTimeZone(zone);
    QList<TaskPtr> out;
    QStringList seen;
    for (const QString& uid : predicate.calendarUIDs) {
        if (seen.contains(uid)) continue;
        seen << uid;
        const auto* folder = s->calendar(uid);
        if (!folder) continue;
        const auto calendar = std::make_shared<Calendar>(folder->calendar);
        for (const auto& record : folder->tasks) {
            auto task = detail::TaskAccess::make(*record, calendar, zone, *local);
            bool keep = true;
            switch (predicate.kind) {
                case TaskPredicate::Kind::All:
                    break;
                case TaskPredicate::Kind::CompletedSince:
                    keep = task->isCompleted() &&
                           (!predicate.date.isValid() || task->completedDate() >= predicate.date);
                    break;
                case TaskPredicate::Kind::Uncompleted:
                    keep = !task->isCompleted();
                    break;
                case TaskPredicate::Kind::UncompletedDueBefore:
                    keep = !task->isCompleted() && task->dueDate().isValid() &&
                           task->dueDate() < predicate.date;
                    break;
            }
            if (keep) out << task;
        }
    }
    return out;
}

TaskPtr Store::taskWithUID(const QString& uid) const {
    const auto s = snapshot();
    const QTimeZone zone = storeTimeZone();
    const auto local = ZoneTable::forTimeZone(zone);
    for (const auto& folder : s->calendars) {
        if (const auto record = folder->tasksByUid.value(uid))
            return detail::TaskAccess::make(*record, std::make_shared<Calendar>(folder->calendar),
                                            zone, *local);
    }
    return nullptr;
}

}  // namespace calstore
