#pragma once

#include "platform/store/NthWeekDay.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace calstore {

// How often a rule repeats. Rules the model cannot hold exactly (see
// RecurrenceRule::isRepresentable) report Other.
enum class RecurrenceType { Daily = 0, Weekly = 1, Monthly = 2, Yearly = 3, Other = 4 };

// Where a repetition stops: on a date (inclusive) or after a number of occurrences.
class RecurrenceEnd final {
public:
    static RecurrenceEnd recurrenceEndWithEndDate(const QDateTime& endDate);
    static RecurrenceEnd recurrenceEndWithOccurrenceCount(int occurrenceCount);

    bool usesEndDate() const { return usesEndDate_; }
    QDateTime endDate() const { return endDate_; }            // invalid when counting
    int occurrenceCount() const { return occurrenceCount_; }  // 0 when ending on a date

    bool operator==(const RecurrenceEnd& other) const;

private:
    bool usesEndDate_ = false;
    QDateTime endDate_;
    int occurrenceCount_ = 0;
};

// The repetition of an event as the calendar's editor and texts see it: daily,
// weekly on some days of the week, monthly on days of the month or on one nth
// weekday, yearly in some months and optionally on one nth weekday; with an
// interval, a first day of the week and an optional end.
//
// A rule read from a file that this model cannot hold (BYSETPOS, BYWEEKNO,
// several nth weekdays, hourly rules ...) is still expanded exactly by the store
// and kept as it was in the file; here it answers isRepresentable() NO and type
// Other, and its text is available unchanged from iCalendarText().
class RecurrenceRule final {
public:
    using End = std::optional<RecurrenceEnd>;

    static RecurrenceRule initDailyRecurrenceWithIntervalEnd(int interval, const End& end);
    static RecurrenceRule initWeeklyRecurrenceWithIntervalEnd(int interval, const End& end);
    static RecurrenceRule initWeeklyRecurrenceWithIntervalForDaysOfTheWeekEnd(
        int interval, const QList<int>& daysOfTheWeek, const End& end);
    static RecurrenceRule initMonthlyRecurrenceWithIntervalEnd(int interval, const End& end);
    static RecurrenceRule initMonthlyRecurrenceWithIntervalForDaysOfTheMonthEnd(
        int interval, const QList<int>& daysOfTheMonth, const End& end);
    static RecurrenceRule initMonthlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthEnd(
        int interval, int dayOfTheWeek, int weekOfTheMonth, const End& end);
    static RecurrenceRule initYearlyRecurrenceWithIntervalEnd(int interval, const End& end);
    static RecurrenceRule initYearlyRecurrenceWithIntervalForMonthsOfTheYearEnd(
        int interval, const QList<int>& monthsOfTheYear, const End& end);
    static RecurrenceRule
    initYearlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthForMonthsOfTheYearEnd(
        int interval, int dayOfTheWeek, int weekOfTheMonth, const QList<int>& monthsOfTheYear,
        const End& end);

    // A rule the model cannot hold, kept as its RRULE text.
    static RecurrenceRule unrepresentable(const QString& iCalendarText, int interval,
                                          const End& end);

    RecurrenceType recurrenceType() const { return type_; }
    int recurrenceInterval() const { return interval_; }
    // 1 Sunday .. 7 Saturday; 0 when the rule leaves it to the default (Monday).
    int firstDayOfTheWeek() const { return firstDayOfTheWeek_; }
    void setFirstDayOfTheWeek(int day);
    QList<int> daysOfTheWeek() const { return daysOfTheWeek_; }    // weekly: 1 Sunday .. 7
    QList<int> daysOfTheMonth() const { return daysOfTheMonth_; }  // -31..-1, 1..31
    QList<NthWeekDay> nthWeekDaysOfTheMonth() const { return nthWeekDays_; }
    QList<int> monthsOfTheYear() const { return monthsOfTheYear_; }  // 1..12
    const End& recurrenceEnd() const { return end_; }

    bool isRepresentable() const { return representable_; }

    // The RRULE value: as read for a rule that came from a file, else as the model
    // writes it. An end date is written as a date when `dateOnly` (all-day events),
    // else as a UTC time.
    QString iCalendarText(bool dateOnly = false) const;
    // Remembers the text the rule was read from, so that it is written back unchanged.
    void setOriginalText(const QString& text) { originalText_ = text; }

    bool operator==(const RecurrenceRule& other) const;  // the model's fields

private:
    static RecurrenceRule base(RecurrenceType type, int interval, const End& end);

    RecurrenceType type_ = RecurrenceType::Daily;
    int interval_ = 1;
    int firstDayOfTheWeek_ = 0;
    QList<int> daysOfTheWeek_;
    QList<int> daysOfTheMonth_;
    QList<NthWeekDay> nthWeekDays_;
    QList<int> monthsOfTheYear_;
    End end_;
    bool representable_ = true;
    QString originalText_;
};

}  // namespace calstore
