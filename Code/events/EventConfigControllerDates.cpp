// The editor's dates pane: the range of days, the full-day switch with the time
// block it shows or hides, and the pane's collapsed summary.
#include "events/EventConfigController.h"

#include "data/MyDate.h"
#include "events/MyDatePicker.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/TextField.h"
#include "shell/CollapsablePanel.h"
#include "shell/CollapsablePanelHead.h"

void EventConfigController::setupStartEndDate() {
    if (!_event || !window()) return;
    gui_warningIcon->setHidden(true);
    gui_warningLabel->setHidden(true);
    secondSaveTry = false;

    const QDateTime start = _event->startDate(), end = _event->endDate();
    gui_datePane->setDataForCollapsedState(
        summaryText(determineDatesTextForStartAndEnd(start, end)));
    gui_dpDates->setDateValue(start);
    gui_dpDates->setTimeInterval(double(start.secsTo(end)) - (eventIsFullday ? 1.0 : 0.0));
    gui_dpTimes->setDateValue(start);
    gui_dpStartTime->setDateValue(start);
    gui_dpEndTime->setDateValue(end);
    gui_dpStartTime->setController(this);
    gui_dpEndTime->setController(this);
    gui_dpDates->setDatePickerMode(kit::DatePicker::Mode::Range);
}

double EventConfigController::datePaneDisclosedHeight() const {
    if (!gui_datePane) return 0.0;
    if (!gui_datePane->isCollapsed()) return gui_datePane->frame().height();
    const kit::View* content = gui_datePane->contentView();
    return gui_datePane->titlebarHeight() + (content ? content->frame().height() : 0.0) + 1.0;
}

void EventConfigController::setTimeBlockHidden(bool hidden) {
    for (kit::View* view : timeBlock())
        if (view) view->setHidden(hidden);
}

void EventConfigController::dpClickFullday(QObject*) {
    if (!gui_dpFullday || !gui_datePane) return;
    const bool on = gui_dpFullday->state() == kit::Button::On;
    // Whether the time block is shown is read from the pane's height, so that
    // the same state twice resizes once.
    const double h = datePaneDisclosedHeight();
    if (h > kTimeBlockPaneEdge && on) {
        changePaneContentBy(gui_datePane, -kTimeBlockHeight);
        setTimeBlockHidden(true);
    } else if (h < kTimeBlockPaneEdge && !on) {
        changePaneContentBy(gui_datePane, kTimeBlockHeight);
        setTimeBlockHidden(false);
    }
}

void EventConfigController::dpUpdatePaneText() {
    if (!window()) return;
    eventIsFullday = gui_dpFullday->state() == kit::Button::On;
    const MyDatePtr start = MyDate::dateWithNSDate(gui_dpDates->dateValue());
    const MyDatePtr last = MyDate::dateWithNSDate(
        gui_dpDates->dateValue().addMSecs(qint64(gui_dpDates->timeInterval() * 1000)));
    MyDatePtr from = start, to;
    if (eventIsFullday) {
        to = last->changeTimeToHourMinute(12, 0);
    } else {
        const MyDate startTime(gui_dpStartTime->dateValue()), endTime(gui_dpEndTime->dateValue());
        from = start->changeTimeToHourMinute(startTime.hourNum(), startTime.minuteNum());
        to = last->changeTimeToHourMinute(endTime.hourNum(), endTime.minuteNum());
    }
    gui_datePane->setDataForCollapsedState(
        summaryText(determineDatesTextForStartAndEnd(from->nsDate(), to->nsDate())));
}

void EventConfigController::timePickerGotFocus(QObject* picker) {
    if (!gui_dpTimes || !picker) return;
    if (picker == gui_dpStartTime)
        gui_dpTimes->setDateValue(gui_dpStartTime->dateValue());
    else if (picker == gui_dpEndTime)
        gui_dpTimes->setDateValue(gui_dpEndTime->dateValue());
}

void EventConfigController::setStartTime(QObject*) {
    if (gui_dpStartTime && gui_dpTimes) gui_dpStartTime->setDateValue(gui_dpTimes->dateValue());
}

void EventConfigController::setEndTime(QObject*) {
    if (gui_dpEndTime && gui_dpTimes) gui_dpEndTime->setDateValue(gui_dpTimes->dateValue());
}
