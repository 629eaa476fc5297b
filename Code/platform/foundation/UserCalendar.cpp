#include "platform/foundation/UserCalendar.h"

#include "platform/foundation/CivilDate.h"
#include "platform/foundation/Log.h"

#include <QLocale>

#include <algorithm>
#include <mutex>
#include <optional>

namespace foundation {

namespace {

constexpr qint64 kMsecsPerDay = 86400000;
constexpr qint64 kJulianDayOf1970 = 2440588;

using civil::civilFromDays;
using civil::daysFromCivil;
using civil::daysInMonth;
using civil::floorDiv;
using civil::floorMod;

int weekdayOfDay(qint64 dayNumber) {
    return civil::weekdayOfDays(dayNumber);
}

qint64 dayNumberOf(const QDate& date) {
    return date.toJulianDay() - kJulianDayOf1970;
}

// Territories whose weeks count from the first week with four days in the new
// year (common locale data); everywhere else the week holding 1 January is week 1.
bool territoryUsesFourDayFirstWeek(const QString& code) {
    static const char* const codes[] = {
        "AD", "AN", "AT", "AX", "BE", "BG", "CH", "CZ", "DE", "DK", "EE", "ES", "FI", "FJ", "FO",
        "FR", "GB", "GF", "GG", "GI", "GP", "GR", "HU", "IE", "IM", "IS", "IT", "JE", "LI", "LT",
        "LU", "MC", "MQ", "NL", "NO", "PL", "RE", "RU", "SE", "SJ", "SK", "SM", "VA"};
    for (const char* c : codes)
        if (code == QLatin1String(c)) return true;
    return false;
}

std::mutex& currentMutex() {
    static std::mutex m;
    return m;
}

std::optional<UserCalendar>& currentSlot() {
    static std::optional<UserCalendar> slot;
    return slot;
}

}  // namespace

UserCalendar::UserCalendar() : zone_(0) {}

UserCalendar::UserCalendar(QTimeZone zone, int firstWeekday, int minimumDaysInFirstWeek)
    : zone_(std::move(zone)),
      firstWeekday_(std::clamp(firstWeekday, 1, 7)),
      minimumDays_(std::clamp(minimumDaysInFirstWeek, 1, 7)) {
    // A zone Qt cannot resolve would read as UTC anyway; say so once here.
    if (!zone_.isValid()) {
        log(QStringLiteral("WARNING: unknown time zone, using UTC"));
        zone_ = QTimeZone(0);
    }
}

UserCalendar UserCalendar::system() {
    const QLocale locale = QLocale::system();
    const int qtDay = int(locale.firstDayOfWeek());  // 1 Monday .. 7 Sunday
    const int first = qtDay % 7 + 1;
    int minimumDays = 1;
    if (locale.territory() == QLocale::AnyTerritory)
        minimumDays = first == 2 ? 4 : 1;  // the C locale: ISO weeks
    else if (territoryUsesFourDayFirstWeek(QLocale::territoryToCode(locale.territory())))
        minimumDays = 4;
    return UserCalendar(QTimeZone::systemTimeZone(), first, minimumDays);
}

UserCalendar UserCalendar::current() {
    std::lock_guard<std::mutex> guard(currentMutex());
    auto& slot = currentSlot();
    if (!slot) slot = system();
    return *slot;
}

void UserCalendar::setCurrent(const UserCalendar& calendar) {
    std::lock_guard<std::mutex> guard(currentMutex());
    currentSlot() = calendar;
}

void UserCalendar::resetCurrentToSystem() {
    setCurrent(system());
}

int UserCalendar::offsetFromUtc(qint64 msecsSinceEpoch) const {
    return zone_.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC));
}

UserCalendar::Components UserCalendar::components(const QDateTime& date) const {
    const qint64 utc = date.toMSecsSinceEpoch();
    const qint64 local = utc + qint64(offsetFromUtc(utc)) * 1000;
    const qint64 dayNumber = floorDiv(local, kMsecsPerDay);
    const qint64 msOfDay = local - dayNumber * kMsecsPerDay;
    Components c;
    civilFromDays(dayNumber, &c.year, &c.month, &c.day);
    c.hour = int(msOfDay / 3600000);
    c.minute = int(msOfDay / 60000 % 60);
    c.second = int(msOfDay / 1000 % 60);
    c.millisecond = int(msOfDay % 1000);
    c.weekday = weekdayOfDay(dayNumber);
    return c;
}

QDate UserCalendar::localDate(const QDateTime& date) const {
    const qint64 utc = date.toMSecsSinceEpoch();
    const qint64 local = utc + qint64(offsetFromUtc(utc)) * 1000;
    return QDate::fromJulianDay(floorDiv(local, kMsecsPerDay) + kJulianDayOf1970);
}

// The zone's offsets a day before and a day after the reading are the ones on
// either side of any change near it (zones do not change twice within two days).
// Each offset that maps back onto itself gives a valid instant; two valid ones
// mean the reading occurs twice and the earlier wins; none means the reading
// fell into a gap, and reading it with the offset from before the gap lands as
// far after the gap as it was into it.
qint64 UserCalendar::utcFromLocal(qint64 localMsecs) const {
    const int before = offsetFromUtc(localMsecs - kMsecsPerDay);
    const int after = offsetFromUtc(localMsecs + kMsecsPerDay);
    const qint64 withBefore = localMsecs - qint64(before) * 1000;
    const qint64 withAfter = localMsecs - qint64(after) * 1000;
    const bool beforeFits = offsetFromUtc(withBefore) == before;
    const bool afterFits = offsetFromUtc(withAfter) == after;
    if (beforeFits && afterFits) return std::min(withBefore, withAfter);
    if (beforeFits) return withBefore;
    if (afterFits) return withAfter;
    return withBefore;
}

QDateTime UserCalendar::dateFromComponents(int year, int month, int day, int hour, int minute,
                                           int second) const {
    const qint64 y = qint64(year) + floorDiv(qint64(month) - 1, 12);
    const int m = int(floorMod(qint64(month) - 1, 12)) + 1;
    const qint64 dayNumber = daysFromCivil(y, m, 1) + (qint64(day) - 1);
    const qint64 local = dayNumber * kMsecsPerDay + qint64(hour) * 3600000 +
                         qint64(minute) * 60000 + qint64(second) * 1000;
    return QDateTime::fromMSecsSinceEpoch(utcFromLocal(local), Qt::UTC);
}

QDateTime UserCalendar::dateByAdding(const QDateTime& date, int years, int months, int days) const {
    const qint64 utc = date.toMSecsSinceEpoch();
    const qint64 local = utc + qint64(offsetFromUtc(utc)) * 1000;
    const qint64 dayNumber = floorDiv(local, kMsecsPerDay);
    const qint64 msOfDay = local - dayNumber * kMsecsPerDay;
    int y = 0, m = 0, d = 0;
    civilFromDays(dayNumber, &y, &m, &d);
    qint64 targetDay = dayNumber;
    if (years != 0 || months != 0) {
        const qint64 monthIndex = qint64(y) * 12 + (m - 1) + qint64(years) * 12 + months;
        const qint64 ty = floorDiv(monthIndex, 12);
        const int tm = int(floorMod(monthIndex, 12)) + 1;
        targetDay = daysFromCivil(ty, tm, std::min(d, daysInMonth(ty, tm)));
    }
    targetDay += days;
    return QDateTime::fromMSecsSinceEpoch(utcFromLocal(targetDay * kMsecsPerDay + msOfDay),
                                          Qt::UTC);
}

int UserCalendar::weekday(const QDateTime& date) const {
    return weekdayOfDate(localDate(date));
}

int UserCalendar::weekdayOfDate(const QDate& date) {
    return date.isValid() ? weekdayOfDay(dayNumberOf(date)) : 0;
}

qint64 UserCalendar::firstDayOfWeekOne(int year) const {
    const qint64 january1 = daysFromCivil(year, 1, 1);
    const int intoWeek = int(floorMod(weekdayOfDay(january1) - firstWeekday_, 7));
    qint64 start = january1 - intoWeek;
    if (7 - intoWeek < minimumDays_) start += 7;  // too few days of the new year: week 0
    return start;
}

int UserCalendar::weekOfYearForDay(qint64 dayNumber, int* yearForWeek) const {
    int y = 0, m = 0, d = 0;
    civilFromDays(dayNumber, &y, &m, &d);
    const qint64 start = firstDayOfWeekOne(y);
    int week = 0;
    int owner = y;
    if (dayNumber < start) {
        owner = y - 1;
        week = int((dayNumber - firstDayOfWeekOne(owner)) / 7) + 1;
    } else if (dayNumber >= firstDayOfWeekOne(y + 1)) {
        owner = y + 1;
        week = 1;
    } else {
        week = int((dayNumber - start) / 7) + 1;
    }
    if (yearForWeek) *yearForWeek = owner;
    return week;
}

int UserCalendar::weekOfYear(const QDateTime& date, int* yearForWeek) const {
    return weekOfYear(localDate(date), yearForWeek);
}

int UserCalendar::weekOfYear(const QDate& date, int* yearForWeek) const {
    if (!date.isValid()) {
        if (yearForWeek) *yearForWeek = 0;
        return 0;
    }
    return weekOfYearForDay(dayNumberOf(date), yearForWeek);
}

}  // namespace foundation
