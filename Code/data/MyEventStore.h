#pragma once

#include "data/MyStoreGroup.h"

#include "platform/store/Capabilities.h"
#include "platform/store/Store.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The system's access to the calendar store: class operations only, no state.
//
// Most operations forward to the store's default instance (or its predicate
// builders) and answer exactly what it answers; a StoreError of the store
// reaches the caller, which guards every save and removal. The rest use the
// store's managed-object layer (account groups, attendees, kinds of calendar),
// asking the layer's registry for every piece before using it, so that the
// system still works, without those additions, when a piece is missing.
//
// Every operation may be called from any thread; the managed-object work uses
// the calling thread's context.
class MyEventStore final {
public:
    MyEventStore() = delete;

    // --- Forwarded to the store ---------------------------------------------------
    static calstore::StorePtr defaultCalendarStore();
    static QList<calstore::CalendarPtr> calendars();
    static calstore::CalendarPtr calendarWithUID(const QString& uid);
    static bool saveCalendarError(const calstore::CalendarPtr& calendar, QString* error);
    static bool removeCalendarError(const calstore::CalendarPtr& calendar, QString* error);
    static QList<calstore::EventPtr> eventsWithPredicate(const calstore::EventPredicate& predicate);
    static calstore::EventPtr eventWithUIDOccurrence(const QString& uid,
                                                     const QDateTime& occurrence);
    static bool removeEventSpanError(const calstore::EventPtr& event, calstore::Span span,
                                     QString* error);
    // Saves without attendees (saveEventWithAttendeesSpanError with none), so the
    // event's times are put in order first.
    static bool saveEventSpanError(const calstore::EventPtr& event, calstore::Span span,
                                   QString* error);
    static QList<calstore::TaskPtr> tasksWithPredicate(const calstore::TaskPredicate& predicate);
    static calstore::TaskPtr taskWithUID(const QString& uid);
    static bool saveTaskError(const calstore::TaskPtr& task, QString* error);
    static bool removeTaskError(const calstore::TaskPtr& task, QString* error);

    static calstore::EventPredicate eventPredicateWithStartDateEndDateCalendars(
        const QDateTime& startDate, const QDateTime& endDate,
        const QList<calstore::CalendarPtr>& calendars);
    static calstore::EventPredicate eventPredicateWithStartDateEndDateUIDCalendars(
        const QDateTime& startDate, const QDateTime& endDate, const QString& uid,
        const QList<calstore::CalendarPtr>& calendars);
    static calstore::TaskPredicate taskPredicateWithCalendars(
        const QList<calstore::CalendarPtr>& calendars);
    static calstore::TaskPredicate taskPredicateWithTasksCompletedSinceCalendars(
        const QDateTime& completedSince, const QList<calstore::CalendarPtr>& calendars);
    static calstore::TaskPredicate taskPredicateWithUncompletedTasks(
        const QList<calstore::CalendarPtr>& calendars);
    static calstore::TaskPredicate taskPredicateWithUncompletedTasksDueBeforeCalendars(
        const QDateTime& dueDate, const QList<calstore::CalendarPtr>& calendars);

    // --- Availability of the managed-object layer ---------------------------------

    // YES when the layer for attendees and calendars is complete; logs a
    // "WARNING: " line for each missing piece (every time it is asked).
    static bool extendedAPIavailable();
    // YES when the store's group operations are complete; logs the same way.
    static bool groupsAPIavailable();
    // YES when attendees can be written with the attendee flag. Silent.
    static bool canSetAttendees();

    // --- Calendars and groups --------------------------------------------------

    // YES for a subscribed calendar or the birthday calendar.
    static bool calendarIsSubscribed(const calstore::CalendarPtr& calendar);
    // YES for a reminders (task) calendar.
    static bool calendarIsReminder(const calstore::CalendarPtr& calendar);
    static MyStoreGroupPtr groupOfCalendar(const calstore::CalendarPtr& calendar);
    // One group per store group; none (not an empty list) without the group operations.
    static std::optional<QList<MyStoreGroupPtr>> groups();
    static MyStoreGroupPtr groupWithUID(const QString& uid);
    static bool saveGroupError(const MyStoreGroupPtr& group, QString* error);
    static bool removeGroupError(const MyStoreGroupPtr& group, QString* error);
    static MyStoreGroupPtr newMyStoreGroupForCalGroup(const calstore::GroupPtr& group);

    // --- Events and attendees --------------------------------------------------

    // Puts the event's times in order, saves it, and then writes the attendees
    // (writeAttendeesForEventError). NO when the save or the attendee write
    // failed; the event stays saved when only its attendees could not be written.
    static bool saveEventWithAttendeesSpanError(const calstore::EventPtr& event,
                                                const QList<calstore::AttendeePtr>& attendees,
                                                calstore::Span span, QString* error);
    // Writes the attendees of an event the store holds, when at least one of
    // them is a MyAttendee and the layer allows it (YES without writing
    // otherwise). NO when the store refused them.
    static bool writeAttendeesForEventError(const calstore::EventPtr& event,
                                            const QList<calstore::AttendeePtr>& attendees,
                                            QString* error);
    // Start before end, and at least 300 seconds between them.
    static void checkStartEndTimes(const calstore::EventPtr& event);
    // Replaces the event's attendees by MyAttendee copies of the stored ones.
    static bool expandAttendeeInfoOnEvent(const calstore::EventPtr& event);
    // Sets the attendees on the event; every one must be a MyAttendee.
    static bool setAttendeesForEvent(const QList<calstore::AttendeePtr>& attendees,
                                     const calstore::EventPtr& event);
    // Diagnostics to the log.
    static void printEventAttendees(const calstore::EventPtr& event);
    static void describeSignature(const calstore::OperationSignature& signature);

    // The shortest event the system saves, in seconds.
    static constexpr qint64 kMinimumEventSeconds = 300;
};

namespace testhooks {
// Makes the next attendee write answer NO after its event was saved, as a
// store that refuses the attendees would. Tests only.
void failNextAttendeeWrite();
}  // namespace testhooks
