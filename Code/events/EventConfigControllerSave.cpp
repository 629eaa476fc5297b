// Saving the edited event: the check of the attendee and URL entries, the
// dates from the pickers, and the write of the edited copy over the event.
#include "events/EventConfigController.h"

#include "data/MyDate.h"
#include "data/YearViewEventLoader.h"
#include "events/MyDatePicker.h"
#include "platform/foundation/Localized.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"

#include <QUrl>

#include <utility>

namespace {

// The URL of the URL field's text; an invalid one when the text makes none.
QUrl urlFromText(const QString& text) {
    if (text.isEmpty()) return QUrl();
    return QUrl(text, QUrl::StrictMode);
}

}  // namespace

EventConfigController::StartEnd EventConfigController::startEndFromRange(const QDateTime& day,
                                                                         double interval,
                                                                         bool fullday,
                                                                         const QDateTime& startTime,
                                                                         const QDateTime& endTime) {
    QDateTime first = day, last = day.addMSecs(qint64(interval * 1000.0));
    if (last < first) std::swap(first, last);
    const MyDatePtr firstDay = MyDate::dateWithNSDate(first);
    const MyDatePtr lastDay = MyDate::dateWithNSDate(last);
    if (fullday)
        return {firstDay->startOfDay()->nsDate(), lastDay->nextDay()->startOfDay()->nsDate()};
    const MyDate from(startTime), to(endTime);
    return {firstDay->changeTimeToHourMinute(from.hourNum(), from.minuteNum())->nsDate(),
            lastDay->changeTimeToHourMinute(to.hourNum(), to.minuteNum())->nsDate()};
}

void EventConfigController::showWarning(const QString& message) {
    gui_warningLabel->setStringValue(message);
    gui_warningIcon->setHidden(false);
    gui_warningLabel->setHidden(false);
}

bool EventConfigController::dataIntegrityOk() {
    bool ok = true;
    QString message;
    if (!gui_apAttendees->stringValue().isEmpty() && !YearViewEventLoader::canHandleAttendees()) {
        ok = false;
        message = foundation::localized(QStringLiteral("wveipWarningAttendeesLimitation"));
    }
    const QString url = gui_upUrl->stringValue();
    if (!url.isEmpty() && !urlFromText(url).isValid()) {
        ok = false;
        message = foundation::localized(QStringLiteral("wveipWarningUrlMalformed"));
    }
    if (!ok) {
        secondSaveTry = true;
        showWarning(message);
    }
    return ok;
}

calstore::EventPtr EventConfigController::editedEvent() const {
    if (!_event) return nullptr;
    auto edited = std::make_shared<calstore::Event>(*_event);
    const StartEnd dates =
        startEndFromRange(gui_dpDates->dateValue(), gui_dpDates->timeInterval(), eventIsFullday,
                          gui_dpStartTime->dateValue(), gui_dpEndTime->dateValue());
    edited->setTitle(gui_title->stringValue());
    edited->setStartDate(dates.start);
    edited->setEndDate(dates.end);
    edited->setIsAllDay(eventIsFullday);
    edited->setLocation(gui_lpLocation->stringValue());
    edited->setNotes(gui_npNotes->string());
    const QUrl url = urlFromText(gui_upUrl->stringValue());
    edited->setUrl(url.isValid() ? url : QUrl());
    // A rule the pane cannot show in full (several ordinal weekdays, ...) is
    // written back only when the user changed the repetition.
    if (recurrenceChangedByUser()) edited->setRecurrenceRule(modifiedRecRule.toStoreRule());
    // Attendees the store cannot take stay as they were.
    if (YearViewEventLoader::canHandleAttendees()) edited->setAttendees(attendeesList());
    return edited;
}

void EventConfigController::saveButton(QObject*) {
    if (!_event || !window()) return;
    updateAllPaneTexts();
    if (!secondSaveTry && !dataIntegrityOk()) return;

    const calstore::EventPtr opened = _event;
    const calstore::EventPtr edited = editedEvent();
    if (eventIsNew) endCreation();
    clearWeekSelection();
    // The writer announces the change, and this editor follows the
    // announcement (it may close and leave the registry, but lives on until
    // this call has returned).
    if (!YearViewEventLoader::updateEventWithEventAndAttendees(opened, edited, attendeesList())) {
        // Nothing was written: the window stays, and an unsaved new event is
        // still removed when it closes.
        showWarning(foundation::localized(QStringLiteral("wveipWarningNotSaved")));
        return;
    }
    eventIsNew = false;
    closeWindow(this);
}
