// The loader's jobs that read the store into a year page: populations of the
// whole year, adding and removing whole calendars, and re-reading single events.

#include "data/CalendarSources.h"
#include "data/EventDay.h"
#include "data/MyEventStore.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Memory.h"
#include "platform/store/StoreError.h"

#include <exception>
#include <utility>

namespace {

std::vector<CalendarPtr> allCalendarsOfModel() {
    const auto sources = YearViewEventLoader::calendarSources();
    if (!sources) return {};
    const QList<CalendarPtr> all = sources->allCalendars();
    return std::vector<CalendarPtr>(all.begin(), all.end());
}

}  // namespace

// --- Populations ----------------------------------------------------------------------

void YearViewEventLoader::startPopulatingView(const YearViewTargetPtr& view) {
    startPopulation(Population::View, view);
}

void YearViewEventLoader::startPopulatingOffscreen(const YearViewTargetPtr& view) {
    startPopulation(Population::Offscreen, view);
}

void YearViewEventLoader::populateView(const YearViewTargetPtr& view) {
    startPopulation(Population::Synchronous, view);
}

void YearViewEventLoader::stopPopulating() {
    foundation::Guard guard(lock_);
    shouldStop_ = true;
}

// A population start never waits for the one running: it asks it to stop and
// leaves the waiting to the new job's thread, so the main thread, which starts
// most populations, is never held up by a loader. Only populateView waits, as
// it fills the page on the calling thread.
void YearViewEventLoader::startPopulation(Population kind, const YearViewTargetPtr& view) {
    unsigned ticket = 0;
    {
        foundation::Guard guard(lock_);
        ticket = ++populationTicket_;
        if (isRunning()) shouldStop_ = true;
        ++runningJobs_;
    }
    if (kind == Population::Synchronous) {
        runPopulation(kind, ticket, view);
        return;
    }
    foundation::startThread([self = shared_from_this(), kind, ticket, view] {
        self->runPopulation(kind, ticket, view);
    });
}

void YearViewEventLoader::runPopulation(Population kind, unsigned ticket,
                                        const YearViewTargetPtr& view) {
    std::lock_guard<std::mutex> run(populationRun_);
    // The page this loader filled before may be held by nobody else: taking it
    // apart (every entry and event of a year) waits until the new page shows.
    YearViewTargetPtr previous;
    {
        foundation::Guard guard(lock_);
        const bool latest = ticket == populationTicket_;
        // A later start took this one's place before it began: it would only be
        // stopped at once. (The page filled on the calling thread is filled all
        // the same; its caller waits for it.)
        if (!latest && kind != Population::Synchronous) {
            --runningJobs_;
            return;
        }
        if (latest) shouldStop_ = false;
        previous = std::exchange(theView, view);
    }
    if (kind == Population::Synchronous) {
        populateYear(kind, view);
    } else {
        beginActivity();
        populateYear(kind, view);
        endActivity();
    }
    // What the population and the page it replaced let go of goes back to the
    // system (not from the calling thread of a synchronous one: the main thread).
    previous.reset();
    if (kind != Population::Synchronous) foundation::releaseFreedMemory();
    --runningJobs_;
}

void YearViewEventLoader::populateYear(Population kind, const YearViewTargetPtr& view) {
    if (!view) return;
    const bool polls = kind != Population::Synchronous;
    // A population never gives up its core between adds: the main thread draws
    // on a core of its own, and on a busy machine every yield of a job costs
    // it a whole time slice.
    const bool pauses = false;
    const YearDays days(year_, foundation::UserCalendar::current());
    const EventDay::UserZoneScope zone;
    calendars = allCalendarsOfModel();

    // A store still reading hands out each calendar's events whole once they
    // are in: the calendars are taken in the model's order as they arrive, each
    // once (so that every day lists its entries as a full load would), and the
    // shown page is redrawn with what it has after each arrival.
    const calstore::StorePtr store = MyEventStore::defaultCalendarStore();
    std::vector<CalendarPtr> waiting = calendars;
    int added = 0;
    bool stopped = false;
    while (!waiting.empty() && !stopped) {
        const auto progress = store ? store->eventsProgress() : calstore::Store::EventsProgress();
        std::vector<CalendarPtr> later;
        const int addedBefore = added;
        for (const CalendarPtr& calendar : waiting) {
            if (polls && shouldStop_) {
                stopped = true;
                break;
            }
            const calstore::CalendarPtr storeCalendar = calendar ? calendar->calendar() : nullptr;
            if (!later.empty() ||
                (storeCalendar && progress.awaited.contains(storeCalendar->uid()))) {
                later.push_back(calendar);
                continue;
            }
            const auto events = eventsOfCalendarInYear(calendar);
            if (!events) continue;
            for (const calstore::EventPtr& event : *events) {
                if (polls && shouldStop_) {
                    stopped = true;
                    break;
                }
                added += walkEventDays(view, event, calendar, days, true, pauses);
            }
            if (stopped) break;
        }
        waiting.swap(later);
        if (stopped || waiting.empty()) break;
        if (kind == Population::View && added > addedBefore) view->threadedShowPartialLoad();
        store->waitForEventsAfter(progress, 0.05);
    }

    if (stopped) {
        view->invalidateEvents();
        foundation::log(
            kind == Population::Offscreen
                ? QStringLiteral("oops, stopping offscreen event population for year %1")
                      .arg(view->year())
                : QStringLiteral("oops, stopping event population for year %1").arg(view->year()));
        return;
    }
    // A full load replaces the page's contents with its first add; a year that
    // has no events (any more) must not keep showing what it showed before.
    if (added == 0) view->invalidateEvents();
    if (kind == Population::Offscreen)
        view->threadedUpdateViewOffscreen();
    else
        view->threadedUpdateView();
}

// --- Calendars ----------------------------------------------------------------------------

void YearViewEventLoader::startRemovingCalsFromView(const std::vector<CalendarPtr>& cals,
                                                    const YearViewTargetPtr& view) {
    theView = view;
    calendars = cals;
    launchJob(&YearViewEventLoader::removeCals);
}

void YearViewEventLoader::startPopulatingFromCalsToView(const std::vector<CalendarPtr>& cals,
                                                        const YearViewTargetPtr& view) {
    theView = view;
    calendars = cals;
    launchJob(&YearViewEventLoader::addCals);
}

void YearViewEventLoader::removeCals() {
    if (!theView) return;
    for (const CalendarPtr& calendar : calendars)
        for (int month = 1; month <= 12; ++month)
            for (int day = 1; day <= 31; ++day)
                theView->threadedRemoveCalendarForDayInMonth(calendar, day, month);
    theView->threadedUpdateView();
}

void YearViewEventLoader::addCals() {
    if (!theView) return;
    const YearDays days(year_, foundation::UserCalendar::current());
    const EventDay::UserZoneScope zone;
    for (const CalendarPtr& calendar : calendars) {
        const auto events = eventsOfCalendarInYear(calendar);
        if (!events) continue;
        addTasksToDo(int(events->size()));
        for (const calstore::EventPtr& event : *events) {
            walkEventDays(theView, event, calendar, days, false, true);
            tasksDone(1);
        }
    }
    theView->threadedUpdateView();
}

// --- Single events --------------------------------------------------------------------------

void YearViewEventLoader::startUpdatingEventsFromView(const QVariantMap& events,
                                                      const YearViewTargetPtr& view) {
    theView = view;
    updatedEvents = events;
    launchJob(&YearViewEventLoader::updateEvents);
}

void YearViewEventLoader::updateEvents() {
    if (!theView) return;
    const YearDays days(year_, foundation::UserCalendar::current());
    const auto sources = calendarSources();
    addTasksToDo(int(updatedEvents.size()));
    for (auto it = updatedEvents.constBegin(); it != updatedEvents.constEnd(); ++it) {
        const QString& uid = it.key();
        const int code = it.value().toInt();
        if (code == kEventChanged) {
            rereadEventUID(theView, uid, days, sources);
        } else if (code == kEventDeleted) {
            for (int month = 1; month <= 12; ++month)
                for (int day = 1; day <= 31; ++day)
                    theView->threadedRemoveEventUIDFromDayInMonth(uid, day, month);
        } else if (code == kEventInserted) {
            addStoredEventUID(theView, uid, days, sources);
        }
        tasksDone(1);
    }
    theView->threadedUpdateView();
}

void YearViewEventLoader::rereadEventUID(const YearViewTargetPtr& view, const QString& uid,
                                         const YearDays& days,
                                         const std::shared_ptr<CalendarSources>& sources) const {
    for (int month = 1; month <= 12; ++month)
        for (int day = 1; day <= 31; ++day)
            view->threadedRemoveEventUIDFromDayInMonth(uid, day, month);
    addStoredEventUID(view, uid, days, sources);
}

void YearViewEventLoader::addStoredEventUID(const YearViewTargetPtr& view, const QString& uid,
                                            const YearDays& days,
                                            const std::shared_ptr<CalendarSources>& sources) const {
    std::optional<QList<calstore::EventPtr>> found;
    QString reason;
    try {
        found = queryGuarded(MyEventStore::eventPredicateWithStartDateEndDateUIDCalendars(
            yearStart(), yearEnd(), uid, MyEventStore::calendars()));
    } catch (const calstore::StoreError& error) {
        reason = error.reason();
    } catch (const std::exception& error) {
        reason = QString::fromUtf8(error.what());
    }
    if (!reason.isNull())
        foundation::log(QStringLiteral("ERROR: querying calendar failed with exception ") + reason);
    for (const calstore::EventPtr& event : found.value_or(QList<calstore::EventPtr>())) {
        const calstore::CalendarPtr storeCalendar = event ? event->calendar() : nullptr;
        const CalendarPtr calendar =
            sources && storeCalendar ? sources->calendarWithUID(storeCalendar->uid()) : nullptr;
        if (!calendar) {
            foundation::log(QStringLiteral(
                "oops, didn't find the calendar for this event to be updated/inserted!"));
            break;
        }
        walkEventDays(view, event, calendar, days, false, true);
    }
}
