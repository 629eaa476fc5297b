#pragma once

#include "platform/store/Attendee.h"

#include <QString>
#include <QUrl>

#include <memory>

class MyAttendee;
using MyAttendeePtr = std::shared_ptr<MyAttendee>;

// An attendee as the event editor hands it to the store: the store's attendee
// with fields of its own laid over the inherited ones. An own field that is
// unset (a null string, an empty URL) lets the inherited value show through;
// the role is always the own one.
class MyAttendee final : public calstore::Attendee {
public:
    // Nothing set: every value is the inherited one, the role is unset.
    MyAttendee() = default;
    // The given name and address, needs-action status and the role "NON-PARTICIPANT".
    MyAttendee(const QString& name, const QUrl& address);
    static MyAttendeePtr initWithNameAndAddress(const QString& name, const QUrl& address);

    QUrl address() const override;
    QString commonName() const override;
    QString status() const override;
    QString role() const override;

    // An empty URL or a null string is ignored: the old value stays.
    void setAddress(const QUrl& address);
    void setCommonName(const QString& name);
    void setStatus(const QString& status);
    // A null string stores "NON-PARTICIPANT".
    void setRole(const QString& role);

    // The own fields, one per line, for the log.
    QString description() const;

private:
    QUrl internalUrl;
    QString internalName;
    QString internalStatus;
    QString internalRole;
};
