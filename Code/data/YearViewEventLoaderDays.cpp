// The loader's jobs on whole days and on the marks of all calendars: deleting
// the events of days, and the consistency check that removes marks whose
// marker no longer exists.

#include "data/CalendarSources.h"
#include "data/EventDay.h"
#include "data/MyEventStore.h"
#include "data/YearViewEventLoader.h"
#include "data/YearViewEventLoaderJobOrder.h"
#include "platform/foundation/Log.h"

#include <QSet>

using Stage = YearViewEventLoaderJobOrder::Stage;

namespace {

const QString kDeletingMarkerEvent = QStringLiteral("deleting marker event");

// How many years before and after the page's year the consistency check reads.
constexpr int kCheckedYearsAround = 10;

// The location of a day's notes event, which shares the marks' prefix.
const QString kNotesLocation = QStringLiteral("Zolt:Notes");

// The length of a mark's location: "Zolt:" and a 32-character identifier.
constexpr int kMarkLocationLength = 37;

// One key per event series of a calendar.
QString seriesKey(const calstore::EventPtr& event) {
    return (event->calendar() ? event->calendar()->uid() : QString()) + QLatin1Char('/') +
           event->uid();
}

// A mark whose identifier names none of the known markers. The notes event and
// locations of any other length are not marks at all.
bool isOrphanedMark(const calstore::EventPtr& event, const QSet<QString>& knownMarkerUIDs) {
    if (!event) return false;
    const QString& location = event->location();
    if (!EventDay::isMarkLocation(location)) return false;
    if (location == kNotesLocation) return false;
    if (location.size() != kMarkLocationLength) return false;
    return !knownMarkerUIDs.contains(location.mid(EventDay::kZoltPrefix.size()));
}

}  // namespace

// --- Deleting the events of days -----------------------------------------------------------

bool YearViewEventLoader::startDeletingEventsFromDaysFromCalendarFromView(
    const std::vector<MyDatePtr>& days, const DeletionCalendars& chosen,
    const YearViewTargetPtr& view) {
    const auto sources = calendarSources();
    if (!sources || !view) return false;
    std::vector<CalendarPtr> jobCalendars;
    if (chosen.all) {
        const QList<CalendarPtr> all = sources->allCalendars();
        jobCalendars.assign(all.begin(), all.end());
    } else {
        const CalendarPtr calendar =
            chosen.uid.isEmpty() ? nullptr : sources->calendarWithUID(chosen.uid);
        if (!calendar) {
            foundation::log(QStringLiteral("oops, not deleting the events of days: no calendar %1")
                                .arg(chosen.uid));
            return false;
        }
        jobCalendars.push_back(calendar);
    }
    selectedDays = days;
    calendars = std::move(jobCalendars);
    theView = view;
    launchOrderedJob(&YearViewEventLoader::deleteEventsFromDays);
    return true;
}

void YearViewEventLoader::deleteEventsFromDays() {
    YearViewEventLoaderJobOrder order(jobTurn_);
    order.enter(Stage::Page);
    const YearViewTargetPtr view = theView;
    if (!view) return;
    QSet<QString> calendarUIDs;
    for (const CalendarPtr& calendar : calendars)
        if (calendar) calendarUIDs.insert(calendar->uid());

    // An event shown on several of the days (a long event, the occurrences of a
    // repeating one) is deleted once: its removal takes it from every day.
    QList<calstore::EventPtr> toDelete;
    QSet<QString> deleting;
    for (const MyDatePtr& day : selectedDays) {
        if (!day || day->yearNum() != view->year()) {
            foundation::log(QStringLiteral("oops, day %1 is not on the year page of %2")
                                .arg(day ? day->description() : QStringLiteral("(none)"))
                                .arg(view->year()));
            continue;
        }
        const int dayNum = day->dayNum();
        const int monthNum = day->monthNum();
        const auto entries = view->eventsForDayAndMonth(dayNum, monthNum);
        for (const EventDayPtr& entry : *entries) {
            const calstore::EventPtr event = entry ? entry->event() : nullptr;
            if (!event || !event->calendar() || !calendarUIDs.contains(event->calendar()->uid()))
                continue;
            if (!deleting.contains(seriesKey(event))) {
                deleting.insert(seriesKey(event));
                toDelete << event;
            }
            view->threadedRemoveEventUIDFromDayInMonth(event->uid(), dayNum, monthNum);
        }
    }
    view->threadedUpdateView();

    // The page stays this job's until the store is written (see markDays).
    order.enter(Stage::Store);
    removeStoredEventsShowingFailures(view, toDelete, kDeletingMarkerEvent);
}

// --- The consistency check
// ------------------------------------------------------------------------

bool YearViewEventLoader::startRemovingOrphanedMarksForMarkersAndView(
    const std::vector<EMarkerPtr>& markers, const YearViewTargetPtr& view) {
    knownMarkers = markers;
    theView = view;
    launchOrderedJob(&YearViewEventLoader::removeOrphanedMarks);
    return true;
}

void YearViewEventLoader::removeOrphanedMarks() {
    YearViewEventLoaderJobOrder order(jobTurn_);
    // The marks are found in the store: what the jobs before this one saved
    // must be there first.
    order.enter(Stage::Page);
    order.enter(Stage::Store);
    const YearViewTargetPtr view = theView;
    const auto sources = calendarSources();
    const QList<CalendarPtr> all = sources ? sources->allCalendars() : QList<CalendarPtr>();
    calendars.assign(all.begin(), all.end());
    QSet<QString> knownMarkerUIDs;
    for (const EMarkerPtr& known : knownMarkers)
        if (known) knownMarkerUIDs.insert(known->uID());

    constexpr int yearsChecked = 2 * kCheckedYearsAround + 1;
    addTasksToDo(yearsChecked);
    QList<calstore::EventPtr> orphans;
    QSet<QString> seen;
    const MyDatePtr working = MyDate::date();
    for (int year = year_ - kCheckedYearsAround; year <= year_ + kCheckedYearsAround; ++year) {
        const QDateTime start = MyDate::dateWithDayMonthYear(1, 1, year)->nsDate();
        const QDateTime end = MyDate::dateWithDayMonthYear(1, 1, year + 1)->nsDate();
        for (const CalendarPtr& calendar : calendars) {
            const calstore::CalendarPtr storeCalendar = calendar ? calendar->calendar() : nullptr;
            if (!storeCalendar) continue;
            const auto events =
                queryGuarded(MyEventStore::eventPredicateWithStartDateEndDateCalendars(
                    start, end, {storeCalendar}));
            if (!events) continue;
            for (const calstore::EventPtr& event : *events) {
                if (!isOrphanedMark(event, knownMarkerUIDs)) continue;
                // A mark reaching into the next year, or repeating, is found more
                // than once; its removal takes all of it.
                if (!seen.contains(seriesKey(event))) {
                    seen.insert(seriesKey(event));
                    orphans << event;
                }
                if (view) {
                    working->setNSDate(event->startDate());
                    if (working->yearNum() == view->year())
                        view->threadedRemoveEventUIDFromDayInMonth(event->uid(), working->dayNum(),
                                                                   working->monthNum());
                }
                pauseAfterViewChange();
            }
        }
        tasksDone(1);
    }

    if (orphans.isEmpty())
        foundation::log(QStringLiteral("all calendars consistent; no orphaned marks found"));
    else
        addTasksToDo(int(orphans.size()));
    int removed = 0;
    QStringList failed;
    for (const calstore::EventPtr& orphan : std::as_const(orphans)) {
        if (removeEventGuarded(orphan, kDeletingMarkerEvent))
            ++removed;
        else
            failed << orphan->uid();
        tasksDone(1);
    }
    if (removed > 0)
        foundation::log(QStringLiteral("removed %1 orphaned mark(s) from calendars").arg(removed));
    if (!view) return;
    // An orphan the store kept is shown again.
    if (failed.isEmpty())
        view->threadedUpdateView();
    else
        showStoredEvents(view, failed);
}
