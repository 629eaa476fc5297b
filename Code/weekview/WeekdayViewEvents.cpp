// The day column's event lists: the overlap layout of a day's entries, the
// refresh after the day changed, and the look-ups of a column's records.

#include "weekview/WeekdayView.h"

#include "data/Calendar.h"
#include "platform/foundation/Dispatch.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Perform.h"
#include "weekview/WDEventsView.h"
#include "weekview/WDHeaderView.h"

#include <algorithm>

namespace {

const QString kNotesLocation = QStringLiteral("Zolt:Notes");

// Whether a shown full-day entry gets a row of the header: the day's notes,
// holidays and birthdays are shown in the title instead, marks only when the
// user wants them among the full-day entries.
bool listsAsFullday(const EventDayPtr& record, bool showFulldayMarks) {
    if (record->event()->location() == kNotesLocation) return false;
    const int type = record->calendar()->calendarType();
    if (type == Calendar::kTypeHoliday || type == Calendar::kTypeBirthday) return false;
    return type != Calendar::kTypeMarker || showFulldayMarks;
}

}  // namespace

WeekdayView::DayLayout WeekdayView::sortEvents(const YearViewCell::EventList& entries,
                                               bool showFulldayMarks) {
    const std::vector<EventDayPtr> sorted = DayEventLayout::sortedBySortPercent(entries);
    DayLayout layout;
    for (const EventDayPtr& record : sorted)
        if (DayEventLayout::isShown(record) && record->fulldayEvent() &&
            listsAsFullday(record, showFulldayMarks))
            layout.fdevents.push_back(record);
    layout.events = DayEventLayout::timedEvents(sorted);
    return layout;
}

void WeekdayView::eventlistChanged() {
    const YearViewCell::EventListPtr entries =
        yvcell_ ? yvcell_->events() : std::make_shared<const YearViewCell::EventList>();
    laidOutList_ = entries;
    DayLayout layout = sortEvents(*entries, showFulldayMarks());
    events_.clear();
    events_.reserve(layout.events.size());
    // The drawing reads the layout from the records.
    for (const TimedEvent& timed : layout.events) {
        timed.record->setIndentLevel(timed.indentLevel);
        timed.record->setIndexAtSameTime(timed.indexAtSameTime);
        timed.record->setEventsAtSameTime(timed.eventsAtSameTime);
        events_.push_back(timed.record);
    }
    fdevents_ = std::move(layout.fdevents);
    applyHeaderHeights(kit::height(frame()));
}

void WeekdayView::threadedUpdateView() {
    if (!foundation::isMainThread()) {
        // The lists, the header and the drawing belong to the main thread.
        kit::performOnMainThread(this, "threadedUpdateView", false);
        return;
    }
    if (relayoutChangedDay()) redrawViewOnMainThread();
}

// Every finished load of a year page is announced to every column; a day whose
// list is still the one laid out has nothing new to show.
bool WeekdayView::relayoutChangedDay() {
    if (yvcell_ && yvcell_->events() == laidOutList_) return false;
    eventlistChanged();
    return true;
}

void WeekdayView::redrawViewOnMainThread(QObject*) {
    forceRedraw();
}

bool WeekdayView::containsEvent(const EventDayPtr& event) const {
    if (!event) return false;
    return std::find(events_.begin(), events_.end(), event) != events_.end() ||
           std::find(fdevents_.begin(), fdevents_.end(), event) != fdevents_.end();
}

EventDayPtr WeekdayView::eventDayForCalEvent(const calstore::EventPtr& event) const {
    if (!event) return nullptr;
    for (const EventDayPtr& record : events_) {
        const calstore::EventPtr& own = record->event();
        if (own && own->uid() == event->uid() && own->startDate() == event->startDate())
            return record;
    }
    return nullptr;
}

void WeekdayView::calendarSelectionChange() {
    selectEvent(nullptr);
    eventlistChanged();
}
