#pragma once

#include <QDateTime>
#include <QString>

#include <memory>

namespace calstore {

// Names one record of the store for the managed-object layer: a calendar (by
// its UID), an event component (calendar, series UID, and the recurrence
// identifier of a changed occurrence; invalid for the series itself) or an
// account group (by its UID). A null ID names nothing.
struct ManagedObjectID {
    enum class Entity { None, Calendar, Event, Group };
    Entity entity = Entity::None;
    QString calendarUid;
    QString uid;
    QDateTime recurrenceId;

    bool isNull() const { return entity == Entity::None; }
    bool operator==(const ManagedObjectID& other) const {
        return entity == other.entity && calendarUid == other.calendarUid && uid == other.uid &&
               recurrenceId == other.recurrenceId;
    }
};

// One object of the store's managed-object layer. Its class name says what it
// is (the layer's callers tell kinds of calendars and groups apart by it), and
// whether it answers an operation is asked of the Capabilities registry.
class ManagedObject {
public:
    virtual ~ManagedObject();
    virtual QString className() const = 0;
    bool respondsTo(const QString& operation) const;
    const ManagedObjectID& objectID() const { return id_; }

protected:
    explicit ManagedObject(ManagedObjectID id = {}) : id_(std::move(id)) {}
    ManagedObjectID id_;
};

using ManagedObjectPtr = std::shared_ptr<ManagedObject>;

}  // namespace calstore
