#pragma once

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

constexpr qint64 floorDiv(qint64 a, qint64 b) {
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}
constexpr qint64 floorMod(qint64 a, qint64 b) {
    return a - floorDiv(a, b) * b;
}

// Days since 1 January 1970 of a proleptic Gregorian date; any day number carries.
qint64 daysFromCivil(qint64 year, int month, qint64 day);
void civilFromDays(qint64 days, int* year, int* month, int* day);

bool isLeapYear(qint64 year);
int daysInMonth(qint64 year, int month);
int daysInYear(qint64 year);

// 1 Sunday .. 7 Saturday (1 January 1970 was a Thursday).
inline int weekdayOfDays(qint64 days) {
    return int(floorMod(days + 4, 7)) + 1;
}

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
