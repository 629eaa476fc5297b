#pragma once

#include "platform/foundation/UserCalendar.h"

#include <QTimeZone>

// Makes the given calendar settings current for the lifetime of the object and
// restores the previous ones afterwards, so date tests do not depend on the machine.
class ScopedUserCalendar final {
public:
    ScopedUserCalendar(const char* zone, int firstWeekday, int minimumDaysInFirstWeek)
        : saved_(foundation::UserCalendar::current()) {
        foundation::UserCalendar::setCurrent(foundation::UserCalendar(
            QTimeZone(QByteArray(zone)), firstWeekday, minimumDaysInFirstWeek));
    }
    ~ScopedUserCalendar() { foundation::UserCalendar::setCurrent(saved_); }
    ScopedUserCalendar(const ScopedUserCalendar&) = delete;
    ScopedUserCalendar& operator=(const ScopedUserCalendar&) = delete;

private:
    foundation::UserCalendar saved_;
};
