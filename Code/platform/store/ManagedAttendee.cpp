#include "platform/store/ManagedAttendee.h"

#include "platform/store/Capabilities.h"
#include "platform/store/ManagedEvent.h"

namespace calstore {

std::shared_ptr<ManagedAttendee> ManagedAttendee::initWithEntityInsertIntoManagedObjectContext(
    const EntityDescriptionPtr& entity, const std::shared_ptr<ManagedObjectContext>& context) {
    if (!entity || !context) return nullptr;
    return std::make_shared<ManagedAttendee>();
}

QString ManagedAttendee::className() const {
    return Capabilities::ManagedAttendeeClass;
}

void ManagedAttendee::setEvent(const std::shared_ptr<ManagedEvent>& event) {
    event_ = event;
    heldEvent_ = event;
}

}  // namespace calstore
