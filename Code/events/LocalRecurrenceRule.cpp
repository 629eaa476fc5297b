#include "events/LocalRecurrenceRule.h"

#include <algorithm>

namespace {

template <typename T>
std::optional<QList<T>> listOrNone(const QList<T>& list) {
    if (list.isEmpty()) return std::nullopt;
    return list;
}

}  // namespace

LocalRecurrenceRule LocalRecurrenceRule::fromStoreRule(
    const std::optional<calstore::RecurrenceRule>& storeRule, const QDateTime& eventStart) {
    LocalRecurrenceRule local;
    local.rule = storeRule.has_value();
    local.firstDayOfTheWeek = storeRule ? storeRule->firstDayOfTheWeek() : 0;
    const auto& end = storeRule ? storeRule->recurrenceEnd() : calstore::RecurrenceRule::End();
    local.recurrenceEnd = end.has_value();
    local.recurrenceEndUsesEndDate = end && end->usesEndDate();
    local.recurrenceEndEndDate = MyDate::dateWithNSDate(
        end && end->usesEndDate() && end->endDate().isValid() ? end->endDate() : eventStart);
    local.recurrenceEndOccurrenceCount = end ? end->occurrenceCount() : 2;
    local.recurrenceType = storeRule ? int(storeRule->recurrenceType()) : -1;
    local.recurrenceInterval = std::max(1, storeRule ? storeRule->recurrenceInterval() : 1);
    if (storeRule) {
        local.daysOfTheWeek = listOrNone(storeRule->daysOfTheWeek());
        local.daysOfTheMonth = listOrNone(storeRule->daysOfTheMonth());
        local.monthsOfTheYear = listOrNone(storeRule->monthsOfTheYear());
        const QList<calstore::NthWeekDay> nth = storeRule->nthWeekDaysOfTheMonth();
        if (!nth.isEmpty())
            local.nthWeekDaysOfTheMonth = MyNthWeekDay::arrayWithObjects(std::optional(nth));
    }
    return local;
}

std::optional<calstore::RecurrenceRule> LocalRecurrenceRule::toStoreRule() const {
    using calstore::RecurrenceEnd;
    using calstore::RecurrenceRule;
    if (!rule || recurrenceType < 0 || recurrenceType > 3) return std::nullopt;
    RecurrenceRule::End end;
    if (recurrenceEnd) {
        if (recurrenceEndUsesEndDate && recurrenceEndEndDate)
            end = RecurrenceEnd::recurrenceEndWithEndDate(recurrenceEndEndDate->nsDate());
        else
            end = RecurrenceEnd::recurrenceEndWithOccurrenceCount(
                std::max(1, recurrenceEndOccurrenceCount));
    }
    const int interval = std::max(1, recurrenceInterval);
    const MyNthWeekDayPtr nth = nthWeekDaysOfTheMonth && !nthWeekDaysOfTheMonth->isEmpty()
                                    ? nthWeekDaysOfTheMonth->first()
                                    : nullptr;
    const auto present = [](const std::optional<QList<int>>& list) {
        return list && !list->isEmpty();
    };
    std::optional<RecurrenceRule> made;
    switch (recurrenceType) {
        case 0:
            made = RecurrenceRule::initDailyRecurrenceWithIntervalEnd(interval, end);
            break;
        case 1:
            made = present(daysOfTheWeek)
                       ? RecurrenceRule::initWeeklyRecurrenceWithIntervalForDaysOfTheWeekEnd(
                             interval, *daysOfTheWeek, end)
                       : RecurrenceRule::initWeeklyRecurrenceWithIntervalEnd(interval, end);
            break;
        case 2:
            if (present(daysOfTheMonth))
                made = RecurrenceRule::initMonthlyRecurrenceWithIntervalForDaysOfTheMonthEnd(
                    interval, *daysOfTheMonth, end);
            else if (nth)
                made = RecurrenceRule::
                    initMonthlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthEnd(
                        interval, nth->dayOfTheWeek(), nth->weekNumber(), end);
            else
                made = RecurrenceRule::initMonthlyRecurrenceWithIntervalEnd(interval, end);
            break;
        default:
            if (nth)
                made = RecurrenceRule::
                    initYearlyRecurrenceWithIntervalForDayOfTheWeekForWeekOfTheMonthForMonthsOfTheYearEnd(
                        interval, nth->dayOfTheWeek(), nth->weekNumber(),
                        monthsOfTheYear.value_or(QList<int>()), end);
            else if (present(monthsOfTheYear))
                made = RecurrenceRule::initYearlyRecurrenceWithIntervalForMonthsOfTheYearEnd(
                    interval, *monthsOfTheYear, end);
            else
                made = RecurrenceRule::initYearlyRecurrenceWithIntervalEnd(interval, end);
            break;
    }
    made->setFirstDayOfTheWeek(firstDayOfTheWeek);
    return made;
}

bool LocalRecurrenceRule::operator==(const LocalRecurrenceRule& o) const {
    const auto sameDate = [](const MyDatePtr& a, const MyDatePtr& b) {
        if (!a || !b) return !a && !b;
        return a->nsDate() == b->nsDate();
    };
    const auto sameNth = [](const std::optional<QList<MyNthWeekDayPtr>>& a,
                            const std::optional<QList<MyNthWeekDayPtr>>& b) {
        if (a.has_value() != b.has_value()) return false;
        if (!a) return true;
        if (a->size() != b->size()) return false;
        for (qsizetype i = 0; i < a->size(); ++i) {
            const MyNthWeekDayPtr &x = a->at(i), &y = b->at(i);
            if (!x || !y) {
                if (x || y) return false;
                continue;
            }
            if (x->calObject() != y->calObject()) return false;
        }
        return true;
    };
    return rule == o.rule && firstDayOfTheWeek == o.firstDayOfTheWeek &&
           recurrenceEnd == o.recurrenceEnd &&
           recurrenceEndUsesEndDate == o.recurrenceEndUsesEndDate &&
           sameDate(recurrenceEndEndDate, o.recurrenceEndEndDate) &&
           recurrenceEndOccurrenceCount == o.recurrenceEndOccurrenceCount &&
           recurrenceType == o.recurrenceType && recurrenceInterval == o.recurrenceInterval &&
           daysOfTheWeek == o.daysOfTheWeek && daysOfTheMonth == o.daysOfTheMonth &&
           sameNth(nthWeekDaysOfTheMonth, o.nthWeekDaysOfTheMonth) &&
           monthsOfTheYear == o.monthsOfTheYear;
}
