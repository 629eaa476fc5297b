#pragma once

#include "platform/store/Series.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace calstore::detail {

// One VTODO as read.
struct TaskRecord {
    QString uid;
    QString calendarUid;
    QString path;
    FileStamp stamp;
    QByteArray text;
    QString title;
    QString notes;
    QUrl url;
    std::optional<Timing> due;
    std::optional<Timing> completed;
    bool completedStatus = false;
    int priority = 0;
    QDateTime stamped;
};

// Turns the text of one .ics file into a series (event calendars) or a task
// (task calendars) through libical, or says why the file cannot be used: it
// is not iCalendar, holds several UIDs, holds components the calendar does not
// take, lacks what an event needs, or is too large or too deeply nested to be
// read safely. Time zones are resolved once per TZID for the whole process.
class SeriesReader final {
public:
    struct Result {
        std::shared_ptr<Series> series;
        std::shared_ptr<TaskRecord> task;
        QString problem;    // why the file was not used; empty on success
        QStringList notes;  // things worth a warning that did not stop the reading
    };

    // The largest file the store reads.
    static constexpr qint64 kMaxFileSize = 8 * 1024 * 1024;

    static Result read(const QByteArray& text, bool tasks);
};

}  // namespace calstore::detail
