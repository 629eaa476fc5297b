#pragma once

#include "platform/store/Calendar.h"
#include "platform/store/Series.h"
#include "platform/store/SeriesReader.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace calstore::detail {

// One calendar folder as read: the calendar's values and its series (or tasks).
struct CalendarFolder {
    Calendar calendar;
    QString path;
    std::vector<std::shared_ptr<const Series>> series;  // by UID
    std::vector<std::shared_ptr<const TaskRecord>> tasks;
    QHash<QString, std::shared_ptr<const Series>> seriesByUid;
    QHash<QString, std::shared_ptr<const TaskRecord>> tasksByUid;
};

// Everything the store knows, as one immutable value. Queries take the current
// snapshot and read it without locks; changes build a new one and swap it in.
struct StoreSnapshot {
    QString root;
    std::vector<std::shared_ptr<const CalendarFolder>> calendars;  // in the store's order
    QHash<QString, int> calendarIndex;                             // uid -> position in `calendars`
    QStringList skippedFiles;

    const CalendarFolder* calendar(const QString& uid) const {
        auto it = calendarIndex.constFind(uid);
        return it == calendarIndex.constEnd() ? nullptr : calendars[size_t(*it)].get();
    }

    // Reads every calendar folder under `root`; a missing root is an empty store.
    // Files that cannot be used are logged ("WARNING: ...") and listed, never touched.
    static std::shared_ptr<const StoreSnapshot> load(const QString& root);

    // The file of our own calendar attributes inside each calendar folder, a JSON
    // object other vdir tools ignore: "type" (the calendar's type text), "notes",
    // "order" (its place among the calendars) and "items" ("events" or "tasks";
    // without it a folder holding only to-dos is a task list).
    static QString attributesFileName();
};

}  // namespace calstore::detail
