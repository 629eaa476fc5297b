// The loader's jobs on all the marks of one marker, wherever they lie in time:
// removing them (the marker is deleted with its marks) and moving them to
// another marker store (the marker was given another one).

#include "data/CalendarSources.h"
#include "data/EventDay.h"
#include "data/MyEventStore.h"
#include "data/YearViewEventLoader.h"
#include "data/YearViewEventLoaderJobOrder.h"
#include "platform/foundation/Log.h"
#include "platform/store/StoreError.h"

#include <QSet>

#include <exception>

using Stage = YearViewEventLoaderJobOrder::Stage;

namespace {

// How many windows of three years a search looks through at most: a span
// beyond that comes from a damaged setting, not from marks anyone made.
constexpr int kMaxSearchWindows = 400;

// Saves a mark that changed its marker store; the two failure lines name the
// write differently.
bool saveMovedMarkGuarded(const calstore::EventPtr& event) {
    QString reason;
    try {
        QString error;
        if (MyEventStore::saveEventSpanError(event, calstore::Span::ThisEvent, &error)) return true;
        foundation::log(QStringLiteral("ERROR: updateing marker event to new calendar failed!"));
        return false;
    } catch (const calstore::StoreError& error) {
        reason = error.reason();
    } catch (const std::exception& error) {
        reason = QString::fromUtf8(error.what());
    }
    foundation::log(QStringLiteral("ERROR: updating marker event failed with exception ") + reason);
    return false;
}

}  // namespace

QList<calstore::EventPtr> YearViewEventLoader::marksOfMarkerInAppliedSpan(
    const std::optional<QList<calstore::CalendarPtr>>& searched) const {
    QList<calstore::EventPtr> found;
    if (!marker) return found;
    const QString location = EventDay::kZoltPrefix + marker->uID();
    const double latest = marker->latestMarkerApplied();
    QSet<QString> seen;
    QString reason;
    try {
        MyDatePtr windowStart =
            MyDate::dateWithTimeIntervalSince1970(marker->earliestMarkerApplied())->startOfDay();
        for (int window = 0; window < kMaxSearchWindows; ++window) {
            // A window ends with the last second of the day three years after its
            // start; the next one begins there. A mark on a window's last day lies
            // in both: it is taken once.
            const MyDatePtr windowEnd =
                windowStart->dateByAddingYearsMonthsDays(3, 0, 0)->endOfDay();
            const QDateTime endExclusive = windowEnd->nsDate().addSecs(1);
            const QList<calstore::CalendarPtr> calendarsOfWindow =
                searched ? *searched : MyEventStore::calendars();
            const auto events = MyEventStore::eventsWithPredicate(
                MyEventStore::eventPredicateWithStartDateEndDateCalendars(
                    windowStart->nsDate(), endExclusive, calendarsOfWindow));
            for (const calstore::EventPtr& event : events) {
                if (!event || event->location() != location) continue;
                const QString key = (event->calendar() ? event->calendar()->uid() : QString()) +
                                    QLatin1Char('/') + event->uid();
                if (seen.contains(key)) continue;
                seen.insert(key);
                found << event;
            }
            if (!(windowEnd->timeIntervalSince1970() < latest)) break;
            windowStart = windowEnd;
        }
        return found;
    } catch (const calstore::StoreError& error) {
        reason = error.reason();
    } catch (const std::exception& error) {
        reason = QString::fromUtf8(error.what());
    }
    // The marks found so far are still handled.
    foundation::log(QStringLiteral("ERROR: querying events failed with exception ") + reason);
    return found;
}

// --- Removing all marks of a marker ---------------------------------------------------------

bool YearViewEventLoader::startRemovingMarksFromView(const EMarkerPtr& jobMarker,
                                                     const YearViewTargetPtr& view) {
    if (!jobMarker) return false;
    marker = jobMarker;
    theView = view;
    launchOrderedJob(&YearViewEventLoader::removeMarks);
    return true;
}

void YearViewEventLoader::removeMarks() {
    YearViewEventLoaderJobOrder order(jobTurn_);
    // The marks are found in the store: what the jobs before this one saved
    // must be there first.
    order.enter(Stage::Page);
    order.enter(Stage::Store);
    const YearViewTargetPtr view = theView;

    const QList<calstore::EventPtr> marks = marksOfMarkerInAppliedSpan(std::nullopt);
    if (view) {
        const MyDatePtr working = MyDate::date();
        const int year = view->year();
        for (const calstore::EventPtr& mark : marks) {
            working->setNSDate(mark->startDate());
            if (working->yearNum() != year) continue;
            view->threadedRemoveEventUIDFromDayInMonth(mark->uid(), working->dayNum(),
                                                       working->monthNum());
            pauseAfterViewChange();
        }
        view->threadedUpdateView();
    }

    addTasksToDo(int(marks.size()));
    QStringList failed;
    for (const calstore::EventPtr& mark : marks) {
        if (!removeEventGuarded(mark, QStringLiteral("deleting marker event")))
            failed << mark->uid();
        tasksDone(1);
    }
    // A mark the store kept is shown again.
    showStoredEvents(view, failed);
}

// --- Moving all marks of a marker to another marker store ---------------------------------------

bool YearViewEventLoader::startMovingMarksFromCalFromView(const EMarkerPtr& jobMarker,
                                                          const CalendarPtr& oldCalendar,
                                                          const YearViewTargetPtr& view) {
    const calstore::CalendarPtr oldStore = oldCalendar ? oldCalendar->calendar() : nullptr;
    if (!jobMarker || !oldStore) return false;
    const auto sources = calendarSources();
    const CalendarPtr newCalendar =
        sources ? sources->calendarWithUID(jobMarker->calendarUID()) : nullptr;
    if (!newCalendar || !newCalendar->calendar()) {
        // Moving the marks nowhere would lose them.
        foundation::log(
            QStringLiteral(
                "oops, not moving the marks of marker %1: its marker store %2 does not exist")
                .arg(jobMarker->title(), jobMarker->calendarUID()));
        return false;
    }
    // Already where they are to go.
    if (newCalendar->calendar()->uid() == oldStore->uid()) return false;
    marker = jobMarker;
    theView = view;
    oldMarkerCalendar = oldStore;
    markerCalendar = newCalendar;
    launchOrderedJob(&YearViewEventLoader::moveMarks);
    return true;
}

void YearViewEventLoader::moveMarks() {
    YearViewEventLoaderJobOrder order(jobTurn_);
    order.enter(Stage::Page);
    order.enter(Stage::Store);
    const YearViewTargetPtr view = theView;
    const calstore::CalendarPtr newStore = markerCalendar ? markerCalendar->calendar() : nullptr;
    if (!newStore || !oldMarkerCalendar) return;

    const QList<calstore::EventPtr> marks = marksOfMarkerInAppliedSpan(QList{oldMarkerCalendar});
    QList<calstore::EventPtr> moved;
    const MyDatePtr working = MyDate::date();
    const int year = view ? view->year() : 0;
    for (const calstore::EventPtr& mark : marks) {
        working->setNSDate(mark->startDate());
        const bool onPage = view && working->yearNum() == year;
        if (onPage) {
            view->threadedRemoveEventUIDFromDayInMonth(mark->uid(), working->dayNum(),
                                                       working->monthNum());
            pauseAfterViewChange();
        }
        // The page shows this event; the store gets a copy of it to save.
        auto movedMark = std::make_shared<calstore::Event>(*mark);
        movedMark->setCalendar(newStore);
        if (onPage)
            view->threadedAddEventFromCalendarForDayInMonthInFullLoading(
                movedMark, markerCalendar, working->dayNum(), working->monthNum(), false);
        moved << movedMark;
    }
    if (view) view->threadedUpdateView();

    addTasksToDo(int(moved.size()));
    QStringList failed;
    for (const calstore::EventPtr& mark : std::as_const(moved)) {
        if (!saveMovedMarkGuarded(std::make_shared<calstore::Event>(*mark))) failed << mark->uid();
        tasksDone(1);
    }
    // A mark that stayed in its old marker store is shown there again.
    showStoredEvents(view, failed);
}
