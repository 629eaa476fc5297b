#include "platform/store/RecurrenceRule.h"

#include <QStringList>

namespace calstore {

namespace {

const char* const kDayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

QString dayCode(int dayOfTheWeek) {
    return QString::fromLatin1(kDayCodes[qBound(1, dayOfTheWeek, 7) - 1]);
}

QString joinNumbers(const QList<int>& numbers) {
    QStringList parts;
    for (int n : numbers) parts << QString::number(n);
    return parts.join(QLatin1Char(','));
}

}  // namespace

RecurrenceEnd RecurrenceEnd::recurrenceEndWithEndDate(const QDateTime& endDate) {
    RecurrenceEnd e;
    e.usesEndDate_ = true;
    e.endDate_ = endDate;
    return e;
}

RecurrenceEnd RecurrenceEnd::recurrenceEndWithOccurrenceCount(int occurrenceCount) {
    RecurrenceEnd e;
    e.occurrenceCount_ = occurrenceCount;
    return e;
}

bool RecurrenceEnd::operator==(const RecurrenceEnd& other) const {
    if (usesEndDate_ != other.usesEndDate_) return false;
    return usesEndDate_ ? endDate_ == other.endDate_ : occurrenceCount_ == other.occurrenceCount_;
}

RecurrenceRule RecurrenceRule::unrepresentable(const QString& iCalendarText, int interval,
                                               const End& end) {
    RecurrenceRule r;
    r.type_ = RecurrenceType::Other;
    r.representable_ = false;
    r.interval_ = interval;
    r.end_ = end;
    r.originalText_ = iCalendarText;
    return r;
}

RecurrenceRule RecurrenceRule::base(RecurrenceType type, int interval, const End& end) {
    RecurrenceRule r;
    r.type_ = type;
    r.interval_ = qMax(1, interval);  // an interval below 1 would never advance
    r.end_ = end;
    return r;
}

RecurrenceRule RecurrenceRule::initDailyRecurrenceWithIntervalEnd(int interval, const End& end) {
    RecurrenceRule r = base(RecurrenceType::Daily, interval, end);
    return r;
}

RecurrenceRule RecurrenceRule::initWeeklyRecurrenceWithIntervalEnd(int interval, const End& end) {
    RecurrenceRule r = base(RecurrenceType::Weekly, interval, end);
    return r;
}

RecurrenceRule RecurrenceRule::initWeeklyRecurrenceWithIntervalForDaysOfTheWeekEnd(
    int interval, const QList<int>& daysOfTheWeek, const End& end) {
    RecurrenceRule r = base(RecurrenceType::Weekly, interval, end);
    r.daysOfTheWeek_ = daysOfTheWeek;
    return r;
}

RecurrenceRule RecurrenceRule::initMonthlyRecurrenceWithIntervalEnd(int interval, const End& end) {
    RecurrenceRule r = base(RecurrenceType::Monthly, interval, end);
    return r;
}

RecurrenceRule RecurrenceRule::initMonthlyRecurrenceWithIntervalForDaysOfTheMonthEnd(
    int interval, const QList<int>& daysOfTheMonth, const End& end) {
    RecurrenceRule r = base(RecurrenceType::Monthly, interval, end);
    r.daysOfTheMonth_ = daysOfTheMonth;
    return r;
}

RecurrenceRule RecurrenceRule::initMonthlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthEnd(
    int interval, int dayOfTheWeek, int weekOfTheMonth, const End& end) {
    RecurrenceRule r = base(RecurrenceType::Monthly, interval, end);
    r.nthWeekDays_ = {NthWeekDay{dayOfTheWeek, weekOfTheMonth}};
    return r;
}

RecurrenceRule RecurrenceRule::initYearlyRecurrenceWithIntervalEnd(int interval, const End& end) {
    RecurrenceRule r = base(RecurrenceType::Yearly, interval, end);
    return r;
}

RecurrenceRule RecurrenceRule::initYearlyRecurrenceWithIntervalForMonthsOfTheYearEnd(
    int interval, const QList<int>& monthsOfTheYear, const End& end) {
    RecurrenceRule r = base(RecurrenceType::Yearly, interval, end);
    r.monthsOfTheYear_ = monthsOfTheYear;
    return r;
}

RecurrenceRule RecurrenceRule::
    initYearlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthForMonthsOfTheYearEnd(
        int interval, int dayOfTheWeek, int weekOfTheMonth, const QList<int>& monthsOfTheYear,
        const End& end) {
    RecurrenceRule r = base(RecurrenceType::Yearly, interval, end);
    r.nthWeekDays_ = {NthWeekDay{dayOfTheWeek, weekOfTheMonth}};
    r.monthsOfTheYear_ = monthsOfTheYear;
    return r;
}

void RecurrenceRule::setFirstDayOfTheWeek(int day) {
    firstDayOfTheWeek_ = (day >= 1 && day <= 7) ? day : 0;
    if (representable_) originalText_.clear();
}

QString RecurrenceRule::iCalendarText(bool dateOnly) const {
    if (!originalText_.isEmpty() || !representable_) return originalText_;
    static const char* const freqs[] = {"DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
    QStringList parts;
    parts << QStringLiteral("FREQ=") + QString::fromLatin1(freqs[int(type_)]);
    if (end_) {
        if (end_->usesEndDate()) {
            const QDateTime until = end_->endDate();
            parts << QStringLiteral("UNTIL=") +
                         (dateOnly
                              ? until.date().toString(QStringLiteral("yyyyMMdd"))
                              : until.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")));
        } else {
            parts << QStringLiteral("COUNT=") + QString::number(qMax(1, end_->occurrenceCount()));
        }
    }
    if (interval_ > 1) parts << QStringLiteral("INTERVAL=") + QString::number(interval_);
    if (!daysOfTheWeek_.isEmpty()) {
        QStringList days;
        for (int d : daysOfTheWeek_) days << dayCode(d);
        parts << QStringLiteral("BYDAY=") + days.join(QLatin1Char(','));
    }
    if (!nthWeekDays_.isEmpty()) {
        QStringList days;
        for (const auto& n : nthWeekDays_)
            days << (n.weekNumber != 0 ? QString::number(n.weekNumber) : QString()) +
                        dayCode(n.dayOfTheWeek);
        parts << QStringLiteral("BYDAY=") + days.join(QLatin1Char(','));
    }
    if (!daysOfTheMonth_.isEmpty())
        parts << QStringLiteral("BYMONTHDAY=") + joinNumbers(daysOfTheMonth_);
    if (!monthsOfTheYear_.isEmpty())
        parts << QStringLiteral("BYMONTH=") + joinNumbers(monthsOfTheYear_);
    if (firstDayOfTheWeek_ != 0) parts << QStringLiteral("WKST=") + dayCode(firstDayOfTheWeek_);
    return parts.join(QLatin1Char(';'));
}

bool RecurrenceRule::operator==(const RecurrenceRule& o) const {
    return type_ == o.type_ && interval_ == o.interval_ &&
           firstDayOfTheWeek_ == o.firstDayOfTheWeek_ && daysOfTheWeek_ == o.daysOfTheWeek_ &&
           daysOfTheMonth_ == o.daysOfTheMonth_ && nthWeekDays_ == o.nthWeekDays_ &&
           monthsOfTheYear_ == o.monthsOfTheYear_ && end_ == o.end_ &&
           representable_ == o.representable_ &&
           (representable_ || originalText_ == o.originalText_);
}

}  // namespace calstore
