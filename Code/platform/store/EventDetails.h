#pragma once

#include "platform/store/Attendee.h"
#include "platform/store/Calendar.h"
#include "platform/store/RecurrenceRule.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

namespace calstore::detail {

// What one VEVENT says of its occurrence besides the timing.
struct Details {
    QString title;
    QString location;
    QString notes;
    QUrl url;
    QDateTime stamp;
    bool hasAlarm = false;
    QList<AttendeePtr> attendees;  // immutable records, shared by every copy
};

// A value that many events share until one of them changes it: the events of
// one series point into the series' own copy, and an event that is changed
// gets a copy of its own first (copy on write).
template <class T>
class SharedValue final {
public:
    SharedValue() = default;
    explicit SharedValue(std::shared_ptr<const T> shared) : ptr_(std::move(shared)) {}

    const T& get() const { return ptr_ ? *ptr_ : empty(); }
    // The value to change: this event's own, copied first unless it is
    // already its own and no copy of the event shares it.
    T& edit() {
        if (!own_ || ptr_.use_count() != 1) {
            ptr_ = std::make_shared<T>(get());
            own_ = true;
        }
        return const_cast<T&>(*ptr_);
    }

private:
    static const T& empty() {
        static const T value{};
        return value;
    }
    std::shared_ptr<const T> ptr_;
    bool own_ = false;  // made by edit(), not pointing into a series
};

struct Series;

// What the occurrences of one component of a series have in common as events:
// the series' UID, the calendar, the texts and attendees, the rule, and the
// series they were read from (none for an event made here).
struct EventCommon {
    QString uid;
    CalendarPtr calendar;
    SharedValue<Details> details;
    SharedValue<std::optional<RecurrenceRule>> rule;
    std::shared_ptr<const Series> series;
    // The start the rules gave an occurrence that no longer starts there.
    QDateTime occurrence;
};

}  // namespace calstore::detail
