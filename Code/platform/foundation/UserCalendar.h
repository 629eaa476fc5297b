#pragma once

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

namespace foundation {

// The user's calendar settings and the Gregorian arithmetic done with them: the
// time zone in which days begin and end, the first day of the week and the
// minimum number of days that the first week of a year must have in that year.
//
// One value is current for the whole process (current()/setCurrent()); it
// starts out from the system's settings and can be replaced, which the tests
// do to get deterministic dates. Values are plain copies, so a background job
// can take the current one and use it without locks.
//
// Weekdays count 1 Sunday .. 7 Saturday.
//
// Local wall-clock times that a time-zone change makes impossible or ambiguous
// are resolved the same way everywhere:
// - a time that does not exist (02:30 on a day the clocks jump from 02:00 to
//   03:00, or 00:30 where they jump at midnight) moves forward by the length of
//   the jump (to 03:30, 01:30), so a day always starts somewhere on that day;
// - a time that occurs twice (when the clocks go back) means its first
//   occurrence.
class UserCalendar final {
public:
    // UTC, weeks starting on Monday, the first week having at least 4 days (ISO 8601).
    UserCalendar();
    UserCalendar(QTimeZone zone, int firstWeekday, int minimumDaysInFirstWeek);

    // The system's time zone, with the first weekday and the minimum days of
    // the first week of the system locale.
    static UserCalendar system();

    // The settings in use now; safe to call from any thread.
    static UserCalendar current();
    static void setCurrent(const UserCalendar& calendar);
    static void resetCurrentToSystem();

    const QTimeZone& timeZone() const { return zone_; }
    int firstWeekday() const { return firstWeekday_; }
    int minimumDaysInFirstWeek() const { return minimumDays_; }

    // The wall-clock reading of a point in time in this calendar's zone.
    struct Components {
        int year = 1970;
        int month = 1;   // 1-12
        int day = 1;     // 1-31
        int hour = 0;    // 0-23
        int minute = 0;  // 0-59
        int second = 0;  // 0-59
        int millisecond = 0;
        int weekday = 5;  // 1 Sunday .. 7 Saturday
    };
    Components components(const QDateTime& date) const;
    QDate localDate(const QDateTime& date) const;

    // The point in time of the given local reading. Components out of range carry
    // into the next larger unit instead of being clamped: day 32 of January is
    // 1 February, day 0 the last day of the month before, month 13 January of the
    // next year, hour 24 the next day's 00:00. The result is in UTC.
    QDateTime dateFromComponents(int year, int month, int day, int hour = 0, int minute = 0,
                                 int second = 0) const;

    // Adds calendar units and keeps the wall-clock time of day. Months and years
    // do not wrap: a day that the target month lacks becomes that month's last
    // day (31 January plus one month is 28 or 29 February).
    QDateTime dateByAdding(const QDateTime& date, int years, int months, int days) const;

    // 1 Sunday .. 7 Saturday, of the local day of `date`; 0 for an invalid QDate.
    int weekday(const QDateTime& date) const;
    static int weekdayOfDate(const QDate& date);

    // Week of the year under this calendar's rules: a week starts on the first
    // weekday, and week 1 is the first week with at least minimumDaysInFirstWeek
    // days in the new year (Monday/4 gives ISO 8601 weeks, Sunday/1 the US
    // count). Days before week 1 belong to the last week of the year before, and
    // the last days of December may belong to week 1 of the next year; the year
    // the week belongs to is given in `yearForWeek` when asked. An invalid QDate
    // gives week 0.
    int weekOfYear(const QDateTime& date, int* yearForWeek = nullptr) const;
    int weekOfYear(const QDate& date, int* yearForWeek = nullptr) const;

    // Seconds the zone is ahead of UTC at that point in time.
    int offsetFromUtc(qint64 msecsSinceEpoch) const;

private:
    qint64 utcFromLocal(qint64 localMsecs) const;
    int weekOfYearForDay(qint64 dayNumber, int* yearForWeek) const;
    qint64 firstDayOfWeekOne(int year) const;

    QTimeZone zone_;
    int firstWeekday_ = 2;
    int minimumDays_ = 4;
};

}  // namespace foundation
