#pragma once

// The one owner of every calendar, marker and calendar group, held by the
// application delegate. Loading and configuration are filled in with the model.
class CalendarSources {
public:
    CalendarSources() = default;
    virtual ~CalendarSources() = default;

    // Reads the calendars of the store into the model.
    virtual void loadCalendarsFromICal();
    // Reads the marker definitions of "AppPref Markers".
    virtual void loadMarkers();
};
