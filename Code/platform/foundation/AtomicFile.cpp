#include "platform/foundation/AtomicFile.h"

#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace foundation {

namespace {
std::atomic<bool> g_interruptNext{false};

QString errnoText(const QString& what, const QString& path) {
    return QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
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
}  // namespace

namespace testhooks {
void interruptNextAtomicWrite() { g_interruptNext = true; }
}  // namespace testhooks

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    if (!QDir().mkpath(dir)) return fail(QStringLiteral("cannot create folder %1").arg(dir));

    QByteArray tmpl = QFile::encodeName(dir + QStringLiteral("/.") + info.fileName() +
                                        QStringLiteral(".tmp-XXXXXX"));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return fail(errnoText(QStringLiteral("cannot create temporary file in"), dir));
    const QString tmpPath = QFile::decodeName(tmpl);

    // Keep the permissions of the file being replaced; a new file gets the usual 0644.
    struct stat st {};
    const bool existed = ::stat(QFile::encodeName(path).constData(), &st) == 0;
    ::fchmod(fd, existed ? (st.st_mode & 07777) : 0644);

    if (!writeAll(fd, data) || ::fsync(fd) != 0) {
        const QString why = errnoText(QStringLiteral("cannot write"), tmpPath);
        ::close(fd);
        ::unlink(tmpl.constData());
        return fail(why);
    }
    ::close(fd);

    if (g_interruptNext.exchange(false)) return fail(QStringLiteral("write interrupted"));

    if (::rename(tmpl.constData(), QFile::encodeName(path).constData()) != 0) {
        const QString why = errnoText(QStringLiteral("cannot replace"), path);
        ::unlink(tmpl.constData());
        return fail(why);
    }
    const int dfd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace foundation
