// The loader's jobs on the marks of single days: marking days with a marker,
// removing all marks or one marker's marks from days, and moving or copying
// marks from one day to another; and what every job on marks and days shares.

#include "data/CalendarSources.h"
#include "data/EventDay.h"
#include "data/MyEventStore.h"
#include "data/YearViewEventLoader.h"
#include "data/YearViewEventLoaderJobOrder.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Threads.h"
#include "platform/store/StoreError.h"

#include <QHash>
#include <QSet>

#include <algorithm>

#include <exception>

using Stage = YearViewEventLoaderJobOrder::Stage;

namespace {

const QString kDeletingMarkerEvent = QStringLiteral("deleting marker event");
const QString kSavingMarkerEvent = QStringLiteral("saving marker event");

// The marker a mark names; null for other events, for the notes and for marks
// of markers no longer known.
EMarkerPtr markerOfEvent(const CalendarSources& sources, const calstore::EventPtr& event) {
    if (!event || !EventDay::isMarkLocation(event->location())) return nullptr;
    return sources.markerWithUID(event->location().mid(EventDay::kZoltPrefix.size()));
}

// Whether the day's entries hold a mark of a known marker of the group.
bool dayHoldsMarkOfGroup(const CalendarSources& sources, const YearViewTarget::EventList& entries,
                         int markerType) {
    for (const EventDayPtr& entry : entries) {
        const EMarkerPtr other = entry ? markerOfEvent(sources, entry->event()) : nullptr;
        if (other && YearViewEventLoader::markerTypesShareGroup(markerType, other->markerType()))
            return true;
    }
    return false;
}

// Whether a day of a job lies on the page. The page holds one year; a day of
// another year has no cell there, and its day and month would name a cell of a
// different date.
bool dayIsOnPage(const MyDatePtr& day, const YearViewTarget& view) {
    if (day && day->yearNum() == view.year()) return true;
    foundation::log(QStringLiteral("oops, day %1 is not on the year page of %2")
                        .arg(day ? day->description() : QStringLiteral("(none)"))
                        .arg(view.year()));
    return false;
}

// A copy of the event for the store to write into: a save makes the event it
// is given what the store holds, which must not happen to an event the page
// may be drawing at that moment.
calstore::EventPtr copyForSaving(const calstore::EventPtr& event) {
    return std::make_shared<calstore::Event>(*event);
}

// One key per event series of a calendar.
QString seriesKey(const calstore::EventPtr& event) {
    return (event->calendar() ? event->calendar()->uid() : QString()) + QLatin1Char('/') +
           event->uid();
}

}  // namespace

// --- What the jobs on marks and days share ---------------------------------------------

bool YearViewEventLoader::markerTypesShareGroup(int markerType, int otherMarkerType) {
    if (markerType == otherMarkerType) return true;
    // Types 8 and 9 draw the same kind of glyph: a day carries one of them.
    return (markerType == 8 && otherMarkerType == 9) || (markerType == 9 && otherMarkerType == 8);
}

calstore::EventPtr YearViewEventLoader::newMarkerEventForDay(const EMarker& marker,
                                                             const calstore::CalendarPtr& calendar,
                                                             const MyDatePtr& day) {
    auto event = calstore::Event::event();
    event->setCalendar(calendar);
    event->setTitle(marker.title());
    event->setStartDate(day->startOfDay()->nsDate());
    event->setEndDate(day->endOfDay()->nsDate());
    event->setIsAllDay(true);
    event->setLocation(EventDay::kZoltPrefix + marker.uID());
    return event;
}

void YearViewEventLoader::launchOrderedJob(void (YearViewEventLoader::*worker)()) {
    const YearViewEventLoaderPtr job(new YearViewEventLoader(year_));
    job->theView = theView;
    job->calendars = calendars;
    job->knownMarkers = knownMarkers;
    job->marker = marker;
    job->selectedDays = selectedDays;
    job->sourceDate = sourceDate;
    job->destDate = destDate;
    job->createCopies = createCopies;
    job->eventsToMove = eventsToMove;
    job->markerCalendar = markerCalendar;
    job->oldMarkerCalendar = oldMarkerCalendar;
    job->jobTurn_ = YearViewEventLoaderJobOrder::takeTurn();
    ++runningJobs_;
    foundation::startThread([self = shared_from_this(), job, worker] {
        beginActivity();
        job->runWorker(worker);
        endActivity();
        --self->runningJobs_;
    });
}

void YearViewEventLoader::showStoredEvents(const YearViewTargetPtr& view,
                                           const QStringList& uids) const {
    if (!view || uids.isEmpty()) return;
    const YearDays days(year_, foundation::UserCalendar::current());
    const auto sources = calendarSources();
    QSet<QString> done;
    for (const QString& uid : uids) {
        if (done.contains(uid)) continue;
        done.insert(uid);
        rereadEventUID(view, uid, days, sources);
    }
    view->threadedUpdateView();
}

bool YearViewEventLoader::removeStoredEventGuarded(const calstore::EventPtr& event,
                                                   const QString& words) {
    // The page's copy of an event may never have been read from the store (a
    // mark just made: the store saved a copy of it), or may be out of date (a
    // mark moved to another marker store). Remove what the store holds of that
    // series in that calendar now.
    calstore::EventPtr stored;
    if (event && event->calendar() && event->startDate().isValid()) {
        const QDateTime start = event->startDate();
        const QDateTime end =
            std::max(start, event->endDate().isValid() ? event->endDate() : start);
        try {
            const auto found = MyEventStore::eventsWithPredicate(
                MyEventStore::eventPredicateWithStartDateEndDateUIDCalendars(
                    start.addDays(-1), end.addDays(1), event->uid(), {event->calendar()}));
            if (!found.isEmpty()) stored = found.first();
        } catch (const calstore::StoreError&) {
            // The removal below reports the store's failure.
        } catch (const std::exception&) {
        }
    }
    return removeEventGuarded(stored ? stored : event, words);
}

void YearViewEventLoader::removeStoredEventsShowingFailures(const YearViewTargetPtr& view,
                                                            const QList<calstore::EventPtr>& events,
                                                            const QString& words) {
    addTasksToDo(int(events.size()));
    QStringList failed;
    for (const calstore::EventPtr& event : events) {
        if (!removeStoredEventGuarded(event, words)) failed << event->uid();
        tasksDone(1);
    }
    showStoredEvents(view, failed);
}

// --- Marking days ----------------------------------------------------------------------------

bool YearViewEventLoader::startMarkingDaysWithMarkerFromView(const std::vector<MyDatePtr>& days,
                                                             const EMarkerPtr& jobMarker,
                                                             const YearViewTargetPtr& view) {
    const auto sources = calendarSources();
    if (!sources || !jobMarker || !view) return false;
    const CalendarPtr store = sources->calendarWithUID(jobMarker->calendarUID());
    // Without its marker store the marker has nowhere to put its marks.
    if (!store || !store->calendar()) return false;
    selectedDays = days;
    marker = jobMarker;
    markerCalendar = store;
    theView = view;
    launchOrderedJob(&YearViewEventLoader::markDays);
    return true;
}

void YearViewEventLoader::markDays() {
    YearViewEventLoaderJobOrder order(jobTurn_);
    order.enter(Stage::Page);
    const auto sources = calendarSources();
    const YearViewTargetPtr view = theView;
    const calstore::CalendarPtr storeCalendar =
        markerCalendar ? markerCalendar->calendar() : nullptr;
    if (!sources || !view || !marker || !storeCalendar) return;

    std::vector<MyDatePtr> days;
    for (const MyDatePtr& day : selectedDays)
        if (dayIsOnPage(day, *view)) days.push_back(day);

    // Replace: the marks of the marker's group leave the days. Each old mark
    // notes the days it gives way on.
    QList<calstore::EventPtr> toRemove;
    QHash<QString, QList<int>> replacedOn;  // series key to indexes into `days`
    const int markerType = marker->markerType();
    for (int index = 0; index < int(days.size()); ++index) {
        const int dayNum = days[size_t(index)]->dayNum();
        const int monthNum = days[size_t(index)]->monthNum();
        const auto entries = view->eventsForDayAndMonth(dayNum, monthNum);
        for (const EventDayPtr& entry : *entries) {
            const calstore::EventPtr event = entry ? entry->event() : nullptr;
            const EMarkerPtr other = markerOfEvent(*sources, event);
            if (!other || !markerTypesShareGroup(markerType, other->markerType())) continue;
            const QString key = seriesKey(event);
            if (!replacedOn.contains(key)) toRemove << event;
            replacedOn[key] << index;
            view->threadedRemoveEventUIDFromDayInMonth(event->uid(), dayNum, monthNum);
            pauseAfterViewChange();
        }
    }

    // Add: one new mark per day.
    QList<calstore::EventPtr> toSave;
    for (const MyDatePtr& day : days) {
        marker->appliedToDate(day->startOfDay()->timeIntervalSince1970());
        const calstore::EventPtr mark = newMarkerEventForDay(*marker, storeCalendar, day);
        toSave << mark;
        view->threadedAddEventFromCalendarForDayInMonthInFullLoading(
            mark, markerCalendar, day->dayNum(), day->monthNum(), false);
        pauseAfterViewChange();
    }

    sources->saveMarkerConfig();
    view->threadedUpdateView();

    // The page stays this job's until the store is written, so that what a
    // failed write puts back is there before the next job reads the days.
    order.enter(Stage::Store);
    addTasksToDo(int(toRemove.size() + toSave.size()));
    // New before old: a day's marks go only once its new mark is saved, so a
    // save that fails never leaves the day without its mark.
    QStringList failed;
    std::vector<bool> saved(days.size(), false);
    for (qsizetype index = 0; index < toSave.size(); ++index) {
        const calstore::EventPtr& mark = toSave[index];
        saved[size_t(index)] = saveEventGuarded(copyForSaving(mark), kSavingMarkerEvent);
        if (!saved[size_t(index)]) failed << mark->uid();
        tasksDone(1);
    }
    for (const calstore::EventPtr& event : std::as_const(toRemove)) {
        const QList<int>& on = replacedOn[seriesKey(event)];
        const bool replaced =
            std::all_of(on.begin(), on.end(), [&](int index) { return saved[size_t(index)]; });
        if (!replaced || !removeStoredEventGuarded(event, kDeletingMarkerEvent))
            failed << event->uid();
        tasksDone(1);
    }
    showStoredEvents(view, failed);
}

// --- Removing marks from days ------------------------------------------------------------------

bool YearViewEventLoader::startRemovingAllMarksFromDaysFromView(const std::vector<MyDatePtr>& days,
                                                                const YearViewTargetPtr& view) {
    if (!view) return false;
    selectedDays = days;
    theView = view;
    launchOrderedJob(&YearViewEventLoader::removeMarksFromDays);
    return true;
}

bool YearViewEventLoader::startRemovingMarksOfMarkerFromDaysFromView(
    const EMarkerPtr& jobMarker, const std::vector<MyDatePtr>& days,
    const YearViewTargetPtr& view) {
    const auto sources = calendarSources();
    if (!sources || !jobMarker || !view) return false;
    const CalendarPtr store = sources->calendarWithUID(jobMarker->calendarUID());
    if (!store) return false;
    selectedDays = days;
    marker = jobMarker;
    theView = view;
    launchOrderedJob(&YearViewEventLoader::removeMarksOfMarkerFromDays);
    return true;
}

void YearViewEventLoader::removeMarksFromDays() {
    removeMarkEntriesFromDays(false);
}

void YearViewEventLoader::removeMarksOfMarkerFromDays() {
    removeMarkEntriesFromDays(true);
}

void YearViewEventLoader::removeMarkEntriesFromDays(bool onlyJobMarker) {
    YearViewEventLoaderJobOrder order(jobTurn_);
    order.enter(Stage::Page);
    const YearViewTargetPtr view = theView;
    if (!view || (onlyJobMarker && !marker)) return;
    const QString onlyLocation = onlyJobMarker ? EventDay::kZoltPrefix + marker->uID() : QString();

    QList<calstore::EventPtr> toRemove;
    QSet<QString> removing;
    for (const MyDatePtr& day : selectedDays) {
        if (!dayIsOnPage(day, *view)) continue;
        const int dayNum = day->dayNum();
        const int monthNum = day->monthNum();
        const auto entries = view->eventsForDayAndMonth(dayNum, monthNum);
        for (const EventDayPtr& entry : *entries) {
            const calstore::EventPtr event = entry ? entry->event() : nullptr;
            if (!event || !EventDay::isMarkLocation(event->location())) continue;
            if (onlyJobMarker && event->location() != onlyLocation) continue;
            if (!removing.contains(seriesKey(event))) {
                removing.insert(seriesKey(event));
                toRemove << event;
            }
            view->threadedRemoveEventUIDFromDayInMonth(event->uid(), dayNum, monthNum);
            pauseAfterViewChange();
        }
    }
    view->threadedUpdateView();

    order.enter(Stage::Store);
    removeStoredEventsShowingFailures(view, toRemove, kDeletingMarkerEvent);
}

// --- Moving and copying marks between days -------------------------------------------------------

bool YearViewEventLoader::startMovingEventsFromDayToDayCopyFromView(
    const QList<calstore::EventPtr>& events, const MyDatePtr& sourceDay,
    const MyDatePtr& destinationDay, bool copy, const YearViewTargetPtr& view) {
    if (!view || !destinationDay) return false;
    // Marks are dragged between the days of one page.
    if (!dayIsOnPage(destinationDay, *view)) return false;
    eventsToMove = events;
    sourceDate = sourceDay;
    destDate = destinationDay;
    createCopies = copy;
    theView = view;
    launchOrderedJob(&YearViewEventLoader::moveMarksBetweenDays);
    return true;
}

void YearViewEventLoader::moveMarksBetweenDays() {
    YearViewEventLoaderJobOrder order(jobTurn_);
    order.enter(Stage::Page);
    const auto sources = calendarSources();
    const YearViewTargetPtr view = theView;
    if (!sources || !view || !destDate) return;
    const int year = view->year();
    const bool copying = createCopies;
    const MyDatePtr working = MyDate::date();

    QList<calstore::EventPtr> moved;
    QSet<QString> moving;
    QList<calstore::EventPtr> made;
    // The new mark each moved mark gives way to (none when the destination
    // keeps a mark of its group).
    QHash<QString, QList<calstore::EventPtr>> madeFor;
    for (const calstore::EventPtr& event : std::as_const(eventsToMove)) {
        if (!event || !event->startDate().isValid()) continue;
        working->setNSDate(event->startDate());
        if (working->yearNum() != year || !EventDay::isMarkLocation(event->location())) continue;
        // A mark is taken off its day only when it can be made again on the
        // other: its marker gives the new mark's title and identifier, and the
        // model must know its calendar to show it.
        const EMarkerPtr markerOfMark = markerOfEvent(*sources, event);
        const CalendarPtr calendar =
            event->calendar() ? sources->calendarWithUID(event->calendar()->uid()) : nullptr;
        if (!markerOfMark || !calendar) {
            foundation::log(QStringLiteral("oops, mark %1 stays on its day: its %2 is not known")
                                .arg(event->location(), markerOfMark ? QStringLiteral("calendar")
                                                                     : QStringLiteral("marker")));
            continue;
        }
        if (!copying) {
            view->threadedRemoveEventUIDFromDayInMonth(event->uid(), working->dayNum(),
                                                       working->monthNum());
            if (!moving.contains(seriesKey(event))) {
                moving.insert(seriesKey(event));
                moved << event;
            }
        }
        // The destination keeps a mark of the group it already holds (new marks
        // of this run included).
        const auto entries = view->eventsForDayAndMonth(destDate->dayNum(), destDate->monthNum());
        if (dayHoldsMarkOfGroup(*sources, *entries, markerOfMark->markerType())) continue;
        markerOfMark->appliedToDate(destDate->startOfDay()->timeIntervalSince1970());
        const calstore::EventPtr mark =
            newMarkerEventForDay(*markerOfMark, event->calendar(), destDate);
        made << mark;
        if (!copying) madeFor[seriesKey(event)] << mark;
        view->threadedAddEventFromCalendarForDayInMonthInFullLoading(
            mark, calendar, destDate->dayNum(), destDate->monthNum(), false);
    }

    sources->saveMarkerConfig();
    view->threadedUpdateView();

    order.enter(Stage::Store);
    addTasksToDo(int(moved.size() + made.size()));
    // New before old: a mark leaves its day only once its new mark is saved.
    QStringList failed;
    QSet<QString> unsaved;
    for (const calstore::EventPtr& mark : std::as_const(made)) {
        if (!saveEventGuarded(copyForSaving(mark), kSavingMarkerEvent)) {
            failed << mark->uid();
            unsaved.insert(mark->uid());
        }
        tasksDone(1);
    }
    for (const calstore::EventPtr& event : std::as_const(moved)) {
        const QList<calstore::EventPtr>& replacements = madeFor.value(seriesKey(event));
        const bool replaced = std::none_of(
            replacements.begin(), replacements.end(),
            [&](const calstore::EventPtr& mark) { return unsaved.contains(mark->uid()); });
        if (!replaced || !removeStoredEventGuarded(event, kDeletingMarkerEvent))
            failed << event->uid();
        tasksDone(1);
    }
    showStoredEvents(view, failed);
}
