#pragma once

#include "prefs/LxPrefPaneProtocol.h"

#include <QPointer>
#include <QTime>

#include <memory>
#include <vector>

namespace kit {
class Button;
class ColorWell;
class DatePicker;
class PopUpButton;
}  // namespace kit

// The "General" pane: date format, first weekday, workday hours, highlight
// colours, text rendering and launching the calendar application, kept in the
// group "AppPref General".
class PrefGeneral final : public LxPrefPaneProtocol {
    Q_OBJECT
public:
    PrefGeneral();
    static std::vector<std::shared_ptr<LxPrefPaneProtocol>> preferencePanes();

    // A stored number of hours as the time a picker shows (minutes rounded, 60
    // counting as the next hour), and back.
    static QTime timeFromHours(double hours);
    static double hoursFromTime(const QTime& time);

    QPointer<kit::PopUpButton> gui_dateFormat;
    QPointer<kit::PopUpButton> gui_weekStart;
    QPointer<kit::DatePicker> gui_dayStartTime;
    QPointer<kit::DatePicker> gui_dayEndTime;
    QPointer<kit::ColorWell> gui_todayColorTop;
    QPointer<kit::ColorWell> gui_todayColorBot;
    QPointer<kit::ColorWell> gui_selectionColor;
    QPointer<kit::Button> gui_textDoubleStrike;
    QPointer<kit::Button> gui_launchIcal;

protected:
    kit::View* makePaneView() override;
    void fillControls() override;
    void writeBack() override;

private:
    void showHours(kit::DatePicker* picker, double hours, QTime* shown);
    double hoursOf(const kit::DatePicker* picker, const QTime& shown, double stored) const;

    // What the pickers were filled with, so that an untouched picker keeps the
    // stored number exactly.
    QTime shownStart_, shownEnd_;
    double storedStart_ = 0, storedEnd_ = 0;
};
