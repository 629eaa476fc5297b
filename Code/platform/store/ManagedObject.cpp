#include "platform/store/ManagedObject.h"

#include "platform/store/Capabilities.h"

namespace calstore {

ManagedObject::~ManagedObject() = default;

bool ManagedObject::respondsTo(const QString& operation) const {
    return Capabilities::shared().instancesRespondTo(className(), operation);
}

}  // namespace calstore
