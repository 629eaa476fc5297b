#include "platform/foundation/UserCalendar.h"

#include "platform/foundation/Log.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <map>
#include <thread>

using foundation::UserCalendar;

namespace {

UserCalendar calendar(const char* zone, int firstWeekday = 2, int minimumDays = 4) {
    return UserCalendar(QTimeZone(QByteArray(zone)), firstWeekday, minimumDays);
}

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

}  // namespace

TEST(UserCalendar, ZonesUsedByTheTestsAreKnown) {
    for (const char* zone : {"Europe/Berlin", "America/New_York", "America/Sao_Paulo",
                             "America/Havana", "Pacific/Auckland"})
        EXPECT_TRUE(QTimeZone(QByteArray(zone)).isValid()) << zone;
}

TEST(UserCalendar, ComponentsAreTheWallClockReadingOfTheZone) {
    struct Case {
        const char* zone;
        QDateTime instant;
        int year, month, day, hour, minute, second, weekday;
    };
    const Case cases[] = {
        {"Europe/Berlin", utc(2024, 1, 15, 23, 30), 2024, 1, 16, 0, 30, 0, 3},  // CET
        {"Europe/Berlin", utc(2024, 7, 1, 22, 5, 9), 2024, 7, 2, 0, 5, 9, 3},   // CEST
        {"America/New_York", utc(2024, 1, 1, 3, 0), 2023, 12, 31, 22, 0, 0, 1},
        {"America/New_York", utc(2024, 7, 4, 3, 59, 59), 2024, 7, 3, 23, 59, 59, 4},
        {"UTC", utc(1969, 12, 31, 23, 59, 59), 1969, 12, 31, 23, 59, 59, 4},
        {"Pacific/Auckland", utc(2023, 12, 31, 11, 0), 2024, 1, 1, 0, 0, 0, 2},
    };
    for (const auto& c : cases) {
        const auto got = calendar(c.zone).components(c.instant);
        SCOPED_TRACE(std::string(c.zone) + " " + c.instant.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(got.year, c.year);
        EXPECT_EQ(got.month, c.month);
        EXPECT_EQ(got.day, c.day);
        EXPECT_EQ(got.hour, c.hour);
        EXPECT_EQ(got.minute, c.minute);
        EXPECT_EQ(got.second, c.second);
        EXPECT_EQ(got.weekday, c.weekday);
    }
}

TEST(UserCalendar, ComposedComponentsCarryIntoLargerUnits) {
    const UserCalendar cal = calendar("UTC");
    struct Case {
        int y, mo, d, h, mi, s;
        QDateTime expected;
    };
    const Case cases[] = {
        {2024, 1, 32, 0, 0, 0, utc(2024, 2, 1)},
        {2024, 3, 0, 0, 0, 0, utc(2024, 2, 29)},
        {2023, 3, 0, 0, 0, 0, utc(2023, 2, 28)},
        {2023, 13, 1, 0, 0, 0, utc(2024, 1, 1)},
        {2023, 0, 1, 0, 0, 0, utc(2022, 12, 1)},
        {2023, -11, 1, 0, 0, 0, utc(2022, 1, 1)},
        {2023, 2, 29, 0, 0, 0, utc(2023, 3, 1)},
        {2023, 1, 31, 24, 0, 0, utc(2023, 2, 1)},
        {2023, 1, 1, 0, -1, 0, utc(2022, 12, 31, 23, 59)},
        {2023, 1, 1, 10, 75, 61, utc(2023, 1, 1, 11, 16, 1)},
        {2024, 1, 366 + 1, 0, 0, 0, utc(2025, 1, 1)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cal.dateFromComponents(c.y, c.mo, c.d, c.h, c.mi, c.s), c.expected)
            << c.y << "-" << c.mo << "-" << c.d << " " << c.h << ":" << c.mi << ":" << c.s;
}

// A reading that the clocks skip moves forward by the jump; one they pass twice
// means its first occurrence.
TEST(UserCalendar, ReadingsInTimeZoneChangesResolveForwardAndFirst) {
    struct Case {
        const char* zone;
        int y, mo, d, h, mi;
        QDateTime expected;
    };
    const Case cases[] = {
        // Berlin: 02:00 -> 03:00 on 31 March 2024, 03:00 -> 02:00 on 27 October 2024.
        {"Europe/Berlin", 2024, 3, 31, 2, 30, utc(2024, 3, 31, 1, 30)},  // 03:30 CEST
        {"Europe/Berlin", 2024, 3, 31, 2, 0, utc(2024, 3, 31, 1, 0)},    // 03:00 CEST
        {"Europe/Berlin", 2024, 3, 31, 1, 59, utc(2024, 3, 31, 0, 59)},  // just before
        {"Europe/Berlin", 2024, 3, 31, 3, 0, utc(2024, 3, 31, 1, 0)},
        {"Europe/Berlin", 2024, 10, 27, 2, 30, utc(2024, 10, 27, 0, 30)},  // first: CEST
        {"Europe/Berlin", 2024, 10, 27, 3, 0, utc(2024, 10, 27, 2, 0)},
        // New York: 02:00 -> 03:00 on 10 March 2024, 02:00 -> 01:00 on 3 November 2024.
        {"America/New_York", 2024, 3, 10, 2, 30, utc(2024, 3, 10, 7, 30)},  // 03:30 EDT
        {"America/New_York", 2024, 11, 3, 1, 30, utc(2024, 11, 3, 5, 30)},  // first: EDT
        // Sao Paulo 2018 and Havana 2024 skip midnight: the day starts at 01:00.
        {"America/Sao_Paulo", 2018, 11, 4, 0, 0, utc(2018, 11, 4, 3, 0)},
        {"America/Sao_Paulo", 2018, 11, 4, 0, 45, utc(2018, 11, 4, 3, 45)},
        {"America/Havana", 2024, 3, 10, 0, 0, utc(2024, 3, 10, 5, 0)},
        // Sao Paulo went back from 00:00 to 23:00 on 17 February 2018: 23:30 is the
        // first (summer-time) one.
        {"America/Sao_Paulo", 2018, 2, 17, 23, 30, utc(2018, 2, 18, 1, 30)},
    };
    for (const auto& c : cases) {
        const UserCalendar cal = calendar(c.zone);
        const QDateTime got = cal.dateFromComponents(c.y, c.mo, c.d, c.h, c.mi);
        EXPECT_EQ(got, c.expected)
            << c.zone << " " << c.y << "-" << c.mo << "-" << c.d << " " << c.h << ":" << c.mi
            << " gave " << got.toString(Qt::ISODate).toStdString();
    }
}

TEST(UserCalendar, AddingKeepsTheWallClockAndClampsShortMonths) {
    struct Case {
        const char* zone;
        QDateTime from;
        int years, months, days;
        QDateTime expected;
    };
    const Case cases[] = {
        // Month and year additions clamp to the last day of a shorter month.
        {"UTC", utc(2024, 1, 31, 18), 0, 1, 0, utc(2024, 2, 29, 18)},
        {"UTC", utc(2023, 1, 31, 18), 0, 1, 0, utc(2023, 2, 28, 18)},
        {"UTC", utc(2024, 3, 31, 9), 0, -1, 0, utc(2024, 2, 29, 9)},
        {"UTC", utc(2024, 2, 29), 1, 0, 0, utc(2025, 2, 28)},
        {"UTC", utc(2023, 12, 31, 7), 0, 0, 1, utc(2024, 1, 1, 7)},
        {"UTC", utc(2024, 1, 1, 7), 0, 0, -1, utc(2023, 12, 31, 7)},
        {"UTC", utc(2023, 11, 30), 0, 3, 0, utc(2024, 2, 29)},
        // Days across a time-zone change keep 12:00 local (23 and 25 hours later).
        {"Europe/Berlin", utc(2024, 3, 30, 11), 0, 0, 1, utc(2024, 3, 31, 10)},
        {"Europe/Berlin", utc(2024, 10, 26, 10), 0, 0, 1, utc(2024, 10, 27, 11)},
        {"America/New_York", utc(2024, 3, 9, 17), 0, 0, 1, utc(2024, 3, 10, 16)},
        // 02:30 on the day before the jump lands in the gap: 03:30 the next day.
        {"Europe/Berlin", utc(2024, 3, 30, 1, 30), 0, 0, 1, utc(2024, 3, 31, 1, 30)},
        // A month later across the change keeps the time of day too.
        {"Europe/Berlin", utc(2024, 3, 15, 8), 0, 1, 0, utc(2024, 4, 15, 7)},
    };
    for (const auto& c : cases) {
        const QDateTime got = calendar(c.zone).dateByAdding(c.from, c.years, c.months, c.days);
        EXPECT_EQ(got, c.expected) << c.zone << " " << c.from.toString(Qt::ISODate).toStdString()
                                   << " + " << c.years << "y " << c.months << "m " << c.days
                                   << "d gave " << got.toString(Qt::ISODate).toStdString();
    }
}

TEST(UserCalendar, MondayAndFourDaysGiveIsoWeeks) {
    const UserCalendar cal = calendar("UTC", 2, 4);
    for (QDate d(1999, 12, 1); d <= QDate(2041, 1, 31); d = d.addDays(1)) {
        int isoYear = 0;
        const int isoWeek = d.weekNumber(&isoYear);
        int year = 0;
        ASSERT_EQ(cal.weekOfYear(d, &year), isoWeek) << d.toString(Qt::ISODate).toStdString();
        ASSERT_EQ(year, isoYear) << d.toString(Qt::ISODate).toStdString();
    }
}

// Under every setting: weeks begin on the first weekday and are numbered 1, 2, ...
// through the year without gaps; week 1 is the first week with at least the
// minimum of days in its year.
TEST(UserCalendar, WeekNumbersFollowFirstWeekdayAndMinimumDays) {
    for (int first = 1; first <= 7; ++first) {
        for (int minimum = 1; minimum <= 7; ++minimum) {
            const UserCalendar cal = calendar("UTC", first, minimum);
            std::map<int, int> daysOfWeekOne;      // year -> its days in its week 1
            std::map<int, int> daysOfEarlierWeek;  // year -> its days in the week before
            int previousWeek = 0, previousYear = 0;
            for (QDate d(2000, 1, 1); d <= QDate(2030, 12, 31); d = d.addDays(1)) {
                int year = 0;
                const int week = cal.weekOfYear(d, &year);
                auto where = [&] {
                    return ::testing::Message() << "first " << first << " min " << minimum << " "
                                                << d.toString(Qt::ISODate).toStdString();
                };
                if (previousWeek != 0) {
                    if (UserCalendar::weekdayOfDate(d) == first) {
                        ASSERT_TRUE((year == previousYear && week == previousWeek + 1) ||
                                    (year == previousYear + 1 && week == 1))
                            << where();
                    } else {
                        ASSERT_EQ(week, previousWeek) << where();
                        ASSERT_EQ(year, previousYear) << where();
                    }
                }
                ASSERT_GE(week, 1) << where();
                ASSERT_LE(week, 53) << where();
                if (week == 1 && year == d.year()) ++daysOfWeekOne[d.year()];
                if (year == d.year() - 1) ++daysOfEarlierWeek[d.year()];
                previousWeek = week;
                previousYear = year;
            }
            for (int y = 2001; y <= 2030; ++y) {
                EXPECT_GE(daysOfWeekOne[y], minimum) << first << "/" << minimum << " " << y;
                EXPECT_LT(daysOfEarlierWeek[y], minimum) << first << "/" << minimum << " " << y;
            }
        }
    }
}

TEST(UserCalendar, WeekNumbersOfKnownDays) {
    struct Case {
        int first, minimum;
        QDate date;
        int week, year;
    };
    const Case cases[] = {
        // US: Sunday, the week holding 1 January is week 1.
        {1, 1, QDate(2023, 1, 1), 1, 2023},
        {1, 1, QDate(2023, 12, 31), 1, 2024},  // a Sunday: the week of 1 January 2024
        {1, 1, QDate(2023, 12, 30), 52, 2023},
        {1, 1, QDate(2022, 12, 31), 53, 2022},
        {1, 1, QDate(2022, 1, 1), 1, 2022},  // a Saturday
        // ISO.
        {2, 4, QDate(2021, 1, 3), 53, 2020},
        {2, 4, QDate(2024, 12, 30), 1, 2025},
        {2, 4, QDate(2026, 12, 31), 53, 2026},
        // Monday, 1 January in week 1.
        {2, 1, QDate(2021, 1, 1), 1, 2021},
        {2, 1, QDate(2020, 12, 28), 1, 2021},
        // Saturday first, a full first week.
        {7, 7, QDate(2022, 1, 1), 1, 2022},
        {7, 7, QDate(2023, 1, 6), 53, 2022},
    };
    for (const auto& c : cases) {
        int year = 0;
        EXPECT_EQ(calendar("UTC", c.first, c.minimum).weekOfYear(c.date, &year), c.week)
            << c.first << "/" << c.minimum << " " << c.date.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(year, c.year) << c.date.toString(Qt::ISODate).toStdString();
    }
}

TEST(UserCalendar, WeekOfAPointInTimeUsesTheLocalDay) {
    // Sunday 23:30 in New York is already Monday in UTC.
    const QDateTime instant = utc(2024, 1, 8, 4, 30);
    EXPECT_EQ(calendar("America/New_York", 2, 4).weekOfYear(instant), 1);
    EXPECT_EQ(calendar("UTC", 2, 4).weekOfYear(instant), 2);
    EXPECT_EQ(calendar("America/New_York").weekday(instant), 1);
}

TEST(UserCalendar, CurrentIsReplaceableAndSeenByOtherThreads) {
    const UserCalendar saved = UserCalendar::current();
    UserCalendar::setCurrent(calendar("America/New_York", 1, 1));
    UserCalendar seen;
    std::thread([&] { seen = UserCalendar::current(); }).join();
    EXPECT_EQ(seen.timeZone().id(), QByteArray("America/New_York"));
    EXPECT_EQ(seen.firstWeekday(), 1);
    EXPECT_EQ(seen.minimumDaysInFirstWeek(), 1);
    UserCalendar::setCurrent(saved);
    EXPECT_EQ(UserCalendar::current().timeZone().id(), saved.timeZone().id());
}

TEST(UserCalendar, SettingsOutOfRangeAreClampedAndUnknownZonesReadAsUtc) {
    foundation::LogCapture capture;
    const UserCalendar cal(QTimeZone(QByteArray("No/Such_Zone")), 0, 9);
    EXPECT_TRUE(capture.contains(QStringLiteral("WARNING: unknown time zone")));
    EXPECT_EQ(cal.firstWeekday(), 1);
    EXPECT_EQ(cal.minimumDaysInFirstWeek(), 7);
    EXPECT_EQ(cal.components(utc(2024, 5, 5, 12)).hour, 12);
    const UserCalendar system = UserCalendar::system();
    EXPECT_TRUE(system.timeZone().isValid());
    EXPECT_GE(system.firstWeekday(), 1);
    EXPECT_LE(system.firstWeekday(), 7);
}
