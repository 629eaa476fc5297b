#pragma once

#include "platform/store/ManagedObject.h"

#include <QString>
#include <QUrl>

namespace calstore {

// The managed object behind an account group: its class name tells the kind of
// account (local, calendar-server principal, subscriptions, mail server); a
// calendar-server principal also answers its server attributes.
class ManagedGroup final : public ManagedObject {
public:
    struct Principal {
        QUrl principalURL;
        QString calendarHomePushKey;
        QString defaultCalendarPath;
        QString calendarHomePath;
        bool isRemote = false;
        bool isRenameable = true;
    };

    ManagedGroup(ManagedObjectID id, QString className)
        : ManagedObject(std::move(id)), className_(std::move(className)) {}
    ManagedGroup(ManagedObjectID id, QString className, Principal principal)
        : ManagedObject(std::move(id)),
          className_(std::move(className)),
          principal_(std::move(principal)) {}
    QString className() const override { return className_; }

    QString uid() const { return id_.uid; }
    QUrl principalURL() const { return principal_.principalURL; }
    QString calendarHomePushKey() const { return principal_.calendarHomePushKey; }
    QString defaultCalendarPath() const { return principal_.defaultCalendarPath; }
    QString calendarHomePath() const { return principal_.calendarHomePath; }
    bool isRemote() const { return principal_.isRemote; }
    bool isRenameable() const { return principal_.isRenameable; }

private:
    QString className_;
    Principal principal_;
};

using ManagedGroupPtr = std::shared_ptr<ManagedGroup>;

}  // namespace calstore
