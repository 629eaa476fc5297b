#pragma once

#include <QString>

#include <memory>

namespace calstore {

class ManagedObjectContext;

// The description of one entity of the managed-object layer, which a managed
// object is made with.
class EntityDescription final {
public:
    explicit EntityDescription(QString name) : name_(std::move(name)) {}
    // The entity of that name in the context; none when the layer lacks it.
    static std::shared_ptr<EntityDescription> entityForNameInManagedObjectContext(
        const QString& name, const std::shared_ptr<ManagedObjectContext>& context);
    const QString& name() const { return name_; }

private:
    QString name_;
};

using EntityDescriptionPtr = std::shared_ptr<EntityDescription>;

}  // namespace calstore
