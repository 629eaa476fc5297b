#include "data/MyDate.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserCalendar.h"

#include <cmath>
#include <cstdlib>

using foundation::UserCalendar;

namespace {

constexpr qint64 kReferenceDateMSecs = 978307200000;  // 2001-01-01 00:00 UTC

QDateTime utcDate(qint64 msecs) {
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

qint64 msecsOf(const QDateTime& date) {
    if (!date.isValid()) {
        // Nothing sensible can be read from it; the epoch at least keeps every
        // component in range.
        foundation::log(QStringLiteral("oops, MyDate made from an invalid date"));
        return 0;
    }
    return date.toMSecsSinceEpoch();
}

}  // namespace

MyDate::MyDate() : theDate(QDateTime::currentMSecsSinceEpoch()) {}

MyDate::MyDate(const QDateTime& date) : theDate(msecsOf(date)) {}

MyDate::MyDate(const MyDate& other)
    : std::enable_shared_from_this<MyDate>(), theDate(other.theDate.load()) {}

MyDate& MyDate::operator=(const MyDate& other) {
    if (this != &other) {
        theDate = other.theDate.load();
        clearCaches();
    }
    return *this;
}

// ---- construction

MyDatePtr MyDate::fromMSecs(qint64 msecs) {
    return std::make_shared<MyDate>(utcDate(msecs));
}

MyDatePtr MyDate::date() {
    return std::make_shared<MyDate>();
}

MyDatePtr MyDate::dateWithNSDate(const QDateTime& date) {
    return std::make_shared<MyDate>(date);
}

MyDatePtr MyDate::dateWithTimeIntervalSince1970(double seconds) {
    if (!std::isfinite(seconds)) {
        foundation::log(QStringLiteral("oops, MyDate made from a non-finite time interval"));
        seconds = 0;
    }
    return fromMSecs(qint64(std::llround(seconds * 1000.0)));
}

MyDatePtr MyDate::dateWithDayMonthYear(int day, int month, int year) {
    return fromMSecs(
        UserCalendar::current().dateFromComponents(year, month, day).toMSecsSinceEpoch());
}

MyDatePtr MyDate::copyOf(const MyDate& date) {
    return date.copy();
}

MyDatePtr MyDate::copyOf(const MyDatePtr& date) {
    return date ? date->copy() : nullptr;
}

MyDatePtr MyDate::copy() const {
    return fromMSecs(theDate.load());
}

// ---- access

QDateTime MyDate::nsDate() const {
    return utcDate(theDate.load());
}

void MyDate::setNSDate(const QDateTime& date) {
    theDate = msecsOf(date);
    clearCaches();
}

void MyDate::clearCaches() {
    cachedDayNum = -1;
    cachedMonthNum = -1;
    cachedYearNum = -1;
    cachedWeekdayNum = -1;
    cachedCalendarWeekNum = -1;
    cachedHourNum = -1;
    cachedMinuteNum = -1;
}

double MyDate::timeIntervalSinceReferenceDate() const {
    return double(theDate.load() - kReferenceDateMSecs) / 1000.0;
}

double MyDate::timeIntervalSince1970() const {
    return double(theDate.load()) / 1000.0;
}

QString MyDate::description() const {
    const UserCalendar calendar = UserCalendar::current();
    const qint64 msecs = theDate.load();
    const auto c = calendar.components(utcDate(msecs));
    const int offset = calendar.offsetFromUtc(msecs);
    const int absOffset = std::abs(offset);
    return foundation::format("%04i-%02i-%02i %02i:%02i:%02i %c%02i%02i", c.year, c.month, c.day,
                              c.hour, c.minute, c.second, offset < 0 ? '-' : '+', absOffset / 3600,
                              absOffset / 60 % 60);
}

// ---- components

// One conversion gives all five wall-clock components, so they are filled together.
void MyDate::fillClockComponents() const {
    const auto c = UserCalendar::current().components(nsDate());
    cachedDayNum = c.day;
    cachedMonthNum = c.month;
    cachedYearNum = c.year;
    cachedHourNum = c.hour;
    cachedMinuteNum = c.minute;
}

int MyDate::dayNum() const {
    if (cachedDayNum.load(std::memory_order_relaxed) < 0) fillClockComponents();
    return cachedDayNum.load(std::memory_order_relaxed);
}

int MyDate::monthNum() const {
    if (cachedMonthNum.load(std::memory_order_relaxed) < 0) fillClockComponents();
    return cachedMonthNum.load(std::memory_order_relaxed);
}

int MyDate::yearNum() const {
    if (cachedYearNum.load(std::memory_order_relaxed) == -1) fillClockComponents();
    return cachedYearNum.load(std::memory_order_relaxed);
}

int MyDate::hourNum() const {
    if (cachedHourNum.load(std::memory_order_relaxed) < 0) fillClockComponents();
    return cachedHourNum.load(std::memory_order_relaxed);
}

int MyDate::minuteNum() const {
    if (cachedMinuteNum.load(std::memory_order_relaxed) < 0) fillClockComponents();
    return cachedMinuteNum.load(std::memory_order_relaxed);
}

int MyDate::weekdayNum() const {
    int weekday = cachedWeekdayNum.load(std::memory_order_relaxed);
    if (weekday >= 0) return weekday;
    const UserCalendar calendar = UserCalendar::current();
    const QDateTime date = nsDate();
    // The calendar is asked a few times; should it keep answering nonsense, the
    // weekday is counted from the local day instead of asking for ever.
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        weekday = calendar.weekday(date) - 1;
        if (weekday >= 0 && weekday <= 6) break;
        foundation::log(foundation::format("oops: weekdayNum failed %i", weekday));
    }
    if (weekday < 0 || weekday > 6) weekday = calendar.localDate(date).dayOfWeek() % 7;
    cachedWeekdayNum = weekday;
    return weekday;
}

int MyDate::calendarWeek() const {
    int week = cachedCalendarWeekNum.load(std::memory_order_relaxed);
    if (week >= 0) return week;
    week = UserCalendar::current().weekOfYear(nsDate());
    cachedCalendarWeekNum = week;
    return week;
}

// ---- builders

MyDatePtr MyDate::prevDay() const {
    return std::make_shared<MyDate>(UserCalendar::current().dateByAdding(nsDate(), 0, 0, -1));
}

MyDatePtr MyDate::nextDay() const {
    return std::make_shared<MyDate>(UserCalendar::current().dateByAdding(nsDate(), 0, 0, 1));
}

MyDatePtr MyDate::secondearlier() const {
    return fromMSecs(theDate.load() - 1000);
}

MyDatePtr MyDate::nextMonth() const {
    return std::make_shared<MyDate>(UserCalendar::current().dateByAdding(nsDate(), 0, 1, 0));
}

MyDatePtr MyDate::prevMonth() const {
    return std::make_shared<MyDate>(UserCalendar::current().dateByAdding(nsDate(), 0, -1, 0));
}

MyDatePtr MyDate::composed(int year, int month, int day, int hour, int minute, int second) const {
    return std::make_shared<MyDate>(
        UserCalendar::current().dateFromComponents(year, month, day, hour, minute, second));
}

MyDatePtr MyDate::prevMonday() const {
    const int w = weekdayNum();
    if (w == 1) {
        if (auto self = std::const_pointer_cast<MyDate>(weak_from_this().lock())) return self;
        return copy();
    }
    return dateByAddingYearsMonthsDays(0, 0, w == 0 ? -6 : -(w - 1));
}

MyDatePtr MyDate::nextThursday() const {
    const int w = weekdayNum();
    if (w == 4) {
        if (auto self = std::const_pointer_cast<MyDate>(weak_from_this().lock())) return self;
        return copy();
    }
    return dateByAddingYearsMonthsDays(0, 0, w < 4 ? 4 - w : 11 - w);
}

MyDatePtr MyDate::dateByAddingYearsMonthsDays(int years, int months, int days) const {
    return composed(yearNum() + years, monthNum() + months, dayNum() + days);
}

MyDatePtr MyDate::dateByYearMonthDay(int year, int month, int day) const {
    return composed(year, month, day);
}

MyDatePtr MyDate::setDayMonthYear(int day, int month, int year) const {
    return composed(year, month, day);
}

MyDatePtr MyDate::changeYearTo(int year) const {
    return composed(year, monthNum(), dayNum());
}

MyDatePtr MyDate::changeTimeToHourMinute(int hour, int minute) const {
    return composed(yearNum(), monthNum(), dayNum(), hour, minute, 0);
}

MyDatePtr MyDate::setHourMinute(int hour, int minute) const {
    return changeTimeToHourMinute(hour, minute);
}

MyDatePtr MyDate::dateOfFirstInNextMonth() const {
    return composed(yearNum(), monthNum() + 1, 1);
}

MyDatePtr MyDate::firstDayInYear() const {
    return composed(yearNum(), 1, 1);
}

MyDatePtr MyDate::lastDayInYear() const {
    return composed(yearNum(), 12, 31);
}

MyDatePtr MyDate::startOfDay() const {
    return composed(yearNum(), monthNum(), dayNum());
}

MyDatePtr MyDate::endOfDay() const {
    return composed(yearNum(), monthNum(), dayNum(), 23, 59, 59);
}

// The anchor day lies in the wanted week under the usual rules; its Monday is then
// corrected by a week where the user's week rules count that Monday differently.
MyDatePtr MyDate::mondayInCalendarWeekUsNorm(int week, bool usNorm) const {
    MyDatePtr anchor = dateByYearMonthDay(yearNum(), 1, usNorm ? 1 : 4);
    if (week > 1) anchor = anchor->dateByAddingYearsMonthsDays(0, 0, (week - 1) * 7);
    const MyDatePtr monday = anchor->prevMonday();
    const int found = monday->calendarWeek();
    if (found == week + 1) return monday->dateByAddingYearsMonthsDays(0, 0, -7);
    if (found == week - 1) return monday->dateByAddingYearsMonthsDays(0, 0, 7);
    if (week > 50 && found == 1) return monday->dateByAddingYearsMonthsDays(0, 0, -7);
    if (week == 1 && found > 50) return monday->dateByAddingYearsMonthsDays(0, 0, 7);
    return monday;
}

int MyDate::weeksInYear() const {
    const MyDatePtr last = lastDayInYear();
    const int week = last->calendarWeek();
    if (week >= 50) return week;
    // 31 December already counts as week 1 of the next year.
    return last->dateByAddingYearsMonthsDays(0, 0, -7)->calendarWeek();
}

// ---- comparisons

bool MyDate::isSameDateAs(const MyDate& other) const {
    return dayNum() == other.dayNum() && monthNum() == other.monthNum() &&
           yearNum() == other.yearNum();
}

bool MyDate::isSameDateAs(const MyDatePtr& other) const {
    return other && isSameDateAs(*other);
}

bool MyDate::isBefore(const MyDate& other) const {
    if (yearNum() != other.yearNum()) return yearNum() < other.yearNum();
    if (monthNum() != other.monthNum()) return monthNum() < other.monthNum();
    return dayNum() < other.dayNum();
}

bool MyDate::isBefore(const MyDatePtr& other) const {
    return other && isBefore(*other);
}
