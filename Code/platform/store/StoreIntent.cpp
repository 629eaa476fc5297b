#include "platform/store/StoreIntent.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace calstore::detail {

namespace {

const QString kPrefix = QStringLiteral(".zolt-intent-");

QByteArray sha1(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

// What a file holds now: its hash, or an empty one when it does not exist.
bool currentHash(const QString& path, QByteArray* hash) {
    QFile f(path);
    if (!f.exists()) {
        hash->clear();
        return true;
    }
    if (!f.open(QIODevice::ReadOnly)) return false;
    *hash = sha1(f.readAll());
    return true;
}

// Brings the file from `from` (its hash; empty: absent) to `to` (bytes; absent when NO).
bool move(const QString& path, const QByteArray& fromHash, bool toExists, const QByteArray& to) {
    using foundation::CheckedWrite;
    if (!toExists)
        return fromHash.isEmpty() ||
               foundation::removeFileIfUnchanged(path, fromHash) == CheckedWrite::Done;
    return foundation::replaceFileIfUnchanged(path, to, fromHash) == CheckedWrite::Done;
}

}  // namespace

StoreIntent::~StoreIntent() {
    if (fd_ >= 0) ::close(fd_);
}

bool StoreIntent::begin(const QString& root, const std::vector<IntentChange>& changes,
                        QString* why) {
    QJsonArray list;
    const QDir base(root);
    for (const auto& c : changes) {
        QJsonObject o;
        o.insert(QStringLiteral("path"), base.relativeFilePath(c.path));
        o.insert(QStringLiteral("oldHash"), QString::fromLatin1(c.oldHash.toHex()));
        if (!c.oldHash.isEmpty())
            o.insert(QStringLiteral("oldText"), QString::fromLatin1(c.oldText.toBase64()));
        o.insert(QStringLiteral("remove"), c.remove);
        if (!c.remove)
            o.insert(QStringLiteral("newText"), QString::fromLatin1(c.newText.toBase64()));
        list.append(o);
    }
    const QByteArray data = QJsonDocument(QJsonObject{{QStringLiteral("changes"), list}})
                                .toJson(QJsonDocument::Compact);
    if (!QDir().mkpath(root)) {
        *why = QStringLiteral("the folder %1 could not be made").arg(root);
        return false;
    }
    // Written and locked under a temporary name first, so that no one finds it
    // before it is locked.
    QByteArray name =
        QFile::encodeName(root + QLatin1Char('/') + QStringLiteral(".zolt-intent.tmp-XXXXXX"));
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) {
        *why = QStringLiteral("the record of the write could not be made in %1").arg(root);
        if (fd_ >= 0) ::unlink(name.constData());
        return false;
    }
    path_ = QFile::decodeName(name);
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, size_t(left));
        if (n <= 0) {
            *why = QStringLiteral("the record of the write could not be written in %1").arg(root);
            finish();
            return false;
        }
        p += n;
        left -= n;
    }
    ::fsync(fd_);
    const QString final = root + QLatin1Char('/') + kPrefix + path_.right(6);
    if (::rename(name.constData(), QFile::encodeName(final).constData()) != 0) {
        *why = QStringLiteral("the record of the write could not be made in %1").arg(root);
        finish();
        return false;
    }
    path_ = final;
    const int dfd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void StoreIntent::finish() {
    if (!path_.isEmpty()) ::unlink(QFile::encodeName(path_).constData());
    path_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int StoreIntent::recover(const QString& root) {
    int handled = 0;
    const QStringList names =
        QDir(root).entryList({kPrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        const QString path = root + QLatin1Char('/') + name;
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {  // its write is still running
            ::close(fd);
            continue;
        }
        QFile f;
        QByteArray data;
        if (f.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) data = f.readAll();
        f.close();
        const QJsonArray list =
            QJsonDocument::fromJson(data).object().value(QStringLiteral("changes")).toArray();
        struct Entry {
            QString path;
            QByteArray oldHash, oldText, newHash, newText;
            bool remove = false;
            QByteArray now;
            bool readable = false;
        };
        std::vector<Entry> entries;
        bool foreign = false;
        for (const QJsonValue& v : list) {
            const QJsonObject o = v.toObject();
            Entry e;
            e.path = root + QLatin1Char('/') + o.value(QStringLiteral("path")).toString();
            e.oldHash =
                QByteArray::fromHex(o.value(QStringLiteral("oldHash")).toString().toLatin1());
            e.oldText =
                QByteArray::fromBase64(o.value(QStringLiteral("oldText")).toString().toLatin1());
            e.remove = o.value(QStringLiteral("remove")).toBool();
            e.newText =
                QByteArray::fromBase64(o.value(QStringLiteral("newText")).toString().toLatin1());
            if (!e.remove) e.newHash = sha1(e.newText);
            e.readable = currentHash(e.path, &e.now);
            if (!e.readable || (e.now != e.oldHash && e.now != e.newHash)) foreign = true;
            entries.push_back(e);
        }
        bool ok = true;
        for (const auto& e : entries) {
            if (!e.readable) continue;
            if (!foreign && e.now == e.oldHash)  // completed
                ok = move(e.path, e.oldHash, !e.remove, e.newText) && ok;
            else if (foreign && e.now == e.newHash && e.now != e.oldHash)  // rolled back
                ok = move(e.path, e.newHash, !e.oldHash.isEmpty(), e.oldText) && ok;
        }
        if (foreign || !ok)
            foundation::log(QStringLiteral("WARNING: an interrupted write in %1 met files another "
                                           "program changed meanwhile; what it had done was undone "
                                           "where it could be")
                                .arg(root));
        ::unlink(QFile::encodeName(path).constData());
        ::close(fd);
        ++handled;
    }
    return handled;
}

}  // namespace calstore::detail
