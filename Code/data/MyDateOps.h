#pragma once

#include <cstdint>

// A calendar day as three numbers, for the drawing code that counts days without
// asking the calendar. Passed and returned by value; nothing keeps one.
struct SimpleDate {
    int32_t month = 1;  // 1-12
    int32_t day = 1;    // 1-31
    int32_t year = 1970;

    bool operator==(const SimpleDate&) const = default;
};

// The following day. Only a day equal to its month's length rolls over into the
// next month (and December into January of the next year); any other day just
// counts on.
SimpleDate nextDay(SimpleDate date);

// Days of the record's month in its year; 0 for a month outside 1-12.
int numberOfDays(SimpleDate date);

// 1 when the record's year is a Gregorian leap year, else 0.
int isLeapYear(SimpleDate date);

// The month (1-12) holding day week x 7 + 4 of `year` (1 January is day 0);
// 12 when that day lies beyond the year.
int monthForWeek(int year, int week);

// Day 1 of the following month.
SimpleDate firstInNextMonth(SimpleDate date);

// 1 when day, month and year are all equal, else 0.
int isSameDate(SimpleDate a, SimpleDate b);
