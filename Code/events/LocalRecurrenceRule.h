#pragma once

#include "data/MyDate.h"
#include "data/MyNthWeekDay.h"
#include "platform/store/RecurrenceRule.h"

#include <QDateTime>
#include <QList>

#include <cstdint>
#include <optional>

// The event editor's working copy of a recurrence rule: what the recurrence
// pane shows and changes, and what the rule written back on saving is built
// from. An absent list and an empty list differ: absent means no restriction
// of that kind. Plain data, held by value.
struct LocalRecurrenceRule {
    bool rule = false;  // the event repeats
    std::int32_t firstDayOfTheWeek = 0;
    bool recurrenceEnd = false;  // the repetition ends (on a date or after a count)
    bool recurrenceEndUsesEndDate = false;
    MyDatePtr recurrenceEndEndDate;
    std::int32_t recurrenceEndOccurrenceCount = 0;
    std::int32_t recurrenceType = -1;  // -1 none, 0 daily, 1 weekly, 2 monthly, 3 yearly
    std::int32_t recurrenceInterval = 1;
    std::optional<QList<int>> daysOfTheWeek;  // 1 Sunday .. 7 Saturday
    std::optional<QList<int>> daysOfTheMonth;
    std::optional<QList<MyNthWeekDayPtr>> nthWeekDaysOfTheMonth;
    std::optional<QList<int>> monthsOfTheYear;

    // The working copy of a store rule (none: no repetition) of an event that
    // starts at `eventStart`: without an end, or with a counted end, the end
    // date is the event's start; without an end the count is 2, so that the
    // pane offers a sensible end when the user adds one.
    static LocalRecurrenceRule fromStoreRule(
        const std::optional<calstore::RecurrenceRule>& storeRule, const QDateTime& eventStart);
    // The store rule the working copy stands for; none when it does not repeat
    // or has no kind the store's model holds. Only the first ordinal weekday
    // is used; monthly days of the month win over an ordinal weekday.
    std::optional<calstore::RecurrenceRule> toStoreRule() const;

    // Equal in every field; dates and ordinal weekdays compare by value.
    bool operator==(const LocalRecurrenceRule& other) const;
};
