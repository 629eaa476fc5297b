#include "platform/store/StoreSnapshot.h"

#include "platform/foundation/Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace calstore::detail {

namespace {

QString readSmallText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.read(64 * 1024)).trimmed();
}

// vdir colours are "#RRGGBB" or "#RRGGBBAA".
QColor parseColor(const QString& text) {
    QString t = text.trimmed();
    if (!t.startsWith(QLatin1Char('#'))) return {};
    bool ok = false;
    const uint value = t.mid(1).toUInt(&ok, 16);
    if (!ok) return {};
    if (t.size() == 7) return QColor((value >> 16) & 0xff, (value >> 8) & 0xff, value & 0xff);
    if (t.size() == 9)
        return QColor((value >> 24) & 0xff, (value >> 16) & 0xff, (value >> 8) & 0xff,
                      value & 0xff);
    return {};
}

void warn(const QString& path, const QString& what) {
    foundation::log(QStringLiteral("WARNING: calendar file %1 %2").arg(path, what));
}

struct FileData {
    QString path;
    QByteArray bytes;
    FileStamp stamp;
};

std::shared_ptr<CalendarFolder> loadFolder(const QFileInfo& folderInfo, QStringList& skipped) {
    auto folder = std::make_shared<CalendarFolder>();
    const QString path = folderInfo.absoluteFilePath();
    folder->path = path;
    Calendar& calendar = folder->calendar;
    calendar.setUid(folderInfo.fileName());
    const QString title = readSmallText(path + QStringLiteral("/displayname"));
    calendar.setTitle(title.isEmpty() ? folderInfo.fileName() : title);
    const QColor color = parseColor(readSmallText(path + QStringLiteral("/color")));
    if (color.isValid()) calendar.setColor(color);

    bool tasksDeclared = false;
    const QString attributesPath = path + QLatin1Char('/') + StoreSnapshot::attributesFileName();
    if (QFileInfo::exists(attributesPath)) {
        QFile f(attributesPath);
        QJsonParseError error;
        const QJsonDocument doc = f.open(QIODevice::ReadOnly)
                                      ? QJsonDocument::fromJson(f.read(1024 * 1024), &error)
                                      : QJsonDocument();
        if (!doc.isObject()) {
            warn(attributesPath, QStringLiteral("cannot be read; the calendar keeps its defaults"));
        } else {
            const QJsonObject o = doc.object();
            const QString type = o.value(QStringLiteral("type")).toString();
            if (!type.isEmpty()) calendar.setType(type);
            calendar.setNotes(o.value(QStringLiteral("notes")).toString());
            calendar.setOrder(o.value(QStringLiteral("order")).toInt(-1));
            const QString items = o.value(QStringLiteral("items")).toString();
            if (!items.isEmpty()) {
                tasksDeclared = true;
                calendar.setHoldsTasks(items == QStringLiteral("tasks"));
            }
        }
    }

    std::vector<FileData> files;
    const QFileInfoList entries =
        QDir(path).entryInfoList({QStringLiteral("*.ics")}, QDir::Files, QDir::Name);
    files.reserve(size_t(entries.size()));
    for (const QFileInfo& info : entries) {
        FileData file;
        file.path = info.absoluteFilePath();
        if (info.size() > SeriesReader::kMaxFileSize) {
            warn(file.path, QStringLiteral("was skipped: it is larger than %1 bytes")
                                .arg(SeriesReader::kMaxFileSize));
            skipped << file.path;
            continue;
        }
        QFile f(file.path);
        if (!f.open(QIODevice::ReadOnly)) {
            warn(file.path, QStringLiteral("was skipped: it cannot be opened"));
            skipped << file.path;
            continue;
        }
        file.bytes = f.readAll();
        file.stamp.modifiedMsecs = info.lastModified().toMSecsSinceEpoch();
        file.stamp.size = file.bytes.size();
        file.stamp.hash = QCryptographicHash::hash(file.bytes, QCryptographicHash::Sha1);
        files.push_back(std::move(file));
    }
    if (!tasksDeclared && !files.empty()) {
        // A folder of another program without our attributes: it is a task list
        // when its files hold to-dos and no events.
        bool todos = false, events = false;
        for (const auto& f : files) {
            todos = todos || f.bytes.contains("BEGIN:VTODO");
            events = events || f.bytes.contains("BEGIN:VEVENT");
        }
        calendar.setHoldsTasks(todos && !events);
    }

    QHash<QString, QString> fileOfUid;
    for (const auto& file : files) {
        auto result = SeriesReader::read(file.bytes, calendar.holdsTasks());
        if (!result.problem.isEmpty()) {
            warn(file.path, QStringLiteral("was skipped: it %1").arg(result.problem));
            skipped << file.path;
            continue;
        }
        for (const QString& note : result.notes)
            warn(file.path, QStringLiteral("has an %1").arg(note));
        const QString uid = result.series ? result.series->uid : result.task->uid;
        auto seen = fileOfUid.constFind(uid);
        if (seen != fileOfUid.constEnd()) {
            warn(file.path, QStringLiteral("was skipped: it repeats the UID of %1").arg(*seen));
            skipped << file.path;
            continue;
        }
        fileOfUid.insert(uid, file.path);
        if (result.series) {
            result.series->calendarUid = calendar.uid();
            result.series->path = file.path;
            result.series->stamp = file.stamp;
            folder->seriesByUid.insert(uid, result.series);
            folder->series.push_back(result.series);
        } else {
            result.task->calendarUid = calendar.uid();
            result.task->path = file.path;
            result.task->stamp = file.stamp;
            folder->tasksByUid.insert(uid, result.task);
            folder->tasks.push_back(result.task);
        }
    }
    return folder;
}

}  // namespace

QString StoreSnapshot::attributesFileName() {
    return QStringLiteral("zolt-calendar.json");
}

std::shared_ptr<const StoreSnapshot> StoreSnapshot::load(const QString& root) {
    auto snapshot = std::make_shared<StoreSnapshot>();
    snapshot->root = root;
    const QFileInfoList folders =
        QDir(root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::vector<std::shared_ptr<CalendarFolder>> loaded;
    for (const QFileInfo& info : folders) {
        if (info.fileName().startsWith(QLatin1Char('.'))) continue;
        loaded.push_back(loadFolder(info, snapshot->skippedFiles));
    }
    // Calendars with a place of their own first, then by title, then by folder name.
    std::stable_sort(loaded.begin(), loaded.end(), [](const auto& a, const auto& b) {
        const int oa = a->calendar.order(), ob = b->calendar.order();
        if ((oa >= 0) != (ob >= 0)) return oa >= 0;
        if (oa != ob) return oa < ob;
        const int byTitle =
            QString::compare(a->calendar.title(), b->calendar.title(), Qt::CaseInsensitive);
        if (byTitle != 0) return byTitle < 0;
        return a->calendar.uid() < b->calendar.uid();
    });
    for (auto& folder : loaded) {
        snapshot->calendarIndex.insert(folder->calendar.uid(), int(snapshot->calendars.size()));
        snapshot->calendars.push_back(std::move(folder));
    }
    return snapshot;
}

}  // namespace calstore::detail
