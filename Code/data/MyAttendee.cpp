#include "data/MyAttendee.h"

MyAttendee::MyAttendee(const QString& name, const QUrl& address)
    : internalUrl(address),
      internalName(name),
      internalStatus(calstore::AttendeeStatusNeedsAction),
      internalRole(calstore::AttendeeRoleNonParticipant) {}

MyAttendeePtr MyAttendee::initWithNameAndAddress(const QString& name, const QUrl& address) {
    return std::make_shared<MyAttendee>(name, address);
}

QUrl MyAttendee::address() const {
    return internalUrl.isEmpty() ? calstore::Attendee::address() : internalUrl;
}

QString MyAttendee::commonName() const {
    return internalName.isNull() ? calstore::Attendee::commonName() : internalName;
}

QString MyAttendee::status() const {
    return internalStatus.isNull() ? calstore::Attendee::status() : internalStatus;
}

QString MyAttendee::role() const {
    return internalRole;
}

void MyAttendee::setAddress(const QUrl& address) {
    if (!address.isEmpty()) internalUrl = address;
}

void MyAttendee::setCommonName(const QString& name) {
    if (!name.isNull()) internalName = name;
}

void MyAttendee::setStatus(const QString& status) {
    if (!status.isNull()) internalStatus = status;
}

void MyAttendee::setRole(const QString& role) {
    internalRole = role.isNull() ? calstore::AttendeeRoleNonParticipant : role;
}

QString MyAttendee::description() const {
    return QStringLiteral("MyAttendee\n") +
           QStringLiteral("  address     : %1\n").arg(internalUrl.toString(QUrl::FullyEncoded)) +
           QStringLiteral("  common name : %1\n").arg(internalName) +
           QStringLiteral("  role        : %1\n").arg(internalRole) +
           QStringLiteral("  status      : %1\n").arg(internalStatus);
}
