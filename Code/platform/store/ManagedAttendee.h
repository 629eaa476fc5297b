#pragma once

#include "platform/store/EntityDescription.h"
#include "platform/store/ManagedObject.h"

#include <QString>
#include <QUrl>

#include <memory>

namespace calstore {

class ManagedEvent;
class ManagedObjectContext;

// One attendee of the managed-object layer: made for a context, given its
// fields, linked to a managed event and inserted into the context, whose save
// writes it to the event's file.
class ManagedAttendee final : public ManagedObject {
public:
    ManagedAttendee() = default;
    // What the layer's initialiser does: an attendee of the entity, to be inserted
    // into the context.
    static std::shared_ptr<ManagedAttendee> initWithEntityInsertIntoManagedObjectContext(
        const EntityDescriptionPtr& entity, const std::shared_ptr<ManagedObjectContext>& context);
    QString className() const override;

    QUrl address() const { return address_; }
    QString commonName() const { return commonName_; }
    QString status() const { return status_; }
    QString role() const { return role_; }
    std::shared_ptr<ManagedEvent> event() const { return event_.lock(); }

    void setAddress(const QUrl& address) { address_ = address; }
    void setCommonName(const QString& name) { commonName_ = name; }
    void setStatus(const QString& status) { status_ = status; }
    void setRole(const QString& role) { role_ = role; }
    void setEvent(const std::shared_ptr<ManagedEvent>& event);

private:
    QUrl address_;
    QString commonName_;
    QString status_;
    QString role_;
    std::weak_ptr<ManagedEvent> event_;
    std::shared_ptr<ManagedEvent> heldEvent_;  // kept alive while the attendee waits to be saved
};

using ManagedAttendeePtr = std::shared_ptr<ManagedAttendee>;

}  // namespace calstore
