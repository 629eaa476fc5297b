#pragma once

#include "platform/store/IcsDocument.h"
#include "platform/store/Store.h"
#include "platform/store/StoreSnapshot.h"
#include "platform/store/ZoneTable.h"

#include <QByteArray>
#include <QString>
#include <QTimeZone>

#include <memory>
#include <optional>
#include <vector>

namespace calstore::detail {

// How a date or date-time value is written: as a date, a floating time, a UTC
// time or a time on the clock a TZID names.
struct TimeForm {
    Timing::Kind kind = Timing::Kind::Utc;
    QByteArray tzid;
    std::shared_ptr<const ZoneTable> zone;  // Zoned only
};

// One file a write changes: written anew (or created), or removed. What the
// index held at that path is checked against the disk before anything is
// written.
struct FileChange {
    QString calendarUid;
    QString path;
    bool tasks = false;
    bool meta = false;  // a calendar's metadata file, not an item
    // What the index holds at the path; none for a new file.
    bool existed = false;
    FileStamp stamp;
    QByteArray oldText;
    QString oldUid;
    // The change.
    bool remove = false;
    QByteArray text;
    // Filled in by the commit.
    std::shared_ptr<Series> series;
    std::shared_ptr<TaskRecord> task;
};

// Carries out the store's writes on one snapshot: composes the new files from
// the old ones (changing only what the model holds), writes them atomically,
// and builds the snapshot that knows them. Used under the store's write lock.
struct StoreWriter {
    StoreWriter(Store& store, std::shared_ptr<const StoreSnapshot> snapshot);
    ~StoreWriter();
    StoreWriter(const StoreWriter&) = delete;
    StoreWriter& operator=(const StoreWriter&) = delete;

    bool saveEvent(Event& event, Span span, QString* why);
    bool removeEvent(Event& event, Span span, QString* why);
    bool saveTask(Task& task, QString* why);
    bool removeTask(Task& task, QString* why);
    bool saveCalendar(Calendar& calendar, QString* why);
    bool removeCalendar(const Calendar& calendar, QString* why);
    bool saveGroup(const Group& group, QString* why);
    bool removeGroup(const Group& group, QString* why);
    bool writeAttendees(const ManagedObjectID& id, const QList<AttendeePtr>& attendees,
                        QString* why);

    // Writes the changes (all or none) and installs the snapshot that knows them.
    bool commit(std::vector<FileChange>& changes, QString* why);
    // The bytes of the series' file, as they were when it was read: the file is
    // read again (the store keeps no copy of its files), and one whose bytes
    // are no longer those is a conflict.
    bool readSeriesText(const Series& series, QByteArray* text, QString* why);
    // A file changed behind the store's back: the reason, and a rescan to learn
    // what it holds now.
    bool conflict(const QString& path, QString* why);

    // The file name for a UID in a folder: the UID made safe for file names,
    // kept apart from the names already there.
    static QString fileNameFor(const QString& uid, const QString& folder);
    // A folder name for a calendar UID.
    static QString folderNameFor(const QString& uid);
    // A VTIMEZONE for a zone of the system (its current rules).
    static IcsDocument::ComponentPtr timeZoneComponent(const QTimeZone& zone);

    Store& store;
    std::shared_ptr<const StoreSnapshot> snap;
    QTimeZone zone;
    std::shared_ptr<const ZoneTable> local;
    QByteArray now;  // UTC date-time text for stamps
};

}  // namespace calstore::detail
