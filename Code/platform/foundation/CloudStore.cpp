#include "platform/foundation/CloudStore.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/RegularFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <memory>
#include <mutex>
#include <vector>

namespace foundation {

namespace {

// Events of one outside write (truncate, write, rename…) arrive in a burst;
// the file is looked at once the burst is over.
constexpr int quietMilliseconds = 100;

struct DefaultHolder {
    std::mutex mutex;
    CloudStore* current = nullptr;
    std::vector<std::unique_ptr<CloudStore>> all;  // never destroyed before exit
};

DefaultHolder& holder() {
    static auto* h = new DefaultHolder;  // outlives every static destructor
    return *h;
}

QString envPath(const char* name) {
    const QString v = QString::fromLocal8Bit(qgetenv(name)).trimmed();
    return QDir::isAbsolutePath(v) ? v : QString();
}

}  // namespace

CloudStore* CloudStore::defaultStore() {
    auto& h = holder();
    std::lock_guard<std::mutex> g(h.mutex);
    if (h.current) return h.current;
    const QString folder = defaultFolder();
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir() || !QFileInfo(folder).isWritable()) {
        log(QStringLiteral("WARNING: cloud store folder %1 cannot be used").arg(folder));
        return nullptr;
    }
    h.all.push_back(std::make_unique<CloudStore>(folder));
    h.current = h.all.back().get();
    return h.current;
}

void CloudStore::resetDefaultStore() {
    auto& h = holder();
    std::lock_guard<std::mutex> g(h.mutex);
    h.current = nullptr;
}

QString CloudStore::defaultFolder() {
    const QString explicitFolder = QString::fromLocal8Bit(qgetenv("ZOLT_CLOUD_DIR")).trimmed();
    if (!explicitFolder.isEmpty()) return explicitFolder;
    QString data = envPath("XDG_DATA_HOME");
    if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/zolt/cloud");
}

CloudStore::CloudStore(const QString& folder)
    : folder_(folder), path_(QDir(folder).filePath(fileName)) {
    known_ = readState();
    QString why;
    if (!parse(known_, &values_, &why)) {
        unreadable_ = true;
        log(QStringLiteral("WARNING: cloud store file %1 could not be read (%2); treating it as "
                           "empty")
                .arg(path_, why));
    }

    auto* app = QCoreApplication::instance();
    if (!app) return;  // no event loop, nothing to watch with
    context_ = new QObject;
    if (context_->thread() != app->thread()) {
        context_->moveToThread(app->thread());
        QMetaObject::invokeMethod(
            context_, [this] { startWatching(); }, Qt::QueuedConnection);
    } else {
        startWatching();
    }
}

CloudStore::~CloudStore() {
    // Deleting the context drops the watcher, its timer and any queued calls.
    delete context_;
}

CloudStore::FileState CloudStore::readState() const {
    FileState state;
    const QFileInfo info(path_);
    if (!info.exists() && !info.isSymLink()) return state;
    state.exists = true;
    if (!RegularFile::read(path_, PropertyList::maxFileSize, &state.bytes, &state.problem)) {
        state.readable = false;
        state.bytes.clear();
    }
    return state;
}

bool CloudStore::parse(const FileState& state, QVariantMap* values, QString* why) const {
    values->clear();
    if (!state.exists) return true;
    if (!state.readable) {
        *why = QStringLiteral("cannot read the file: %1").arg(state.problem);
        return false;
    }
    if (state.bytes.size() > PropertyList::maxFileSize) {
        *why = QStringLiteral("the file is too large");
        return false;
    }
    const QVariant v = PropertyList::fromData(state.bytes, why);
    if (!v.isValid()) return false;
    if (v.metaType().id() != QMetaType::QVariantMap) {
        *why = QStringLiteral("it does not hold a dictionary");
        return false;
    }
    *values = v.toMap();
    return true;
}

void CloudStore::startWatching() {
    auto* timer = new QTimer(context_);
    timer->setObjectName(QStringLiteral("quiet"));
    timer->setSingleShot(true);
    timer->setInterval(quietMilliseconds);
    QObject::connect(timer, &QTimer::timeout, context_, [this] { checkFromWatcher(); });

    auto* watcher = new QFileSystemWatcher(context_);
    // The folder shows files renamed into place (how sync tools and atomic
    // writers replace a file); the file itself shows writes into it.
    QObject::connect(watcher, &QFileSystemWatcher::directoryChanged, context_,
                     [this] { scheduleCheck(); });
    QObject::connect(watcher, &QFileSystemWatcher::fileChanged, context_,
                     [this] { scheduleCheck(); });
    if (QFileInfo(folder_).isDir()) watcher->addPath(folder_);
    if (QFileInfo::exists(path_)) watcher->addPath(path_);
    // Something may have changed between reading the file and watching it.
    scheduleCheck();
}

void CloudStore::scheduleCheck() {
    if (auto* timer = context_->findChild<QTimer*>(QStringLiteral("quiet"))) timer->start();
}

void CloudStore::checkFromWatcher() {
    QStringList changed;
    {
        Guard g(lock_);
        changed = takeInExternalChange();
    }
    postChange(changed);
    // A file replaced by renaming is a new file: watch it again.
    if (auto* watcher = context_->findChild<QFileSystemWatcher*>()) {
        if (!watcher->directories().contains(folder_) && QFileInfo(folder_).isDir())
            watcher->addPath(folder_);
        if (!watcher->files().contains(path_) && QFileInfo::exists(path_)) watcher->addPath(path_);
    }
}

QStringList CloudStore::takeInExternalChange() {
    const FileState now = readState();
    if (now == known_) return {};  // unchanged, or what this store wrote last
    known_ = now;
    QVariantMap external;
    QString why;
    if (!parse(now, &external, &why)) {
        // Perhaps a sync tool is still writing it; keep the values until a
        // readable file arrives.
        unreadable_ = true;
        log(QStringLiteral("WARNING: cloud store file %1 could not be read (%2); ignoring it")
                .arg(path_, why));
        return {};
    }
    unreadable_ = false;
    // Values set here and not yet written stay.
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it.value().isValid())
            external.insert(it.key(), it.value());
        else
            external.remove(it.key());
    }
    QStringList changed;
    for (auto it = values_.begin(); it != values_.end(); ++it)
        if (!external.contains(it.key()) || !PropertyList::identical(external.value(it.key()), *it))
            changed.append(it.key());
    for (auto it = external.begin(); it != external.end(); ++it)
        if (!values_.contains(it.key())) changed.append(it.key());
    changed.sort();
    values_ = external;
    return changed;
}

void CloudStore::postChange(const QStringList& changedKeys) {
    if (changedKeys.isEmpty()) return;
    auto post = [this, changedKeys] {
        NotificationCenter::defaultCenter().post(didChangeExternallyNotification, this,
                                                 {{changedKeysKey, changedKeys}});
    };
    if (isMainThread() || !context_)
        post();
    else
        QMetaObject::invokeMethod(context_, post, Qt::QueuedConnection);
}

QVariantMap CloudStore::dictionaryRepresentation() const {
    Guard g(lock_);
    return values_;
}

QVariant CloudStore::objectForKey(const QString& key) const {
    Guard g(lock_);
    return values_.value(key);
}

bool CloudStore::setObject(const QString& key, const QVariant& value) {
    if (!value.isValid()) {
        removeObject(key);
        return true;
    }
    Guard g(lock_);
    bool changed = false;
    if (!PropertyList::setStoredValue(values_, key, value, QStringLiteral("cloud value"), &changed))
        return false;
    if (changed) pending_.insert(key, values_.value(key));
    return true;
}

void CloudStore::removeObject(const QString& key) {
    Guard g(lock_);
    if (values_.remove(key) > 0) pending_.insert(key, QVariant());
}

bool CloudStore::synchronize() {
    QStringList changed;
    bool ok = true;
    {
        // Held while writing, so that the watcher sees the new file only
        // together with the record that this store wrote it.
        Guard g(lock_);
        if (pending_.isEmpty()) return true;
        changed = takeInExternalChange();
        if (unreadable_) {
            QString movedTo, why;
            if (!PropertyList::moveUnreadableFileAside(path_, &movedTo, &why)) {
                log(QStringLiteral("ERROR: cloud store not saved: the unreadable file %1 could "
                                   "not be moved aside (%2)")
                        .arg(path_, why));
                ok = false;
            } else {
                log(QStringLiteral("WARNING: moved the unreadable cloud store file %1 aside to %2")
                        .arg(path_, movedTo));
                unreadable_ = false;
                known_ = FileState();
            }
        }
        if (ok) {
            QString why;
            const QByteArray xml = PropertyList::toXml(values_, &why);
            if (xml.isEmpty() || !writeFileAtomically(path_, xml, &why)) {
                log(QStringLiteral("ERROR: saving the cloud store to %1 failed: %2")
                        .arg(path_, why));
                ok = false;
            } else {
                known_ = FileState{true, true, xml};
                pending_.clear();
            }
        }
    }
    postChange(changed);
    return ok;
}

}  // namespace foundation
