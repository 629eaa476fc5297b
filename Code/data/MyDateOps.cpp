#include "data/MyDateOps.h"

namespace {
const int kMonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
}

int isLeapYear(SimpleDate date) {
    const int32_t y = date.year;
    return ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0) ? 1 : 0;
}

// A month outside 1-12 has no length; answering 0 keeps callers that walk over a
// month's days from reading past the table.
int numberOfDays(SimpleDate date) {
    if (date.month < 1 || date.month > 12) return 0;
    if (date.month == 2 && isLeapYear(date) == 1) return 29;
    return kMonthLengths[date.month - 1];
}

SimpleDate nextDay(SimpleDate date) {
    if (date.day == numberOfDays(date)) {
        date.day = 1;
        if (date.month == 12) {
            date.month = 1;
            ++date.year;
        } else {
            ++date.month;
        }
    } else {
        ++date.day;
    }
    return date;
}

int monthForWeek(int year, int week) {
    const long long target = (long long)week * 7 + 4;
    const bool leap = isLeapYear(SimpleDate{1, 1, year}) == 1;
    long long sum = 0;
    for (int month = 1; month <= 12; ++month) {
        sum += kMonthLengths[month - 1] + ((month == 2 && leap) ? 1 : 0);
        if (sum > target) return month;
    }
    return 12;
}

SimpleDate firstInNextMonth(SimpleDate date) {
    date.day = 1;
    ++date.month;
    if (date.month > 12) {
        date.month = 1;
        ++date.year;
    }
    return date;
}

int isSameDate(SimpleDate a, SimpleDate b) {
    return (a.day == b.day && a.month == b.month && a.year == b.year) ? 1 : 0;
}
