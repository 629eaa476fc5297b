#pragma once

#include "platform/store/Calendar.h"
#include "platform/store/Group.h"
#include "platform/store/ManagedGroup.h"
#include "platform/store/Series.h"
#include "platform/store/SeriesReader.h"

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace calstore::detail {

// One calendar folder as read: the calendar's values and its series (or tasks).
struct CalendarFolder {
    Calendar calendar;
    QString path;
    QJsonObject attributes;  // our attributes file as read, unknown keys included
    QString groupUid;        // the account group the calendar belongs to
    std::vector<std::shared_ptr<const Series>> series;  // by UID
    std::vector<std::shared_ptr<const TaskRecord>> tasks;
    QHash<QString, std::shared_ptr<const Series>> seriesByUid;
    QHash<QString, std::shared_ptr<const TaskRecord>> tasksByUid;
    // Files that could not be used, as they were then: a rescan warns again
    // only when one of them changes.
    QHash<QString, FileStamp> skipped;
    // The SHA-1 of each metadata file as read ("displayname", "color", the
    // attributes file); none for a file that was missing.
    QHash<QString, QByteArray> metaHashes;

    // Whether our attributes say what the calendar holds (events or tasks);
    // without that, only its files tell.
    bool declaresItems() const;
    // Rebuilds the ordered lists from the maps.
    void sortLists();
    // Adds or replaces one series (task) by its UID, keeping the lists in order.
    void putSeries(const std::shared_ptr<const Series>& series);
    void removeSeries(const QString& uid);
    void putTask(const std::shared_ptr<const TaskRecord>& task);
    void removeTask(const QString& uid);
};

// One account group with what only the managed-object layer shows of it.
struct GroupRecord {
    Group group;
    ManagedGroup::Principal principal;
};

// Everything the store knows, as one immutable value. Queries take the current
// snapshot and read it without locks; changes build a new one and swap it in.
struct StoreSnapshot {
    QString root;
    std::vector<std::shared_ptr<const CalendarFolder>> calendars;  // in the store's order
    QHash<QString, int> calendarIndex;                             // uid -> position in `calendars`
    QStringList skippedFiles;
    std::vector<GroupRecord> groups;  // the local group first
    QJsonObject groupsFile;           // the groups file as read

    const CalendarFolder* calendar(const QString& uid) const {
        auto it = calendarIndex.constFind(uid);
        return it == calendarIndex.constEnd() ? nullptr : calendars[size_t(*it)].get();
    }
    const GroupRecord* group(const QString& uid) const;

    // Makes whole the writes that were cut off under `root` (see StoreIntent) and
    // clears the temporary files that interrupted writes left, once they are
    // older than kStaleTemporarySeconds. At open and at every rescan.
    static void tidy(const QString& root);
    static constexpr qint64 kStaleTemporarySeconds = 600;

    // Reads every calendar folder under `root`; a missing root is an empty store.
    // Files that cannot be used are logged ("WARNING: ...") and listed, never touched.
    static std::shared_ptr<const StoreSnapshot> load(const QString& root);

    // Reads one calendar folder. Files whose identity on disk matches what
    // `previous` read are taken over from it without reading them again.
    static std::shared_ptr<CalendarFolder> loadFolder(const QString& path,
                                                      const CalendarFolder* previous);

    // The two halves of loadFolder: the calendar's own values (title, colour,
    // attributes, group) from its small files, then its events or tasks. With
    // `kindKnown` the calendar keeps whether it holds tasks as it is.
    static std::shared_ptr<CalendarFolder> loadFolderSettings(const QString& path);
    static void loadFolderItems(CalendarFolder& folder, const CalendarFolder* previous,
                                bool kindKnown = false);
    // For a folder whose attributes do not say: whether it is a task list, as
    // loadFolder decides it (files holding to-dos and none holding events),
    // looking no further than the first file with an event.
    static bool holdsOnlyTasks(const QString& path);

    // The calendar folders under `root`, by name; a missing root has none.
    static QStringList calendarFolderPaths(const QString& root);

    // A snapshot of these folders: sorted into the store's order, with the
    // skipped files listed and the groups worked out.
    static std::shared_ptr<StoreSnapshot> assemble(
        const QString& root, std::vector<std::shared_ptr<const CalendarFolder>> folders,
        const QJsonObject& groupsFile);

    // The file of our own calendar attributes inside each calendar folder, a JSON
    // object other vdir tools ignore: "type" (the calendar's type text), "notes",
    // "order" (its place among the calendars), "items" ("events" or "tasks";
    // without it a folder holding only to-dos is a task list) and "group" (the
    // UID of its account group; without it, the group its type belongs to).
    static QString attributesFileName();
    // The file of the account groups' details at the root, a JSON object
    // {"groups": [{"uid", "type", "title", "serverURL", "externalServerURL",
    // "email", "fullName", "principalURL", "calendarHomePushKey",
    // "defaultCalendarPath", "calendarHomePath", "remote", "renameable"}]}.
    static QString groupsFileName();
    static QJsonObject readGroupsFile(const QString& root);
    // The group a calendar of that type belongs to when its attributes name none.
    static QString defaultGroupUid(const QString& calendarType);

    // The identity of a file on disk (no hash); NO when it does not exist.
    static bool identityOf(const QString& path, FileStamp* stamp);
    // The bytes of a file with their complete stamp; NO when it cannot be read.
    static bool readFile(const QString& path, QByteArray* bytes, FileStamp* stamp);
};

}  // namespace calstore::detail
