#pragma once

namespace calstore {

// One "nth weekday of the month" entry of a recurrence rule, such as the second
// Tuesday (weekNumber 2) or the last Friday (weekNumber -1). dayOfTheWeek counts
// 1 Sunday .. 7 Saturday; weekNumber 0 means every such weekday.
struct NthWeekDay {
    int dayOfTheWeek = 1;
    int weekNumber = 0;

    bool operator==(const NthWeekDay&) const = default;
};

}  // namespace calstore
