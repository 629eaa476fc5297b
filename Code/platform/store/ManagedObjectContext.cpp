#include "platform/store/ManagedObjectContext.h"

#include "platform/store/ManagedAttendee.h"
#include "platform/store/ManagedEvent.h"
#include "platform/store/Store.h"

#include <algorithm>

namespace calstore {

ManagedObjectPtr ManagedObjectContext::existingObjectWithIDError(const ManagedObjectID& id,
                                                                 QString* error) {
    const auto s = store();
    auto object = s && !id.isNull() ? s->managedObjectWithID(id) : nullptr;
    if (!object && error)
        *error = s ? QStringLiteral("the store holds no such record (%1)").arg(id.uid)
                   : QStringLiteral("the store is closed");
    return object;
}

ManagedObjectPtr ManagedObjectContext::objectWithID(const ManagedObjectID& id) {
    return existingObjectWithIDError(id, nullptr);
}

void ManagedObjectContext::insertObject(const ManagedObjectPtr& object) {
    if (object && std::find(inserted_.begin(), inserted_.end(), object) == inserted_.end())
        inserted_.push_back(object);
}

bool ManagedObjectContext::save(QString* error) {
    if (inserted_.empty()) return true;
    const auto s = store();
    if (!s) {
        if (error) *error = QStringLiteral("the store is closed");
        return false;
    }
    // The attendees of each event, in the order they were inserted.
    std::vector<std::pair<ManagedObjectID, QList<AttendeePtr>>> byEvent;
    for (const auto& object : inserted_) {
        const auto attendee = std::dynamic_pointer_cast<ManagedAttendee>(object);
        const auto event = attendee ? attendee->event() : nullptr;
        if (!event) continue;  // nothing to write it to
        auto it = std::find_if(byEvent.begin(), byEvent.end(),
                               [&](const auto& e) { return e.first == event->objectID(); });
        if (it == byEvent.end()) {
            byEvent.push_back({event->objectID(), {}});
            it = byEvent.end() - 1;
        }
        it->second << std::make_shared<Attendee>(
            attendee->address(), attendee->commonName(),
            attendee->status().isNull() ? AttendeeStatusNeedsAction : attendee->status(),
            attendee->role().isNull() ? AttendeeRoleRequired : attendee->role());
    }
    // Whatever happens, the inserted objects are used up: a failed write is
    // not tried again behind the caller's back with attendees it no longer means.
    inserted_.clear();
    bool ok = true;
    for (const auto& [id, attendees] : byEvent) {
        QString why;
        if (!s->writeAttendees(id, attendees, &why)) {
            if (ok && error) *error = why;
            ok = false;
        }
    }
    return ok;
}

}  // namespace calstore
