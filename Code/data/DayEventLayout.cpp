#include "data/DayEventLayout.h"

#include "data/Calendar.h"

#include <algorithm>

namespace {

// Events that begin less than this many milliseconds after a group's first
// event join its group.
constexpr qint64 kSameTimeWindowMs = 1200 * 1000;

bool isShownTimed(const EventDayPtr& record) {
    return DayEventLayout::isShown(record) && !record->fulldayEvent();
}

// How many shown timed events after `first` begin within the same-time window
// of its start. Full-day entries and hidden events neither count nor end the
// look-ahead.
int followersAtSameTime(const std::vector<EventDayPtr>& sorted, size_t first) {
    const QDateTime& start = sorted[first]->event()->startDate();
    int count = 0;
    for (size_t i = first + 1; i < sorted.size(); ++i) {
        const EventDayPtr& next = sorted[i];
        if (!isShownTimed(next)) continue;
        if (start.msecsTo(next->event()->startDate()) >= kSameTimeWindowMs) break;
        ++count;
    }
    return count;
}

}  // namespace

bool DayEventLayout::isShown(const EventDayPtr& record) {
    return record && record->event() && record->calendar() && record->calendar()->isSelected();
}

std::vector<EventDayPtr> DayEventLayout::sortedBySortPercent(
    const std::vector<EventDayPtr>& entries) {
    std::vector<EventDayPtr> sorted;
    sorted.reserve(entries.size());
    for (const EventDayPtr& record : entries)
        if (record) sorted.push_back(record);
    std::stable_sort(sorted.begin(), sorted.end(), [](const EventDayPtr& a, const EventDayPtr& b) {
        return a->sortPercent() < b->sortPercent();
    });
    return sorted;
}

std::vector<DayEventLayout::TimedEvent> DayEventLayout::timedEvents(
    const std::vector<EventDayPtr>& sorted) {
    std::vector<TimedEvent> events;
    std::vector<size_t> running;  // places in `events` of events still running
    int groupSize = 0, groupIndex = 0, indent = 0;
    for (size_t i = 0; i < sorted.size(); ++i) {
        const EventDayPtr& record = sorted[i];
        if (!isShownTimed(record)) continue;
        if (groupIndex >= groupSize) {
            groupSize = 1 + followersAtSameTime(sorted, i);
            groupIndex = 0;
            const QDateTime& start = record->event()->startDate();
            std::erase_if(running, [&](size_t place) {
                return events[place].record->event()->endDate() <= start;
            });
            indent = running.empty() ? 0 : events[running.back()].indentLevel + 1;
        }
        events.push_back({record, indent, groupIndex, groupSize});
        ++groupIndex;
        running.push_back(events.size() - 1);
    }
    return events;
}
