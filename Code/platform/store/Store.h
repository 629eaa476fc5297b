#pragma once

#include "platform/store/Calendar.h"
#include "platform/store/Event.h"
#include "platform/store/Predicate.h"
#include "platform/store/Task.h"

#include "platform/foundation/Threads.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace calstore {

namespace detail {
struct StoreSnapshot;
}

// The calendar store: a vdir on disk (one folder per calendar, one .ics file per
// event series, the calendar's title and colour in "displayname" and "color",
// our own calendar attributes in one more small file), read through libical
// into an in-memory index when the store is opened.
//
// Thread-safe: any thread may query while others do. Every query answers
// copies; each occurrence of a repeating event is an event of its own. Files
// the store cannot use are skipped with a "WARNING: " line naming them and are
// never changed.
class Store final {
public:
    // The store of the process, rooted at defaultRootPath(), opened on first use.
    static std::shared_ptr<Store> defaultStore();
    static std::shared_ptr<Store> defaultCalendarStore() { return defaultStore(); }
    // $ZOLT_STORE_DIR, else $XDG_DATA_HOME/zolt/calendars (~/.local/share/zolt/calendars).
    static QString defaultRootPath();
    // Opens (reads) the store rooted at `rootPath`; a missing folder is an empty store.
    static std::shared_ptr<Store> openAt(const QString& rootPath);

    QString rootPath() const;

    // Copies of the calendars, in the store's stable order.
    QList<CalendarPtr> calendars() const;
    CalendarPtr calendarWithUID(const QString& uid) const;

    static EventPredicate eventPredicateWithStartDateEndDateCalendars(
        const QDateTime& startDate, const QDateTime& endDate, const QList<CalendarPtr>& calendars);
    static EventPredicate eventPredicateWithStartDateEndDateUIDCalendars(
        const QDateTime& startDate, const QDateTime& endDate, const QString& uid,
        const QList<CalendarPtr>& calendars);
    // The events (occurrences) matching the predicate, by start.
    QList<EventPtr> eventsWithPredicate(const EventPredicate& predicate) const;
    // The occurrence of a series that the rule gave `occurrence` as its start; an
    // invalid `occurrence` (or a single event) gives the series' first one.
    EventPtr eventWithUIDOccurrence(const QString& uid, const QDateTime& occurrence) const;

    static TaskPredicate taskPredicateWithCalendars(const QList<CalendarPtr>& calendars);
    static TaskPredicate taskPredicateWithTasksCompletedSinceCalendars(
        const QDateTime& completedSince, const QList<CalendarPtr>& calendars);
    static TaskPredicate taskPredicateWithUncompletedTasks(const QList<CalendarPtr>& calendars);
    static TaskPredicate taskPredicateWithUncompletedTasksDueBeforeCalendars(
        const QDateTime& dueDate, const QList<CalendarPtr>& calendars);
    QList<TaskPtr> tasksWithPredicate(const TaskPredicate& predicate) const;
    TaskPtr taskWithUID(const QString& uid) const;

    // The files the last reading could not use.
    QStringList skippedFiles() const;

    // How many occurrences one series may give to one query; a rule producing
    // more (a runaway rule) is cut there and reported once.
    static constexpr int kMaxOccurrencesPerQuery = 20000;

    explicit Store(const QString& rootPath);

private:
    std::shared_ptr<const detail::StoreSnapshot> snapshot() const;

    mutable foundation::Lock lock_;
    std::shared_ptr<const detail::StoreSnapshot> snapshot_;
};

using StorePtr = std::shared_ptr<Store>;

}  // namespace calstore
