#include "platform/store/StoreWatcher.h"

#include "platform/store/Store.h"
#include "platform/store/StoreSnapshot.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileSystemWatcher>
#include <QJsonArray>
#include <QSet>
#include <QThread>
#include <QTimer>

#include <optional>

namespace calstore::detail {

namespace {

bool sameCalendar(const CalendarFolder& a, const CalendarFolder& b, const StoreSnapshot& sa,
                  const StoreSnapshot& sb) {
    const Calendar& x = a.calendar;
    const Calendar& y = b.calendar;
    if (x.title() != y.title() || x.color() != y.color() || x.notes() != y.notes() ||
        x.type() != y.type() || x.holdsTasks() != y.holdsTasks() || x.order() != y.order() ||
        x.isFolderWritable() != y.isFolderWritable() || a.groupUid != b.groupUid)
        return false;
    const GroupRecord* ga = sa.group(a.groupUid);
    const GroupRecord* gb = sb.group(b.groupUid);
    if (!ga || !gb) return ga == gb;
    return ga->group.title() == gb->group.title() && ga->group.type() == gb->group.type();
}

struct Changes {
    QStringList inserted, updated, deleted;
    bool isEmpty() const { return inserted.isEmpty() && updated.isEmpty() && deleted.isEmpty(); }
    QVariantMap userInfo() const {
        return {{Store::insertedRecordsKey, inserted},
                {Store::updatedRecordsKey, updated},
                {Store::deletedRecordsKey, deleted}};
    }
};

// Sorts the UIDs touched in some folders into inserted, updated and deleted,
// looking at every calendar: a UID that left one calendar for another is updated.
template <typename Get>
Changes classify(const QSet<QString>& touched, const StoreSnapshot& before,
                 const StoreSnapshot& after, Get get) {
    Changes out;
    QStringList sorted(touched.begin(), touched.end());
    sorted.sort();
    for (const QString& uid : sorted) {
        QStringList was, is;  // calendar and hash of each version
        for (const auto& f : before.calendars)
            if (const auto item = get(*f, uid))
                was << f->calendar.uid() + QLatin1Char('|') +
                           QString::fromLatin1(item->stamp.hash.toHex());
        for (const auto& f : after.calendars)
            if (const auto item = get(*f, uid))
                is << f->calendar.uid() + QLatin1Char('|') +
                          QString::fromLatin1(item->stamp.hash.toHex());
        if (was.isEmpty() && !is.isEmpty())
            out.inserted << uid;
        else if (!was.isEmpty() && is.isEmpty())
            out.deleted << uid;
        else if (was != is)
            out.updated << uid;
    }
    return out;
}

}  // namespace

bool StoreWatcher::rescan(Store& store) {
    // Until the files are read there is nothing to compare them with.
    if (!store.isLoaded()) return false;
    Changes calendars, events, tasks;
    StoreSnapshot::tidy(store.rootPath());
    // The files are looked at without the write lock, so that writes go on
    // meanwhile; the result is taken only when no write came between (else the
    // look is made again, the last time under the lock).
    constexpr int kAttempts = 3;
    for (int attempt = 1;; ++attempt) {
        const bool locked = attempt == kAttempts;
        std::optional<foundation::Guard> held;
        if (locked) held.emplace(store.writeLock_);
        std::shared_ptr<const StoreSnapshot> before;
        quint64 generation = 0;
        if (locked) {
            before = store.snapshot();
        } else {
            foundation::Guard guard(store.writeLock_);  // no write is half done now
            before = store.snapshot();
            generation = store.writeGeneration_;
        }
        calendars = events = tasks = Changes();
        const QString root = before->root;
        std::vector<std::shared_ptr<const CalendarFolder>> folders;
        QSet<QString> seen, touchedEvents, touchedTasks;
        bool anything = false;
        for (const QString& path : StoreSnapshot::calendarFolderPaths(root)) {
            const CalendarFolder* previous = before->calendar(QFileInfo(path).fileName());
            auto folder = StoreSnapshot::loadFolder(path, previous);
            seen.insert(folder->calendar.uid());
            bool changed = !previous;
            if (!previous) {
                calendars.inserted << folder->calendar.uid();
            } else {
                for (const auto& s : folder->series)
                    if (previous->seriesByUid.value(s->uid) != s) touchedEvents.insert(s->uid);
                for (const auto& s : previous->series)
                    if (folder->seriesByUid.value(s->uid) != s) touchedEvents.insert(s->uid);
                for (const auto& t : folder->tasks)
                    if (previous->tasksByUid.value(t->uid) != t) touchedTasks.insert(t->uid);
                for (const auto& t : previous->tasks)
                    if (folder->tasksByUid.value(t->uid) != t) touchedTasks.insert(t->uid);
                changed = changed || !touchedEvents.isEmpty() || !touchedTasks.isEmpty() ||
                          folder->skipped.keys() != previous->skipped.keys() ||
                          folder->attributes != previous->attributes ||
                          folder->metaHashes != previous->metaHashes ||
                          !sameCalendar(*folder, *previous, *before, *before);
            }
            if (!previous) {
                for (const auto& s : folder->series) touchedEvents.insert(s->uid);
                for (const auto& t : folder->tasks) touchedTasks.insert(t->uid);
            }
            anything = anything || changed;
            if (changed)
                folders.push_back(folder);
            else
                folders.push_back(
                    before->calendars[size_t(before->calendarIndex.value(folder->calendar.uid()))]);
        }
        for (const auto& f : before->calendars) {
            if (seen.contains(f->calendar.uid())) continue;
            anything = true;
            calendars.deleted << f->calendar.uid();
            for (const auto& s : f->series) touchedEvents.insert(s->uid);
            for (const auto& t : f->tasks) touchedTasks.insert(t->uid);
        }
        const QJsonObject groupsFile = StoreSnapshot::readGroupsFile(root);
        anything = anything || groupsFile != before->groupsFile;
        if (!anything) {
            if (locked) return false;
            foundation::Guard guard(store.writeLock_);
            if (store.writeGeneration_ == generation) return false;
            continue;
        }

        auto after = StoreSnapshot::assemble(root, std::move(folders), groupsFile);
        for (const auto& f : after->calendars) {
            const CalendarFolder* previous = before->calendar(f->calendar.uid());
            if (previous && !sameCalendar(*f, *previous, *after, *before))
                calendars.updated << f->calendar.uid();
        }
        events = classify(
            touchedEvents, *before, *after,
            [](const CalendarFolder& f, const QString& uid) { return f.seriesByUid.value(uid); });
        tasks = classify(
            touchedTasks, *before, *after,
            [](const CalendarFolder& f, const QString& uid) { return f.tasksByUid.value(uid); });
        if (!locked) {
            held.emplace(store.writeLock_);
            if (store.writeGeneration_ != generation || store.snapshot() != before) continue;
        }
        store.setSnapshot(after);
        break;
    }
    if (calendars.isEmpty() && events.isEmpty() && tasks.isEmpty()) return true;

    // Posted on the main thread, calendars first, so that observers know a
    // new calendar before its events.
    std::shared_ptr<Store> keep = store.weak_from_this().lock();
    const void* sender = &store;
    auto post = [keep, sender, calendars, events, tasks] {
        auto& center = foundation::NotificationCenter::defaultCenter();
        if (!calendars.isEmpty())
            center.post(Store::calendarsChangedExternallyNotification, sender,
                        calendars.userInfo());
        if (!events.isEmpty())
            center.post(Store::eventsChangedExternallyNotification, sender, events.userInfo());
        if (!tasks.isEmpty())
            center.post(Store::tasksChangedExternallyNotification, sender, tasks.userInfo());
    };
    if (foundation::isMainThread())
        post();
    else
        foundation::onMain(post);
    return true;
}

void StoreWatcher::start(Store& store) {
    auto* app = QCoreApplication::instance();
    if (!app || store.watchContext_) return;
    auto* context = new QObject;
    store.watchContext_ = context;
    std::weak_ptr<Store> weak = store.weak_from_this();
    auto setUp = [context, weak] {
        auto* quiet = new QTimer(context);
        quiet->setObjectName(QStringLiteral("quiet"));
        quiet->setSingleShot(true);
        quiet->setInterval(kQuietMilliseconds);
        QObject::connect(quiet, &QTimer::timeout, context, [weak] {
            if (auto s = weak.lock()) schedule(*s);
        });
        auto* periodic = new QTimer(context);
        periodic->setInterval(kRescanMilliseconds);
        QObject::connect(periodic, &QTimer::timeout, context, [weak] {
            if (auto s = weak.lock()) schedule(*s);
        });
        periodic->start();
        auto* watcher = new QFileSystemWatcher(context);
        QObject::connect(watcher, &QFileSystemWatcher::directoryChanged, context,
                         [quiet] { quiet->start(); });
        if (auto s = weak.lock()) updatePaths(*s);
        // Something may have changed between reading the store and watching it.
        quiet->start();
    };
    if (context->thread() != app->thread()) {
        context->moveToThread(app->thread());
        QMetaObject::invokeMethod(context, setUp, Qt::QueuedConnection);
    } else {
        setUp();
    }
}

void StoreWatcher::stop(Store& store) {
    QObject* context = store.watchContext_;
    store.watchContext_ = nullptr;
    if (!context) return;
    if (QThread::currentThread() == context->thread())
        delete context;
    else
        context->deleteLater();
}

void StoreWatcher::schedule(Store& store) {
    if (store.rescanQueued_.exchange(true)) return;
    std::weak_ptr<Store> weak = store.weak_from_this();
    foundation::startThread([weak] {
        auto s = weak.lock();
        if (!s) return;
        s->rescanQueued_ = false;
        rescan(*s);
        foundation::onMain([weak] {
            if (auto again = weak.lock()) updatePaths(*again);
        });
    });
}

void StoreWatcher::updatePaths(Store& store) {
    QObject* context = store.watchContext_;
    if (!context) return;
    auto* watcher = context->findChild<QFileSystemWatcher*>();
    if (!watcher) return;
    QStringList wanted;
    const QString root = store.rootPath();
    if (QFileInfo(root).isDir()) wanted << root;
    for (const auto& c : store.calendars()) wanted << root + QLatin1Char('/') + c->uid();
    const QStringList watched = watcher->directories();
    QStringList gone, added;
    for (const QString& p : watched)
        if (!wanted.contains(p)) gone << p;
    for (const QString& p : wanted)
        if (!watched.contains(p) && QFileInfo(p).isDir()) added << p;
    if (!gone.isEmpty()) watcher->removePaths(gone);
    if (!added.isEmpty()) watcher->addPaths(added);
}

}  // namespace calstore::detail
