#pragma once

#include "data/EventDay.h"
#include "data/YearViewTarget.h"
#include "data/appPref.h"
#include "platform/foundation/Threads.h"
#include "platform/store/Calendar.h"
#include "platform/store/Event.h"
#include "platform/store/Predicate.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// What the event search reports to, on the main thread: each hit, each hit
// withdrawn by narrowing, and the end of the work.
class EventFinderController {
public:
    virtual ~EventFinderController() = default;
    virtual void searchFoundEvent(const EventDayPtr& eventDay) = 0;
    // Hits reported together, in order (each one by default).
    virtual void searchFoundEvents(const std::vector<EventDayPtr>& eventDays) {
        for (const EventDayPtr& eventDay : eventDays) searchFoundEvent(eventDay);
    }
    virtual void invalidateFoundEvent(const EventDayPtr& eventDay) = 0;
    virtual void searchComplete() = 0;
};

// The event search: finds the events whose title, location, attendees, notes
// or identifier contain a text, restricted by the filters of the search
// options, either in the three year pages of the main window (quick search)
// or in the calendar store year by year (store search), and narrows the
// current hits as the text grows. Searching and narrowing run on threads of
// their own; the controller hears of them on the main thread.
//
// Each search has a generation; a new search and cancel start a new one, and a
// report of an older generation that reaches the main thread late is dropped,
// so a cleared or replaced search never adds hits to the controller's list.
class EventFinder final : public std::enable_shared_from_this<EventFinder> {
public:
    // Option keys.
    static inline const QString kQuickSearchMode = QStringLiteral("Quick Search Mode");
    static inline const QString kSearchFrom = QStringLiteral("Search From");
    static inline const QString kSearchTo = QStringLiteral("Search To");
    static inline const QString kFilterForEventType = QStringLiteral("Filter For Event Type");
    static inline const QString kEventType = QStringLiteral("Event Type");
    static inline const QString kFilterForRecurrenceType =
        QStringLiteral("Filter For Recurrence Type");
    static inline const QString kRecurrenceType = QStringLiteral("Recurrence Type");
    static inline const QString kFilterForCalendar = QStringLiteral("Filter For Calendar");
    static inline const QString kCalendar = QStringLiteral("Calendar");
    static inline const QString kCalendarUID = QStringLiteral("Calendar UID");
    static inline const QString kSearchInTitle = QStringLiteral("Search In Title");
    static inline const QString kSearchInLocation = QStringLiteral("Search In Location");
    static inline const QString kSearchInAttendees = QStringLiteral("Search In Attendees");
    static inline const QString kSearchInNotes = QStringLiteral("Search In Notes");
    static inline const QString kSearchInUid = QStringLiteral("Search In Uid");

    // The three year pages (past, current, future) of the main window, asked
    // for on the main thread when a quick search starts. Installed by the
    // application; without one a quick search finds nothing.
    using YearPagesProvider = std::function<std::vector<YearViewTargetPtr>()>;
    static void setYearPagesProvider(YearPagesProvider provider);

    // The store query of a store search (the store by default); tests record
    // the spans through it. It may throw calstore::StoreError.
    using StoreQuery = std::function<QList<calstore::EventPtr>(const calstore::EventPredicate&)>;
    void setStoreQuery(StoreQuery query);

    // Runs on each narrowing job's thread before it takes its copy of the hits
    // (tests hold jobs there).
    std::function<void()> beforeNarrowing;

    EventFinder() = default;
    static std::shared_ptr<EventFinder> sharedEventFinder();

    // Main thread. The controller must outlive its use (or be replaced first).
    void setController(EventFinderController* controller);
    bool isActive() const { return workers_ > 0 || isRunning_; }
    void setSearchOptions(const QVariantMap& options);
    QVariantMap searchOptions() const;
    void startFinding(const QString& text);
    void narrowSearch(const QString& text);
    void cancel();

    // Whether the record passes the filters and contains the current text.
    bool internalEventPassesFilter(const EventDayPtr& eventDay) const;

    // The current hits (a copy) and the generation of the current search.
    std::vector<EventDayPtr> workingSet() const;
    std::uint64_t generation() const { return generation_; }

    // The filters and the text as one job reads them, fixed when it starts.
    struct Criteria {
        QString text;
        bool filterEventType = false;
        int eventType = 0;
        bool filterRecurrence = false;
        int recurrenceType = 0;
        bool filterCalendar = false;
        std::optional<QString> calendarTitle;
        QString calendarUID;  // empty when the stored UID names no calendar of the model
        bool inTitle = false, inLocation = false, inAttendees = false, inNotes = false,
             inUid = false;
    };
    static bool passes(const Criteria& criteria, const EventDayPtr& eventDay);

private:
    Criteria criteria() const;
    // Refreshes a job's criteria when the text or options changed since it read them.
    void refresh(Criteria& criteria, int& version) const;
    void quickFind(std::uint64_t generation, const std::vector<YearViewTargetPtr>& pages);
    void calendarFind(std::uint64_t generation);
    void narrowSearchResults(std::uint64_t generation);
    void addHit(std::uint64_t generation, const EventDayPtr& eventDay);
    // Hands the hits not yet reported to the main thread, in one call; with
    // the lock held, so that they reach it before any withdrawal of them.
    void reportPendingHitsLocked();
    void reportPendingHits();
    void endOfSearchJob(std::uint64_t generation);
    // Hands a report to the main thread; there it reaches the controller only
    // while its search is still the current one.
    void report(std::uint64_t generation, std::function<void(EventFinderController&)> call);

    mutable foundation::Lock lock_;  // guards the fields below that are not atomic
    EventFinderController* controller_ = nullptr;
    QString searchString_;
    std::atomic<int> workers_{0};
    std::atomic<bool> isRunning_{false};
    std::atomic<bool> shouldStop_{false};
    std::vector<EventDayPtr> workingSet_;
    // Hits of the running search not yet handed to the main thread: they go
    // in batches, so that a search with many hits does not flood its queue.
    std::vector<EventDayPtr> pendingHits_;
    std::uint64_t pendingGeneration_ = 0;
    appPref searchOptions_;
    StoreQuery storeQuery_;
    std::atomic<std::uint64_t> generation_{0};
    // Counts changes of the text and options, so that a running job tests
    // each record against the ones that hold now.
    std::atomic<int> criteriaVersion_{0};
};
