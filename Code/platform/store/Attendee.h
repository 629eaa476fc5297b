#pragma once

#include <QString>
#include <QUrl>

#include <memory>

namespace calstore {

// Participation status and role texts as iCalendar writes them (PARTSTAT, ROLE).
inline const QString AttendeeStatusNeedsAction = QStringLiteral("NEEDS-ACTION");
inline const QString AttendeeStatusAccepted = QStringLiteral("ACCEPTED");
inline const QString AttendeeStatusDeclined = QStringLiteral("DECLINED");
inline const QString AttendeeStatusTentative = QStringLiteral("TENTATIVE");
inline const QString AttendeeStatusDelegated = QStringLiteral("DELEGATED");
inline const QString AttendeeRoleRequired = QStringLiteral("REQ-PARTICIPANT");
inline const QString AttendeeRoleOptional = QStringLiteral("OPT-PARTICIPANT");
inline const QString AttendeeRoleNonParticipant = QStringLiteral("NON-PARTICIPANT");
inline const QString AttendeeRoleChair = QStringLiteral("CHAIR");

// One attendee of an event: address (usually a mailto: URL), common name,
// participation status and role. The accessors are virtual so that the system's
// own attendee record can lay its fields over these.
class Attendee {
public:
    Attendee() = default;
    Attendee(QUrl address, QString commonName, QString status, QString role);
    virtual ~Attendee();
    Attendee(const Attendee&) = default;
    Attendee& operator=(const Attendee&) = default;

    virtual QUrl address() const { return address_; }
    virtual QString commonName() const { return commonName_; }
    virtual QString status() const { return status_; }
    virtual QString role() const { return role_; }

private:
    QUrl address_;
    QString commonName_;
    QString status_ = AttendeeStatusNeedsAction;
    QString role_ = AttendeeRoleRequired;
};

using AttendeePtr = std::shared_ptr<Attendee>;

}  // namespace calstore
