#pragma once

#include "data/Calendar.h"
#include "data/EMarker.h"
#include "data/LoaderProgressSink.h"
#include "data/MyDate.h"
#include "data/YearViewTarget.h"
#include "platform/foundation/Threads.h"
#include "platform/foundation/UserCalendar.h"
#include "platform/store/Event.h"
#include "platform/store/Predicate.h"
#include "platform/store/Store.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class CalendarSources;
class YearViewEventLoader;
using YearViewEventLoaderPtr = std::shared_ptr<YearViewEventLoader>;

// The one reader of store events for the year pages, and the frame in which
// every background job on the events of a year runs. One loader stands for one
// calendar year: it fills a year page with the events of its year, adds or
// removes the events of whole calendars, and re-reads single events after
// changes; the jobs on marks and days run in the same frame.
//
// A job is started by an operation whose name begins with "start": it stores
// its arguments in the loader and runs its worker on one new thread, holding
// the loader; it returns at once. The worker changes the page only through
// its threaded interface (YearViewTarget), writes the store through the store
// bridge, and reports progress through the class-wide task counts, which drive
// the main window's progress strip (always on the main thread, never waited
// for).
//
// Loaders of years are cached (eventLoaderForYear); one-off jobs run on loaders
// of their own (newEventLoaderForYear). A loader runs one population at a time:
// a new population start asks the running one to stop and begins once it has
// ended; the starter itself never waits.
class YearViewEventLoader final : public std::enable_shared_from_this<YearViewEventLoader> {
public:
    // Event change codes of the single-event updates.
    static constexpr int kEventInserted = 1;
    static constexpr int kEventChanged = 2;
    static constexpr int kEventDeleted = 3;

    // How many loaders the cache keeps between uses.
    static constexpr int kMaxCachedLoaders = 6;

    // --- Loaders of years --------------------------------------------------------
    // The cached loader of the year; made and cached on a miss. When the cache
    // then holds more than six loaders, the one cached first is dropped (asked
    // to stop its population). Looking a loader up does not renew it.
    static YearViewEventLoaderPtr eventLoaderForYear(int year);
    // A new loader of the year that is not cached, for one-off jobs.
    static YearViewEventLoaderPtr newEventLoaderForYear(int year);

    // --- The model the jobs work on ----------------------------------------------
    // The application's one CalendarSources, handed over by the application
    // delegate once it has made it; the jobs look calendars up there.
    static void setCalendarSources(const std::shared_ptr<CalendarSources>& sources);
    static std::shared_ptr<CalendarSources> calendarSources();

    // --- Progress of all jobs (class-wide) ----------------------------------------
    // The main window's progress strip with its indicator and text field; held
    // for the activity and task operations below. Null forgets it.
    static void setProgressIndicatorAndTextField(const std::shared_ptr<LoaderProgressSink>& sink);
    // A job begins: the strip is raised and shows the counts (a busy bar while
    // no task is announced).
    static void beginActivity();
    // A job ends: when no announced task is outstanding the strip is lowered,
    // even while other jobs still run (there is no count of running jobs).
    static void endActivity();
    // A job announces `count` tasks; the indicator shows the share done.
    static void addTasksToDo(int count);
    // A job finished `count` tasks. Reaching (or passing) the announced number
    // returns both counts to 0 and the indicator to a busy bar.
    static void tasksDone(int count);
    struct TaskCounts {
        int toDo = 0;
        int done = 0;
    };
    static TaskCounts taskCounts();

    ~YearViewEventLoader();
    YearViewEventLoader(const YearViewEventLoader&) = delete;
    YearViewEventLoader& operator=(const YearViewEventLoader&) = delete;

    int year() const { return year_; }
    // 1 January of the loader's year, 00:00 in the user's calendar.
    MyDatePtr firstDayInYear() const { return firstDayInYear_; }
    // A job of this loader has been started and has not finished.
    bool isRunning() const { return runningJobs_.load() > 0; }
    // A stop of the population has been asked for and no population has begun since.
    bool shouldStop() const { return shouldStop_.load(); }

    // --- Populations: the whole year into a page ---------------------------------
    // On a new thread: reads every calendar's events of the year and adds each to
    // the days it covers (the page's old contents are replaced), then has the
    // page redraw (threadedUpdateView). A running population of this loader is
    // asked to stop first; the new one begins when it has ended.
    void startPopulatingView(const YearViewTargetPtr& view);
    // The same for a page that is not shown; ends with threadedUpdateViewOffscreen.
    void startPopulatingOffscreen(const YearViewTargetPtr& view);
    // The same on the calling thread, returning when the page is filled. Not for
    // a thread that a running population could be waiting for.
    void populateView(const YearViewTargetPtr& view);
    // Asks the running population to stop at its next look; a stopped
    // population empties its page and logs the stop.
    void stopPopulating();

    // --- Jobs on calendars and single events ---------------------------------------
    // Drops the calendars' entries from every day of the page.
    void startRemovingCalsFromView(const std::vector<CalendarPtr>& calendars,
                                   const YearViewTargetPtr& view);
    // Adds the calendars' events of the year to the page (keeping what it has),
    // one task per event.
    void startPopulatingFromCalsToView(const std::vector<CalendarPtr>& calendars,
                                       const YearViewTargetPtr& view);
    // Re-reads single events: UID to event change code (1 inserted: added;
    // 2 changed: removed and added again; 3 deleted: removed), one task each.
    void startUpdatingEventsFromView(const QVariantMap& updatedEvents,
                                     const YearViewTargetPtr& view);

    // === Jobs on marks and days (YearViewEventLoaderMarking.cpp, ...Days.cpp,
    // ...Markers.cpp) ==================================================================
    // Each starter answers whether it started its job. The job changes the page
    // first (through its threaded interface) and asks for the redraw, then
    // writes the store, one guarded call and one finished task per event. Where
    // a write fails, the page then shows the events concerned as the store
    // holds them. A mark gives way to a new one only once the new one is saved
    // (new before old), so a failed save never leaves a day without its mark.
    // Jobs on marks and days run one after another in the order they were
    // started (YearViewEventLoaderJobOrder), each with its own copy of the
    // starter's fields; the calling thread never waits for them. Start each on
    // a loader of its own (newEventLoaderForYear of the page's year).
    //
    // A mark is a marker event: an all-day event of one day in the marker's
    // marker store, titled like the marker, whose location is "Zolt:" followed
    // by the marker's identifier. Two markers are of one group when their
    // marker types are equal, or one is of type 8 and the other of type 9.

    // Which calendars a day deletion removes events from: every calendar of the
    // model, or one calendar named by its identifier (titles are not unique).
    struct DeletionCalendars {
        static DeletionCalendars allCalendars() { return {true, QString()}; }
        static DeletionCalendars calendarWithUID(const QString& uid) { return {false, uid}; }
        bool all = false;
        QString uid;
    };

    static bool markerTypesShareGroup(int markerType, int otherMarkerType);
    // A new marker event (not saved) for the day of `day` in `calendar`.
    static calstore::EventPtr newMarkerEventForDay(const EMarker& marker,
                                                   const calstore::CalendarPtr& calendar,
                                                   const MyDatePtr& day);

    // Marks the days with the marker: on each day the marks of the marker's
    // group give way to one new mark. The marker's applied span widens and is
    // saved. No job when the marker's marker store is unknown.
    bool startMarkingDaysWithMarkerFromView(const std::vector<MyDatePtr>& days,
                                            const EMarkerPtr& marker,
                                            const YearViewTargetPtr& view);
    // Removes every "Zolt:" event of the days: marks of any marker, marks of
    // markers no longer known, and the notes.
    bool startRemovingAllMarksFromDaysFromView(const std::vector<MyDatePtr>& days,
                                               const YearViewTargetPtr& view);
    // Removes the marker's marks from the days. No job when the marker's marker
    // store is unknown.
    bool startRemovingMarksOfMarkerFromDaysFromView(const EMarkerPtr& marker,
                                                    const std::vector<MyDatePtr>& days,
                                                    const YearViewTargetPtr& view);
    // Moves (or copies) the marks, events of one day of the page, to the
    // destination day; a mark is not placed on a day that holds a mark of its
    // group. Marks whose marker or calendar is unknown stay where they are.
    bool startMovingEventsFromDayToDayCopyFromView(const QList<calstore::EventPtr>& events,
                                                   const MyDatePtr& sourceDay,
                                                   const MyDatePtr& destinationDay, bool copy,
                                                   const YearViewTargetPtr& view);
    // Removes every mark of the marker from every store calendar, searched over
    // the marker's applied span in windows of three years. The page (may be
    // null) loses those of its year.
    bool startRemovingMarksFromView(const EMarkerPtr& marker, const YearViewTargetPtr& view);
    // Moves every mark of the marker from its old marker store to the one the
    // marker names now. No job without the old store; none, with a log line,
    // when the new one does not exist.
    bool startMovingMarksFromCalFromView(const EMarkerPtr& marker, const CalendarPtr& oldCalendar,
                                         const YearViewTargetPtr& view);
    // Deletes the events of the days (as the page shows them) that belong to
    // the chosen calendars, each event once, with all its occurrences. No job,
    // with a log line, when the calendar is unknown.
    bool startDeletingEventsFromDaysFromCalendarFromView(const std::vector<MyDatePtr>& days,
                                                         const DeletionCalendars& chosen,
                                                         const YearViewTargetPtr& view);
    // The consistency check: removes the marks of no known marker from every
    // calendar over the 21 years around the loader's year. The page (may be
    // null) loses those of its year.
    bool startRemovingOrphanedMarksForMarkersAndView(const std::vector<EMarkerPtr>& markers,
                                                     const YearViewTargetPtr& view);
    // === End of the jobs on marks and days ============================================

    // --- The event-day walk every job that adds events uses -----------------------
    // Adds the event with its calendar to every day of the loader's year that it
    // covers, from its start day to the day of its last second (an event ending
    // at midnight is not on the day that midnight begins; one ending before it
    // starts is on its start day only); days of other years are never added.
    // Answers the number of days it was added to.
    int walkEventDays(const YearViewTargetPtr& view, const calstore::EventPtr& event,
                      const CalendarPtr& calendar, bool fullLoading,
                      bool pauseAfterEachAdd = false) const;

    // === Single-event writers (YearViewEventLoaderWriters.cpp) =====================
    // What every editor and view uses to change one event: each runs at once on
    // the calling thread, writes the store, changes the given year page where
    // it knows it (only the days of the page's year), and tells the rest of the
    // system what changed through "Event Data Changed" and/or a change report
    // (UID to event change code) to the main window's eventsUpdated. Each
    // answers whether its store write succeeded; a failed write is logged, is
    // never announced as a change, and leaves the page as it was.
    //
    // The events handed in are never changed: they are the page's, read by job
    // threads and offscreen renders at any time. The store writes into a copy,
    // which takes the event's place on the page, and in the notification, once
    // it is saved. Callers take the saved event from there for later changes.

    // Posted through the default notification centre, synchronously on the
    // writing thread (which is not always the main thread: the find panel
    // deletes found events from a thread of its own, and the merging of store
    // changes delivers on the thread the store posts on). Observers that touch
    // widgets must hop to the main thread themselves (foundation::onMain).
    // Sender: notificationSender() for the writers, the CalendarSources object
    // for merged store changes. User information:
    //   "changes": "startDate", "endDate", "dates", "updated", "deleted" or "unknown"
    //   "event":   the changed calstore::EventPtr; a null EventPtr with "updated"
    //              and "deleted"
    //   "uid":     the event's UID (with "updated" the new one); absent with
    //              "startDate", "endDate" and "dates"
    //   "old-uid": with "updated" only, the UID of the replaced event
    static inline const QString eventDataChangedNotification = QStringLiteral("Event Data Changed");
    static inline const QString kChangesKey = QStringLiteral("changes");
    static inline const QString kEventKey = QStringLiteral("event");
    static inline const QString kUIDKey = QStringLiteral("uid");
    static inline const QString kOldUIDKey = QStringLiteral("old-uid");
    // The sender of the writers' notifications (the class itself).
    static const void* notificationSender();

    // The location of a day's notes event (readers compare the whole text).
    static inline const QString kNotesLocation = QStringLiteral("Zolt:Notes");

    // Writes the notes of `date`'s day: changes the day's notes event (`event`,
    // whose Calendar is looked up when `calendar` is null) or makes a new one in
    // `calendar` (an all-day event titled "notesHeadline", location "Zolt:Notes",
    // from the date to 23:59:59 of its day); empty notes remove the event. The
    // page's day shows the result before the store is written. Posts nothing.
    static bool updateNotesForEventOnCalOnDateOnView(const QString& notes,
                                                     const calstore::EventPtr& event,
                                                     const CalendarPtr& calendar,
                                                     const MyDatePtr& date,
                                                     const YearViewTargetPtr& view);
    // A new start (end) from dragging in the week view: the page's days of the
    // event are redone, the event saved (this occurrence) and, when that
    // succeeded, "startDate" ("endDate") posted. `saved`, when given, receives
    // the copy the store now holds (the caller's event stays as it was).
    static bool updateStartTimeForEventOnCalOnView(const QDateTime& start,
                                                   const calstore::EventPtr& event,
                                                   const CalendarPtr& calendar,
                                                   const YearViewTargetPtr& view,
                                                   calstore::EventPtr* saved = nullptr);
    static bool updateEndTimeForEventOnCalOnView(const QDateTime& end,
                                                 const calstore::EventPtr& event,
                                                 const CalendarPtr& calendar,
                                                 const YearViewTargetPtr& view,
                                                 calstore::EventPtr* saved = nullptr);
    // Both dates after a move: saved (this occurrence), "dates" posted when that
    // succeeded, and the event reported as changed (2) either way, so the pages
    // show what the store holds.
    static bool updateStartTimeAndEndTimeForEvent(const QDateTime& start, const QDateTime& end,
                                                  const calstore::EventPtr& event);
    // Replaces an edited event (all occurrences). With equal UIDs `newEvent` (a
    // copy of `oldEvent` with the edits) is saved in place and reported as 2;
    // with different UIDs `newEvent` is saved first and `oldEvent` removed only
    // after that save succeeded, reported as {old: 3, new: 1}. Then "updated" is
    // posted. The new data and its attendees are one step: when either cannot
    // be written, the saved data is taken back, the old event stays as it was,
    // nothing is announced and the answer is NO. When only the removal of the
    // old event fails, both stay: the new one is announced and the answer is NO.
    // Attendees are written only where the store's extended layer exists.
    static bool updateEventWithEventAndAttendees(const calstore::EventPtr& oldEvent,
                                                 const calstore::EventPtr& newEvent,
                                                 const QList<calstore::AttendeePtr>& attendees);
    static bool updateEventWithEvent(const calstore::EventPtr& oldEvent,
                                     const calstore::EventPtr& newEvent);
    // Removes the event of the record from the store (all occurrences), posts
    // "deleted" and reports it as 3. A record that is new (not in the store yet)
    // is only reported. A removal that fails posts nothing and reports the
    // event as changed (2), so the pages keep showing it. Any thread.
    static bool deleteEvent(const EventDayPtr& eventDay);
    // The same for an event without a record (the editor closing).
    static bool deleteEventC(const calstore::EventPtr& event);
    // Saves an event the week view just created (this occurrence); the view
    // shows it already, so nothing is announced. Where the page lists the
    // event object itself, the saved copy takes its place; `saved`, when
    // given, receives that copy.
    static bool storeNewlyCreatedEventOnCalOnView(const calstore::EventPtr& event,
                                                  const CalendarPtr& calendar,
                                                  const YearViewTargetPtr& view,
                                                  calstore::EventPtr* saved = nullptr);
    // Whether attendees can be written (the store's managed-object layer).
    static bool canHandleAttendees();

    // --- Guarded store calls, also for the sheets that write the store themselves
    // One guarded store query: the events, or none after logging "ERROR:
    // querying calendar failed with exception ..." when the store raised.
    static std::optional<QList<calstore::EventPtr>> queryGuarded(
        const calstore::EventPredicate& predicate);
    // One guarded store write each: a NO logs "ERROR: <words> failed!", an
    // exception "ERROR: <words> failed with exception <reason>"; either answers NO.
    static bool saveEventGuarded(const calstore::EventPtr& event, const QString& words,
                                 calstore::Span span = calstore::Span::ThisEvent);
    static bool removeEventGuarded(const calstore::EventPtr& event, const QString& words,
                                   calstore::Span span = calstore::Span::AllEvents);
    // === End of the single-event writers =============================================

private:
    explicit YearViewEventLoader(int year);  // initWithYear

    enum class Population { View, Offscreen, Synchronous };
    class YearDays;

    // --- Population
    void startPopulation(Population kind, const YearViewTargetPtr& view);
    // Waits for the population before it, then runs this one unless a later
    // start has taken its place meanwhile.
    void runPopulation(Population kind, unsigned ticket, const YearViewTargetPtr& view);
    void populateYear(Population kind, const YearViewTargetPtr& view);

    // --- Workers (on the job's thread, started by launchJob)
    void removeCals();
    void addCals();
    void updateEvents();

    // --- Workers of the jobs on marks and days, and what they share
    void markDays();
    void removeMarksFromDays();
    void removeMarksOfMarkerFromDays();
    void moveMarksBetweenDays();
    void removeMarks();
    void moveMarks();
    void deleteEventsFromDays();
    void removeOrphanedMarks();
    // Takes the job's turn and launches the worker on a loader of the job's own
    // that carries the turn and a copy of the fields the starter set, so that a
    // second start on this loader changes nothing a running job reads (nor its
    // place in line). This loader counts as running until the job has ended.
    void launchOrderedJob(void (YearViewEventLoader::*worker)());
    // After store writes that failed: the page lists the events of these UIDs
    // as the store holds them now (none where it holds none), and redraws.
    void showStoredEvents(const YearViewTargetPtr& view, const QStringList& uids) const;
    // Takes the UID's entries off every day of the page and adds what the store
    // holds of it in the loader's year (over all store calendars).
    void rereadEventUID(const YearViewTargetPtr& view, const QString& uid, const YearDays& days,
                        const std::shared_ptr<CalendarSources>& sources) const;
    // Adds what the store holds of the UID in the loader's year to the page.
    void addStoredEventUID(const YearViewTargetPtr& view, const QString& uid, const YearDays& days,
                           const std::shared_ptr<CalendarSources>& sources) const;
    // Removes the "Zolt:" entries of the selected days (only the job marker's
    // when `onlyJobMarker`) from the page and then from the store.
    void removeMarkEntriesFromDays(bool onlyJobMarker);
    // The marks of the job marker over its applied span, in the given calendars
    // (null: every store calendar, asked anew for each window); each once.
    QList<calstore::EventPtr> marksOfMarkerInAppliedSpan(
        const std::optional<QList<calstore::CalendarPtr>>& calendars) const;
    // Removes the event as the store holds it now (found by its UID when the
    // page's copy was never read from the store, or is out of date).
    static bool removeStoredEventGuarded(const calstore::EventPtr& event, const QString& words);
    // Removes the events from the store (one task each) and has the page show
    // those whose removal failed as the store still holds them.
    void removeStoredEventsShowingFailures(const YearViewTargetPtr& view,
                                           const QList<calstore::EventPtr>& events,
                                           const QString& words);

    // --- The job frame, shared by every job of the class
    // Counts a job of this loader running and runs `worker` on a new thread that
    // holds the loader, between beginActivity and endActivity; the job counts as
    // finished after its endActivity. The starter has stored the job's fields.
    void launchJob(void (YearViewEventLoader::*worker)());
    // Runs a worker; whatever escapes it is logged, so that the job still ends.
    void runWorker(void (YearViewEventLoader::*worker)());
    // The span of the loader's year: 1 January 00:00 up to (not including)
    // 1 January 00:00 of the next year.
    QDateTime yearStart() const;
    QDateTime yearEnd() const;
    // The calendar's events of the loader's year, guarded as above; none for a
    // calendar that has no store calendar (yet).
    std::optional<QList<calstore::EventPtr>> eventsOfCalendarInYear(
        const CalendarPtr& calendar) const;
    // The days of the loader's year in the user's calendar, made once per job:
    // where each day begins, so that the walk finds an instant's day without
    // asking the time zone again.
    class YearDays {
    public:
        YearDays(int year, const foundation::UserCalendar& userCalendar);
        int count() const { return int(days_.size()); }
        // The index of the day holding the instant; -1 before the year, count()
        // after it.
        int indexOf(qint64 msecsSinceEpoch) const;
        // The day of the month and the month of a day of the year, read once for
        // all the events that a population walks over it.
        struct Day {
            int day = 0;
            int month = 0;
        };
        Day day(int index) const { return days_[size_t(index)]; }

    private:
        std::vector<qint64> starts_;  // each day's 00:00, then the next year's
        std::vector<Day> days_;
    };
    int walkEventDays(const YearViewTargetPtr& view, const calstore::EventPtr& event,
                      const CalendarPtr& calendar, const YearDays& days, bool fullLoading,
                      bool pauseAfterEachAdd) const;
    // Lets other threads (the main thread drawing) run after a change of the page.
    static void pauseAfterViewChange();

    // --- Fields the starters set and the workers read
    const MyDatePtr firstDayInYear_;
    const int year_;
    YearViewTargetPtr theView;
    std::vector<CalendarPtr> calendars;
    std::vector<EMarkerPtr> knownMarkers;
    EMarkerPtr marker;
    QVariantMap updatedEvents;
    std::vector<MyDatePtr> selectedDays;
    std::atomic<bool> shouldStop_{false};
    std::atomic<int> runningJobs_{0};
    MyDatePtr sourceDate;
    MyDatePtr destDate;
    bool createCopies = false;
    // The jobs on marks and days: the marks to move between days, the marker
    // store the marks go to (the marker's own, for marking), the one they
    // leave, and the job's place in line.
    QList<calstore::EventPtr> eventsToMove;
    CalendarPtr markerCalendar;
    calstore::CalendarPtr oldMarkerCalendar;
    quint64 jobTurn_ = 0;

    // Covers stopPopulating and the hand-over from one population to the next.
    mutable foundation::Lock lock_;
    // Held by a population for the whole of its run, so populations of one
    // loader never overlap (a stopped one has emptied its page before the next
    // one adds).
    std::mutex populationRun_;
    // The latest population asked for (under lock_); an earlier one that has not
    // begun yet when it is asked for is dropped.
    unsigned populationTicket_ = 0;
};
