#include "data/MyDate.h"

#include "data/ScopedUserCalendar.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserCalendar.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <functional>
#include <string>

using foundation::UserCalendar;

namespace {

// A local reading in the current calendar's zone.
struct Local {
    int year, month, day, hour = 0, minute = 0, second = 0;
};

MyDatePtr at(const Local& l) {
    return MyDate::dateWithNSDate(UserCalendar::current().dateFromComponents(
        l.year, l.month, l.day, l.hour, l.minute, l.second));
}

std::string text(const MyDatePtr& d) {
    return d ? d->description().toStdString() : "null";
}

// Compares the full local reading, seconds included, in the current zone.
::testing::AssertionResult isLocal(const MyDatePtr& d, const Local& l) {
    if (!d) return ::testing::AssertionFailure() << "null date";
    const auto c = UserCalendar::current().components(d->nsDate());
    if (c.year == l.year && c.month == l.month && c.day == l.day && c.hour == l.hour &&
        c.minute == l.minute && c.second == l.second && c.millisecond == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got " << text(d) << ", expected " << l.year << "-" << l.month << "-" << l.day << " "
           << l.hour << ":" << l.minute << ":" << l.second;
}

double hoursBetween(const MyDatePtr& a, const MyDatePtr& b) {
    return (b->timeIntervalSince1970() - a->timeIntervalSince1970()) / 3600.0;
}

class MyDateTest : public ::testing::Test {
protected:
    ScopedUserCalendar calendar_{"Europe/Berlin", 2, 4};
};

}  // namespace

TEST_F(MyDateTest, ComponentsComeFromTheUserCalendarAndAreCached) {
    const MyDatePtr d = at({2011, 2, 3, 14, 5, 9});
    EXPECT_EQ(d->dayNum(), 3);
    EXPECT_EQ(d->monthNum(), 2);
    EXPECT_EQ(d->yearNum(), 2011);
    EXPECT_EQ(d->hourNum(), 14);
    EXPECT_EQ(d->minuteNum(), 5);
    EXPECT_EQ(d->weekdayNum(), 4);  // Thursday
    EXPECT_EQ(d->calendarWeek(), 5);

    // Once read, the components stay with the object; a fresh object reads the new zone.
    ScopedUserCalendar newYork("America/New_York", 1, 1);
    EXPECT_EQ(d->hourNum(), 14);
    EXPECT_EQ(d->copy()->hourNum(), 8);
}

TEST_F(MyDateTest, SetNSDateClearsEveryCachedComponent) {
    const MyDatePtr d = at({2024, 1, 7, 23, 30});  // Sunday of ISO week 1
    EXPECT_EQ(d->calendarWeek(), 1);
    EXPECT_EQ(d->weekdayNum(), 0);
    EXPECT_EQ(d->hourNum(), 23);
    d->setNSDate(at({2024, 3, 13, 0, 0})->nsDate());  // Wednesday of week 11
    EXPECT_EQ(d->calendarWeek(), 11);
    EXPECT_EQ(d->weekdayNum(), 3);
    EXPECT_EQ(d->dayNum(), 13);
    EXPECT_EQ(d->monthNum(), 3);
    EXPECT_EQ(d->yearNum(), 2024);
    EXPECT_EQ(d->hourNum(), 0);
    EXPECT_EQ(d->minuteNum(), 0);
}

TEST_F(MyDateTest, ConstructionAndIntervalsKeepTheInstant) {
    const MyDatePtr d = MyDate::dateWithTimeIntervalSince1970(1296738309.25);
    EXPECT_DOUBLE_EQ(d->timeIntervalSince1970(), 1296738309.25);
    EXPECT_DOUBLE_EQ(d->timeIntervalSinceReferenceDate(), 1296738309.25 - 978307200.0);
    EXPECT_EQ(d->nsDate().timeSpec(), Qt::UTC);

    // A date given in any zone is the same instant.
    const QDateTime tokyo(QDate(2011, 2, 3), QTime(22, 5, 9), QTimeZone(QByteArray("Asia/Tokyo")));
    const MyDatePtr fromTokyo = MyDate::dateWithNSDate(tokyo);
    EXPECT_EQ(fromTokyo->nsDate(), tokyo);
    EXPECT_EQ(fromTokyo->hourNum(), 14);  // Berlin

    const MyDatePtr copy = MyDate::copyOf(fromTokyo);
    EXPECT_NE(copy.get(), fromTokyo.get());
    EXPECT_EQ(copy->nsDate(), fromTokyo->nsDate());
    EXPECT_EQ(MyDate::copyOf(MyDatePtr()), nullptr);

    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    const MyDatePtr now = MyDate::date();
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    EXPECT_GE(now->nsDate().toMSecsSinceEpoch(), before);
    EXPECT_LE(now->nsDate().toMSecsSinceEpoch(), after);

    EXPECT_TRUE(isLocal(MyDate::dateWithDayMonthYear(29, 2, 2024), {2024, 2, 29}));
}

TEST_F(MyDateTest, InvalidInputIsReportedAndReadsAsTheEpoch) {
    foundation::LogCapture capture;
    const MyDatePtr d = MyDate::dateWithNSDate(QDateTime());
    EXPECT_DOUBLE_EQ(d->timeIntervalSince1970(), 0.0);
    EXPECT_EQ(d->yearNum(), 1970);
    EXPECT_TRUE(capture.contains(QStringLiteral("oops, ")));
}

TEST_F(MyDateTest, DescriptionIsTheLocalTimeWithItsOffset) {
    EXPECT_EQ(at({2011, 2, 3, 14, 5})->description(), QStringLiteral("2011-02-03 14:05:00 +0100"));
    EXPECT_EQ(at({2011, 7, 3, 14, 5})->description(), QStringLiteral("2011-07-03 14:05:00 +0200"));
    ScopedUserCalendar newYork("America/New_York", 1, 1);
    EXPECT_EQ(at({2011, 2, 3, 9, 0, 1})->description(),
              QStringLiteral("2011-02-03 09:00:01 -0500"));
}

TEST_F(MyDateTest, RelativeArithmeticKeepsTheTimeOfDay) {
    struct Case {
        const char* name;
        Local from;
        std::function<MyDatePtr(const MyDate&)> op;
        Local expected;
    };
    const Case cases[] = {
        {"nextDay over the year end",
         {2023, 12, 31, 10, 15},
         &MyDate::nextDay,
         {2024, 1, 1, 10, 15}},
        {"nextDay into a leap day", {2024, 2, 28, 8}, &MyDate::nextDay, {2024, 2, 29, 8}},
        {"nextDay, common year", {2023, 2, 28, 8}, &MyDate::nextDay, {2023, 3, 1, 8}},
        {"prevDay over the year start",
         {2024, 1, 1, 6, 1, 2},
         &MyDate::prevDay,
         {2023, 12, 31, 6, 1, 2}},
        {"prevDay out of March", {2024, 3, 1}, &MyDate::prevDay, {2024, 2, 29}},
        {"secondearlier over midnight",
         {2024, 1, 1},
         &MyDate::secondearlier,
         {2023, 12, 31, 23, 59, 59}},
        {"nextMonth clamps", {2024, 1, 31, 18}, &MyDate::nextMonth, {2024, 2, 29, 18}},
        {"nextMonth clamps, common year", {2023, 1, 31, 18}, &MyDate::nextMonth, {2023, 2, 28, 18}},
        {"nextMonth over the year end", {2023, 12, 15, 12}, &MyDate::nextMonth, {2024, 1, 15, 12}},
        {"prevMonth clamps", {2023, 3, 31, 7}, &MyDate::prevMonth, {2023, 2, 28, 7}},
        {"prevMonth over the year start", {2024, 1, 31}, &MyDate::prevMonth, {2023, 12, 31}},
    };
    for (const auto& c : cases) {
        const MyDatePtr from = at(c.from);
        const std::string before = text(from);
        EXPECT_TRUE(isLocal(c.op(*from), c.expected)) << c.name;
        EXPECT_EQ(text(from), before) << c.name << ": the receiver changed";
    }
}

TEST_F(MyDateTest, NextAndPreviousDayKeepTheWallClockAcrossTimeChanges) {
    struct Case {
        const char* zone;
        Local from;
        bool forward;
        Local expected;
        double hours;
    };
    const Case cases[] = {
        {"Europe/Berlin", {2024, 3, 30, 12}, true, {2024, 3, 31, 12}, 23},
        {"Europe/Berlin", {2024, 10, 26, 12}, true, {2024, 10, 27, 12}, 25},
        {"Europe/Berlin", {2024, 4, 1, 0, 30}, false, {2024, 3, 31, 0, 30}, -23},
        {"Europe/Berlin", {2024, 4, 1, 9}, false, {2024, 3, 31, 9}, -24},
        {"America/New_York", {2024, 3, 9, 22}, true, {2024, 3, 10, 22}, 23},
        {"America/New_York", {2024, 11, 2, 22}, true, {2024, 11, 3, 22}, 25},
        // The clocks skip 00:00-01:00; 00:30 the next day does not exist and moves on.
        {"America/Sao_Paulo", {2018, 11, 3, 0, 30}, true, {2018, 11, 4, 1, 30}, 24},
    };
    for (const auto& c : cases) {
        ScopedUserCalendar zone(c.zone, 2, 4);
        const MyDatePtr from = at(c.from);
        const MyDatePtr to = c.forward ? from->nextDay() : from->prevDay();
        EXPECT_TRUE(isLocal(to, c.expected)) << c.zone;
        EXPECT_DOUBLE_EQ(hoursBetween(from, to), c.hours) << c.zone << " " << text(from);
    }
}

TEST_F(MyDateTest, ComposedDatesCarryAndLieAtMidnight) {
    struct Case {
        const char* name;
        Local from;
        std::function<MyDatePtr(const MyDate&)> op;
        Local expected;
    };
    const Case cases[] = {
        {"one month on 31 January",
         {2023, 1, 31, 18},
         [](const MyDate& d) { return d.dateByAddingYearsMonthsDays(0, 1, 0); },
         {2023, 3, 3}},
        {"one month on 31 January, leap year",
         {2024, 1, 31, 18},
         [](const MyDate& d) { return d.dateByAddingYearsMonthsDays(0, 1, 0); },
         {2024, 3, 2}},
        {"one day on 31 January 18:00",
         {2024, 1, 31, 18},
         [](const MyDate& d) { return d.dateByAddingYearsMonthsDays(0, 0, 1); },
         {2024, 2, 1}},
        {"a year on a leap day",
         {2024, 2, 29},
         [](const MyDate& d) { return d.dateByAddingYearsMonthsDays(1, 0, 0); },
         {2025, 3, 1}},
        {"days back over the year start",
         {2024, 1, 31, 9},
         [](const MyDate& d) { return d.dateByAddingYearsMonthsDays(0, 0, -31); },
         {2023, 12, 31}},
        {"months back over the year start",
         {2024, 2, 10},
         [](const MyDate& d) { return d.dateByAddingYearsMonthsDays(0, -2, 0); },
         {2023, 12, 10}},
        {"changeYearTo from a leap day",
         {2024, 2, 29, 11},
         [](const MyDate& d) { return d.changeYearTo(2023); },
         {2023, 3, 1}},
        {"changeYearTo",
         {2024, 7, 9, 11},
         [](const MyDate& d) { return d.changeYearTo(1999); },
         {1999, 7, 9}},
        {"changeTimeToHourMinute",
         {2024, 6, 1, 23, 10, 33},
         [](const MyDate& d) { return d.changeTimeToHourMinute(7, 45); },
         {2024, 6, 1, 7, 45}},
        {"setHourMinute",
         {2024, 6, 1, 23, 10, 33},
         [](const MyDate& d) { return d.setHourMinute(0, 5); },
         {2024, 6, 1, 0, 5}},
        {"dateOfFirstInNextMonth in December",
         {2023, 12, 15, 13},
         [](const MyDate& d) { return d.dateOfFirstInNextMonth(); },
         {2024, 1, 1}},
        {"dateOfFirstInNextMonth",
         {2024, 1, 31, 13},
         [](const MyDate& d) { return d.dateOfFirstInNextMonth(); },
         {2024, 2, 1}},
        {"firstDayInYear",
         {2024, 8, 8, 8},
         [](const MyDate& d) { return d.firstDayInYear(); },
         {2024, 1, 1}},
        {"lastDayInYear",
         {2024, 8, 8, 8},
         [](const MyDate& d) { return d.lastDayInYear(); },
         {2024, 12, 31}},
        {"startOfDay",
         {2024, 8, 8, 8, 8, 8},
         [](const MyDate& d) { return d.startOfDay(); },
         {2024, 8, 8}},
        {"endOfDay",
         {2024, 8, 8, 8, 8, 8},
         [](const MyDate& d) { return d.endOfDay(); },
         {2024, 8, 8, 23, 59, 59}},
        {"dateByYearMonthDay ignores the receiver",
         {2000, 1, 1},
         [](const MyDate& d) { return d.dateByYearMonthDay(2024, 2, 30); },
         {2024, 3, 1}},
        {"setDayMonthYear ignores the receiver",
         {2000, 1, 1},
         [](const MyDate& d) { return d.setDayMonthYear(32, 12, 2023); },
         {2024, 1, 1}},
        {"setDayMonthYear with day 0",
         {2000, 1, 1},
         [](const MyDate& d) { return d.setDayMonthYear(0, 3, 2024); },
         {2024, 2, 29}},
    };
    for (const auto& c : cases) {
        const MyDatePtr from = at(c.from);
        const std::string before = text(from);
        EXPECT_TRUE(isLocal(c.op(*from), c.expected)) << c.name;
        EXPECT_EQ(text(from), before) << c.name << ": the receiver changed";
    }
}

TEST_F(MyDateTest, StartAndEndOfDayOnDaysWithTimeChanges) {
    struct Case {
        const char* zone;
        Local day;
        Local start;
        double hoursToEnd;  // from start to end of day, plus the last second
    };
    const Case cases[] = {
        {"Europe/Berlin", {2024, 3, 31, 15}, {2024, 3, 31}, 23},
        {"Europe/Berlin", {2024, 10, 27, 15}, {2024, 10, 27}, 25},
        // Midnight does not exist on these days: the day starts at 01:00.
        {"America/Sao_Paulo", {2018, 11, 4, 14}, {2018, 11, 4, 1}, 23},
        {"America/Havana", {2024, 3, 10, 14}, {2024, 3, 10, 1}, 23},
    };
    for (const auto& c : cases) {
        ScopedUserCalendar zone(c.zone, 2, 4);
        const MyDatePtr day = at(c.day);
        const MyDatePtr start = day->startOfDay();
        const MyDatePtr end = day->endOfDay();
        EXPECT_TRUE(isLocal(start, c.start)) << c.zone;
        EXPECT_TRUE(isLocal(end, {c.day.year, c.day.month, c.day.day, 23, 59, 59})) << c.zone;
        EXPECT_DOUBLE_EQ(hoursBetween(start, end) + 1.0 / 3600, c.hoursToEnd) << c.zone;
        EXPECT_TRUE(start->isSameDateAs(*day));
        EXPECT_EQ(MyDate::dateWithDayMonthYear(c.day.day, c.day.month, c.day.year)->nsDate(),
                  start->nsDate());
    }
}

TEST_F(MyDateTest, PrevMondayAndNextThursday) {
    // The week of Sunday 7 January 2024 .. Saturday 13 January 2024.
    for (int day = 7; day <= 13; ++day) {
        const MyDatePtr d = at({2024, 1, day, 15, 30});
        const int weekday = day - 7;
        EXPECT_EQ(d->weekdayNum(), weekday);

        const MyDatePtr monday = d->prevMonday();
        if (weekday == 1) {
            EXPECT_EQ(monday.get(), d.get());  // the receiver itself, at 15:30
        } else {
            const int mondayDay = weekday == 0 ? 1 : 8;
            EXPECT_TRUE(isLocal(monday, {2024, 1, mondayDay})) << "from " << day;
        }

        const MyDatePtr thursday = d->nextThursday();
        if (weekday == 4) {
            EXPECT_EQ(thursday.get(), d.get());
        } else {
            const int thursdayDay = weekday < 4 ? 11 : 18;
            EXPECT_TRUE(isLocal(thursday, {2024, 1, thursdayDay})) << "from " << day;
        }
    }
    // Over month and year ends.
    EXPECT_TRUE(isLocal(at({2023, 1, 1, 9})->prevMonday(), {2022, 12, 26}));
    EXPECT_TRUE(isLocal(at({2023, 12, 29, 9})->nextThursday(), {2024, 1, 4}));
    EXPECT_TRUE(isLocal(at({2024, 3, 3, 9})->prevMonday(), {2024, 2, 26}));

    // An object not held by a shared_ptr answers a copy instead of itself.
    const MyDate onStack(at({2024, 1, 8, 15, 30})->nsDate());
    const MyDatePtr copy = onStack.prevMonday();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->nsDate(), onStack.nsDate());
}

TEST_F(MyDateTest, DayComparisonsIgnoreTheTimeOfDay) {
    const MyDatePtr ten = at({2024, 5, 6, 10});
    const MyDatePtr nine = at({2024, 5, 6, 9});
    EXPECT_FALSE(ten->isBefore(nine));
    EXPECT_FALSE(nine->isBefore(ten));
    EXPECT_TRUE(ten->isSameDateAs(nine));

    struct Case {
        Local a, b;
        bool before, same;
    };
    const Case cases[] = {
        {{2023, 12, 31, 23}, {2024, 1, 1}, true, false},
        {{2024, 2, 1}, {2024, 1, 31, 23}, false, false},
        {{2024, 1, 30}, {2024, 1, 31}, true, false},
        {{2023, 5, 6}, {2024, 5, 6}, true, false},
        {{2024, 5, 6, 23, 59, 59}, {2024, 5, 6}, false, true},
    };
    for (const auto& c : cases) {
        const MyDatePtr a = at(c.a), b = at(c.b);
        EXPECT_EQ(a->isBefore(b), c.before) << text(a) << " / " << text(b);
        EXPECT_EQ(a->isSameDateAs(b), c.same) << text(a) << " / " << text(b);
    }
    EXPECT_FALSE(ten->isBefore(MyDatePtr()));
    EXPECT_FALSE(ten->isSameDateAs(MyDatePtr()));
}

// For every year and week the Monday found is a Monday at 00:00 in that week, and
// the weeks of a year are counted as the user's rules count them.
TEST_F(MyDateTest, MondayInCalendarWeekAndWeeksInYearUnderSeveralRules) {
    struct Rule {
        const char* name;
        int firstWeekday, minimumDays;
        bool usNorm;
    };
    const Rule rules[] = {
        {"ISO", 2, 4, false},
        {"US", 1, 1, true},
        {"Monday, 1 January in week 1", 2, 1, false},
        {"Sunday, four-day first week", 1, 4, false},
        {"Saturday, 1 January in week 1", 7, 1, false},
        {"ISO, anchored at 1 January", 2, 4, true},
        {"US, anchored at 4 January", 1, 1, false},
    };
    for (const auto& rule : rules) {
        ScopedUserCalendar zone("Europe/Berlin", rule.firstWeekday, rule.minimumDays);
        const UserCalendar cal = UserCalendar::current();
        for (int year = 2000; year <= 2035; ++year) {
            const MyDatePtr inYear = at({year, 6, 15, 12});
            const int weeks = inYear->weeksInYear();
            // The last week that belongs to the year.
            int expectedWeeks = 0;
            for (QDate d(year, 12, 31); expectedWeeks == 0; d = d.addDays(-1)) {
                int owner = 0;
                const int w = cal.weekOfYear(d, &owner);
                if (owner == year) expectedWeeks = w;
            }
            ASSERT_EQ(weeks, expectedWeeks) << rule.name << " " << year;
            for (int week = 1; week <= weeks; ++week) {
                const MyDatePtr monday = inYear->mondayInCalendarWeekUsNorm(week, rule.usNorm);
                ASSERT_EQ(monday->weekdayNum(), 1) << rule.name << " " << year << " W" << week;
                ASSERT_EQ(monday->hourNum(), 0);
                int owner = 0;
                ASSERT_EQ(cal.weekOfYear(cal.localDate(monday->nsDate()), &owner), week)
                    << rule.name << " " << year << " W" << week << ": " << text(monday);
                ASSERT_EQ(owner, year) << rule.name << " " << year << " W" << week;
            }
        }
    }
}

TEST_F(MyDateTest, KnownWeekCounts) {
    struct Case {
        int firstWeekday, minimumDays, year, weeks;
    };
    const Case cases[] = {
        {2, 4, 2020, 53}, {2, 4, 2021, 52}, {2, 4, 2026, 53},
        {2, 4, 2024, 52},                                      // 31 December 2024 is week 1 of 2025
        {1, 1, 2022, 53}, {1, 1, 2016, 53}, {1, 1, 2023, 52},  // 31 December 2023 is week 1 of 2024
    };
    for (const auto& c : cases) {
        ScopedUserCalendar zone("America/New_York", c.firstWeekday, c.minimumDays);
        EXPECT_EQ(at({c.year, 3, 1})->weeksInYear(), c.weeks)
            << c.firstWeekday << "/" << c.minimumDays << " " << c.year;
    }
    ScopedUserCalendar iso("Europe/Berlin", 2, 4);
    EXPECT_TRUE(isLocal(at({2026, 5, 5})->mondayInCalendarWeekUsNorm(1, false), {2025, 12, 29}));
    EXPECT_TRUE(isLocal(at({2020, 5, 5})->mondayInCalendarWeekUsNorm(53, false), {2020, 12, 28}));
    ScopedUserCalendar us("America/New_York", 1, 1);
    EXPECT_TRUE(isLocal(at({2023, 5, 5})->mondayInCalendarWeekUsNorm(1, true), {2023, 1, 2}));
}
