#include "data/MyStoreGroup.h"

MyStoreGroup::MyStoreGroup(const QString& uid, const QString& type) : theUid(uid), theType(type) {}

MyStoreGroupPtr MyStoreGroup::initWithUIDType(const QString& uid, const QString& type) {
    return std::make_shared<MyStoreGroup>(uid, type);
}

QString MyStoreGroup::caldavServer() const {
    return theGroupType == kConfiguredAccount ? theCalDAVServer : QString();
}

void MyStoreGroup::setCaldavServer(const QString& server) {
    if (theGroupType == kConfiguredAccount) theCalDAVServer = server;
}

QString MyStoreGroup::caldavPath() const {
    return theGroupType == kConfiguredAccount ? theCalDAVPath : QString();
}

void MyStoreGroup::setCaldavPath(const QString& path) {
    if (theGroupType == kConfiguredAccount) theCalDAVPath = path;
}

int MyStoreGroup::caldavPort() const {
    return theGroupType == kConfiguredAccount ? theCalDAVPort : 0;
}

void MyStoreGroup::setCaldavPort(int port) {
    if (theGroupType == kConfiguredAccount) theCalDAVPort = port;
}

QString MyStoreGroup::caldavUser() const {
    return theGroupType == kConfiguredAccount ? theCalDAVUser : QString();
}

void MyStoreGroup::setCaldavUser(const QString& user) {
    if (theGroupType == kConfiguredAccount) theCalDAVUser = user;
}

QString MyStoreGroup::caldavPassword() const {
    return theGroupType == kConfiguredAccount ? theCalDAVPassword : QString();
}

void MyStoreGroup::setCaldavPassword(const QString& password) {
    if (theGroupType == kConfiguredAccount) theCalDAVPassword = password;
}

bool MyStoreGroup::isActive() const {
    return theGroupType == kConfiguredAccount ? theAccountIsActive : true;
}

void MyStoreGroup::setIsActive(bool active) {
    if (theGroupType == kConfiguredAccount) theAccountIsActive = active;
}

bool MyStoreGroup::usesSSL() const {
    return theGroupType == kConfiguredAccount && theCalDAVusesSSL;
}

void MyStoreGroup::setUsesSSL(bool ssl) {
    if (theGroupType == kConfiguredAccount) theCalDAVusesSSL = ssl;
}

int MyStoreGroup::updateInterval() const {
    return theGroupType == kConfiguredAccount ? theCalDAVUpdateFrequ : 0;
}

void MyStoreGroup::setUpdateInterval(int interval) {
    if (theGroupType == kConfiguredAccount) theCalDAVUpdateFrequ = interval;
}

QUrl MyStoreGroup::principalURL() const {
    return calDAVAccountGroup ? theCalDAVURL : QUrl();
}

QString MyStoreGroup::calendarHomePushKey() const {
    return calDAVAccountGroup ? theCalHomePushKey : QString();
}

QString MyStoreGroup::defaultCalendarPath() const {
    return calDAVAccountGroup ? theDefaultCalendarPath : QString();
}

QString MyStoreGroup::calendarHomePath() const {
    return calDAVAccountGroup ? theCalendarHomePath : QString();
}

bool MyStoreGroup::isRemote() const {
    return calDAVAccountGroup && theIsRemoteFlag;
}

bool MyStoreGroup::isRenameable() const {
    return calDAVAccountGroup ? theIsRenameableFlag : true;
}

void MyStoreGroup::setCalDavAttributesUrlHomePushCalPathHomePathRemoteRenameable(
    const QUrl& principalURL, const QString& homePushKey, const QString& defaultCalendarPath,
    const QString& calendarHomePath, bool remote, bool renameable) {
    theCalDAVURL = principalURL;
    theCalHomePushKey = homePushKey;
    theDefaultCalendarPath = defaultCalendarPath;
    theCalendarHomePath = calendarHomePath;
    theIsRemoteFlag = remote;
    theIsRenameableFlag = renameable;
    calDAVAccountGroup = true;
    theGroupType = 1;
}

QString MyStoreGroup::description() const {
    QString text = QStringLiteral("MyStoreGroup %1\n").arg(theUid);
    text += QStringLiteral("  title          : %1\n").arg(theTitle);
    text += QStringLiteral("  type           : %1\n").arg(theType);
    text += QStringLiteral("  full name      : %1\n").arg(theFullName);
    text +=
        QStringLiteral("  server URL     : %1\n").arg(theServerURL.toString(QUrl::FullyEncoded));
    text += QStringLiteral("  ext. server URL: %1\n")
                .arg(theExternalServerURL.toString(QUrl::FullyEncoded));
    text += QStringLiteral("  email          : %1\n").arg(theEmail);
    if (calDAVAccountGroup) {
        text += QStringLiteral("  principal URL  : %1\n")
                    .arg(theCalDAVURL.isEmpty() ? QString()
                                                : theCalDAVURL.toString(QUrl::FullyEncoded));
        text += QStringLiteral("  home push key  : %1\n").arg(theCalHomePushKey);
        text += QStringLiteral("  cal home path  : %1\n").arg(theCalendarHomePath);
        text += QStringLiteral("  default path   : %1\n").arg(theDefaultCalendarPath);
        text += QStringLiteral("  remote         : %1\n").arg(theIsRemoteFlag ? 1 : 0);
        text += QStringLiteral("  renameable     : %1\n").arg(theIsRenameableFlag ? 1 : 0);
    }
    return text;
}
