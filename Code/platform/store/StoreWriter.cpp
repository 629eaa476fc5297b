#include "platform/store/Store.h"

#include "platform/store/ManagedCalendar.h"
#include "platform/store/ManagedEvent.h"
#include "platform/store/ManagedGroup.h"
#include "platform/store/StoreSnapshot.h"

namespace calstore {

namespace {
QString notYet() {
    return QStringLiteral("the store cannot write yet");
}
}  // namespace

Store::~Store() = default;

bool Store::fail(QString* error, const QString&, const QString& why) const {
    if (error) *error = why;
    return false;
}

void Store::scheduleRescan() {}

bool Store::saveCalendar(const CalendarPtr&, QString* error) {
    return fail(error, {}, notYet());
}
bool Store::removeCalendar(const CalendarPtr&, QString* error) {
    return fail(error, {}, notYet());
}
bool Store::saveEvent(const EventPtr&, Span, QString* error) {
    return fail(error, {}, notYet());
}
bool Store::removeEvent(const EventPtr&, Span, QString* error) {
    return fail(error, {}, notYet());
}
bool Store::saveTask(const TaskPtr&, QString* error) {
    return fail(error, {}, notYet());
}
bool Store::removeTask(const TaskPtr&, QString* error) {
    return fail(error, {}, notYet());
}
QList<GroupPtr> Store::groups() const {
    auto local = std::make_shared<Group>(localGroupUID(), GroupTypeLocal);
    return {local};
}
GroupPtr Store::groupWithUID(const QString& uid) const {
    for (const auto& g : groups())
        if (g->uid() == uid) return g;
    return nullptr;
}
bool Store::saveGroup(const GroupPtr&, QString* error) {
    return fail(error, {}, notYet());
}
bool Store::removeGroup(const GroupPtr&, QString* error) {
    return fail(error, {}, notYet());
}
QString Store::localGroupUID() {
    return QStringLiteral("local");
}
ManagedObjectContextPtr Store::managedObjectContextForCurrentThread() {
    return std::make_shared<ManagedObjectContext>(weak_from_this());
}
ManagedObjectPtr Store::managedObjectWithID(const ManagedObjectID&) const {
    return nullptr;
}
bool Store::writeAttendees(const ManagedObjectID&, const QList<AttendeePtr>&, QString* error) {
    return fail(error, {}, notYet());
}
void Store::startWatching() {}
bool Store::rescan() {
    return false;
}
void Store::setDefaultStore(const std::shared_ptr<Store>&) {}
void Store::setSnapshot(std::shared_ptr<const detail::StoreSnapshot> snapshot) {
    foundation::Guard guard(lock_);
    snapshot_ = std::move(snapshot);
}

}  // namespace calstore
