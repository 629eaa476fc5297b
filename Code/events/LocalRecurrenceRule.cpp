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
