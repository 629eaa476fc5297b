#include "platform/store/ManagedEvent.h"

#include "platform/store/Capabilities.h"
#include "platform/store/ManagedAttendee.h"

namespace calstore {

ManagedEvent::ManagedEvent(ManagedObjectID id, const QList<AttendeePtr>& stored)
    : ManagedObject(std::move(id)) {
    for (const auto& a : stored) {
        auto record = std::make_shared<ManagedAttendee>();
        record->setAddress(a->address());
        record->setCommonName(a->commonName());
        record->setStatus(a->status());
        record->setRole(a->role());
        attendees_ << record;
    }
    if (!stored.isEmpty()) hasAttendee_ = true;
}

QString ManagedEvent::className() const {
    return Capabilities::ManagedEventClass;
}

}  // namespace calstore
