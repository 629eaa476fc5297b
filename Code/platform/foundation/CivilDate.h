#pragma once

#include <QtGlobal>

namespace foundation::civil {

// Proleptic Gregorian calendar arithmetic on plain day numbers (days since
// 1 January 1970), shared by the user's calendar and the calendar store, which
// both work below QDate for speed and for years QDate does not cover.
// Years are astronomical (year 0 exists). Weekdays count 1 Sunday .. 7 Saturday.

constexpr qint64 floorDiv(qint64 a, qint64 b) {
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

constexpr qint64 floorMod(qint64 a, qint64 b) {
    return a - floorDiv(a, b) * b;
}

// The day number of a date; month 1-12, any day number carries.
qint64 daysFromCivil(qint64 year, int month, qint64 day);
void civilFromDays(qint64 days, int* year, int* month, int* day);

bool isLeapYear(qint64 year);
int daysInMonth(qint64 year, int month);
int daysInYear(qint64 year);

// 1 Sunday .. 7 Saturday (1 January 1970 was a Thursday).
inline int weekdayOfDays(qint64 days) {
    return int(floorMod(days + 4, 7)) + 1;
}

}  // namespace foundation::civil
