#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

struct stat;

namespace foundation {

// Opens files that someone else may have put in place: only regular files are
// read, and opening never blocks (a named pipe, a device or a socket where a
// settings or calendar file belongs is refused, with a reason, instead of
// hanging the program in open()).
class RegularFile final {
public:
    // A descriptor of the regular file at `path` (links followed), opened
    // read-only without blocking; -1 and `why` when there is none. `info`
    // receives the file's status.
    static int open(const QString& path, struct stat* info, QString* why);
    // Up to `maxBytes` + 1 bytes of the regular file at `path` (one more than
    // allowed, so that a caller notices a file that is too large). Answers false
    // with `why` when the path holds no readable regular file.
    static bool read(const QString& path, qint64 maxBytes, QByteArray* bytes, QString* why,
                     struct stat* info = nullptr);
};

}  // namespace foundation
