#include "platform/store/RecurrenceExpander.h"

#include "platform/store/Libical.h"

#include <libical/ical.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace calstore::detail {

using namespace civil;

namespace {

// Beyond these years nothing is expanded: a rule that never produces an
// occurrence stops here at the latest.
constexpr int kLastYear = 9999;
constexpr int kFirstYear = -9999;
// libical steps one expansion may take before it gives up on a rule.
constexpr qint64 kMaxLibicalSteps = 200000;

template <size_t N>
std::vector<int> listOf(const short (&values)[N]) {
    std::vector<int> out;
    for (size_t i = 0; i < N && values[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        out.push_back(values[i]);
    return out;
}

template <size_t N>
bool hasAny(const short (&values)[N]) {
    return values[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

qint64 wallOf(const icaltimetype& t) {
    qint64 w = daysFromCivil(t.year, t.month, t.day) * kSecondsPerDay;
    if (!t.is_date) w += t.hour * 3600 + t.minute * 60 + t.second;
    return w;
}

icaltimetype icalTimeOfWall(qint64 wall, bool dateOnly) {
    icaltimetype t = icaltime_null_time();
    int y, m, d;
    civilFromDays(daysOfWall(wall), &y, &m, &d);
    t.year = y;
    t.month = m;
    t.day = d;
    if (dateOnly) {
        t.is_date = 1;
    } else {
        const qint64 s = secondsOfDayOfWall(wall);
        t.hour = int(s / 3600);
        t.minute = int(s / 60 % 60);
        t.second = int(s % 60);
    }
    return t;
}

qint64 periodSeconds(Frequency f) {
    switch (f) {
        case Frequency::Secondly:
            return 1;
        case Frequency::Minutely:
            return 60;
        case Frequency::Hourly:
            return 3600;
        default:
            return kSecondsPerDay;
    }
}

bool contains(const std::vector<int>& list, int value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Whether any day satisfies every day part of the rule (BYMONTH, BYMONTHDAY,
// BYYEARDAY, the weekdays of BYDAY). Every occurrence lies on such a day, so a
// rule without one gives nothing; walking it (libical does so inside one call)
// would only cost time. Parts alone always fit some day; only combinations are
// looked at, over a whole 400-year cycle of the calendar.
bool fitsSomeDay(const RuleSpec& r) {
    const int parts = int(!r.byMonth.empty()) + int(!r.byMonthDay.empty()) +
                      int(!r.byYearDay.empty()) + int(!r.byDay.empty());
    if (parts < 2) return true;
    const qint64 first = daysFromCivil(2000, 1, 1);
    int year = 2000, month = 1, dom = 1;
    int monthLength = 31, yearLength = 366, ordinal = 1;
    int weekday = weekdayOfDays(first);
    for (qint64 day = first; day < first + 146097; ++day) {
        bool fits = r.byMonth.empty() || contains(r.byMonth, month);
        if (fits && !r.byMonthDay.empty()) {
            fits = false;
            for (int md : r.byMonthDay)
                if (md == dom || (md < 0 && monthLength + md + 1 == dom)) fits = true;
        }
        if (fits && !r.byYearDay.empty()) {
            fits = false;
            for (int yd : r.byYearDay)
                if (yd == ordinal || (yd < 0 && yearLength + yd + 1 == ordinal)) fits = true;
        }
        if (fits && !r.byDay.empty()) {
            fits = false;
            for (const auto& d : r.byDay)
                if (d.dayOfTheWeek == weekday) fits = true;
        }
        if (fits) return true;
        weekday = weekday % 7 + 1;
        ++ordinal;
        if (++dom > monthLength) {
            dom = 1;
            if (++month > 12) {
                month = 1;
                ++year;
                ordinal = 1;
                yearLength = daysInYear(year);
            }
            monthLength = daysInMonth(year, month);
        }
    }
    return false;
}

}  // namespace

// A rule for libical's iterator: without COUNT and UNTIL, which the store applies
// itself (libical compares UNTIL against a clock it does not know here).
struct LibicalRule {
    icalrecurrencetype rule;
    explicit LibicalRule(const icalrecurrencetype& r) : rule(r) {
        rule.count = 0;
        rule.until = icaltime_null_time();
        rule.rscale = r.rscale ? strdup(r.rscale) : nullptr;
    }
    ~LibicalRule() { free(rule.rscale); }
    LibicalRule(const LibicalRule&) = delete;
    LibicalRule& operator=(const LibicalRule&) = delete;
};

std::optional<RuleSpec> RuleSpec::fromText(const QString& text, bool viaLibical) {
    foundation::Guard guard(libicalLock());
    const icalrecurrencetype r = icalrecurrencetype_from_string(text.toUtf8().constData());
    auto spec = fromLibical(r, text, viaLibical);
    icalmemory_free_buffer(r.rscale);
    return spec;
}

std::optional<RuleSpec> RuleSpec::fromLibical(const icalrecurrencetype& r, const QString& text,
                                              bool viaLibical) {
    RuleSpec s;
    switch (r.freq) {
        case ICAL_SECONDLY_RECURRENCE:
            s.frequency = Frequency::Secondly;
            break;
        case ICAL_MINUTELY_RECURRENCE:
            s.frequency = Frequency::Minutely;
            break;
        case ICAL_HOURLY_RECURRENCE:
            s.frequency = Frequency::Hourly;
            break;
        case ICAL_DAILY_RECURRENCE:
            s.frequency = Frequency::Daily;
            break;
        case ICAL_WEEKLY_RECURRENCE:
            s.frequency = Frequency::Weekly;
            break;
        case ICAL_MONTHLY_RECURRENCE:
            s.frequency = Frequency::Monthly;
            break;
        case ICAL_YEARLY_RECURRENCE:
            s.frequency = Frequency::Yearly;
            break;
        default:
            return std::nullopt;
    }
    s.text = text;
    s.interval = r.interval < 1 ? 1 : r.interval;
    s.count = r.count > 0 ? r.count : 0;
    if (!icaltime_is_null_time(r.until)) {
        Timing until;
        until.kind = r.until.is_date            ? Timing::Kind::Date
                     : icaltime_is_utc(r.until) ? Timing::Kind::Utc
                                                : Timing::Kind::Floating;
        until.wall = wallOf(r.until);
        s.until = until;
    }
    if (r.week_start >= ICAL_SUNDAY_WEEKDAY && r.week_start <= ICAL_SATURDAY_WEEKDAY)
        s.weekStart = int(r.week_start);

    const bool subDaily = s.frequency < Frequency::Daily;
    bool needsLibical = viaLibical || r.rscale != nullptr || hasAny(r.by_week_no) ||
                        hasAny(r.by_set_pos) ||
                        (!subDaily && (hasAny(r.by_second) || hasAny(r.by_minute) ||
                                       hasAny(r.by_hour) || hasAny(r.by_year_day)));
    for (int v : listOf(r.by_month)) {
        if (icalrecurrencetype_month_is_leap(short(v))) needsLibical = true;
        s.byMonth.push_back(icalrecurrencetype_month_month(short(v)));
    }
    s.byMonthDay = listOf(r.by_month_day);
    s.byYearDay = listOf(r.by_year_day);
    s.byHour = listOf(r.by_hour);
    s.byMinute = listOf(r.by_minute);
    s.bySecond = listOf(r.by_second);
    bool nth = false;
    for (int v : listOf(r.by_day)) {
        const int weekday = int(icalrecurrencetype_day_day_of_week(short(v)));
        const int position = icalrecurrencetype_day_position(short(v));
        if (weekday < 1 || weekday > 7) return std::nullopt;
        if (position != 0) nth = true;
        s.byDay.push_back(NthWeekDay{weekday, position});
    }
    for (int m : s.byMonth)
        if (m < 1 || m > 12) needsLibical = true;
    for (int d : s.byMonthDay)
        if (d == 0 || d < -31 || d > 31) needsLibical = true;
    // An nth weekday is computed here only where it picks days out of a month or
    // a year; as a mere filter, or in weekly and daily rules, libical decides.
    if (nth && (s.frequency == Frequency::Daily || s.frequency == Frequency::Weekly ||
                !s.byMonthDay.empty()))
        needsLibical = true;
    if (s.frequency == Frequency::Weekly && !s.byMonthDay.empty()) needsLibical = true;
    for (const auto& d : s.byDay) {
        const int limit = (s.frequency == Frequency::Yearly && s.byMonth.empty()) ? 53 : 5;
        if (d.weekNumber > limit || d.weekNumber < -limit) needsLibical = true;
    }
    if (!viaLibical && !fitsSomeDay(s)) {
        s.problem = QStringLiteral("fits no day of the calendar");
        return s;
    }
    if (subDaily && !viaLibical) {
        // libical walks such rules second by second inside one call, which never
        // ends for a rule that matches nothing; the store lays them out day by
        // day itself, and does not expand the forms it has no own walk for.
        if (needsLibical)
            s.problem = QStringLiteral(
                "repeats more often than daily with BYSETPOS, BYWEEKNO "
                "or RSCALE, which the store does not expand");
        else if (nth)
            s.problem = QStringLiteral("repeats more often than daily on numbered weekdays");
        return s;
    }
    if (needsLibical) s.libical = std::make_shared<const LibicalRule>(r);
    return s;
}

RecurrenceExpander::RecurrenceExpander(const RuleSpec& rule, qint64 startWall, bool dateOnly)
    : rule_(rule), startWall_(startWall), dateOnly_(dateOnly) {
    startDay_ = daysOfWall(startWall);
    timeOfDay_ = secondsOfDayOfWall(startWall);
    civilFromDays(startDay_, &startYear_, &startMonth_, &startDayOfMonth_);
    startWeekday_ = weekdayOfDays(startDay_);
    firstWeekStart_ = startDay_ - floorMod(startWeekday_ - rule_.weekStart, 7);
    nextDay_ = startDay_;
    if (!rule_.problem.isEmpty()) exhausted_ = true;
    if (rule_.libical && !exhausted_) {
        foundation::Guard guard(libicalLock());
        libicalIterator_ =
            icalrecur_iterator_new(rule_.libical->rule, icalTimeOfWall(startWall, dateOnly));
        if (!libicalIterator_) exhausted_ = true;  // a rule libical refuses gives nothing
    }
}

RecurrenceExpander::~RecurrenceExpander() {
    if (libicalIterator_) {
        foundation::Guard guard(libicalLock());
        icalrecur_iterator_free(static_cast<icalrecur_iterator*>(libicalIterator_));
    }
}

qint64 RecurrenceExpander::periodFirstDay(qint64 k) const {
    const qint64 step = k * rule_.interval;
    switch (rule_.frequency) {
        case Frequency::Weekly:
            return firstWeekStart_ + 7 * step;
        case Frequency::Monthly: {
            const qint64 index = monthIndex(startYear_, startMonth_) + step;
            return daysFromCivil(floorDiv(index, 12), int(floorMod(index, 12)) + 1, 1);
        }
        case Frequency::Yearly:
            return daysFromCivil(startYear_ + step, 1, 1);
        default:
            return startDay_ + step;
    }
}

qint64 RecurrenceExpander::periodForDay(qint64 day) const {
    qint64 units = 0;
    switch (rule_.frequency) {
        case Frequency::Weekly:
            units = floorDiv(day - firstWeekStart_, 7);
            break;
        case Frequency::Monthly: {
            int y, m, d;
            civilFromDays(day, &y, &m, &d);
            units = monthIndex(y, m) - monthIndex(startYear_, startMonth_);
            break;
        }
        case Frequency::Yearly: {
            int y, m, d;
            civilFromDays(day, &y, &m, &d);
            units = y - startYear_;
            break;
        }
        default:
            units = day - startDay_;
            break;
    }
    return floorDiv(units, rule_.interval);
}

void RecurrenceExpander::seek(qint64 wall) {
    if (wall <= startWall_ || exhausted_) return;
    if (rule_.libical) {
        if (pending_ && *pending_ >= wall) return;
        icaltimetype from;
        if (rule_.frequency < Frequency::Daily) {
            // Sub-daily periods count from the start; keep the seek on that grid.
            const qint64 period = periodSeconds(rule_.frequency) * rule_.interval;
            from = icalTimeOfWall(startWall_ + floorDiv(wall - startWall_, period) * period,
                                  dateOnly_);
        } else {
            from = icalTimeOfWall(std::max(startWall_, wall - kSecondsPerDay), dateOnly_);
        }
        foundation::Guard guard(libicalLock());
        icalrecur_iterator_set_start(static_cast<icalrecur_iterator*>(libicalIterator_), from);
        pending_.reset();
        return;
    }
    if (rule_.frequency < Frequency::Daily) {
        const qint64 day = daysOfWall(wall) - 1;
        if (day > nextDay_) {
            nextDay_ = day;
            times_.clear();
            position_ = 0;
        }
        return;
    }
    const qint64 k = periodForDay(daysOfWall(wall)) - 1;
    if (k > nextPeriod_) {
        nextPeriod_ = k;
        days_.clear();
        position_ = 0;
    }
}

bool RecurrenceExpander::overBudget() {
    if (steps_ < stepLimit_) return false;
    limited_ = true;
    return true;
}

std::optional<qint64> RecurrenceExpander::next(qint64 limitWall) {
    if (rule_.libical) return nextFromLibical(limitWall);
    if (rule_.frequency < Frequency::Daily) return nextWithinDays(limitWall);
    while (!exhausted_) {
        while (position_ < days_.size()) {
            const qint64 wall = days_[position_] * kSecondsPerDay + timeOfDay_;
            if (wall < startWall_) {
                ++position_;
                continue;
            }
            if (wall > limitWall) return std::nullopt;
            ++position_;
            return wall;
        }
        const qint64 first = periodFirstDay(nextPeriod_);
        if (first * kSecondsPerDay > limitWall || overBudget()) return std::nullopt;
        int y, m, d;
        civilFromDays(first, &y, &m, &d);
        if (y > kLastYear || y < kFirstYear) {
            exhausted_ = true;
            break;
        }
        fillPeriod(nextPeriod_);
        ++nextPeriod_;
        ++steps_;
    }
    return std::nullopt;
}

std::optional<qint64> RecurrenceExpander::nextFromLibical(qint64 limitWall) {
    while (true) {
        if (pending_) {
            if (*pending_ > limitWall) return std::nullopt;
            const qint64 wall = *pending_;
            pending_.reset();
            if (wall >= startWall_) return wall;
            continue;
        }
        if (exhausted_ || overBudget()) return std::nullopt;
        if (steps_ >= kMaxLibicalSteps) {
            exhausted_ = true;
            return std::nullopt;
        }
        icaltimetype t;
        {
            foundation::Guard guard(libicalLock());
            t = icalrecur_iterator_next(static_cast<icalrecur_iterator*>(libicalIterator_));
        }
        ++steps_;
        if (icaltime_is_null_time(t) || t.year > kLastYear) {
            exhausted_ = true;
            return std::nullopt;
        }
        pending_ = wallOf(t);
    }
}

std::optional<qint64> RecurrenceExpander::nextWithinDays(qint64 limitWall) {
    while (!exhausted_) {
        while (position_ < times_.size()) {
            const qint64 wall = times_[position_];
            if (wall < startWall_) {
                ++position_;
                continue;
            }
            if (wall > limitWall) return std::nullopt;
            ++position_;
            return wall;
        }
        if (nextDay_ * kSecondsPerDay > limitWall || overBudget()) return std::nullopt;
        int y, m, d;
        civilFromDays(nextDay_, &y, &m, &d);
        if (y > kLastYear || y < kFirstYear) {
            exhausted_ = true;
            break;
        }
        fillDay(nextDay_);
    }
    return std::nullopt;
}

bool RecurrenceExpander::dayMatches(qint64 day) const {
    int year, month, dom;
    civilFromDays(day, &year, &month, &dom);
    if (!matchesDayLimits(day, year, month, dom)) return false;
    if (rule_.byYearDay.empty()) return true;
    const qint64 ordinal = day - daysFromCivil(year, 1, 1) + 1;
    const int length = daysInYear(year);
    for (int yd : rule_.byYearDay)
        if (yd == ordinal || (yd < 0 && length + yd + 1 == ordinal)) return true;
    return false;
}

// The starts of one day of a rule more frequent than daily, and the next day
// worth looking at. The periods (hours, minutes, seconds) lie on a grid that
// counts from the start; BYHOUR, BYMINUTE and BYSECOND of the period's size or
// larger pick periods out, the smaller ones give the times within a period.
void RecurrenceExpander::fillDay(qint64 day) {
    times_.clear();
    position_ = 0;
    ++steps_;
    const qint64 unit = periodSeconds(rule_.frequency);
    const qint64 period = unit * rule_.interval;
    const qint64 anchor = floorDiv(startWall_, unit) * unit;
    const qint64 dayWall = day * kSecondsPerDay;
    const qint64 dayEnd = dayWall + kSecondsPerDay;
    // The first period of the grid at or after the start of the day.
    const qint64 firstPeriod =
        anchor + std::max<qint64>(0, -floorDiv(anchor - dayWall, period)) * period;
    int year, month, dom;
    civilFromDays(day, &year, &month, &dom);
    if (!rule_.byMonth.empty() && !contains(rule_.byMonth, month)) {
        // Nothing this month: go on with the first day of the next one.
        nextDay_ = std::max(day + 1, day - dom + 1 + daysInMonth(year, month));
        return;
    }
    nextDay_ = day + 1;
    if (firstPeriod >= dayEnd) {
        nextDay_ = std::max(nextDay_, daysOfWall(firstPeriod));
        return;
    }
    if (!dayMatches(day)) return;
    const qint64 startSecondOfDay = secondsOfDayOfWall(startWall_);
    const std::vector<int> ownMinute{int(startSecondOfDay / 60 % 60)};
    const std::vector<int> ownSecond{int(startSecondOfDay % 60)};
    const std::vector<int>& minutes =
        rule_.frequency == Frequency::Hourly && !rule_.byMinute.empty() ? rule_.byMinute
                                                                        : ownMinute;
    const std::vector<int>& seconds =
        rule_.frequency != Frequency::Secondly && !rule_.bySecond.empty() ? rule_.bySecond
                                                                          : ownSecond;
    for (qint64 p = firstPeriod; p < dayEnd; p += period) {
        const qint64 s = p - dayWall;
        const int hour = int(s / 3600), minute = int(s / 60 % 60), second = int(s % 60);
        if (!rule_.byHour.empty() && !contains(rule_.byHour, hour)) continue;
        if (rule_.frequency != Frequency::Hourly && !rule_.byMinute.empty() &&
            !contains(rule_.byMinute, minute))
            continue;
        if (rule_.frequency == Frequency::Secondly) {
            if (rule_.bySecond.empty() || contains(rule_.bySecond, second)) times_.push_back(p);
            continue;
        }
        const qint64 base =
            dayWall + hour * 3600 + (rule_.frequency == Frequency::Minutely ? minute * 60 : 0);
        if (rule_.frequency == Frequency::Minutely) {
            for (int sec : seconds) times_.push_back(base + sec);
        } else {
            for (int min : minutes)
                for (int sec : seconds) times_.push_back(base + min * 60 + sec);
        }
    }
    std::sort(times_.begin(), times_.end());
    times_.erase(std::unique(times_.begin(), times_.end()), times_.end());
    steps_ += qint64(times_.size()) / 1024;
}

bool RecurrenceExpander::matchesDayLimits(qint64 day, int year, int month, int dayOfMonth) const {
    if (!rule_.byMonth.empty() && !contains(rule_.byMonth, month)) return false;
    if (!rule_.byMonthDay.empty()) {
        const int length = daysInMonth(year, month);
        bool hit = false;
        for (int md : rule_.byMonthDay)
            if (md == dayOfMonth || (md < 0 && length + md + 1 == dayOfMonth)) hit = true;
        if (!hit) return false;
    }
    if (!rule_.byDay.empty()) {
        const int weekday = weekdayOfDays(day);
        bool hit = false;
        for (const auto& d : rule_.byDay)
            if (d.dayOfTheWeek == weekday) hit = true;
        if (!hit) return false;
    }
    return true;
}

void RecurrenceExpander::addMonthDays(int year, int month, bool limitByDay) {
    const int length = daysInMonth(year, month);
    const qint64 first = daysFromCivil(year, month, 1);
    for (int md : rule_.byMonthDay) {
        const int dom = md > 0 ? md : length + md + 1;
        if (dom < 1 || dom > length) continue;
        const qint64 day = first + dom - 1;
        if (limitByDay && !rule_.byDay.empty()) {
            const int weekday = weekdayOfDays(day);
            bool hit = false;
            for (const auto& d : rule_.byDay)
                if (d.dayOfTheWeek == weekday) hit = true;
            if (!hit) continue;
        }
        days_.push_back(day);
    }
}

// The rule's weekdays within the days first..last (a month or a year): every
// such weekday, the nth from the start, or the nth from the end.
void RecurrenceExpander::addWeekdaysBetween(qint64 first, qint64 last) {
    for (const auto& d : rule_.byDay) {
        const qint64 firstHit = first + floorMod(d.dayOfTheWeek - weekdayOfDays(first), 7);
        const qint64 lastHit = last - floorMod(weekdayOfDays(last) - d.dayOfTheWeek, 7);
        if (d.weekNumber == 0) {
            for (qint64 day = firstHit; day <= last; day += 7) days_.push_back(day);
        } else if (d.weekNumber > 0) {
            const qint64 day = firstHit + 7 * (d.weekNumber - 1);
            if (day <= last) days_.push_back(day);
        } else {
            const qint64 day = lastHit + 7 * (d.weekNumber + 1);
            if (day >= first) days_.push_back(day);
        }
    }
}

void RecurrenceExpander::addWeekdaysOfMonth(int year, int month) {
    const qint64 first = daysFromCivil(year, month, 1);
    addWeekdaysBetween(first, first + daysInMonth(year, month) - 1);
}

void RecurrenceExpander::addWeekdaysOfYear(int year) {
    const qint64 first = daysFromCivil(year, 1, 1);
    addWeekdaysBetween(first, first + daysInYear(year) - 1);
}

// The candidate days of period k, following RFC 5545's table of which BY parts
// expand the period and which only filter it.
void RecurrenceExpander::fillPeriod(qint64 k) {
    days_.clear();
    position_ = 0;
    const qint64 first = periodFirstDay(k);
    int year, month, dom;
    civilFromDays(first, &year, &month, &dom);
    switch (rule_.frequency) {
        case Frequency::Daily:
            if (matchesDayLimits(first, year, month, dom)) days_.push_back(first);
            break;
        case Frequency::Weekly: {
            if (rule_.byDay.empty()) {
                days_.push_back(first + floorMod(startWeekday_ - rule_.weekStart, 7));
            } else {
                for (const auto& d : rule_.byDay)
                    days_.push_back(first + floorMod(d.dayOfTheWeek - rule_.weekStart, 7));
            }
            if (!rule_.byMonth.empty()) {
                days_.erase(std::remove_if(days_.begin(), days_.end(),
                                           [&](qint64 day) {
                                               int y, m, d;
                                               civilFromDays(day, &y, &m, &d);
                                               return !contains(rule_.byMonth, m);
                                           }),
                            days_.end());
            }
            break;
        }
        case Frequency::Monthly:
            if (!rule_.byMonth.empty() && !contains(rule_.byMonth, month)) break;
            if (!rule_.byMonthDay.empty()) {
                addMonthDays(year, month, true);
            } else if (!rule_.byDay.empty()) {
                addWeekdaysOfMonth(year, month);
            } else if (startDayOfMonth_ <= daysInMonth(year, month)) {
                days_.push_back(first + startDayOfMonth_ - 1);
            }
            break;
        case Frequency::Yearly: {
            std::vector<int> months = rule_.byMonth;
            if (months.empty()) {
                if (!rule_.byMonthDay.empty() || !rule_.byDay.empty()) {
                    for (int m = 1; m <= 12; ++m) months.push_back(m);
                } else {
                    months.push_back(startMonth_);
                }
            }
            if (!rule_.byMonthDay.empty()) {
                for (int m : months) addMonthDays(year, m, true);
            } else if (!rule_.byDay.empty()) {
                if (rule_.byMonth.empty()) {
                    addWeekdaysOfYear(year);
                } else {
                    for (int m : months) addWeekdaysOfMonth(year, m);
                }
            } else {
                for (int m : months)
                    if (startDayOfMonth_ <= daysInMonth(year, m))
                        days_.push_back(daysFromCivil(year, m, startDayOfMonth_));
            }
            break;
        }
        default:
            break;
    }
    std::sort(days_.begin(), days_.end());
    days_.erase(std::unique(days_.begin(), days_.end()), days_.end());
}

}  // namespace calstore::detail
