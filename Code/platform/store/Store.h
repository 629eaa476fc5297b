#pragma once

#include "platform/store/Calendar.h"
#include "platform/store/Event.h"
#include "platform/store/Group.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/Predicate.h"
#include "platform/store/Task.h"

#include "platform/foundation/Threads.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace calstore {

namespace detail {
struct StoreSnapshot;
struct StoreWriter;
class StoreWatcher;
}  // namespace detail

// Which occurrences of a repeating event a save or removal affects (the
// store's span codes). A single event is always affected as a whole.
enum class Span : int {
    ThisEvent = 0,     // this occurrence only
    FutureEvents = 1,  // this and every later occurrence
    AllEvents = 2,     // the whole series
};

// The calendar store: a vdir on disk (one folder per calendar, one .ics file per
// event series, the calendar's title and colour in "displayname" and "color",
// our own calendar attributes in one more small file), read through libical
// into an in-memory index when the store is opened.
//
// Thread-safe: any thread may query while others do. Every query answers
// copies; each occurrence of a repeating event is an event of its own. Files
// the store cannot use are skipped with a "WARNING: " line naming them and are
// never changed.
//
// Writes are atomic and one at a time. A file that changed on disk since the
// store read it is never overwritten: the write fails and says so. What the
// model does not hold (alarms, unknown properties, attendee parameters ...)
// survives every save. Saves and removals answer success, with a readable
// reason in `error` on failure, and log the failure; they throw StoreError only
// for a fault they cannot report that way.
//
// Changes that other programs make to the files are found by watching the
// folders and rescanning; they update the index and are posted (see the
// notifications below) on the main thread with the store as sender. The store's
// own writes are never reported as such changes.
class Store final : public std::enable_shared_from_this<Store> {
public:
    // Posted on the main thread, sender: the store, when other programs changed
    // events (tasks, calendars). User information: the UIDs under
    // insertedRecordsKey, updatedRecordsKey and deletedRecordsKey (QStringList
    // each; always all three, possibly empty).
    static inline const QString eventsChangedExternallyNotification =
        QStringLiteral("Store Events Changed");
    static inline const QString tasksChangedExternallyNotification =
        QStringLiteral("Store Tasks Changed");
    static inline const QString calendarsChangedExternallyNotification =
        QStringLiteral("Store Calendars Changed");
    // Posted on the main thread, sender: the store, when a store opened with
    // openInBackground has read its files.
    static inline const QString storeLoadedNotification = QStringLiteral("Store Loaded");
    // Posted on the main thread, sender: the store, when a store opened with
    // openInBackground knows all its calendars; their events follow.
    static inline const QString calendarsKnownNotification =
        QStringLiteral("Store Calendars Known");
    static inline const QString insertedRecordsKey = QStringLiteral("inserted");
    static inline const QString updatedRecordsKey = QStringLiteral("updated");
    static inline const QString deletedRecordsKey = QStringLiteral("deleted");

    // The store of the process, rooted at defaultRootPath(), opened on first use.
    static std::shared_ptr<Store> defaultStore();
    static std::shared_ptr<Store> defaultCalendarStore() { return defaultStore(); }
    // $ZOLT_STORE_DIR, else $XDG_DATA_HOME/zolt/calendars (~/.local/share/zolt/calendars).
    static QString defaultRootPath();
    // Opens (reads) the store rooted at `rootPath`; a missing folder is an empty store.
    static std::shared_ptr<Store> openAt(const QString& rootPath);
    // Makes the process's store one that reads its files on a thread of its own
    // (see openInBackground) and starts watching them once it has; answers it.
    // When the process's store is open already, answers that one.
    static std::shared_ptr<Store> openDefaultStoreInBackground();
    // A store rooted at `rootPath` whose files are read on a thread of its own:
    // first the calendars and groups (then it posts calendarsKnownNotification),
    // then the events calendar by calendar (see readEventsFirst). A calendar's
    // events are answered once all of them are in (see eventsProgress), never
    // a part. Writes and rescans wait for the whole reading; it posts
    // storeLoadedNotification when done.
    static std::shared_ptr<Store> openInBackground(const QString& rootPath);
    // Whether the store has read its files (always, for a store opened at once).
    bool isLoaded() const { return loaded_.load(); }
    // Whether the store knows all its calendars (their events may still come).
    bool calendarsKnown() const { return calendarsKnown_.load(); }
    // Returns once the store has read its files.
    void waitUntilLoaded() const;
    // The calendars whose events are still being read (by UID), and how many
    // calendars' events had arrived then. A calendar not awaited has all its
    // events in: a query made after this answers them.
    struct EventsProgress {
        QSet<QString> awaited;
        quint64 arrivals = 0;
    };
    EventsProgress eventsProgress() const;
    // Waits at most `seconds` until more events arrived than `progress` knew
    // of (at once when it awaited none).
    void waitForEventsAfter(const EventsProgress& progress, double seconds) const;
    // The calendars whose events a store still reading takes next, in this
    // order; the others follow in the store's order.
    void readEventsFirst(const QStringList& calendarUids);
    // Tests: called on the reading thread of a store opened in the background
    // before it reads each calendar's events (with the calendar's UID), so
    // that a test can hold the reading between calendars. Empty: none.
    static void setBeforeReadingEventsForTesting(std::function<void(const QString&)> hook);
    // Makes `store` the process's store (tests and tools); nullptr forgets it, so
    // that the next defaultStore() opens defaultRootPath() again.
    static void setDefaultStore(const std::shared_ptr<Store>& store);

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

    // --- Writing ---------------------------------------------------------------

    // Creates the calendar (a new folder, in the local group) or changes its
    // title, colour, notes, type, kind of items and order.
    bool saveCalendar(const CalendarPtr& calendar, QString* error = nullptr);
    // Removes the calendar with its events. Files in its folder that the store
    // could not read are not deleted: the folder is then kept aside, hidden.
    bool removeCalendar(const CalendarPtr& calendar, QString* error = nullptr);

    // Saves the event in its calendar with the span. A new event is added under
    // its UID (a fresh one when it has none); an event whose calendar changed
    // moves there. On success the event reflects what was stored (all-day
    // events, for instance, come back as whole days).
    bool saveEvent(const EventPtr& event, Span span, QString* error = nullptr);
    bool removeEvent(const EventPtr& event, Span span, QString* error = nullptr);
    bool saveTask(const TaskPtr& task, QString* error = nullptr);
    bool removeTask(const TaskPtr& task, QString* error = nullptr);

    // --- Account groups --------------------------------------------------------

    // The account groups: the local group always, and the groups the calendars
    // name. Copies.
    QList<GroupPtr> groups() const;
    GroupPtr groupWithUID(const QString& uid) const;
    // Stores the title, server URLs, e-mail address and full name of a group the
    // store has.
    bool saveGroup(const GroupPtr& group, QString* error = nullptr);
    // Forgets a group's details; its calendars move to the local group (which
    // cannot be removed).
    bool removeGroup(const GroupPtr& group, QString* error = nullptr);
    // The UID of the local group.
    static QString localGroupUID();

    // --- Managed-object layer ----------------------------------------------------

    // The calling thread's context of the managed-object layer for this store.
    ManagedObjectContextPtr managedObjectContextForCurrentThread();
    // The managed object an ID names as the store holds it now; none when it
    // does not exist. Used by the contexts.
    ManagedObjectPtr managedObjectWithID(const ManagedObjectID& id) const;
    // Gives one event component exactly these attendees. Used by the contexts.
    bool writeAttendees(const ManagedObjectID& id, const QList<AttendeePtr>& attendees,
                        QString* error = nullptr);

    // --- Changes from other programs -------------------------------------------

    // Watches the root and the calendar folders for changes by other programs
    // (on the main thread, which must have an event loop) and rescans after
    // each burst of them and now and then. The default store does this itself.
    void startWatching();
    // Compares the files on disk with the index now: takes in what other
    // programs added, changed or removed, and posts the change notifications.
    // Answers whether anything changed.
    bool rescan();

    // How many occurrences one series may give to one query; a rule producing
    // more (a runaway rule) is cut there and reported once.
    static constexpr int kMaxOccurrencesPerQuery = 20000;

    explicit Store(const QString& rootPath);
    struct ReadLater {};
    Store(const QString& rootPath, ReadLater);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

private:
    friend struct detail::StoreWriter;
    friend class detail::StoreWatcher;

    std::shared_ptr<const detail::StoreSnapshot> snapshot() const;
    void setSnapshot(std::shared_ptr<const detail::StoreSnapshot> snapshot);
    bool fail(QString* error, const QString& what, const QString& why) const;
    void scheduleRescan();
    void readInBackground(bool watch);

    mutable foundation::Lock lock_;  // guards snapshot_
    std::shared_ptr<const detail::StoreSnapshot> snapshot_;
    // Held by every write and rescan, so that the index always knows what the
    // store itself wrote before a rescan looks at the files.
    mutable foundation::Lock writeLock_;
    // Counts the writes (each ends with it, under the write lock), so that a
    // rescan made without the lock knows whether a write came between.
    std::atomic<quint64> writeGeneration_{0};
    QObject* watchContext_ = nullptr;  // lives on the main thread; owns the watcher
    std::atomic<bool> rescanQueued_{false};
    // Set once the files are read; writes and rescans wait for it.
    std::atomic<bool> loaded_{true};
    std::atomic<bool> calendarsKnown_{true};
    mutable std::mutex loadedMutex_;  // guards the three below
    QSet<QString> awaitedEvents_;
    quint64 eventArrivals_ = 0;
    QStringList eventsOrder_;
    mutable std::condition_variable loadedChanged_;
};

using StorePtr = std::shared_ptr<Store>;

}  // namespace calstore
