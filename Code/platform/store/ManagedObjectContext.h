#pragma once

#include "platform/store/ManagedObject.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace calstore {

class Store;
class ManagedEvent;

// The managed-object layer's view of the store for one thread: it finds the
// managed objects behind calendars, events and groups, collects new objects
// (attendees linked to events) and writes them to the store when saved. Each
// thread has its own (Store::managedObjectContextForCurrentThread()); a context
// is used by that thread only and takes no locks of its own.
class ManagedObjectContext final : public std::enable_shared_from_this<ManagedObjectContext> {
public:
    explicit ManagedObjectContext(std::weak_ptr<Store> store) : store_(std::move(store)) {}

    std::shared_ptr<Store> store() const { return store_.lock(); }

    // The object the ID names as the store holds it now; none (with the reason
    // in `error`) when it does not exist.
    ManagedObjectPtr existingObjectWithIDError(const ManagedObjectID& id, QString* error);
    // The same without a reason.
    ManagedObjectPtr objectWithID(const ManagedObjectID& id);
    // Takes a new object into the context; it reaches the store with save().
    void insertObject(const ManagedObjectPtr& object);
    // Writes the attendees linked to events since the last save: each event
    // given attendees here gets exactly those (what the file says of an attendee
    // with the same address beyond the model's fields is kept). Answers whether
    // every write succeeded; either way the inserted objects are used up.
    bool save(QString* error);

    // Whether anything waits for save().
    bool hasChanges() const { return !inserted_.empty(); }

private:
    std::weak_ptr<Store> store_;
    std::vector<ManagedObjectPtr> inserted_;
};

using ManagedObjectContextPtr = std::shared_ptr<ManagedObjectContext>;

}  // namespace calstore
