// The loader class's writers of single events: notes, dragged and moved times,
// edited, deleted and newly created events.

#include "data/CalendarSources.h"
#include "data/MainWindowHooks.h"
#include "data/MyEventStore.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/store/StoreError.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace {

using Loader = YearViewEventLoader;

// The Calendar of a store event, from the model.
CalendarPtr calendarOfEvent(const calstore::EventPtr& event) {
    const auto sources = Loader::calendarSources();
    if (!sources || !event || !event->calendar()) return nullptr;
    return sources->calendarWithUID(event->calendar()->uid());
}

// The days (of the user's calendar) an event from `start` to `end` is listed
// on, within `year`: from its start day to the day of its last second, as the
// loaders place events.
std::vector<QDate> daysInYear(const QDateTime& start, const QDateTime& end, int year) {
    std::vector<QDate> days;
    if (!start.isValid()) return days;
    const foundation::UserCalendar calendar = foundation::UserCalendar::current();
    const QDate first = calendar.localDate(start);
    QDate last = first;
    if (end.isValid() && end > start) last = std::max(first, calendar.localDate(end.addSecs(-1)));
    const QDate from = std::max(first, QDate(year, 1, 1));
    const QDate to = std::min(last, QDate(year, 12, 31));
    for (QDate day = from; day <= to; day = day.addDays(1)) days.push_back(day);
    return days;
}

// A copy of an event for the store to write into. The event the caller holds
// is listed on the pages, which job threads and offscreen renders read while
// the store rewrites whatever it saves: it is never changed in place.
calstore::EventPtr copyOf(const calstore::EventPtr& event) {
    return std::make_shared<calstore::Event>(*event);
}

// Whether one of the page's days lists the event object itself.
bool pageListsEvent(const YearViewTargetPtr& view, const calstore::EventPtr& event) {
    if (!view) return false;
    for (const QDate& day : daysInYear(event->startDate(), event->endDate(), view->year())) {
        const auto entries = view->eventsForDayAndMonth(day.day(), day.month());
        for (const EventDayPtr& entry : *entries)
            if (entry && entry->event() == event) return true;
    }
    return false;
}

// After a save: the page lists `saved` instead of `before` (the version it
// showed), on the days `saved` covers now.
void swapOnPage(const YearViewTargetPtr& view, const calstore::EventPtr& before,
                const calstore::EventPtr& saved, const CalendarPtr& calendar) {
    if (!view) return;
    const int year = view->year();
    std::vector<QDate> days = daysInYear(before->startDate(), before->endDate(), year);
    for (const QDate& day : daysInYear(saved->startDate(), saved->endDate(), year))
        if (std::find(days.begin(), days.end(), day) == days.end()) days.push_back(day);
    // The UIDs differ only for a new event that the store gave one.
    for (const QDate& day : days) {
        view->threadedRemoveEventUIDFromDayInMonth(before->uid(), day.day(), day.month());
        if (saved->uid() != before->uid())
            view->threadedRemoveEventUIDFromDayInMonth(saved->uid(), day.day(), day.month());
    }
    Loader::newEventLoaderForYear(year)->walkEventDays(view, saved,
                                                       calendar ? calendar : calendarOfEvent(saved),
                                                       /*fullLoading=*/false);
    view->threadedUpdateView();
}

// A guarded store write whose failure lines differ from the usual pattern: a
// NO logs `failedLine`, an exception `exceptionWords` + " failed with exception "
// and the reason. Answers whether the write succeeded.
template <typename Write>
bool guardedWrite(const QString& failedLine, const QString& exceptionWords, Write write) {
    QString reason;
    try {
        QString error;
        if (write(&error)) return true;
        foundation::log(failedLine);
        return false;
    } catch (const calstore::StoreError& error) {
        reason = error.reason();
    } catch (const std::exception& error) {
        reason = QString::fromUtf8(error.what());
    }
    foundation::log(exceptionWords + QStringLiteral(" failed with exception ") + reason);
    return false;
}

void post(const QVariantMap& userInfo) {
    foundation::NotificationCenter::defaultCenter().post(Loader::eventDataChangedNotification,
                                                         Loader::notificationSender(), userInfo);
}

void postEventChange(const calstore::EventPtr& event, const QString& changes) {
    post({{Loader::kEventKey, QVariant::fromValue(event)}, {Loader::kChangesKey, changes}});
}

void postDeleted(const QString& uid) {
    post({{Loader::kEventKey, QVariant::fromValue(calstore::EventPtr())},
          {Loader::kChangesKey, QStringLiteral("deleted")},
          {Loader::kUIDKey, uid}});
}

void report(const QVariantMap& changes) {
    if (const auto hooks = MainWindowHooks::shared()) hooks->eventsUpdated(changes);
}

}  // namespace

const void* YearViewEventLoader::notificationSender() {
    static const char sender = 0;
    return &sender;
}

// --- Notes -----------------------------------------------------------------------------

bool YearViewEventLoader::updateNotesForEventOnCalOnDateOnView(const QString& notes,
                                                               const calstore::EventPtr& event,
                                                               const CalendarPtr& calendar,
                                                               const MyDatePtr& date,
                                                               const YearViewTargetPtr& view) {
    if (!date) {
        foundation::log(QStringLiteral("oops, notes without a day were not written"));
        return false;
    }
    // Empty notes of a day without notes: there is nothing to write or remove.
    if (!event && notes.isEmpty()) return true;
    const int day = date->dayNum();
    const int month = date->monthNum();
    // Only the page of the day's year shows it.
    const YearViewTargetPtr page = view && view->year() == date->yearNum() ? view : nullptr;

    CalendarPtr dayCalendar = calendar;
    if (event && !dayCalendar) dayCalendar = calendarOfEvent(event);
    if (event && notes.isEmpty()) {
        if (!removeEventGuarded(event, QStringLiteral("deleting notes event"),
                                calstore::Span::AllEvents))
            return false;
        if (page) {
            page->threadedRemoveEventUIDFromDayInMonth(event->uid(), day, month);
            page->threadedUpdateView();
        }
        return true;
    }

    calstore::EventPtr notesEvent;
    if (event) {
        notesEvent = copyOf(event);
        notesEvent->setNotes(notes);
    } else {
        const calstore::CalendarPtr storeCalendar = calendar ? calendar->calendar() : nullptr;
        if (!storeCalendar) {
            foundation::log(
                QStringLiteral("oops, no calendar for the notes of %1").arg(date->description()));
            return false;
        }
        notesEvent = calstore::Event::event();
        notesEvent->setCalendar(storeCalendar);
        notesEvent->setTitle(foundation::localized(QStringLiteral("notesHeadline"), QString()));
        notesEvent->setNotes(notes);
        notesEvent->setStartDate(date->nsDate());
        notesEvent->setEndDate(date->endOfDay()->nsDate());
        notesEvent->setIsAllDay(true);
        notesEvent->setLocation(kNotesLocation);
    }
    if (!saveEventGuarded(notesEvent, QStringLiteral("saving notes event"),
                          calstore::Span::ThisEvent))
        return false;
    // The day shows the notes as saved.
    if (page) {
        if (event) page->threadedRemoveEventUIDFromDayInMonth(event->uid(), day, month);
        page->threadedRemoveEventUIDFromDayInMonth(notesEvent->uid(), day, month);
        page->threadedAddEventFromCalendarForDayInMonthInFullLoading(notesEvent, dayCalendar, day,
                                                                     month, false);
        page->threadedUpdateView();
    }
    return true;
}

// --- Times ------------------------------------------------------------------------------

namespace {

// A new start or end: a copy of the event with it is saved and, when that
// succeeded, listed on the page instead of the event and announced.
bool updateTime(bool start, const QDateTime& date, const calstore::EventPtr& event,
                const CalendarPtr& calendar, const YearViewTargetPtr& view,
                calstore::EventPtr* savedCopy) {
    if (!event || !date.isValid()) {
        foundation::log(QStringLiteral("oops, no event or no date to update its times"));
        return false;
    }
    const calstore::EventPtr saved = copyOf(event);
    if (start)
        saved->setStartDate(date);
    else
        saved->setEndDate(date);
    if (!guardedWrite(QStringLiteral("ERROR: updating event start/end times failed!"),
                      QStringLiteral("ERROR: updating event start/end times"), [&](QString* error) {
                          return MyEventStore::saveEventSpanError(saved, calstore::Span::ThisEvent,
                                                                  error);
                      }))
        return false;
    swapOnPage(view, event, saved, calendar);
    postEventChange(saved, start ? QStringLiteral("startDate") : QStringLiteral("endDate"));
    if (savedCopy) *savedCopy = saved;
    return true;
}

}  // namespace

bool YearViewEventLoader::updateStartTimeForEventOnCalOnView(const QDateTime& start,
                                                             const calstore::EventPtr& event,
                                                             const CalendarPtr& calendar,
                                                             const YearViewTargetPtr& view,
                                                             calstore::EventPtr* saved) {
    return updateTime(true, start, event, calendar, view, saved);
}

bool YearViewEventLoader::updateEndTimeForEventOnCalOnView(const QDateTime& end,
                                                           const calstore::EventPtr& event,
                                                           const CalendarPtr& calendar,
                                                           const YearViewTargetPtr& view,
                                                           calstore::EventPtr* saved) {
    return updateTime(false, end, event, calendar, view, saved);
}

bool YearViewEventLoader::updateStartTimeAndEndTimeForEvent(const QDateTime& start,
                                                            const QDateTime& end,
                                                            const calstore::EventPtr& event) {
    if (!event) {
        foundation::log(QStringLiteral("oops, no event to move"));
        return false;
    }
    const calstore::EventPtr saved = copyOf(event);
    saved->setStartDate(start);
    saved->setEndDate(end);
    const bool ok = saveEventGuarded(saved, QStringLiteral("updating event after move"));
    if (ok) postEventChange(saved, QStringLiteral("dates"));
    // Either way the pages read the event again: moved, or back where the store has it.
    report({{event->uid(), kEventChanged}});
    return ok;
}

// --- Edited events ------------------------------------------------------------------------

namespace {

// Takes back an edit the store has just saved: a new event (another UID than
// the old one) is removed; an event changed in place gets its old data back.
bool undoSavedEdit(const calstore::EventPtr& oldEvent, const calstore::EventPtr& saved) {
    if (saved->uid() != oldEvent->uid()) {
        return guardedWrite(
            QStringLiteral("ERROR: event update failed! (removing new event data)"),
            QStringLiteral("ERROR: updating event (removing new data)"), [&](QString* error) {
                return MyEventStore::removeEventSpanError(saved, calstore::Span::AllEvents, error);
            });
    }
    // The stored version with the old event's data.
    const calstore::EventPtr restored = copyOf(saved);
    restored->setCalendar(oldEvent->calendar());
    restored->setTitle(oldEvent->title());
    restored->setLocation(oldEvent->location());
    restored->setNotes(oldEvent->notes());
    restored->setUrl(oldEvent->url());
    restored->setStartDate(oldEvent->startDate());
    restored->setEndDate(oldEvent->endDate());
    restored->setIsAllDay(oldEvent->isAllDay());
    restored->setAttendees(oldEvent->attendees());
    restored->setRecurrenceRule(oldEvent->recurrenceRule());
    return guardedWrite(
        QStringLiteral("ERROR: event update failed! (restoring old event data)"),
        QStringLiteral("ERROR: updating event (restoring old data)"), [&](QString* error) {
            return MyEventStore::saveEventSpanError(restored, calstore::Span::AllEvents, error);
        });
}

}  // namespace

bool YearViewEventLoader::updateEventWithEventAndAttendees(
    const calstore::EventPtr& oldEvent, const calstore::EventPtr& newEvent,
    const QList<calstore::AttendeePtr>& attendees) {
    if (!oldEvent || !newEvent) {
        foundation::log(QStringLiteral("oops, an event update without the old or the new event"));
        return false;
    }
    const QList<calstore::AttendeePtr> written =
        MyEventStore::extendedAPIavailable() ? attendees : QList<calstore::AttendeePtr>();
    const QString oldUID = oldEvent->uid();

    // The new data is written before the old is given up, so a failed save
    // leaves the event as it was.
    const calstore::EventPtr saved = copyOf(newEvent);
    if (!guardedWrite(
            QStringLiteral("ERROR: event update failed! (creation of new event data)"),
            QStringLiteral("ERROR: updating event (writing new data)"), [&](QString* error) {
                return MyEventStore::saveEventSpanError(saved, calstore::Span::AllEvents, error);
            }))
        return false;
    // The new UID is known once the store has saved the event (a new event
    // without one gets one there).
    const QString newUID = saved->uid();

    // The attendees belong to the edit: when they cannot be written, the saved
    // event is taken back and the edit fails as a whole.
    if (!guardedWrite(QStringLiteral("ERROR: event update failed! (attendees of new event data)"),
                      QStringLiteral("ERROR: updating event (writing attendees)"),
                      [&](QString* error) {
                          return MyEventStore::writeAttendeesForEventError(saved, written, error);
                      })) {
        if (undoSavedEdit(oldEvent, saved)) return false;
        // The edit stays in the store after all: the pages show what it holds.
        report(newUID == oldUID ? QVariantMap{{newUID, kEventChanged}}
                                : QVariantMap{{newUID, kEventInserted}});
        return false;
    }

    bool removed = true;
    QVariantMap changes;
    if (newUID == oldUID) {
        changes.insert(newUID, kEventChanged);
    } else {
        removed = guardedWrite(
            QStringLiteral("ERROR: event update failed! (deletion of old event data)"),
            QStringLiteral("ERROR: updating event (deleting old data)"), [&](QString* error) {
                return MyEventStore::removeEventSpanError(oldEvent, calstore::Span::AllEvents,
                                                          error);
            });
        // An old event that could not be removed is still there: only the new
        // one is news.
        if (removed) changes.insert(oldUID, kEventDeleted);
        changes.insert(newUID, kEventInserted);
    }
    report(changes);
    post({{kEventKey, QVariant::fromValue(calstore::EventPtr())},
          {kChangesKey, QStringLiteral("updated")},
          {kOldUIDKey, oldUID},
          {kUIDKey, newUID}});
    return removed;
}

bool YearViewEventLoader::updateEventWithEvent(const calstore::EventPtr& oldEvent,
                                               const calstore::EventPtr& newEvent) {
    return updateEventWithEventAndAttendees(oldEvent, newEvent, {});
}

// --- Deleting and creating -----------------------------------------------------------------

namespace {

// After a removal: a removed event is announced and dropped from the pages; one
// that is still in the store is read again by the pages instead.
bool announceDeletion(const QString& uid, bool removed) {
    if (!removed) {
        report({{uid, Loader::kEventChanged}});
        return false;
    }
    postDeleted(uid);
    report({{uid, Loader::kEventDeleted}});
    return true;
}

}  // namespace

bool YearViewEventLoader::deleteEvent(const EventDayPtr& eventDay) {
    const calstore::EventPtr event = eventDay ? eventDay->event() : nullptr;
    if (!event) {
        foundation::log(QStringLiteral("oops, no event to delete"));
        return false;
    }
    // A record the store has not seen yet has nothing to remove there.
    if (eventDay->isNew()) {
        report({{event->uid(), kEventDeleted}});
        return true;
    }
    return deleteEventC(event);
}

bool YearViewEventLoader::deleteEventC(const calstore::EventPtr& event) {
    if (!event) {
        foundation::log(QStringLiteral("oops, no event to delete"));
        return false;
    }
    return announceDeletion(event->uid(),
                            removeEventGuarded(event, QStringLiteral("deleting event")));
}

bool YearViewEventLoader::storeNewlyCreatedEventOnCalOnView(const calstore::EventPtr& event,
                                                            const CalendarPtr& calendar,
                                                            const YearViewTargetPtr& view,
                                                            calstore::EventPtr* savedCopy) {
    if (!event) {
        foundation::log(QStringLiteral("oops, no event to store"));
        return false;
    }
    // The week view's new event may already be on the page's days: the store
    // writes into a copy, which takes its place there once it is saved.
    const calstore::EventPtr saved = copyOf(event);
    if (!saveEventGuarded(saved, QStringLiteral("saving newly created event"))) return false;
    if (pageListsEvent(view, event)) swapOnPage(view, event, saved, calendar);
    if (savedCopy) *savedCopy = saved;
    return true;
}

bool YearViewEventLoader::canHandleAttendees() {
    return MyEventStore::canSetAttendees();
}
