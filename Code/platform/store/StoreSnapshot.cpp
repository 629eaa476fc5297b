#include "platform/store/StoreSnapshot.h"

#include "platform/store/StoreIntent.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RegularFile.h"
#include "platform/foundation/Threads.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace calstore::detail {

namespace {

// Problems of files besides the calendar files (titles, colours, attributes,
// the groups file, unreadable folders) as last reported, so that a rescan
// warns again only when the problem changes.
std::mutex& reportedMutex() {
    static std::mutex m;
    return m;
}
QHash<QString, QString>& reportedProblems() {
    static QHash<QString, QString> problems;
    return problems;
}

// Logs "WARNING: calendar file <path> <what>" unless the same was said of the
// path last time; an empty `what` forgets the path's problem.
void warnOnce(const QString& path, const QString& what, const char* kind = "calendar file") {
    {
        std::lock_guard<std::mutex> lock(reportedMutex());
        auto& problems = reportedProblems();
        if (what.isEmpty()) {
            problems.remove(path);
            return;
        }
        auto it = problems.find(path);
        if (it != problems.end() && *it == what) return;
        problems.insert(path, what);
    }
    foundation::log(QStringLiteral("WARNING: %1 %2 %3").arg(QLatin1String(kind), path, what));
}

// A small file of the calendar folder (title, colour, attributes); empty when
// it is missing, or with `problem` when something other than a readable
// regular file of at most `maxBytes` stands in its place.
QByteArray readSideFile(const QString& path, qint64 maxBytes, QString* problem) {
    problem->clear();
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return {};  // defaults apply
    QByteArray bytes;
    QString why;
    if (!foundation::RegularFile::read(path, maxBytes, &bytes, &why)) {
        *problem = QStringLiteral("was ignored: %1").arg(why);
        return {};
    }
    if (bytes.size() > maxBytes) {
        *problem = QStringLiteral("was ignored: it is larger than %1 bytes").arg(maxBytes);
        return {};
    }
    return bytes;
}

// A title or colour from a side file: one line of text; text holding control
// characters (a file of NULs, binary junk) is no title at all.
QString sideFileText(const QString& path) {
    QString problem;
    QString text = QString::fromUtf8(readSideFile(path, 64 * 1024, &problem)).trimmed();
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            problem = QStringLiteral("was ignored: it holds control characters");
            text.clear();
            break;
        }
    }
    warnOnce(path, problem);
    return text;
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

FileStamp stampOf(const struct stat& st) {
    FileStamp s;
    s.device = quint64(st.st_dev);
    s.inode = quint64(st.st_ino);
    s.size = qint64(st.st_size);
    s.modifiedNsecs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.changedNsecs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

struct Listed {
    QString path;
    FileStamp stamp;  // identity only
    QString problem;  // why the entry cannot be read; empty for a regular file
};

// A file name as the log shows it: bytes that are not UTF-8 are written as
// "\xNN", so that the name a warning gives is the one on disk.
QString shownName(const char* name, size_t length) {
    const QByteArray bytes(name, qsizetype(length));
    const QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() == bytes) return decoded;
    QString out;
    for (char c : bytes) {
        const uchar u = uchar(c);
        if (u < 0x80)
            out += QLatin1Char(c);
        else
            out += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
    }
    return out;
}

// The calendar files of a folder by name: "*.ics" (any case), not hidden, so
// that temporary files of atomic writers (".name.ics.tmp-…") and backups
// ("name.ics~", "name.ics.bak") are never read. Entries named so that are no
// readable regular file (folders, dangling or looping links, links to devices,
// names that are not UTF-8) come with the reason. `why` says why the folder
// itself cannot be listed.
std::vector<Listed> listCalendarFiles(const QString& folder, QString* why) {
    std::vector<Listed> out;
    const QByteArray encoded = QFile::encodeName(folder);
    DIR* dir = ::opendir(encoded.constData());
    if (!dir) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return out;
    }
    const int dfd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.') continue;
        const size_t length = std::strlen(name);
        if (length < 5 || qstrnicmp(name + length - 4, ".ics", 4) != 0) continue;
        const QString path = folder + QLatin1Char('/') + shownName(name, length);
        struct stat st {};
        if (::fstatat(dfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
        Listed listed{path, stampOf(st), QString()};
        if (QFile::encodeName(QFile::decodeName(name)) != QByteArray(name)) {
            listed.problem = QStringLiteral("its name is not valid UTF-8; rename it to read it");
        } else if (S_ISLNK(st.st_mode) || !S_ISREG(st.st_mode)) {
            struct stat target {};
            if (::fstatat(dfd, name, &target, 0) != 0) {
                listed.problem = errno == ELOOP ? QStringLiteral("it is a loop of symbolic links")
                                                : QStringLiteral("it is a link to nothing");
            } else if (S_ISDIR(target.st_mode)) {
                listed.problem = QStringLiteral("it is a folder, not a calendar file");
            } else if (!S_ISREG(target.st_mode)) {
                listed.problem = QStringLiteral("it is not a regular file");
            } else {
                listed.stamp = stampOf(target);
            }
        }
        out.push_back(std::move(listed));
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(),
              [](const Listed& a, const Listed& b) { return a.path < b.path; });
    return out;
}

struct FileData {
    QString path;
    QByteArray bytes;
    FileStamp stamp;
};

QString groupTypeOfCalendarType(const QString& type) {
    if (type == CalendarTypeCalendarServer) return GroupTypeCalendarServer;
    if (type == CalendarTypeMailServer) return GroupTypeMailServer;
    if (type == CalendarTypeSubscription) return GroupTypeSubscription;
    return GroupTypeLocal;
}

QString defaultGroupTitle(const QString& uid, const QString& type) {
    if (type == GroupTypeLocal) return QStringLiteral("On This Computer");
    if (type == GroupTypeSubscription) return QStringLiteral("Subscriptions");
    if (uid == CalendarTypeCalendarServer) return QStringLiteral("Calendar Server");
    if (uid == CalendarTypeMailServer) return QStringLiteral("Mail Server");
    return uid;
}

GroupRecord groupFromJson(const QJsonObject& o, const QString& uid, const QString& fallbackType) {
    GroupRecord r;
    const QString type = o.value(QStringLiteral("type")).toString(fallbackType);
    r.group = Group(uid, type.isEmpty() ? fallbackType : type);
    r.group.setTitle(o.value(QStringLiteral("title")).toString(defaultGroupTitle(uid, type)));
    r.group.setServerURL(QUrl(o.value(QStringLiteral("serverURL")).toString()));
    r.group.setExternalServerURL(QUrl(o.value(QStringLiteral("externalServerURL")).toString()));
    r.group.setEmailAddress(o.value(QStringLiteral("email")).toString());
    r.group.setFullName(o.value(QStringLiteral("fullName")).toString());
    r.principal.principalURL = QUrl(o.value(QStringLiteral("principalURL")).toString());
    r.principal.calendarHomePushKey = o.value(QStringLiteral("calendarHomePushKey")).toString();
    r.principal.defaultCalendarPath = o.value(QStringLiteral("defaultCalendarPath")).toString();
    r.principal.calendarHomePath = o.value(QStringLiteral("calendarHomePath")).toString();
    r.principal.isRemote = o.value(QStringLiteral("remote")).toBool(false);
    r.principal.isRenameable = o.value(QStringLiteral("renameable")).toBool(true);
    return r;
}

}  // namespace

void CalendarFolder::putSeries(const std::shared_ptr<const Series>& s) {
    removeSeries(s->uid);
    seriesByUid.insert(s->uid, s);
    auto at = std::lower_bound(series.begin(), series.end(), s->uid,
                               [](const auto& a, const QString& uid) { return a->uid < uid; });
    series.insert(at, s);
}

void CalendarFolder::removeSeries(const QString& uid) {
    if (seriesByUid.remove(uid) == 0) return;
    auto at = std::lower_bound(series.begin(), series.end(), uid,
                               [](const auto& a, const QString& u) { return a->uid < u; });
    if (at != series.end() && (*at)->uid == uid) series.erase(at);
}

void CalendarFolder::putTask(const std::shared_ptr<const TaskRecord>& t) {
    removeTask(t->uid);
    tasksByUid.insert(t->uid, t);
    auto at = std::lower_bound(tasks.begin(), tasks.end(), t->uid,
                               [](const auto& a, const QString& uid) { return a->uid < uid; });
    tasks.insert(at, t);
}

void CalendarFolder::removeTask(const QString& uid) {
    if (tasksByUid.remove(uid) == 0) return;
    auto at = std::lower_bound(tasks.begin(), tasks.end(), uid,
                               [](const auto& a, const QString& u) { return a->uid < u; });
    if (at != tasks.end() && (*at)->uid == uid) tasks.erase(at);
}

void CalendarFolder::sortLists() {
    series.clear();
    series.reserve(size_t(seriesByUid.size()));
    for (const auto& s : seriesByUid) series.push_back(s);
    std::sort(series.begin(), series.end(),
              [](const auto& a, const auto& b) { return a->uid < b->uid; });
    tasks.clear();
    tasks.reserve(size_t(tasksByUid.size()));
    for (const auto& t : tasksByUid) tasks.push_back(t);
    std::sort(tasks.begin(), tasks.end(),
              [](const auto& a, const auto& b) { return a->uid < b->uid; });
}

const GroupRecord* StoreSnapshot::group(const QString& uid) const {
    for (const auto& g : groups)
        if (g.group.uid() == uid) return &g;
    return nullptr;
}

bool StoreSnapshot::identityOf(const QString& path, FileStamp* stamp) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return false;
    *stamp = stampOf(st);
    return true;
}

bool StoreSnapshot::readFile(const QString& path, QByteArray* bytes, FileStamp* stamp) {
    struct stat st {};
    // Never more than the store reads at all (a file growing meanwhile included).
    if (!foundation::RegularFile::read(path, SeriesReader::kMaxFileSize, bytes, nullptr, &st))
        return false;
    *stamp = stampOf(st);
    stamp->size = bytes->size();
    stamp->hash = QCryptographicHash::hash(*bytes, QCryptographicHash::Sha1);
    return true;
}

std::shared_ptr<CalendarFolder> StoreSnapshot::loadFolder(const QString& path,
                                                          const CalendarFolder* previous) {
    auto folder = loadFolderSettings(path);
    loadFolderItems(*folder, previous);
    return folder;
}

bool CalendarFolder::declaresItems() const {
    return !attributes.value(QStringLiteral("items")).toString().isEmpty();
}

std::shared_ptr<CalendarFolder> StoreSnapshot::loadFolderSettings(const QString& path) {
    auto folder = std::make_shared<CalendarFolder>();
    folder->path = path;
    Calendar& calendar = folder->calendar;
    const QString name = QFileInfo(path).fileName();
    calendar.setUid(name);
    calendar.setFolderWritable(QFileInfo(path).isWritable());
    for (const QString& meta :
         {QStringLiteral("displayname"), QStringLiteral("color"), attributesFileName()}) {
        QByteArray bytes;
        QString ignored;
        if (foundation::RegularFile::read(path + QLatin1Char('/') + meta, 1024 * 1024, &bytes,
                                          &ignored))
            folder->metaHashes.insert(meta,
                                      QCryptographicHash::hash(bytes, QCryptographicHash::Sha1));
    }
    const QString title = sideFileText(path + QStringLiteral("/displayname"));
    calendar.setTitle(title.isEmpty() ? name : title);
    const QColor color = parseColor(sideFileText(path + QStringLiteral("/color")));
    if (color.isValid()) calendar.setColor(color);

    const QString attributesPath = path + QLatin1Char('/') + attributesFileName();
    QString attributesProblem;
    const QByteArray attributesText = readSideFile(attributesPath, 1024 * 1024, &attributesProblem);
    if (!attributesText.isEmpty()) {
        const QJsonDocument doc = QJsonDocument::fromJson(attributesText);
        if (!doc.isObject()) {
            attributesProblem = QStringLiteral("cannot be read; the calendar keeps its defaults");
        } else {
            const QJsonObject o = doc.object();
            folder->attributes = o;
            const QString type = o.value(QStringLiteral("type")).toString();
            if (!type.isEmpty()) calendar.setType(type);
            calendar.setNotes(o.value(QStringLiteral("notes")).toString());
            calendar.setOrder(o.value(QStringLiteral("order")).toInt(-1));
            const QString items = o.value(QStringLiteral("items")).toString();
            if (!items.isEmpty()) calendar.setHoldsTasks(items == QStringLiteral("tasks"));
        }
    }
    warnOnce(attributesPath, attributesProblem);
    folder->groupUid = folder->attributes.value(QStringLiteral("group")).toString();
    if (folder->groupUid.isEmpty()) folder->groupUid = defaultGroupUid(calendar.type());
    return folder;
}

bool StoreSnapshot::holdsOnlyTasks(const QString& path) {
    QString ignored;
    bool todos = false;
    for (const Listed& listed : listCalendarFiles(path, &ignored)) {
        QByteArray bytes;
        if (!listed.problem.isEmpty() || listed.stamp.size > SeriesReader::kMaxFileSize ||
            !foundation::RegularFile::read(listed.path, SeriesReader::kMaxFileSize, &bytes,
                                           nullptr))
            continue;
        if (bytes.contains("BEGIN:VEVENT")) return false;  // the rest cannot change that
        todos = todos || bytes.contains("BEGIN:VTODO");
    }
    return todos;
}

void StoreSnapshot::loadFolderItems(CalendarFolder& into, const CalendarFolder* previous,
                                    bool kindKnown) {
    CalendarFolder* folder = &into;
    const QString& path = folder->path;
    Calendar& calendar = folder->calendar;
    const bool tasksDeclared = kindKnown || folder->declaresItems();

    // What the previous reading had at each path.
    QHash<QString, std::shared_ptr<const Series>> previousSeries;
    QHash<QString, std::shared_ptr<const TaskRecord>> previousTasks;
    if (previous) {
        for (const auto& s : previous->series) previousSeries.insert(s->path, s);
        for (const auto& t : previous->tasks) previousTasks.insert(t->path, t);
    }

    struct Item {
        QString path;
        std::shared_ptr<const Series> series;  // taken over
        std::shared_ptr<const TaskRecord> task;
        FileData data;  // read anew
        bool read = false;
    };
    std::vector<Item> items;
    bool todos = false, events = false;
    QString listingProblem;
    const std::vector<Listed> listing = listCalendarFiles(path, &listingProblem);
    warnOnce(
        path,
        listingProblem.isEmpty()
            ? QString()
            : QStringLiteral("cannot be read (%1); its events are not shown").arg(listingProblem),
        "calendar folder");
    // What the previous reading had of a listed file that is still the same
    // file: its series or task, or its stamp when it was unusable.
    struct Kept {
        std::shared_ptr<const Series> series;
        std::shared_ptr<const TaskRecord> task;
        const FileStamp* skipped = nullptr;
        bool any() const { return series || task || skipped; }
    };
    auto keptOf = [&](const Listed& listed) {
        Kept kept;
        if (!previous) return kept;
        if (auto s = previousSeries.value(listed.path); s && s->stamp.sameIdentity(listed.stamp)) {
            kept.series = s;
        } else if (auto t = previousTasks.value(listed.path);
                   t && t->stamp.sameIdentity(listed.stamp)) {
            kept.task = t;
        } else if (auto skipped = previous->skipped.constFind(listed.path);
                   skipped != previous->skipped.constEnd() && skipped->sameIdentity(listed.stamp)) {
            kept.skipped = &*skipped;
        }
        return kept;
    };
    // The files to read anew are read (and hashed) on all cores first.
    struct Fresh {
        FileData data;
        bool read = false;
    };
    std::vector<Fresh> fresh(listing.size());
    foundation::forEachIndexInParallel(listing.size(), [&](size_t i) {
        const Listed& listed = listing[i];
        if (!listed.problem.isEmpty() || listed.stamp.size > SeriesReader::kMaxFileSize ||
            keptOf(listed).any())
            return;
        fresh[i].data.path = listed.path;
        fresh[i].read = readFile(listed.path, &fresh[i].data.bytes, &fresh[i].data.stamp);
    });
    for (size_t i = 0; i < listing.size(); ++i) {
        const Listed& listed = listing[i];
        Item item;
        item.path = listed.path;
        if (const Kept kept = keptOf(listed); kept.any()) {
            if (kept.skipped) {
                folder->skipped.insert(listed.path,
                                       *kept.skipped);  // still unusable, already reported
                continue;
            }
            item.series = kept.series;
            item.task = kept.task;
            events = events || item.series;
            todos = todos || item.task;
            items.push_back(std::move(item));
            continue;
        }
        if (!listed.problem.isEmpty()) {
            warn(listed.path, QStringLiteral("was skipped: %1").arg(listed.problem));
            folder->skipped.insert(listed.path, listed.stamp);
            continue;
        }
        if (listed.stamp.size > SeriesReader::kMaxFileSize) {
            warn(listed.path, QStringLiteral("was skipped: it is larger than %1 bytes")
                                  .arg(SeriesReader::kMaxFileSize));
            folder->skipped.insert(listed.path, listed.stamp);
            continue;
        }
        item.data = std::move(fresh[i].data);
        if (!fresh[i].read) {
            warn(listed.path, QStringLiteral("was skipped: it cannot be opened"));
            folder->skipped.insert(listed.path, listed.stamp);
            continue;
        }
        item.read = true;
        todos = todos || item.data.bytes.contains("BEGIN:VTODO");
        events = events || item.data.bytes.contains("BEGIN:VEVENT");
        items.push_back(std::move(item));
    }
    if (!tasksDeclared && !items.empty()) {
        // A folder of another program without our attributes: it is a task list
        // when its files hold to-dos and no events.
        calendar.setHoldsTasks(todos && !events);
    }

    // The files read anew are parsed on all cores; what they say is taken in
    // below, in the order of their names.
    std::vector<std::optional<SeriesReader::Result>> parsed(items.size());
    foundation::forEachIndexInParallel(items.size(), [&](size_t i) {
        if (items[i].read)
            parsed[i] = SeriesReader::read(items[i].data.bytes, calendar.holdsTasks());
    });

    QHash<QString, QString> fileOfUid;
    for (size_t i = 0; i < items.size(); ++i) {
        Item& item = items[i];
        // A file taken over must still suit the calendar's kind of items.
        if ((item.series && calendar.holdsTasks()) || (item.task && !calendar.holdsTasks())) {
            item.read = readFile(item.path, &item.data.bytes, &item.data.stamp);
            item.data.path = item.path;
            item.series.reset();
            item.task.reset();
            if (!item.read) continue;
        }
        if (item.read) {
            auto result = parsed[i] ? std::move(*parsed[i])
                                    : SeriesReader::read(item.data.bytes, calendar.holdsTasks());
            if (!result.problem.isEmpty()) {
                warn(item.path, QStringLiteral("was skipped: it %1").arg(result.problem));
                folder->skipped.insert(item.path, item.data.stamp);
                continue;
            }
            for (const QString& note : result.notes) warn(item.path, note);
            if (result.series) {
                result.series->calendarUid = calendar.uid();
                result.series->path = item.path;
                result.series->stamp = item.data.stamp;
                item.series = result.series;
            } else {
                result.task->calendarUid = calendar.uid();
                result.task->path = item.path;
                result.task->stamp = item.data.stamp;
                item.task = result.task;
            }
        }
        const QString uid = item.series ? item.series->uid : item.task->uid;
        auto seen = fileOfUid.constFind(uid);
        if (seen != fileOfUid.constEnd()) {
            if (item.read || !previous)
                warn(item.path, QStringLiteral("was skipped: it repeats the UID of %1").arg(*seen));
            folder->skipped.insert(item.path, item.series ? item.series->stamp : item.task->stamp);
            continue;
        }
        fileOfUid.insert(uid, item.path);
        if (item.series)
            folder->seriesByUid.insert(uid, item.series);
        else
            folder->tasksByUid.insert(uid, item.task);
    }
    folder->sortLists();
}

QString StoreSnapshot::attributesFileName() {
    return QStringLiteral("zolt-calendar.json");
}

QString StoreSnapshot::groupsFileName() {
    return QStringLiteral("zolt-groups.json");
}

QString StoreSnapshot::defaultGroupUid(const QString& calendarType) {
    if (calendarType == CalendarTypeSubscription) return QStringLiteral("subscriptions");
    if (calendarType == CalendarTypeCalendarServer) return CalendarTypeCalendarServer;
    if (calendarType == CalendarTypeMailServer) return CalendarTypeMailServer;
    return QStringLiteral("local");
}

QJsonObject StoreSnapshot::readGroupsFile(const QString& root) {
    const QString path = root + QLatin1Char('/') + groupsFileName();
    QString problem;
    const QByteArray text = readSideFile(path, 1024 * 1024, &problem);
    QJsonObject groups;
    if (!text.isEmpty()) {
        const QJsonDocument doc = QJsonDocument::fromJson(text);
        if (doc.isObject())
            groups = doc.object();
        else
            problem = QStringLiteral("cannot be read; the groups keep their defaults");
    }
    warnOnce(path, problem);
    return groups;
}

std::shared_ptr<StoreSnapshot> StoreSnapshot::assemble(
    const QString& root, std::vector<std::shared_ptr<const CalendarFolder>> folders,
    const QJsonObject& groupsFile) {
    auto snapshot = std::make_shared<StoreSnapshot>();
    snapshot->root = root;
    snapshot->groupsFile = groupsFile;
    // Calendars with a place of their own first, then by title, then by folder name.
    std::stable_sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) {
        const int oa = a->calendar.order(), ob = b->calendar.order();
        if ((oa >= 0) != (ob >= 0)) return oa >= 0;
        if (oa != ob) return oa < ob;
        const int byTitle =
            QString::compare(a->calendar.title(), b->calendar.title(), Qt::CaseInsensitive);
        if (byTitle != 0) return byTitle < 0;
        return a->calendar.uid() < b->calendar.uid();
    });
    for (auto& folder : folders) {
        snapshot->calendarIndex.insert(folder->calendar.uid(), int(snapshot->calendars.size()));
        for (auto it = folder->skipped.constBegin(); it != folder->skipped.constEnd(); ++it)
            snapshot->skippedFiles << it.key();
        snapshot->calendars.push_back(std::move(folder));
    }
    snapshot->skippedFiles.sort();

    // The local group always; the others as the calendars name them.
    QHash<QString, QJsonObject> records;
    for (const QJsonValue& v : groupsFile.value(QStringLiteral("groups")).toArray()) {
        const QJsonObject o = v.toObject();
        const QString uid = o.value(QStringLiteral("uid")).toString();
        if (!uid.isEmpty() && !records.contains(uid)) records.insert(uid, o);
    }
    const QString local = defaultGroupUid(CalendarTypeLocal);
    snapshot->groups.push_back(groupFromJson(records.value(local), local, GroupTypeLocal));
    std::vector<GroupRecord> others;
    QStringList seen{local};
    for (const auto& folder : snapshot->calendars) {
        if (seen.contains(folder->groupUid)) continue;
        seen << folder->groupUid;
        others.push_back(groupFromJson(records.value(folder->groupUid), folder->groupUid,
                                       groupTypeOfCalendarType(folder->calendar.type())));
    }
    std::stable_sort(others.begin(), others.end(), [](const auto& a, const auto& b) {
        return QString::compare(a.group.title(), b.group.title(), Qt::CaseInsensitive) < 0;
    });
    for (auto& g : others) snapshot->groups.push_back(std::move(g));
    return snapshot;
}

void StoreSnapshot::tidy(const QString& root) {
    StoreIntent::recover(root);
    foundation::removeStaleTemporaryFiles(root, kStaleTemporarySeconds);
    for (const QFileInfo& info : QDir(root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (info.fileName().startsWith(QLatin1Char('.'))) continue;
        foundation::removeStaleTemporaryFiles(info.absoluteFilePath(), kStaleTemporarySeconds);
    }
}

QStringList StoreSnapshot::calendarFolderPaths(const QString& root) {
    QStringList paths;
    for (const QFileInfo& info :
         QDir(root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        if (!info.fileName().startsWith(QLatin1Char('.'))) paths << info.absoluteFilePath();
    return paths;
}

std::shared_ptr<const StoreSnapshot> StoreSnapshot::load(const QString& root) {
    std::vector<std::shared_ptr<const CalendarFolder>> folders;
    for (const QString& path : calendarFolderPaths(root))
        folders.push_back(loadFolder(path, nullptr));
    return assemble(root, std::move(folders), readGroupsFile(root));
}

}  // namespace calstore::detail
