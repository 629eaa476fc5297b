#include "platform/store/Calendar.h"

#include "platform/store/ManagedObjectContext.h"

#include <QUuid>

namespace calstore {

std::shared_ptr<Calendar> Calendar::calendar() {
    auto c = std::make_shared<Calendar>();
    c->setUid(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    return c;
}

bool Calendar::isReadOnly() const {
    return !folderWritable_ || type_ == CalendarTypeSubscription || type_ == CalendarTypeBirthday;
}

ManagedObjectID Calendar::managedObjectID() const {
    if (uid_.isEmpty()) return {};
    return ManagedObjectID{ManagedObjectID::Entity::Calendar, uid_, uid_, {}};
}

ManagedObjectPtr Calendar::findManagedObject(
    const std::shared_ptr<ManagedObjectContext>& context) const {
    return context ? context->objectWithID(managedObjectID()) : nullptr;
}

}  // namespace calstore
