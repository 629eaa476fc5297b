#include "data/MyEventStore.h"

#include "data/MyAttendee.h"

#include "platform/foundation/Log.h"
#include "platform/store/EntityDescription.h"
#include "platform/store/ManagedAttendee.h"
#include "platform/store/ManagedCalendar.h"
#include "platform/store/ManagedEvent.h"
#include "platform/store/ManagedGroup.h"

#include <QStringList>

#include <algorithm>
#include <atomic>
#include <typeinfo>

using calstore::Capabilities;

namespace {

Capabilities& layer() {
    return Capabilities::shared();
}

void say(const char* line) {
    foundation::log(QString::fromLatin1(line));
}

// Runs the checks of one availability test in order, logging each failed one,
// without stopping at the first.
class Checks final {
public:
    bool hasClass(const QString& name, const char* missing) {
        if (layer().hasClass(name)) return true;
        fail(missing);
        return false;
    }
    void operation(const QString& className, const char* operation, const char* missing) {
        if (!layer().instancesRespondTo(className, QString::fromLatin1(operation))) fail(missing);
    }
    void property(const QString& className, const char* property, const char* missing) {
        if (!layer().hasProperty(className, QString::fromLatin1(property))) fail(missing);
    }
    bool finish(const char* closing) const {
        if (!ok_) say(closing);
        return ok_;
    }

private:
    void fail(const char* line) {
        say(line);
        ok_ = false;
    }
    bool ok_ = true;
};

calstore::ManagedObjectContextPtr contextForCurrentThread() {
    const auto store = calstore::Store::defaultStore();
    auto context = store ? store->managedObjectContextForCurrentThread() : nullptr;
    if (!context) say("ERROR: managedObjectContext is nil");
    return context;
}

calstore::ManagedObjectPtr managedCalendar(const calstore::CalendarPtr& calendar) {
    const auto context = contextForCurrentThread();
    if (!context) return nullptr;
    if (!calendar || calendar->managedObjectID().isNull()) {
        say("ERROR: managedObject ID for calendar is nil");
        return nullptr;
    }
    auto object = calendar->findManagedObject(context);
    if (!object) say("ERROR: managedObject for calendar is nil");
    return object;
}

// The managed event behind an event; `error` is the error location handed to
// the context's look-up. Logs the step that failed, except `quietAboutObject`
// leaves the missing managed object to the caller.
calstore::ManagedEventPtr managedEvent(const calstore::ManagedObjectContextPtr& context,
                                       const calstore::EventPtr& event, QString* error,
                                       bool quietAboutObject = false) {
    const calstore::ManagedObjectID id =
        event ? event->managedObjectID() : calstore::ManagedObjectID{};
    if (id.isNull()) {
        say("ERROR: managedObject ID for event is nil");
        return nullptr;
    }
    auto object = std::dynamic_pointer_cast<calstore::ManagedEvent>(
        context->existingObjectWithIDError(id, error));
    if (!object && !quietAboutObject) say("ERROR: managedObject for event is nil");
    return object;
}

QString describeAttendee(const calstore::AttendeePtr& attendee) {
    if (!attendee) return QStringLiteral("(null)");
    if (auto mine = std::dynamic_pointer_cast<MyAttendee>(attendee)) return mine->description();
    return QStringLiteral("Attendee %1 \"%2\" %3 %4")
        .arg(attendee->address().toString(QUrl::FullyEncoded), attendee->commonName(),
             attendee->status(), attendee->role());
}

QString describeList(const QStringList& items) {
    return QStringLiteral("(") + items.join(QStringLiteral(",\n")) + QStringLiteral(")");
}

bool isMyAttendee(const calstore::AttendeePtr& attendee) {
    return attendee && typeid(*attendee) == typeid(MyAttendee);
}

calstore::GroupPtr storeGroupWithUID(const QString& uid) {
    const auto store = calstore::Store::defaultStore();
    for (const auto& group : store->groups())
        if (group->uid() == uid) return group;
    return nullptr;
}

}  // namespace

// --- Forwarding ----------------------------------------------------------------------

calstore::StorePtr MyEventStore::defaultCalendarStore() {
    return calstore::Store::defaultCalendarStore();
}

QList<calstore::CalendarPtr> MyEventStore::calendars() {
    return defaultCalendarStore()->calendars();
}

calstore::CalendarPtr MyEventStore::calendarWithUID(const QString& uid) {
    return defaultCalendarStore()->calendarWithUID(uid);
}

bool MyEventStore::saveCalendarError(const calstore::CalendarPtr& calendar, QString* error) {
    return defaultCalendarStore()->saveCalendar(calendar, error);
}

bool MyEventStore::removeCalendarError(const calstore::CalendarPtr& calendar, QString* error) {
    return defaultCalendarStore()->removeCalendar(calendar, error);
}

QList<calstore::EventPtr> MyEventStore::eventsWithPredicate(
    const calstore::EventPredicate& predicate) {
    return defaultCalendarStore()->eventsWithPredicate(predicate);
}

calstore::EventPtr MyEventStore::eventWithUIDOccurrence(const QString& uid,
                                                        const QDateTime& occurrence) {
    return defaultCalendarStore()->eventWithUIDOccurrence(uid, occurrence);
}

bool MyEventStore::removeEventSpanError(const calstore::EventPtr& event, calstore::Span span,
                                        QString* error) {
    return defaultCalendarStore()->removeEvent(event, span, error);
}

bool MyEventStore::saveEventSpanError(const calstore::EventPtr& event, calstore::Span span,
                                      QString* error) {
    return saveEventWithAttendeesSpanError(event, {}, span, error);
}

QList<calstore::TaskPtr> MyEventStore::tasksWithPredicate(
    const calstore::TaskPredicate& predicate) {
    return defaultCalendarStore()->tasksWithPredicate(predicate);
}

calstore::TaskPtr MyEventStore::taskWithUID(const QString& uid) {
    return defaultCalendarStore()->taskWithUID(uid);
}

bool MyEventStore::saveTaskError(const calstore::TaskPtr& task, QString* error) {
    return defaultCalendarStore()->saveTask(task, error);
}

bool MyEventStore::removeTaskError(const calstore::TaskPtr& task, QString* error) {
    return defaultCalendarStore()->removeTask(task, error);
}

calstore::EventPredicate MyEventStore::eventPredicateWithStartDateEndDateCalendars(
    const QDateTime& startDate, const QDateTime& endDate,
    const QList<calstore::CalendarPtr>& calendars) {
    return calstore::Store::eventPredicateWithStartDateEndDateCalendars(startDate, endDate,
                                                                        calendars);
}

calstore::EventPredicate MyEventStore::eventPredicateWithStartDateEndDateUIDCalendars(
    const QDateTime& startDate, const QDateTime& endDate, const QString& uid,
    const QList<calstore::CalendarPtr>& calendars) {
    return calstore::Store::eventPredicateWithStartDateEndDateUIDCalendars(startDate, endDate, uid,
                                                                           calendars);
}

calstore::TaskPredicate MyEventStore::taskPredicateWithCalendars(
    const QList<calstore::CalendarPtr>& calendars) {
    return calstore::Store::taskPredicateWithCalendars(calendars);
}

calstore::TaskPredicate MyEventStore::taskPredicateWithTasksCompletedSinceCalendars(
    const QDateTime& completedSince, const QList<calstore::CalendarPtr>& calendars) {
    return calstore::Store::taskPredicateWithTasksCompletedSinceCalendars(completedSince,
                                                                          calendars);
}

calstore::TaskPredicate MyEventStore::taskPredicateWithUncompletedTasks(
    const QList<calstore::CalendarPtr>& calendars) {
    return calstore::Store::taskPredicateWithUncompletedTasks(calendars);
}

calstore::TaskPredicate MyEventStore::taskPredicateWithUncompletedTasksDueBeforeCalendars(
    const QDateTime& dueDate, const QList<calstore::CalendarPtr>& calendars) {
    return calstore::Store::taskPredicateWithUncompletedTasksDueBeforeCalendars(dueDate, calendars);
}

// --- Availability --------------------------------------------------------------------

// Our store writes attendees together with the managed event's attendee flag,
// so the flag's operation belongs to what the layer must offer; whether it does
// is the registry's answer, not a toolkit version's.

bool MyEventStore::extendedAPIavailable() {
    Checks c;
    if (c.hasClass(Capabilities::StoreClass, "WARNING: can't find CalCalendarStore class"))
        c.operation(Capabilities::StoreClass, "_managedObjectContextForCurrentThread",
                    "WARNING: can't get managedObjectContext for current thread");
    if (c.hasClass(Capabilities::CalendarClass, "WARNING: can't find CalCalendar class"))
        c.operation(Capabilities::CalendarClass,
                    "_findManagedObject:", "WARNING: can't get managedObject from CalCalendar");
    if (c.hasClass(Capabilities::ContextClass,
                   "WARNING: can't find CalManagedObjectContext class")) {
        c.operation(Capabilities::ContextClass, "existingObjectWithID:error:",
                    "WARNING: can't search for managed objects in managedObjectContext");
        c.operation(Capabilities::ContextClass, "insertObject:",
                    "WARNING: can't add new managed objects to managedObjectContext");
        c.operation(Capabilities::ContextClass,
                    "save:", "WARNING: can't save changes in managedObjectContext");
    }
    if (c.hasClass(Capabilities::EventClass, "WARNING: can't find CalEvent class")) {
        c.operation(Capabilities::EventClass, "managedObjectID",
                    "WARNING: can't get managed object IDs for CalEvents");
        c.operation(Capabilities::EventClass,
                    "setAttendees:", "WARNING: can't set attendees on events");
    }
    if (c.hasClass(Capabilities::ManagedEventClass, "WARNING: can't find CalManagedEvent class"))
        c.operation(Capabilities::ManagedEventClass,
                    "setHasAttendee:", "WARNING: can't set attendees flag on managed event");
    if (c.hasClass(Capabilities::ManagedAttendeeClass,
                   "WARNING: can't instantiate CalManagedAttendee")) {
        const QString& a = Capabilities::ManagedAttendeeClass;
        c.operation(a, "initWithEntity:insertIntoManagedObjectContext:",
                    "WARNING: can't initialize managed attendee");
        c.operation(a, "setAddress:", "WARNING: can't set address on managed attendee");
        c.property(a, "email", "WARNING: can't set email on managed attendee");
        c.property(a, "event", "WARNING: can't link event on managed attendee");
        c.property(a, "role", "WARNING: can't set role on managed attendee");
        c.property(a, "status", "WARNING: can't set status on managed attendee");
        c.property(a, "commonName", "WARNING: can't set common name on managed attendee");
    }
    if (c.hasClass(Capabilities::ManagedLocalCalendarClass,
                   "WARNING: can't instantiate CalManagedLocalCalendar")) {
        const QString& l = Capabilities::ManagedLocalCalendarClass;
        c.property(l, "checked", "WARNING: can't set checked property of managed calendar");
        c.property(l, "order", "WARNING: can't set order property of managed calendar");
        c.property(l, "group", "WARNING: can't get group for managed calendar");
    }
    return c.finish(
        "WARNING: can't use internal CalendarStore API! Event attributes such as attendees may "
        "get lost.");
}

bool MyEventStore::groupsAPIavailable() {
    Checks c;
    const QString& s = Capabilities::StoreClass;
    if (c.hasClass(s, "WARNING: can't find CalCalendarStore class")) {
        c.operation(s, "groups", "WARNING: can't get calendar groups");
        c.operation(s, "groupWithUID:", "WARNING: can't get calendar group by UID");
        c.operation(s, "saveGroup:error:", "WARNING: can't save calendar group");
        c.operation(s, "removeGroup:error:", "WARNING: can't remove calendar group");
    }
    const QString& g = Capabilities::GroupClass;
    if (c.hasClass(g, "WARNING: can't find CalGroup class")) {
        c.operation(g, "initWithUID:type:", "WARNING: can't get calendar groups");
        c.operation(g, "setTitle:", "WARNING: can't set group title");
        c.operation(g, "title", "WARNING: can't get group title");
        c.operation(g, "type", "WARNING: can't get group type");
        c.operation(g, "uid", "WARNING: can't get group UID");
        c.operation(g, "managedObjectID", "WARNING: can't get ID of group's managed object");
        c.operation(g, "setServerURL:", "WARNING: can't set group server URL");
        c.operation(g, "serverURL", "WARNING: can't get group server URL");
        c.operation(g, "setExternalServerURL:", "WARNING: can't set group external server URL");
        c.operation(g, "externalServerURL", "WARNING: can't get group external server URL");
        c.operation(g, "setEmailAddress:", "WARNING: can't set group email");
        c.operation(g, "emailAddress", "WARNING: can't get group email");
        c.operation(g, "setFullName:", "WARNING: can't set group name");
        c.operation(g, "fullName", "WARNING: can't get group name");
    }
    return c.finish(
        "WARNING: can't use internal CalendarStore API! No calendar group operations available.");
}

bool MyEventStore::canSetAttendees() {
    return layer().hasClass(Capabilities::ManagedEventClass) &&
           layer().instancesRespondTo(Capabilities::ManagedEventClass,
                                      QStringLiteral("setHasAttendee:"));
}

// --- Calendars and groups ------------------------------------------------------------

bool MyEventStore::calendarIsSubscribed(const calstore::CalendarPtr& calendar) {
    if (!extendedAPIavailable()) return false;
    const auto object = managedCalendar(calendar);
    if (!object) return false;
    const QString className = object->className();
    return className == Capabilities::ManagedSubscribedCalendarClass ||
           className == Capabilities::ManagedBirthdayCalendarClass;
}

bool MyEventStore::calendarIsReminder(const calstore::CalendarPtr& calendar) {
    if (!extendedAPIavailable()) return false;
    return calendar && calendar->calendarItemTypes() == 2;
}

MyStoreGroupPtr MyEventStore::groupOfCalendar(const calstore::CalendarPtr& calendar) {
    if (!groupsAPIavailable() || !extendedAPIavailable()) return nullptr;
    const auto object = managedCalendar(calendar);
    if (!object) return nullptr;
    if (!object->respondsTo(QStringLiteral("group"))) {
        say("ERROR: can't get group object for managed calendar");
        return nullptr;
    }
    const auto managed = std::dynamic_pointer_cast<calstore::ManagedCalendar>(object);
    const auto group = managed ? managed->group() : nullptr;
    if (!group || !group->respondsTo(QStringLiteral("uid"))) return nullptr;
    return groupWithUID(group->uid());
}

std::optional<QList<MyStoreGroupPtr>> MyEventStore::groups() {
    if (!groupsAPIavailable()) return std::nullopt;
    QList<MyStoreGroupPtr> out;
    for (const auto& group : defaultCalendarStore()->groups())
        out << newMyStoreGroupForCalGroup(group);
    return out;
}

MyStoreGroupPtr MyEventStore::groupWithUID(const QString& uid) {
    if (!groupsAPIavailable()) return nullptr;
    const auto group = storeGroupWithUID(uid);
    return group ? newMyStoreGroupForCalGroup(group) : nullptr;
}

bool MyEventStore::saveGroupError(const MyStoreGroupPtr& group, QString* error) {
    if (!groupsAPIavailable() || !group) return false;
    const auto storeGroup = storeGroupWithUID(group->uid());
    if (!storeGroup) return false;
    storeGroup->setTitle(group->title());
    storeGroup->setServerURL(group->serverURL());
    storeGroup->setExternalServerURL(group->externalServerURL());
    storeGroup->setEmailAddress(group->emailAddress());
    storeGroup->setFullName(group->fullName());
    return defaultCalendarStore()->saveGroup(storeGroup, error);
}

bool MyEventStore::removeGroupError(const MyStoreGroupPtr& group, QString* error) {
    if (!groupsAPIavailable() || !group) return false;
    const auto storeGroup = storeGroupWithUID(group->uid());
    if (!storeGroup) return false;
    return defaultCalendarStore()->removeGroup(storeGroup, error);
}

MyStoreGroupPtr MyEventStore::newMyStoreGroupForCalGroup(const calstore::GroupPtr& group) {
    if (!group) return nullptr;
    auto mine = MyStoreGroup::initWithUIDType(group->uid(), group->type());
    mine->setTitle(group->title());
    mine->setServerURL(group->serverURL());
    mine->setExternalServerURL(group->externalServerURL());
    mine->setEmailAddress(group->emailAddress());
    mine->setFullName(group->fullName());
    if (!extendedAPIavailable()) return mine;

    const auto context = contextForCurrentThread();
    if (!context) return mine;
    const calstore::ManagedObjectID id = group->managedObjectID();
    if (id.isNull()) {
        say("ERROR: managedObject ID for group is nil");
        return mine;
    }
    const auto object = context->objectWithID(id);
    if (!object) {
        say("ERROR: managedObject for group is nil");
        return mine;
    }
    const QString className = object->className();
    if (className == Capabilities::ManagedPrincipalClass) {
        const auto principal = std::dynamic_pointer_cast<calstore::ManagedGroup>(object);
        if (principal)
            mine->setCalDavAttributesUrlHomePushCalPathHomePathRemoteRenameable(
                principal->principalURL(), principal->calendarHomePushKey(),
                principal->defaultCalendarPath(), principal->calendarHomePath(),
                principal->isRemote(), principal->isRenameable());
        mine->setGroupType(1);
    } else if (className == Capabilities::ManagedLocalGroupClass) {
        mine->setGroupType(2);
    } else if (className == Capabilities::ManagedSubscriptionGroupClass) {
        mine->setGroupType(3);
    } else if (className == Capabilities::ManagedMailGroupClass) {
        mine->setGroupType(4);
    }
    return mine;
}

// --- Events and attendees ------------------------------------------------------------

namespace {
std::atomic<bool> g_failNextAttendeeWrite{false};
}  // namespace

namespace testhooks {
void failNextAttendeeWrite() {
    g_failNextAttendeeWrite = true;
}
}  // namespace testhooks

bool MyEventStore::saveEventWithAttendeesSpanError(const calstore::EventPtr& event,
                                                   const QList<calstore::AttendeePtr>& attendees,
                                                   calstore::Span span, QString* error) {
    checkStartEndTimes(event);
    // Saving replaces the event's values with the stored ones, and the list
    // may be the event's own: hold on to the attendees as they were given.
    const QList<calstore::AttendeePtr> given = attendees;
    if (!defaultCalendarStore()->saveEvent(event, span, error)) return false;
    return writeAttendeesForEventError(event, given, error);
}

bool MyEventStore::writeAttendeesForEventError(const calstore::EventPtr& event,
                                               const QList<calstore::AttendeePtr>& attendees,
                                               QString* error) {
    if (attendees.isEmpty()) return true;
    if (std::none_of(attendees.begin(), attendees.end(), isMyAttendee)) return true;
    if (!extendedAPIavailable()) return true;
    if (g_failNextAttendeeWrite.exchange(false)) {
        if (error) *error = QStringLiteral("the store refused the attendees");
        return false;
    }

    // The event itself is saved: a failure from here on leaves only its attendees out.
    const auto context = contextForCurrentThread();
    if (!context) return true;
    const auto managed = managedEvent(context, event, error);
    if (!managed) return true;
    const auto entity = calstore::EntityDescription::entityForNameInManagedObjectContext(
        Capabilities::AttendeeEntity, context);
    if (!entity) {
        say("ERROR: entity description for attendee is nil");
        return true;
    }
    for (const auto& attendee : attendees) {
        if (!attendee) continue;
        const QUrl address = attendee->address();
        const QString commonName = attendee->commonName();
        const QString status = attendee->status();
        const QString role = attendee->role();
        auto record = calstore::ManagedAttendee::initWithEntityInsertIntoManagedObjectContext(
            entity, context);
        if (!address.isEmpty()) record->setAddress(address);
        if (!status.isNull()) record->setStatus(status);
        if (!role.isNull()) record->setRole(role);
        if (!commonName.isNull()) record->setCommonName(commonName);
        record->setEvent(managed);
        context->insertObject(record);
    }
    if (managed->respondsTo(QStringLiteral("setHasAttendee:"))) managed->setHasAttendee(true);
    return context->save(error);
}

void MyEventStore::checkStartEndTimes(const calstore::EventPtr& event) {
    if (!event) return;
    QDateTime earlier = event->startDate();
    QDateTime later = event->endDate();
    if (!earlier.isValid() && !later.isValid()) return;
    if (!earlier.isValid()) earlier = later;
    if (!later.isValid()) later = earlier;
    if (later < earlier) std::swap(earlier, later);
    if (earlier.secsTo(later) < kMinimumEventSeconds) later = earlier.addSecs(kMinimumEventSeconds);
    event->setStartDate(earlier);
    event->setEndDate(later);
}

bool MyEventStore::expandAttendeeInfoOnEvent(const calstore::EventPtr& event) {
    if (!event || !extendedAPIavailable()) return false;
    const auto context = contextForCurrentThread();
    if (!context) return false;
    QString lookUpError;
    const auto managed = managedEvent(context, event, &lookUpError);
    if (!managed) return false;
    QList<calstore::AttendeePtr> expanded;
    for (const auto& stored : managed->attendees()) {
        auto attendee = MyAttendee::initWithNameAndAddress(stored->commonName(), stored->address());
        attendee->setStatus(stored->status());
        attendee->setRole(stored->role());
        expanded << attendee;
    }
    event->setAttendees(expanded);
    return true;
}

bool MyEventStore::setAttendeesForEvent(const QList<calstore::AttendeePtr>& attendees,
                                        const calstore::EventPtr& event) {
    if (!extendedAPIavailable()) return false;
    for (const auto& attendee : attendees) {
        if (!isMyAttendee(attendee)) {
            say("ERROR: attendees for [MyEventStore setAttendees:forEvent:] need to be of class "
                "MyAttendee!");
            return false;
        }
    }
    if (!event) return false;
    event->setAttendees(attendees);
    return true;
}

void MyEventStore::printEventAttendees(const calstore::EventPtr& event) {
    say("printEventAttendees:");
    const auto context = contextForCurrentThread();
    QString lookUpError;
    const auto managed = context ? managedEvent(context, event, &lookUpError, true) : nullptr;
    if (!managed) {
        say("  ERROR: prior managedObject for event is nil");
        return;
    }
    say("  attendee settings prior to changing them:");
    QStringList conventional;
    for (const auto& attendee : event->attendees()) conventional << describeAttendee(attendee);
    foundation::log(
        QStringLiteral("    conventional attendees query: %1").arg(describeList(conventional)));
    foundation::log(
        QStringLiteral("    hasAttendee = %1").arg(managed->hasAttendee().has_value() ? 1 : 0));
    QStringList stored;
    for (const auto& attendee : managed->attendees())
        stored << QStringLiteral("CalManagedAttendee %1 \"%2\" %3 %4")
                      .arg(attendee->address().toString(QUrl::FullyEncoded), attendee->commonName(),
                           attendee->status(), attendee->role());
    foundation::log(QStringLiteral("    attendees   = %1").arg(describeList(stored)));
}

void MyEventStore::describeSignature(const calstore::OperationSignature& signature) {
    foundation::log(
        QStringLiteral("Method signature with %1 arguments:").arg(signature.argumentTypes.size()));
    for (int i = 0; i < signature.argumentTypes.size(); ++i)
        foundation::log(QStringLiteral("  arg %1 : %2").arg(i, 2).arg(signature.argumentTypes[i]));
    foundation::log(QStringLiteral("return type: %1").arg(signature.returnType));
}
