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

// Events that begin less than this many milliseconds after a group's first
// event join its group.
constexpr qint64 kSameTimeWindowMs = 1200 * 1000;

bool isShown(const EventDayPtr& record) {
    return record->event() && record->calendar() && record->calendar()->isSelected();
}

// Whether a shown full-day entry gets a row of the header: the day's notes,
// holidays and birthdays are shown in the title instead, marks only when the
// user wants them among the full-day entries.
bool listsAsFullday(const EventDayPtr& record, bool showFulldayMarks) {
    if (record->event()->location() == kNotesLocation) return false;
    const int type = record->calendar()->calendarType();
    if (type == Calendar::kTypeHoliday || type == Calendar::kTypeBirthday) return false;
    return type != Calendar::kTypeMarker || showFulldayMarks;
}

// How many timed events of shown calendars after `first` begin within the
// same-time window of its start. Full-day entries and hidden events neither
// count nor end the look-ahead, so a group never holds an empty place.
int followersAtSameTime(const std::vector<EventDayPtr>& sorted, size_t first) {
    const QDateTime& start = sorted[first]->event()->startDate();
    int count = 0;
    for (size_t i = first + 1; i < sorted.size(); ++i) {
        const EventDayPtr& next = sorted[i];
        if (!isShown(next) || next->fulldayEvent()) continue;
        if (start.msecsTo(next->event()->startDate()) >= kSameTimeWindowMs) break;
        ++count;
    }
    return count;
}

}  // namespace

WeekdayView::DayLayout WeekdayView::sortEvents(const YearViewCell::EventList& entries,
                                               bool showFulldayMarks) {
    std::vector<EventDayPtr> sorted;
    sorted.reserve(entries.size());
    for (const EventDayPtr& record : entries)
        if (record) sorted.push_back(record);
    // Stable, so that entries beginning together keep the day's order and the
    // layout is the same on every run.
    std::stable_sort(sorted.begin(), sorted.end(), [](const EventDayPtr& a, const EventDayPtr& b) {
        return a->sortPercent() < b->sortPercent();
    });

    DayLayout layout;
    std::vector<size_t> running;  // places in layout.events of events still running
    int groupSize = 0, groupIndex = 0, indent = 0;
    for (size_t i = 0; i < sorted.size(); ++i) {
        const EventDayPtr& record = sorted[i];
        if (!isShown(record)) continue;
        if (record->fulldayEvent()) {
            if (listsAsFullday(record, showFulldayMarks)) layout.fdevents.push_back(record);
            continue;
        }
        if (groupIndex >= groupSize) {
            groupSize = 1 + followersAtSameTime(sorted, i);
            groupIndex = 0;
            const QDateTime& start = record->event()->startDate();
            std::erase_if(running, [&](size_t place) {
                return layout.events[place].record->event()->endDate() <= start;
            });
            // A new group steps in from the event added last among those still running.
            indent = running.empty() ? 0 : layout.events[running.back()].indentLevel + 1;
        }
        layout.events.push_back({record, indent, groupIndex, groupSize});
        ++groupIndex;
        running.push_back(layout.events.size() - 1);
    }
    return layout;
}

void WeekdayView::eventlistChanged() {
    const YearViewCell::EventListPtr entries =
        yvcell_ ? yvcell_->events() : std::make_shared<const YearViewCell::EventList>();
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
    eventlistChanged();
    redrawViewOnMainThread();
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
