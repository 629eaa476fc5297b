#include "platform/store/EntityDescription.h"

#include "platform/store/Capabilities.h"

namespace calstore {

std::shared_ptr<EntityDescription> EntityDescription::entityForNameInManagedObjectContext(
    const QString& name, const std::shared_ptr<ManagedObjectContext>& context) {
    if (!context || !Capabilities::shared().hasEntity(name)) return nullptr;
    return std::make_shared<EntityDescription>(name);
}

}  // namespace calstore
