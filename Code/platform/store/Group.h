#pragma once

#include "platform/store/ManagedObject.h"

#include <QString>
#include <QUrl>

#include <memory>

namespace calstore {

// The kinds of account group (a group's type text).
inline const QString GroupTypeLocal = QStringLiteral("local");
inline const QString GroupTypeCalendarServer = QStringLiteral("calendar-server");
inline const QString GroupTypeSubscription = QStringLiteral("subscription");
inline const QString GroupTypeMailServer = QStringLiteral("mail-server");

// One account group of the store as a plain value: the local calendars, a
// calendar-server account, the subscriptions or a mail-server account. The
// store hands out copies; a changed copy changes the group when it is saved.
class Group final {
public:
    Group() = default;
    Group(QString uid, QString type) : uid_(std::move(uid)), type_(std::move(type)) {}

    const QString& uid() const { return uid_; }
    const QString& type() const { return type_; }
    const QString& title() const { return title_; }
    const QUrl& serverURL() const { return serverURL_; }
    const QUrl& externalServerURL() const { return externalServerURL_; }
    const QString& emailAddress() const { return emailAddress_; }
    const QString& fullName() const { return fullName_; }

    void setTitle(const QString& title) { title_ = title; }
    void setServerURL(const QUrl& url) { serverURL_ = url; }
    void setExternalServerURL(const QUrl& url) { externalServerURL_ = url; }
    void setEmailAddress(const QString& address) { emailAddress_ = address; }
    void setFullName(const QString& name) { fullName_ = name; }

    ManagedObjectID managedObjectID() const {
        return uid_.isEmpty() ? ManagedObjectID{}
                              : ManagedObjectID{ManagedObjectID::Entity::Group, {}, uid_, {}};
    }

private:
    QString uid_;
    QString type_;
    QString title_;
    QUrl serverURL_;
    QUrl externalServerURL_;
    QString emailAddress_;
    QString fullName_;
};

using GroupPtr = std::shared_ptr<Group>;

}  // namespace calstore
