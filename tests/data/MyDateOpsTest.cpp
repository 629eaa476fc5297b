#include "data/MyDateOps.h"

#include <gtest/gtest.h>

#include <ostream>

static std::ostream& operator<<(std::ostream& os, const SimpleDate& d) {
    return os << "{" << d.month << ", " << d.day << ", " << d.year << "}";
}

TEST(MyDateOps, NextDayRollsOverOnlyAtTheMonthsLength) {
    struct Case {
        SimpleDate from, expected;
    };
    const Case cases[] = {
        {{12, 31, 2023}, {1, 1, 2024}}, {{2, 28, 2024}, {2, 29, 2024}},
        {{2, 29, 2024}, {3, 1, 2024}},  {{2, 28, 2023}, {3, 1, 2023}},
        {{2, 28, 1900}, {3, 1, 1900}},  {{2, 28, 2000}, {2, 29, 2000}},
        {{4, 30, 2023}, {5, 1, 2023}},  {{1, 15, 2023}, {1, 16, 2023}},
        {{4, 31, 2023}, {4, 32, 2023}},  // beyond the length it just counts on
    };
    for (const auto& c : cases) EXPECT_EQ(nextDay(c.from), c.expected) << c.from;
}

TEST(MyDateOps, LeapYearsAndMonthLengths) {
    struct Case {
        int year, leap;
    };
    for (const Case c : {Case{1900, 0}, {2023, 0}, {2000, 1}, {2024, 1}, {2100, 0}, {2400, 1}})
        EXPECT_EQ(isLeapYear(SimpleDate{6, 1, c.year}), c.leap) << c.year;

    const int lengths2023[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int month = 1; month <= 12; ++month) {
        EXPECT_EQ(numberOfDays(SimpleDate{month, 1, 2023}), lengths2023[month - 1]) << month;
        EXPECT_EQ(numberOfDays(SimpleDate{month, 1, 2024}),
                  month == 2 ? 29 : lengths2023[month - 1])
            << month;
    }
    // A month outside 1-12 has no days rather than reading past the table.
    EXPECT_EQ(numberOfDays(SimpleDate{0, 1, 2023}), 0);
    EXPECT_EQ(numberOfDays(SimpleDate{13, 1, 2023}), 0);
}

TEST(MyDateOps, FirstInNextMonthAndSameDate) {
    EXPECT_EQ(firstInNextMonth({12, 15, 2023}), (SimpleDate{1, 1, 2024}));
    EXPECT_EQ(firstInNextMonth({2, 29, 2024}), (SimpleDate{3, 1, 2024}));
    EXPECT_EQ(firstInNextMonth({1, 1, 2024}), (SimpleDate{2, 1, 2024}));

    EXPECT_EQ(isSameDate({3, 4, 2024}, {3, 4, 2024}), 1);
    EXPECT_EQ(isSameDate({3, 4, 2024}, {4, 3, 2024}), 0);
    EXPECT_EQ(isSameDate({3, 4, 2024}, {3, 4, 2023}), 0);
    EXPECT_EQ(isSameDate({3, 4, 2024}, {3, 5, 2024}), 0);
}

TEST(MyDateOps, MonthForWeek) {
    struct Case {
        int year, week, month;
    };
    const Case cases[] = {
        {2023, 0, 1},    // day 4
        {2023, 3, 1},    // day 25
        {2023, 4, 2},    // day 32
        {2023, 8, 3},    // day 60: 1 March in a common year
        {2024, 8, 3},    // day 60: 1 March in a leap year too
        {2023, 51, 12},  // day 361
        {2023, 52, 12},  // day 368 lies beyond the year
        {2023, 60, 12},
    };
    for (const auto& c : cases)
        EXPECT_EQ(monthForWeek(c.year, c.week), c.month) << c.year << " week " << c.week;
}
