#pragma once

#include "platform/foundation/CivilDate.h"

#include <QtGlobal>

namespace calstore::civil {

// Gregorian calendar arithmetic on plain numbers, for the recurrence expansion
// and the time-zone tables, which work on wall-clock seconds rather than QDateTime
// so that a year of occurrences costs little.
//
// A "wall" time is a reading of some clock counted like UTC seconds since
// 1 January 1970 00:00, without saying which zone the clock belongs to.
// Weekdays count 1 Sunday .. 7 Saturday.

constexpr qint64 kSecondsPerDay = 86400;

// The calendar arithmetic itself is the foundation's.
using foundation::civil::civilFromDays;
using foundation::civil::daysFromCivil;
using foundation::civil::daysInMonth;
using foundation::civil::daysInYear;
using foundation::civil::floorDiv;
using foundation::civil::floorMod;
using foundation::civil::isLeapYear;
using foundation::civil::weekdayOfDays;

inline qint64 daysOfWall(qint64 wall) {
    return floorDiv(wall, kSecondsPerDay);
}
inline qint64 secondsOfDayOfWall(qint64 wall) {
    return floorMod(wall, kSecondsPerDay);
}

// Month index counted from year 0 (year * 12 + month - 1), for stepping months.
inline qint64 monthIndex(qint64 year, int month) {
    return year * 12 + month - 1;
}

}  // namespace calstore::civil
