#pragma once

#include <QString>
#include <QUrl>

#include <memory>

class MyStoreGroup;
using MyStoreGroupPtr = std::shared_ptr<MyStoreGroup>;

// One account group of the calendar store as a plain value, as the source list
// and the preferences see it: its identity and public attributes, the
// calendar-server attributes of a principal group, and the settings of a
// configured calendar-server account.
//
// Group type codes (groupType): 0 not classified, 1 calendar-server account,
// 2 local calendars, 3 subscriptions, 4 mail-server account, 5 configured
// calendar-server account.
class MyStoreGroup final {
public:
    MyStoreGroup(const QString& uid, const QString& type);
    // Type code 0, no server-account attributes.
    static MyStoreGroupPtr initWithUIDType(const QString& uid, const QString& type);

    QString title() const { return theTitle; }
    void setTitle(const QString& title) { theTitle = title; }
    QString uid() const { return theUid; }
    QString type() const { return theType; }
    int groupType() const { return theGroupType; }
    QUrl serverURL() const { return theServerURL; }
    void setServerURL(const QUrl& url) { theServerURL = url; }
    QUrl externalServerURL() const { return theExternalServerURL; }
    void setExternalServerURL(const QUrl& url) { theExternalServerURL = url; }
    QString emailAddress() const { return theEmail; }
    void setEmailAddress(const QString& email) { theEmail = email; }
    QString fullName() const { return theFullName; }
    void setFullName(const QString& name) { theFullName = name; }

    // The configured-account settings: only for type 5; otherwise the getters
    // answer nothing (isActive: true) and the setters do nothing.
    QString caldavServer() const;
    void setCaldavServer(const QString& server);
    QString caldavPath() const;
    void setCaldavPath(const QString& path);
    int caldavPort() const;
    void setCaldavPort(int port);
    QString caldavUser() const;
    void setCaldavUser(const QString& user);
    QString caldavPassword() const;
    void setCaldavPassword(const QString& password);
    bool isActive() const;
    void setIsActive(bool active);
    bool usesSSL() const;
    void setUsesSSL(bool ssl);
    int updateInterval() const;
    void setUpdateInterval(int interval);

    // The calendar-server attributes: only once they were set; otherwise the
    // getters answer nothing (isRemote: false, isRenameable: true).
    QUrl principalURL() const;
    QString calendarHomePushKey() const;
    QString defaultCalendarPath() const;
    QString calendarHomePath() const;
    bool isRemote() const;
    bool isRenameable() const;
    // Stores the six attributes and makes the group a calendar-server account (type 1).
    void setCalDavAttributesUrlHomePushCalPathHomePathRemoteRenameable(
        const QUrl& principalURL, const QString& homePushKey, const QString& defaultCalendarPath,
        const QString& calendarHomePath, bool remote, bool renameable);
    void setGroupType(int type) { theGroupType = type; }

    // The group's attributes, one per line, for the log.
    QString description() const;

private:
    static constexpr int kConfiguredAccount = 5;

    QString theUid;
    QString theType;
    int theGroupType = 0;
    QString theTitle;
    QUrl theServerURL;
    QUrl theExternalServerURL;
    QString theEmail;
    QString theFullName;
    bool calDAVAccountGroup = false;
    QUrl theCalDAVURL;
    QString theCalHomePushKey;
    QString theDefaultCalendarPath;
    QString theCalendarHomePath;
    bool theIsRemoteFlag = false;
    bool theIsRenameableFlag = false;
    QString theCalDAVServer;
    QString theCalDAVPath;
    int theCalDAVPort = 0;
    QString theCalDAVUser;
    QString theCalDAVPassword;
    bool theAccountIsActive = false;
    bool theCalDAVusesSSL = false;
    int theCalDAVUpdateFrequ = 0;
};
