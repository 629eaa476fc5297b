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

// Takes the event off the page's days that `start` to `end` covered, lets
// `change` change it, and lists it again on the days it covers now.
template <typename Change>
void redoDaysOnPage(const YearViewTargetPtr& view, const calstore::EventPtr& event,
                    const CalendarPtr& calendar, Change change) {
    if (!view) {
        change();
        return;
    }
    const int year = view->year();
    std::vector<QDate> before = daysInYear(event->startDate(), event->endDate(), year);
    change();
    for (const QDate& day : before)
        view->threadedRemoveEventUIDFromDayInMonth(event->uid(), day.day(), day.month());
    // Its day after the change too, in case an entry of it stood there already.
    for (const QDate& day : daysInYear(event->startDate(), event->endDate(), year))
        if (std::find(before.begin(), before.end(), day) == before.end())
            view->threadedRemoveEventUIDFromDayInMonth(event->uid(), day.day(), day.month());
    Loader::newEventLoaderForYear(year)->walkEventDays(view, event,
                                                       calendar ? calendar : calendarOfEvent(event),
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

    calstore::EventPtr notesEvent = event;
    CalendarPtr dayCalendar = calendar;
    if (notesEvent) {
        if (!dayCalendar) dayCalendar = calendarOfEvent(notesEvent);
        if (page) page->threadedRemoveEventUIDFromDayInMonth(notesEvent->uid(), day, month);
        if (!notes.isEmpty()) notesEvent->setNotes(notes);
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
    if (page) {
        if (!notes.isEmpty())
            page->threadedAddEventFromCalendarForDayInMonthInFullLoading(notesEvent, dayCalendar,
                                                                         day, month, false);
        page->threadedUpdateView();
    }

    if (notes.isEmpty())
        return removeEventGuarded(notesEvent, QStringLiteral("deleting notes event"),
                                  calstore::Span::AllEvents);
    return saveEventGuarded(notesEvent, QStringLiteral("saving notes event"),
                            calstore::Span::ThisEvent);
}

// --- Times ------------------------------------------------------------------------------

namespace {

// The page's part of a new start or end: the event leaves the days it covered
// and is listed on those it covers now.
bool setTimeOnPage(bool start, const QDateTime& date, const calstore::EventPtr& event,
                   const CalendarPtr& calendar, const YearViewTargetPtr& view) {
    if (!event || !date.isValid()) {
        foundation::log(QStringLiteral("oops, no event or no date to update its times"));
        return false;
    }
    redoDaysOnPage(view, event, calendar, [&] {
        if (start)
            event->setStartDate(date);
        else
            event->setEndDate(date);
    });
    return true;
}

}  // namespace

bool YearViewEventLoader::updateStartTimeForEventOnCalOnView(const QDateTime& start,
                                                             const calstore::EventPtr& event,
                                                             const CalendarPtr& calendar,
                                                             const YearViewTargetPtr& view) {
    if (!setTimeOnPage(true, start, event, calendar, view)) return false;
    if (!saveEventGuarded(event, QStringLiteral("updating event start/end times"))) return false;
    postEventChange(event, QStringLiteral("startDate"));
    return true;
}

bool YearViewEventLoader::updateEndTimeForEventOnCalOnView(const QDateTime& end,
                                                           const calstore::EventPtr& event,
                                                           const CalendarPtr& calendar,
                                                           const YearViewTargetPtr& view) {
    if (!setTimeOnPage(false, end, event, calendar, view)) return false;
    if (!saveEventGuarded(event, QStringLiteral("updating event start/end times"))) return false;
    postEventChange(event, QStringLiteral("endDate"));
    return true;
}

bool YearViewEventLoader::updateStartTimeAndEndTimeForEvent(const QDateTime& start,
                                                            const QDateTime& end,
                                                            const calstore::EventPtr& event) {
    if (!event) {
        foundation::log(QStringLiteral("oops, no event to move"));
        return false;
    }
    event->setStartDate(start);
    event->setEndDate(end);
    const bool saved = saveEventGuarded(event, QStringLiteral("updating event after move"));
    if (saved) postEventChange(event, QStringLiteral("dates"));
    // Either way the pages read the event again: moved, or back where the store has it.
    report({{event->uid(), kEventChanged}});
    return saved;
}

// --- Edited events ------------------------------------------------------------------------

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
    const bool saved = guardedWrite(
        QStringLiteral("ERROR: event update failed! (creation of new event data)"),
        QStringLiteral("ERROR: updating event (writing new data)"), [&](QString* error) {
            return MyEventStore::saveEventWithAttendeesSpanError(newEvent, written,
                                                                 calstore::Span::AllEvents, error);
        });
    if (!saved) return false;
    // The new UID is known once the store has saved the event (a new event
    // without one gets one there).
    const QString newUID = newEvent->uid();

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
                                                            const CalendarPtr&,
                                                            const YearViewTargetPtr&) {
    return saveEventGuarded(event, QStringLiteral("saving newly created event"));
}

bool YearViewEventLoader::canHandleAttendees() {
    return MyEventStore::canSetAttendees();
}
