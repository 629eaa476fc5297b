#pragma once

#include "data/EventDay.h"

#include <vector>

// The overlap layout of one day's timed events, shared by the week's day
// columns and the day popup. Events that begin within 20 minutes of one
// another form a group and share the width side by side; a group that begins
// while earlier events still run is indented one step further than the event
// added last among those. Only timed events of selected calendars take part:
// full-day entries and hidden events neither get a place nor count as
// followers, so a group never holds an empty place.
//
// The layout is returned as a list of its own and never written into the
// records, which the week columns, the popup and the search read at the same
// time; any thread may ask.
class DayEventLayout final {
public:
    // One timed event as the layout places it.
    struct TimedEvent {
        EventDayPtr record;
        int indentLevel = 0;       // indent steps of the event's group
        int indexAtSameTime = 0;   // place within the group, 0 first
        int eventsAtSameTime = 1;  // members of the group
    };

    DayEventLayout() = delete;

    // Whether a record is shown at all: it has an event and a selected calendar.
    static bool isShown(const EventDayPtr& record);
    // The records (empty places left out) sorted by `sortPercent`; stable, so
    // that entries beginning together keep the day's order and the layout is
    // the same on every run.
    static std::vector<EventDayPtr> sortedBySortPercent(const std::vector<EventDayPtr>& entries);
    // The shown timed events of `sorted` (as sortedBySortPercent gives them)
    // in their order, grouped and indented.
    static std::vector<TimedEvent> timedEvents(const std::vector<EventDayPtr>& sorted);
    // Both steps at once.
    static std::vector<TimedEvent> layoutDay(const std::vector<EventDayPtr>& entries) {
        return timedEvents(sortedBySortPercent(entries));
    }
};
