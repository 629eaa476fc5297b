#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace calstore {

// What an event query asks for: the events of some calendars that overlap a span
// (start inclusive, end exclusive), optionally only those of one UID. Made by
// the store's predicate builders.
struct EventPredicate {
    QDateTime startDate;
    QDateTime endDate;
    QString uid;               // empty: any
    QStringList calendarUIDs;  // the calendars searched; none: no events
};

// What a task query asks for.
struct TaskPredicate {
    enum class Kind { All, CompletedSince, Uncompleted, UncompletedDueBefore };
    Kind kind = Kind::All;
    QDateTime date;  // the completion or due limit of the kinds that have one
    QStringList calendarUIDs;
};

}  // namespace calstore
