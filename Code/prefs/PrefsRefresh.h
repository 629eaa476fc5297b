#pragma once

#include <functional>

class WeekView;
class YearView;

// The readers of the settings that a preferences pane tells after it stored
// its group: the class-wide settings of the views and windows that cache them,
// and the year and week views of the main window. Each step does nothing while
// its reader does not exist (no main window yet, a window not built in).
// Main thread only.
class PrefsRefresh final {
public:
    // Readers built on other parts: the event editor caches the first weekday.
    struct Services {
        std::function<void()> eventEditorUpdatePreferences;
    };
    static void changeServices(const std::function<void(Services&)>& change);
    static const Services& services();

    PrefsRefresh() = delete;

    // The main window's year page in the centre and its week view (null when
    // there is no main window).
    static YearView* currentYearView();
    static WeekView* currentWeekView();

    // The class-wide settings.
    static void eventEditorUpdatePreferences();
    static void dayPopupUpdatePreferences();
    static void eventHoverUpdatePreferences();
    static void weekdayViewUpdatePreferences();
    static void yearViewCellUpdatePreferences();
    // The week view re-reads its settings and redraws every column.
    static void updateAndRedrawWeekView();
    // The year page re-reads its settings (when `update`) and redraws.
    static void redisplayYearView(bool update);
};
