#include "prefs/PrefsRefresh.h"

#include "shell/MainWindowCtrl.h"
#include "weekview/WeekView.h"
#include "weekview/WeekdayView.h"
#include "yearview/YearView.h"
#include "yearview/YearViewCell.h"

namespace {
PrefsRefresh::Services& servicesStore() {
    static PrefsRefresh::Services services;
    return services;
}
}  // namespace

void PrefsRefresh::changeServices(const std::function<void(Services&)>& change) {
    change(servicesStore());
}

const PrefsRefresh::Services& PrefsRefresh::services() {
    return servicesStore();
}

YearView* PrefsRefresh::currentYearView() {
    MainWindowCtrl* window = MainWindowCtrl::existingWinController();
    return window ? qobject_cast<YearView*>(window->currentYearView()) : nullptr;
}

WeekView* PrefsRefresh::currentWeekView() {
    MainWindowCtrl* window = MainWindowCtrl::existingWinController();
    return window ? qobject_cast<WeekView*>(window->currentWeekView()) : nullptr;
}

void PrefsRefresh::eventEditorUpdatePreferences() {
    if (const auto& update = services().eventEditorUpdatePreferences) update();
}

void PrefsRefresh::dayPopupUpdatePreferences() {
    if (const auto& update = YearView::services().dayPopupUpdatePreferences) update();
}

void PrefsRefresh::eventHoverUpdatePreferences() {
    if (const auto& update = WeekView::services().eventHoverUpdatePreferences) update();
}

void PrefsRefresh::weekdayViewUpdatePreferences() {
    WeekdayView::updatePreferences();
}

void PrefsRefresh::yearViewCellUpdatePreferences() {
    YearViewCell::updatePreferences();
}

void PrefsRefresh::updateAndRedrawWeekView() {
    if (WeekView* week = currentWeekView()) week->updatePreferences();
    // A change of display mode puts a new view in the old one's place.
    if (WeekView* week = currentWeekView()) week->forcedRedraw();
}

void PrefsRefresh::redisplayYearView(bool update) {
    if (YearView* year = currentYearView()) {
        if (update) year->updatePreferences();
        year->setNeedsDisplay(true);
    }
}
