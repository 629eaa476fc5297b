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

    const QString& uid() const { return uid_; }
    const CalendarPtr& calendar() const { return calendar_; }
    const QString& title() const { return details_.get().title; }
    const QString& location() const { return details_.get().location; }
    const QString& notes() const { return details_.get().notes; }
    const QUrl& url() const { return details_.get().url; }
    const QDateTime& startDate() const { return start_; }
    const QDateTime& endDate() const { return end_; }
    bool isAllDay() const { return allDay_; }
    // When the event was last changed (LAST-MODIFIED, else DTSTAMP); invalid when unknown.
    const QDateTime& dateStamp() const { return details_.get().stamp; }
    bool hasAlarm() const { return details_.get().hasAlarm; }
    const QList<AttendeePtr>& attendees() const { return details_.get().attendees; }
    const std::optional<RecurrenceRule>& recurrenceRule() const { return rule_.get(); }
    // Whether the event repeats: it has a rule, or its series has rules or
    // extra dates.
    bool isRecurring() const;
    // The start the occurrence has in its series (for a single event: its start).
    const QDateTime& occurrence() const { return occurrence_; }
    // An occurrence that was changed apart from its series.
    bool isDetached() const { return detached_; }

    void setCalendar(const CalendarPtr& calendar) { calendar_ = calendar; }
    void setTitle(const QString& title) { details_.edit().title = title; }
    void setLocation(const QString& location) { details_.edit().location = location; }
    void setNotes(const QString& notes) { details_.edit().notes = notes; }
    void setUrl(const QUrl& url) { details_.edit().url = url; }
    void setStartDate(const QDateTime& date) { start_ = date; }
    void setEndDate(const QDateTime& date) { end_ = date; }
    void setIsAllDay(bool allDay) { allDay_ = allDay; }
    void setAttendees(const QList<AttendeePtr>& attendees) {
        details_.edit().attendees = attendees;
    }
    void setRecurrenceRule(const std::optional<RecurrenceRule>& rule) { rule_.edit() = rule; }

    // For the store's managed-object layer: the component of the store this
    // event stands for (the series, or its changed occurrence); null for an
    // event that is not in the store.
    ManagedObjectID managedObjectID() const;

private:
    friend class detail::EventAccess;
    friend struct detail::StoreWriter;

    QString uid_;
    CalendarPtr calendar_;
    // The texts, attendees and rule: those of the series' component the
    // event was read from, shared by all its occurrences until changed.
    detail::SharedValue<detail::Details> details_;
    detail::SharedValue<std::optional<RecurrenceRule>> rule_;
    QDateTime start_;
    QDateTime end_;
    QDateTime occurrence_;
    bool allDay_ = false;
    bool detached_ = false;
    // The series the event was read from; none for an event made here.
    std::shared_ptr<const detail::Series> series_;
};

using EventPtr = std::shared_ptr<Event>;

}  // namespace calstore
