#pragma once

#include "platform/store/Attendee.h"
#include "platform/store/Calendar.h"
#include "platform/store/EventDetails.h"
#include "platform/store/ManagedObject.h"
#include "platform/store/RecurrenceRule.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

namespace calstore {

namespace detail {
struct Series;
class EventAccess;
struct StoreWriter;
}  // namespace detail

// One event as the store hands it out: a copy, so changing it changes nothing
// until it is saved. Every occurrence of a repeating event is an event of its
// own with the series' UID, its own start and end, and its occurrence date (the
// start the rule gave it, which an occurrence moved on its own no longer has).
//
// All-day events start at 00:00 of their first day and end at 23:59:59 of their
// last day, in the store's time zone.
//
// An event is a plain value without a lock: one thread changes it at a time.
class Event final {
public:
    Event() = default;
    // A new event, not in the store yet, with a fresh UID.
    static std::shared_ptr<Event> event();

    const QString& uid() const { return common().uid; }
    const CalendarPtr& calendar() const { return common().calendar; }
    const QString& title() const { return details().title; }
    const QString& location() const { return details().location; }
    const QString& notes() const { return details().notes; }
    const QUrl& url() const { return details().url; }
    const QDateTime& startDate() const { return start_; }
    const QDateTime& endDate() const { return end_; }
    bool isAllDay() const { return allDay_; }
    // When the event was last changed (LAST-MODIFIED, else DTSTAMP); invalid when unknown.
    const QDateTime& dateStamp() const { return details().stamp; }
    bool hasAlarm() const { return details().hasAlarm; }
    const QList<AttendeePtr>& attendees() const { return details().attendees; }
    const std::optional<RecurrenceRule>& recurrenceRule() const { return common().rule.get(); }
    // Whether the event repeats: it has a rule, or its series has rules or
    // extra dates.
    bool isRecurring() const;
    // The start the occurrence has in its series (for a single event: its start).
    const QDateTime& occurrence() const {
        return occurrenceIsStart_ ? start_ : common().occurrence;
    }
    // An occurrence that was changed apart from its series.
    bool isDetached() const { return detached_; }

    void setCalendar(const CalendarPtr& calendar) { editCommon().calendar = calendar; }
    void setTitle(const QString& title) { editCommon().details.edit().title = title; }
    void setLocation(const QString& location) { editCommon().details.edit().location = location; }
    void setNotes(const QString& notes) { editCommon().details.edit().notes = notes; }
    void setUrl(const QUrl& url) { editCommon().details.edit().url = url; }
    void setStartDate(const QDateTime& date) {
        // The occurrence stays the start the event was read with.
        if (occurrenceIsStart_) {
            editCommon().occurrence = start_;
            occurrenceIsStart_ = false;
        }
        start_ = date;
    }
    void setEndDate(const QDateTime& date) { end_ = date; }
    void setIsAllDay(bool allDay) { allDay_ = allDay; }
    void setAttendees(const QList<AttendeePtr>& attendees) {
        editCommon().details.edit().attendees = attendees;
    }
    void setRecurrenceRule(const std::optional<RecurrenceRule>& rule) {
        editCommon().rule.edit() = rule;
    }

    // For the store's managed-object layer: the component of the store this
    // event stands for (the series, or its changed occurrence); null for an
    // event that is not in the store.
    ManagedObjectID managedObjectID() const;

private:
    friend class detail::EventAccess;
    friend struct detail::StoreWriter;

    const detail::EventCommon& common() const;
    // This event's own common part to change, copied first while others share it.
    detail::EventCommon& editCommon();
    const detail::Details& details() const { return common().details.get(); }
    // The series the event was read from; none for an event made here.
    const std::shared_ptr<const detail::Series>& series() const { return common().series; }

    // The UID, calendar, texts and rule: shared by the events a query made of
    // one series' component until one of them is changed.
    std::shared_ptr<detail::EventCommon> common_;
    QDateTime start_;
    QDateTime end_;
    bool allDay_ = false;
    bool detached_ = false;
    // The occurrence is the start, as it is for all but the moved occurrences
    // (which keep theirs in a common part of their own).
    bool occurrenceIsStart_ = false;
};

using EventPtr = std::shared_ptr<Event>;

}  // namespace calstore
