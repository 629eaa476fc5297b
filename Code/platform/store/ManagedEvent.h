#pragma once

#include "platform/store/Attendee.h"
#include "platform/store/ManagedObject.h"

#include <QList>

#include <optional>

namespace calstore {

class ManagedAttendee;

// The managed object behind one event component of the store: its attendees as
// managed attendees, and the flag saying that it has attendees.
class ManagedEvent final : public ManagedObject {
public:
    ManagedEvent(ManagedObjectID id, const QList<AttendeePtr>& stored);
    QString className() const override;

    // The attendees the store holds for the component.
    QList<std::shared_ptr<ManagedAttendee>> attendees() const { return attendees_; }
    void setHasAttendee(bool flag) { hasAttendee_ = flag; }
    // Set when the component has attendees or the flag was set here; none otherwise.
    std::optional<bool> hasAttendee() const { return hasAttendee_; }

private:
    QList<std::shared_ptr<ManagedAttendee>> attendees_;
    std::optional<bool> hasAttendee_;
};

using ManagedEventPtr = std::shared_ptr<ManagedEvent>;

}  // namespace calstore
