#include "platform/foundation/AtomicFile.h"

#include "platform/foundation/Log.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace foundation {

namespace {
std::atomic<bool> g_interruptNext{false};

std::mutex& hookMutex() {
    static std::mutex m;
    return m;
}
std::function<void(const QString&)>& hookSlot() {
    static std::function<void(const QString&)> hook;
    return hook;
}
std::atomic<bool> g_hasHook{false};

void runHook(const QString& path) {
    if (!g_hasHook) return;
    std::function<void(const QString&)> hook;
    {
        std::lock_guard<std::mutex> lock(hookMutex());
        hook = hookSlot();
    }
    if (hook) hook(path);
}

QString errnoText(const QString& what, const QString& path) {
    return QStringLiteral("%1 %2: %3")
        .arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
}

bool writeAll(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

void syncFolder(const QString& dir) {
    const int dfd = ::open(encoded(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

// A fresh hidden name beside `path`, reserved by an empty file: ".<name>.<kind>-XXXXXX".
QByteArray reserveName(const QString& path, const char* kind, int* fd) {
    const QFileInfo info(path);
    QByteArray tmpl = encoded(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                              QLatin1Char('.') + QLatin1String(kind) + QStringLiteral("-XXXXXX"));
    *fd = ::mkstemp(tmpl.data());
    return tmpl;
}

struct Temporary {
    QByteArray path;
    dev_t device = 0;
    ino_t inode = 0;
};

// Writes the data into a new temporary file beside `target`, synced, with the
// permissions of the file it is to replace.
bool writeTemporary(const QString& target, const QByteArray& data, Temporary* out, QString* why) {
    const QString dir = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(dir)) {
        *why = QStringLiteral("cannot create folder %1").arg(dir);
        return false;
    }
    int fd = -1;
    out->path = reserveName(target, "tmp", &fd);
    if (fd < 0) {
        *why = errnoText(QStringLiteral("cannot create temporary file in"), dir);
        return false;
    }
    // Keep the permissions of the file being replaced; a new file gets the usual 0644.
    struct stat st {};
    const bool existed = ::stat(encoded(target).constData(), &st) == 0;
    ::fchmod(fd, existed ? (st.st_mode & 07777) : 0644);
    struct stat own {};
    if (!writeAll(fd, data) || ::fsync(fd) != 0 || ::fstat(fd, &own) != 0) {
        *why = errnoText(QStringLiteral("cannot write"), QFile::decodeName(out->path));
        ::close(fd);
        ::unlink(out->path.constData());
        return false;
    }
    ::close(fd);
    out->device = own.st_dev;
    out->inode = own.st_ino;
    return true;
}

// The SHA-1 of a file's bytes; NO when it does not exist or cannot be read.
bool hashOf(const QByteArray& path, QByteArray* hash) {
    QFile f(QFile::decodeName(path));
    if (!f.open(QIODevice::ReadOnly)) return false;
    QCryptographicHash h(QCryptographicHash::Sha1);
    if (!h.addData(&f)) return false;
    *hash = h.result();
    return true;
}

bool exists(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0;
}

// Keeps a version another program wrote beside the file, under a hidden name.
void keepAside(const QByteArray& from, const QString& target) {
    int fd = -1;
    const QByteArray name = reserveName(target, "conflict", &fd);
    if (fd >= 0) ::close(fd);
    if (fd >= 0 && ::rename(from.constData(), name.constData()) == 0) {
        log(QStringLiteral("WARNING: %1 was changed by two programs at once; one version was "
                           "kept in %2")
                .arg(target, QFile::decodeName(name)));
        return;
    }
    if (fd >= 0) ::unlink(name.constData());
    log(QStringLiteral("WARNING: %1 was changed by two programs at once; one version stays in %2")
            .arg(target, QFile::decodeName(from)));
}

int exchange(const QByteArray& a, const QByteArray& b) {
    return ::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE);
}

}  // namespace

namespace testhooks {
void interruptNextAtomicWrite() {
    g_interruptNext = true;
}
void setBeforeReplaceHook(std::function<void(const QString&)> hook) {
    std::lock_guard<std::mutex> lock(hookMutex());
    g_hasHook = bool(hook);
    hookSlot() = std::move(hook);
}
}  // namespace testhooks

QString resolvedFilePath(const QString& path) {
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(current);
        if (!info.isSymLink()) return current;
        QString next = info.symLinkTarget();  // absolute, also for a dangling link
        if (next.isEmpty()) return current;
        current = QDir::cleanPath(next);
    }
    return current;
}

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    const QString target = resolvedFilePath(path);
    Temporary tmp;
    QString why;
    if (!writeTemporary(target, data, &tmp, &why)) return fail(why);

    if (g_interruptNext.exchange(false)) return fail(QStringLiteral("write interrupted"));

    if (::rename(tmp.path.constData(), encoded(target).constData()) != 0) {
        const QString reason = errnoText(QStringLiteral("cannot replace"), target);
        ::unlink(tmp.path.constData());
        return fail(reason);
    }
    syncFolder(QFileInfo(target).absolutePath());
    return true;
}

CheckedWrite replaceFileIfUnchanged(const QString& path, const QByteArray& data,
                                    const QByteArray& expectedHash, QString* error) {
    auto fail = [&](CheckedWrite result, const QString& why) {
        if (error) *error = why;
        return result;
    };
    const QString target = resolvedFilePath(path);
    const QByteArray targetName = encoded(target);
    const QString changed =
        QStringLiteral("%1 was changed by another program since it was read").arg(target);
    auto matches = [&](const QByteArray& file) {
        QByteArray hash;
        if (expectedHash.isEmpty()) return !exists(file);
        return hashOf(file, &hash) && hash == expectedHash;
    };
    if (!matches(targetName))
        return fail(CheckedWrite::Conflict,
                    expectedHash.isEmpty()
                        ? QStringLiteral("there is a file %1 in the way").arg(target)
                        : changed);
    Temporary tmp;
    QString why;
    if (!writeTemporary(target, data, &tmp, &why)) return fail(CheckedWrite::Failed, why);
    if (g_interruptNext.exchange(false))
        return fail(CheckedWrite::Failed, QStringLiteral("write interrupted"));
    runHook(target);
    const QString dir = QFileInfo(target).absolutePath();

    if (expectedHash.isEmpty()) {
        // A new file: never over one that appeared meanwhile.
        if (::renameat2(AT_FDCWD, tmp.path.constData(), AT_FDCWD, targetName.constData(),
                        RENAME_NOREPLACE) != 0) {
            const int code = errno;
            if (code == EINVAL || code == ENOSYS) {
                if (::link(tmp.path.constData(), targetName.constData()) == 0) {
                    ::unlink(tmp.path.constData());
                    syncFolder(dir);
                    return CheckedWrite::Done;
                }
            }
            const QString reason = errno == EEXIST
                                       ? QStringLiteral("there is a file %1 in the way").arg(target)
                                       : errnoText(QStringLiteral("cannot create"), target);
            ::unlink(tmp.path.constData());
            return fail(errno == EEXIST ? CheckedWrite::Conflict : CheckedWrite::Failed, reason);
        }
        syncFolder(dir);
        return CheckedWrite::Done;
    }

    // The new file and the old one change places in one step, so that the one
    // replaced is at hand and can be checked.
    if (exchange(tmp.path, targetName) != 0) {
        const int code = errno;
        if (code == ENOENT) {
            ::unlink(tmp.path.constData());
            return fail(CheckedWrite::Conflict,
                        QStringLiteral("%1 was removed by another program").arg(target));
        }
        if (code != EINVAL && code != ENOSYS) {
            const QString reason = errnoText(QStringLiteral("cannot replace"), target);
            ::unlink(tmp.path.constData());
            return fail(CheckedWrite::Failed, reason);
        }
        // A file system without exchange: keep the old file under a second name
        // and check that one before the new one goes in.
        int fd = -1;
        const QByteArray keep = reserveName(target, "tmp", &fd);
        if (fd >= 0) ::close(fd);
        if (fd < 0 || ::rename(targetName.constData(), keep.constData()) != 0) {
            const QString reason = errnoText(QStringLiteral("cannot replace"), target);
            ::unlink(tmp.path.constData());
            if (fd >= 0) ::unlink(keep.constData());
            return fail(CheckedWrite::Failed, reason);
        }
        if (!matches(keep) || ::link(tmp.path.constData(), targetName.constData()) != 0) {
            if (::link(keep.constData(), targetName.constData()) == 0)
                ::unlink(keep.constData());
            else
                keepAside(keep, target);
            ::unlink(tmp.path.constData());
            return fail(CheckedWrite::Conflict, changed);
        }
        ::unlink(tmp.path.constData());
        ::unlink(keep.constData());
        syncFolder(dir);
        return CheckedWrite::Done;
    }
    if (matches(tmp.path)) {
        ::unlink(tmp.path.constData());
        syncFolder(dir);
        return CheckedWrite::Done;
    }
    // Another program's version was replaced: it goes back. Should that program
    // write again meanwhile (over ours), its newer version is the one to stay
    // and the one it replaced goes, as it would have without us.
    auto inodeOf = [](const QByteArray& file, dev_t* device, ino_t* inode) {
        struct stat st {};
        if (::lstat(file.constData(), &st) != 0) return false;
        *device = st.st_dev;
        *inode = st.st_ino;
        return true;
    };
    dev_t expectDevice = tmp.device;  // what putting back should take out: ours first
    ino_t expectInode = tmp.inode;
    for (int round = 0;; ++round) {
        dev_t backDevice = 0;
        ino_t backInode = 0;
        if (round == 8 || !inodeOf(tmp.path, &backDevice, &backInode) ||
            exchange(tmp.path, targetName) != 0) {
            keepAside(tmp.path, target);
            break;
        }
        dev_t outDevice = 0;
        ino_t outInode = 0;
        if (!inodeOf(tmp.path, &outDevice, &outInode)) break;
        if (outDevice == expectDevice && outInode == expectInode) {
            ::unlink(tmp.path.constData());
            break;
        }
        expectDevice = backDevice;  // a newer version came: it goes in next
        expectInode = backInode;
    }
    syncFolder(dir);
    return fail(CheckedWrite::Conflict, changed);
}

CheckedWrite removeFileIfUnchanged(const QString& path, const QByteArray& expectedHash,
                                   QString* error) {
    auto fail = [&](CheckedWrite result, const QString& why) {
        if (error) *error = why;
        return result;
    };
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QByteArray name = encoded(absolute);
    const QString changed =
        QStringLiteral("%1 was changed by another program since it was read").arg(absolute);
    QByteArray hash;
    if (!exists(name)) return CheckedWrite::Done;
    if (!hashOf(name, &hash) || hash != expectedHash) return fail(CheckedWrite::Conflict, changed);
    runHook(absolute);
    int fd = -1;
    const QByteArray aside = reserveName(absolute, "tmp", &fd);
    if (fd < 0)
        return fail(CheckedWrite::Failed, errnoText(QStringLiteral("cannot remove"), absolute));
    ::close(fd);
    if (::rename(name.constData(), aside.constData()) != 0) {
        const bool gone = errno == ENOENT;
        const QString reason = errnoText(QStringLiteral("cannot remove"), absolute);
        ::unlink(aside.constData());
        if (gone) return CheckedWrite::Done;
        return fail(CheckedWrite::Failed, reason);
    }
    if (hashOf(aside, &hash) && hash == expectedHash) {
        ::unlink(aside.constData());
        syncFolder(QFileInfo(absolute).absolutePath());
        return CheckedWrite::Done;
    }
    if (::link(aside.constData(), name.constData()) == 0)
        ::unlink(aside.constData());
    else
        keepAside(aside, absolute);
    return fail(CheckedWrite::Conflict, changed);
}

bool isTemporaryFileName(const QString& name) {
    if (!name.startsWith(QLatin1Char('.'))) return false;
    const qsizetype at = name.lastIndexOf(QStringLiteral(".tmp-"));
    return at > 0 && name.size() - at == 11;
}

int removeStaleTemporaryFiles(const QString& folder, qint64 staleSeconds) {
    int removed = 0;
    const QByteArray encodedFolder = encoded(folder);
    DIR* dir = ::opendir(encodedFolder.constData());
    if (!dir) return 0;
    const int dfd = ::dirfd(dir);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryFileName(QFile::decodeName(entry->d_name))) continue;
        struct stat st {};
        if (::fstatat(dfd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        // The change time counts too: a file renamed to such a name just now is not stale.
        const qint64 touched = std::max<qint64>(st.st_mtim.tv_sec, st.st_ctim.tv_sec);
        if (!S_ISREG(st.st_mode) || now - touched < staleSeconds) continue;
        if (::unlinkat(dfd, entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace foundation
