#pragma once

#include <QDateTime>
#include <QString>

#include <atomic>
#include <memory>

class MyDate;
using MyDatePtr = std::shared_ptr<MyDate>;

// The date value passed between all views, jobs and records: one point in time
// with its calendar components cached on first use, and day, month and year
// arithmetic over the user's current calendar (foundation::UserCalendar).
//
// Day, month, year, hour and minute are the wall-clock reading in the user's
// time zone; weekday and calendar week follow the user's week rules. Builders
// return new objects; only setNSDate() changes an object, which the jobs use to
// walk over many events with one object they own.
//
// Objects are shared between threads without locks: the caches are atomics, and
// two threads filling the same cache store the same value.
class MyDate final : public std::enable_shared_from_this<MyDate> {
public:
    MyDate();                                // now
    explicit MyDate(const QDateTime& date);  // that moment
    MyDate(const MyDate& other);
    MyDate& operator=(const MyDate& other);

    // Construction.
    static MyDatePtr date();
    static MyDatePtr dateWithNSDate(const QDateTime& date);
    static MyDatePtr dateWithTimeIntervalSince1970(double seconds);
    static MyDatePtr dateWithDayMonthYear(int day, int month, int year);
    static MyDatePtr copyOf(const MyDate& date);
    static MyDatePtr copyOf(const MyDatePtr& date);  // nullptr for nullptr
    MyDatePtr copy() const;

    // Access.
    QDateTime nsDate() const;  // in UTC
    void setNSDate(const QDateTime& date);
    double timeIntervalSinceReferenceDate() const;  // seconds since 2001-01-01 00:00 UTC
    double timeIntervalSince1970() const;
    QString description() const;  // e.g. "2011-02-03 14:05:00 +0100", local time

    // Components, cached on first use.
    int dayNum() const;        // 1-31
    int monthNum() const;      // 1-12
    int yearNum() const;       // with century
    int weekdayNum() const;    // 0 Sunday, 1 Monday .. 6 Saturday
    int calendarWeek() const;  // week of the year under the user's week rules
    int hourNum() const;       // 0-23
    int minuteNum() const;     // 0-59

    // Relative arithmetic: the time of day is kept.
    MyDatePtr prevDay() const;
    MyDatePtr nextDay() const;
    MyDatePtr secondearlier() const;
    MyDatePtr nextMonth() const;  // a day the target month lacks becomes its last day
    MyDatePtr prevMonth() const;

    // The Monday on or before / the Thursday on or after this day. When this day
    // already is that weekday the receiver itself is returned, time of day and all
    // (a copy when the receiver is not held by a shared_ptr); otherwise the result
    // lies at 00:00.
    MyDatePtr prevMonday() const;
    MyDatePtr nextThursday() const;

    // Composed dates at 00:00 unless a time is given. Components out of range
    // carry: day 32 of January is 1 February, month 13 January of the next year.
    MyDatePtr dateByAddingYearsMonthsDays(int years, int months, int days) const;
    MyDatePtr dateByYearMonthDay(int year, int month, int day) const;
    MyDatePtr setDayMonthYear(int day, int month, int year) const;  // returns a new date
    MyDatePtr changeYearTo(int year) const;
    MyDatePtr changeTimeToHourMinute(int hour, int minute) const;
    MyDatePtr setHourMinute(int hour, int minute) const;  // returns a new date
    MyDatePtr dateOfFirstInNextMonth() const;
    MyDatePtr firstDayInYear() const;
    MyDatePtr lastDayInYear() const;
    MyDatePtr startOfDay() const;  // 00:00:00
    MyDatePtr endOfDay() const;    // 23:59:59

    // The Monday of week `week` of this date's year; `usNorm` anchors the search
    // at 1 January instead of 4 January (the week view passes its "weeks begin on
    // Sunday" setting).
    MyDatePtr mondayInCalendarWeekUsNorm(int week, bool usNorm) const;
    int weeksInYear() const;

    // Day comparisons; the time of day is ignored. A null date is never the same
    // as or before anything.
    bool isSameDateAs(const MyDate& other) const;
    bool isSameDateAs(const MyDatePtr& other) const;
    bool isBefore(const MyDate& other) const;
    bool isBefore(const MyDatePtr& other) const;

private:
    static MyDatePtr fromMSecs(qint64 msecs);
    MyDatePtr composed(int year, int month, int day, int hour = 0, int minute = 0,
                       int second = 0) const;
    void fillClockComponents() const;
    void clearCaches();

    std::atomic<qint64> theDate{0};  // milliseconds since 1970-01-01 00:00 UTC
    mutable std::atomic<int> cachedDayNum{-1};
    mutable std::atomic<int> cachedMonthNum{-1};
    mutable std::atomic<int> cachedYearNum{-1};
    mutable std::atomic<int> cachedWeekdayNum{-1};
    mutable std::atomic<int> cachedCalendarWeekNum{-1};
    mutable std::atomic<int> cachedHourNum{-1};
    mutable std::atomic<int> cachedMinuteNum{-1};
};

// A date that one thread replaces while others read it (the application's
// "today", which the minute timer moves on at midnight while offscreen drawing
// reads it). Reads give a MyDatePtr of their own.
class AtomicDatePtr final {
public:
    AtomicDatePtr() = default;
    AtomicDatePtr(MyDatePtr date) : date_(std::move(date)) {}  // NOLINT: implicit on purpose
    AtomicDatePtr& operator=(MyDatePtr date) {
        date_.store(std::move(date));
        return *this;
    }
    MyDatePtr load() const { return date_.load(); }
    operator MyDatePtr() const { return date_.load(); }  // NOLINT
    MyDatePtr operator->() const { return date_.load(); }
    explicit operator bool() const { return date_.load() != nullptr; }

private:
    std::atomic<MyDatePtr> date_;
};
