#include "platform/foundation/SystemInfo.h"

#include <QHostInfo>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace foundation {

namespace {

// The account entry of the user running the process (false when there is none).
bool accountEntry(QString* login, QString* comment) {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return false;
    *login = QString::fromLocal8Bit(found->pw_name ? found->pw_name : "");
    *comment = QString::fromLocal8Bit(found->pw_gecos ? found->pw_gecos : "");
    return true;
}

}  // namespace

QString SystemInfo::userName() {
    QString login, comment;
    if (accountEntry(&login, &comment) && !login.isEmpty()) return login;
    return qEnvironmentVariable("USER");
}

QString SystemInfo::fullUserName() {
    QString login, comment;
    if (!accountEntry(&login, &comment)) return qEnvironmentVariable("USER");
    // The comment is "Full Name,room,phone,...".
    const QString name = comment.section(QLatin1Char(','), 0, 0).trimmed();
    return name.isEmpty() ? login : name;
}

QString SystemInfo::localHostName() {
    return QHostInfo::localHostName().section(QLatin1Char('.'), 0, 0);
}

}  // namespace foundation
