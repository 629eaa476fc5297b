#include "platform/foundation/RegularFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace foundation {

namespace {

QString kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return QStringLiteral("it is a folder");
    if (S_ISFIFO(mode)) return QStringLiteral("it is a named pipe, not a regular file");
    if (S_ISSOCK(mode)) return QStringLiteral("it is a socket, not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("it is a device, not a regular file");
    return QStringLiteral("it is not a regular file");
}

QString errnoText(int error) {
    switch (error) {
        case ENOENT:
            return QStringLiteral("it does not exist (or is a link to nothing)");
        case ELOOP:
            return QStringLiteral("it is a loop of symbolic links");
        case EACCES:
        case EPERM:
            return QStringLiteral("permission denied");
        default:
            return QString::fromLocal8Bit(std::strerror(error));
    }
}

}  // namespace

int RegularFile::open(const QString& path, struct stat* info, QString* why) {
    // O_NONBLOCK makes opening a pipe without a writer return at once; the
    // status check then refuses it. O_NOCTTY keeps a terminal from becoming ours.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (why) *why = errnoText(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        if (why) *why = errnoText(errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        if (why) *why = kindOf(st.st_mode);
        ::close(fd);
        return -1;
    }
    // Reads of a regular file never block; clear the flag all the same.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (info) *info = st;
    return fd;
}

bool RegularFile::read(const QString& path, qint64 maxBytes, QByteArray* bytes, QString* why,
                       struct stat* info) {
    bytes->clear();
    struct stat st {};
    const int fd = open(path, &st, why);
    if (fd < 0) return false;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (why) *why = file.errorString();
        return false;
    }
    // Room for the size the file has now (one byte more shows it grew); a
    // buffer of `maxBytes` for every small file would cost more than the read.
    const qint64 limit = maxBytes + 1;
    const qint64 first = std::min<qint64>(limit, qint64(st.st_size) + 1);
    *bytes = file.read(first);
    if (bytes->size() == first && first < limit && file.error() == QFileDevice::NoError)
        bytes->append(file.read(limit - first));  // it grew meanwhile
    if (file.error() != QFileDevice::NoError) {
        if (why) *why = QStringLiteral("cannot read: %1").arg(file.errorString());
        bytes->clear();
        return false;
    }
    if (info) *info = st;
    return true;
}

}  // namespace foundation
