#include "prefs/PrefGeneral.h"

#include "data/CalendarSources.h"
#include "data/appPref.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UserCalendar.h"
#include "platform/kit/Button.h"
#include "platform/kit/ColorWell.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/PopUpButton.h"
#include "prefs/PrefPaneBuilder.h"
#include "prefs/PrefsRefresh.h"
#include "shell/AppDelegate.h"

#include <QDate>
#include <QDateTime>

#include <cmath>

namespace {
const QString kUSDateFormat = QStringLiteral("Use US Date Format");
const QString kWeekBeginsOnSunday = QStringLiteral("Week Begins on Sunday");
const QString kWorkdayStarts = QStringLiteral("Workday Starts At");
const QString kWorkdayEnds = QStringLiteral("Workday Ends At");
const QString kTodayTop = QStringLiteral("Current Day BackgroundColorTop");
const QString kTodayBottom = QStringLiteral("Current Day BackgroundColorBot");
const QString kSelectionColor = QStringLiteral("Selection Color");
const QString kDoubleStrike = QStringLiteral("Antialiase Text Doublestrike");
const QString kLaunchCalendar = QStringLiteral("Launch iCal");
const QString kShowReminders = QStringLiteral("Show Reminders");
}  // namespace

PrefGeneral::PrefGeneral()
    : LxPrefPaneProtocol({QStringLiteral("General"), QStringLiteral("PrefGeneral"),
                          QStringLiteral("prefPaneGeneralName"), QStringLiteral("General"),
                          QStringLiteral("prefPaneGeneralDescription"), QStringLiteral("General"),
                          QStringLiteral("prefPaneGeneralTooltip"), QStringLiteral("General"),
                          false, false}) {}

std::vector<std::shared_ptr<LxPrefPaneProtocol>> PrefGeneral::preferencePanes() {
    return {std::make_shared<PrefGeneral>()};
}

QTime PrefGeneral::timeFromHours(double hours) {
    if (!std::isfinite(hours) || hours < 0) hours = 0;
    int hour = int(std::floor(hours));
    int minute = int(std::lround((hours - hour) * 60.0));
    if (minute >= 60) {
        hour += 1;
        minute = 0;
    }
    // The picker has no 24:00: the end of the day shows as its last minute.
    if (hour >= 24) return QTime(23, 59);
    return QTime(hour, minute);
}

double PrefGeneral::hoursFromTime(const QTime& time) {
    return time.hour() + time.minute() / 60.0;
}

kit::View* PrefGeneral::makePaneView() {
    PrefPaneBuilder b(440);
    gui_dateFormat = b.popUp(
        QStringLiteral("prefGeneralDateFormat"), QStringLiteral("Date format:"),
        {{QStringLiteral("prefGeneralDateFormatUS"), QStringLiteral("US (month/day)"), 0},
         {QStringLiteral("prefGeneralDateFormatEU"), QStringLiteral("European (day.month)"), 1}});
    gui_weekStart =
        b.popUp(QStringLiteral("prefGeneralWeekStart"), QStringLiteral("Week begins on:"),
                {{QStringLiteral("dayText0"), QStringLiteral("Sunday"), 0},
                 {QStringLiteral("dayText1"), QStringLiteral("Monday"), 1}});
    b.gap(6);
    gui_dayStartTime =
        b.timePicker(QStringLiteral("prefGeneralDayStart"), QStringLiteral("Workday starts at:"));
    gui_dayEndTime =
        b.timePicker(QStringLiteral("prefGeneralDayEnd"), QStringLiteral("Workday ends at:"));
    b.gap(6);
    gui_todayColorTop =
        b.colorWell(QStringLiteral("prefGeneralTodayTop"), QStringLiteral("Today, top colour:"));
    gui_todayColorBot = b.colorWell(QStringLiteral("prefGeneralTodayBottom"),
                                    QStringLiteral("Today, bottom colour:"));
    gui_selectionColor =
        b.colorWell(QStringLiteral("prefGeneralSelection"), QStringLiteral("Selection colour:"));
    b.gap(6);
    gui_textDoubleStrike = b.checkbox(QStringLiteral("prefGeneralDoubleStrike"),
                                      QStringLiteral("Draw text with a double strike"));
    gui_launchIcal = b.checkbox(QStringLiteral("prefPaneGeneralStartACal"), QString());
    return b.finish();
}

void PrefGeneral::showHours(kit::DatePicker* picker, double hours, QTime* shown) {
    *shown = timeFromHours(hours);
    const QTimeZone zone = foundation::UserCalendar::current().timeZone();
    picker->setDateValue(
        QDateTime(QDateTime::currentDateTimeUtc().toTimeZone(zone).date(), *shown, zone));
}

double PrefGeneral::hoursOf(const kit::DatePicker* picker, const QTime& shown,
                            double stored) const {
    const QTimeZone zone = foundation::UserCalendar::current().timeZone();
    const QTime picked = picker->dateValue().toTimeZone(zone).time();
    const QTime minute(picked.hour(), picked.minute());
    // An untouched picker leaves the number as it was (24 hours, odd fractions).
    return minute == shown ? stored : hoursFromTime(minute);
}

void PrefGeneral::fillControls() {
    appPref general = freshGroup(AppDelegate::kGeneral);
    gui_dateFormat->selectItemAtIndex(general.boolForKey(kUSDateFormat) ? 0 : 1);
    gui_weekStart->selectItemAtIndex(general.boolForKey(kWeekBeginsOnSunday) ? 0 : 1);
    storedStart_ = general.floatForKey(kWorkdayStarts);
    storedEnd_ = general.floatForKey(kWorkdayEnds);
    showHours(gui_dayStartTime, storedStart_, &shownStart_);
    showHours(gui_dayEndTime, storedEnd_, &shownEnd_);
    gui_todayColorTop->setColor(general.colorForKey(kTodayTop));
    gui_todayColorBot->setColor(general.colorForKey(kTodayBottom));
    gui_selectionColor->setColor(general.colorForKey(kSelectionColor));
    showState(gui_textDoubleStrike, general.boolForKey(kDoubleStrike));
    showState(gui_launchIcal, general.boolForKey(kLaunchCalendar));
    gui_launchIcal->setTitle(
        AppDelegate::currentOS() < 4
            ? foundation::localized(QStringLiteral("prefPaneGeneralStartICal"))
            : foundation::localized(QStringLiteral("prefPaneGeneralStartACal")));
    gui_launchIcal->setEnabled(true);
    showAlphaInColorPanel();
}

void PrefGeneral::writeBack() {
    appPref general = freshGroup(AppDelegate::kGeneral);
    general.setBoolForKey(gui_dateFormat->indexOfSelectedItem() == 0, kUSDateFormat);
    general.setBoolForKey(gui_weekStart->indexOfSelectedItem() == 0, kWeekBeginsOnSunday);
    general.setFloatForKey(hoursOf(gui_dayStartTime, shownStart_, storedStart_), kWorkdayStarts);
    general.setFloatForKey(hoursOf(gui_dayEndTime, shownEnd_, storedEnd_), kWorkdayEnds);
    general.setColorForKey(gui_todayColorTop->color(), kTodayTop);
    general.setColorForKey(gui_todayColorBot->color(), kTodayBottom);
    general.setColorForKey(gui_selectionColor->color(), kSelectionColor);
    general.setBoolForKey(isChecked(gui_textDoubleStrike), kDoubleStrike);
    general.setBoolForKey(isChecked(gui_launchIcal), kLaunchCalendar);
    general.setBoolForKey(false, kShowReminders);
    storeGroup(AppDelegate::kGeneral, general);

    if (AppDelegate* app = AppDelegate::obj())
        if (app->calendarSources) app->calendarSources->checkShowReminders();
    PrefsRefresh::eventEditorUpdatePreferences();
    PrefsRefresh::weekdayViewUpdatePreferences();
    PrefsRefresh::yearViewCellUpdatePreferences();
    PrefsRefresh::updateAndRedrawWeekView();
    PrefsRefresh::redisplayYearView(false);
}
