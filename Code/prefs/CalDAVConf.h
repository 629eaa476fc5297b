#pragma once

#include <QString>
#include <QVariantMap>

// One calendar-server account as the user types it in the account sheet: a
// plain value. The password lives only in these copies in memory; nothing
// writes or logs it. The map form carries a configuration through the model's
// forwarding operations, which do not know this class.
class CalDAVConf final {
public:
    QString server() const { return server_; }
    void setServer(const QString& server) { server_ = server; }
    QString path() const { return path_; }
    void setPath(const QString& path) { path_ = path; }
    int port() const { return port_; }  // 0: not set
    void setPort(int port) { port_ = port; }
    QString user() const { return user_; }
    void setUser(const QString& user) { user_ = user; }
    QString password() const { return password_; }
    void setPassword(const QString& password) { password_ = password; }
    bool isActive() const { return isActive_; }
    void setIsActive(bool active) { isActive_ = active; }
    bool usesSSL() const { return usesSSL_; }
    void setUsesSSL(bool ssl) { usesSSL_ = ssl; }
    int updateFrequ() const { return updateFrequ_; }  // minutes
    void setUpdateFrequ(int minutes) { updateFrequ_ = minutes; }

    CalDAVConf copy() const { return *this; }

    QVariantMap toMap() const;
    static CalDAVConf fromMap(const QVariantMap& map);

private:
    QString server_;
    QString path_;
    int port_ = 0;
    QString user_;
    QString password_;
    bool isActive_ = false;
    bool usesSSL_ = false;
    int updateFrequ_ = 0;
};
