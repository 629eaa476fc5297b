#include "data/MyNthWeekDay.h"

MyNthWeekDayPtr MyNthWeekDay::objWithCalObject(const calstore::NthWeekDay& entry) {
    return std::make_shared<MyNthWeekDay>(entry.dayOfTheWeek, entry.weekNumber);
}

MyNthWeekDayPtr MyNthWeekDay::objWithNthAndWeekday(int nth, int weekday) {
    return std::make_shared<MyNthWeekDay>(weekday, nth);
}

std::optional<QList<MyNthWeekDayPtr>> MyNthWeekDay::arrayWithObjects(
    const std::optional<QList<calstore::NthWeekDay>>& entries) {
    if (!entries) return std::nullopt;
    QList<MyNthWeekDayPtr> list;
    list.reserve(entries->size());
    for (const auto& entry : *entries) list.append(objWithCalObject(entry));
    return list;
}
