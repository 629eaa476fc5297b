#pragma once

#include "platform/store/NthWeekDay.h"

#include <QList>

#include <memory>
#include <optional>

class MyNthWeekDay;
using MyNthWeekDayPtr = std::shared_ptr<MyNthWeekDay>;

// An editable copy of one nth-weekday entry of a recurrence rule (the second
// Tuesday, the last Friday), as the event editor changes it before the rule is
// rebuilt. The weekday keeps the numbering of the store's entry (1 Sunday ..
// 7 Saturday).
class MyNthWeekDay final {
public:
    MyNthWeekDay() = default;
    MyNthWeekDay(int dayOfTheWeek, int weekNumber)
        : _dayOfTheWeek(dayOfTheWeek), _weekNumber(weekNumber) {}

    int dayOfTheWeek() const { return _dayOfTheWeek; }
    int weekNumber() const { return _weekNumber; }
    void setDayOfWeek(int day) { _dayOfTheWeek = day; }
    void setWeekNumber(int number) { _weekNumber = number; }

    static MyNthWeekDayPtr objWithCalObject(const calstore::NthWeekDay& entry);
    static MyNthWeekDayPtr objWithNthAndWeekday(int nth, int weekday);
    // The same entries in the same order; no list (nullopt) gives no list, an
    // empty list an empty list.
    static std::optional<QList<MyNthWeekDayPtr>> arrayWithObjects(
        const std::optional<QList<calstore::NthWeekDay>>& entries);

    // Back to the store's form, for rebuilding the rule.
    calstore::NthWeekDay calObject() const { return {_dayOfTheWeek, _weekNumber}; }

private:
    int _dayOfTheWeek = 1;
    int _weekNumber = 0;
};
