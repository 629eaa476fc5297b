#include "platform/store/Capabilities.h"

namespace calstore {

namespace {

QSet<QString> setOf(std::initializer_list<const char*> names) {
    QSet<QString> out;
    for (const char* n : names) out.insert(QString::fromLatin1(n));
    return out;
}

}  // namespace

Capabilities& Capabilities::shared() {
    static Capabilities* registry = new Capabilities;  // outlives every static destructor
    return *registry;
}

Capabilities::Capabilities() {
    restoreAll();
}

void Capabilities::restoreAll() {
    foundation::Guard guard(lock_);
    classes_.clear();
    classes_.insert(StoreClass,
                    {setOf({"_managedObjectContextForCurrentThread", "groups",
                            "groupWithUID:", "saveGroup:error:", "removeGroup:error:", "calendars",
                            "calendarWithUID:", "saveCalendar:error:", "removeCalendar:error:",
                            "eventsWithPredicate:", "eventWithUID:occurrence:",
                            "saveEvent:span:error:", "removeEvent:span:error:"}),
                     {}});
    classes_.insert(
        CalendarClass,
        {setOf({"_findManagedObject:", "managedObjectID", "calendarItemTypes", "uid", "title"}),
         {}});
    classes_.insert(EventClass, {setOf({"managedObjectID", "setAttendees:", "attendees",
                                        "startDate", "setStartDate:", "endDate", "setEndDate:"}),
                                 {}});
    classes_.insert(
        ContextClass,
        {setOf({"existingObjectWithID:error:", "objectWithID:", "insertObject:", "save:"}), {}});
    classes_.insert(ManagedEventClass,
                    {setOf({"setHasAttendee:", "hasAttendee", "attendees"}), {}});
    classes_.insert(ManagedAttendeeClass,
                    {setOf({"initWithEntity:insertIntoManagedObjectContext:", "setAddress:",
                            "setStatus:", "setRole:", "setCommonName:", "setEvent:", "address",
                            "status", "role", "commonName"}),
                     setOf({"email", "event", "role", "status", "commonName"})});
    const ClassInfo managedCalendar{setOf({"group"}), setOf({"checked", "order", "group"})};
    for (const QString& name :
         {ManagedLocalCalendarClass, ManagedSubscribedCalendarClass, ManagedBirthdayCalendarClass,
          ManagedServerCalendarClass, ManagedMailCalendarClass})
        classes_.insert(name, managedCalendar);
    classes_.insert(
        GroupClass,
        {setOf({"initWithUID:type:", "setTitle:", "title", "type", "uid", "managedObjectID",
                "setServerURL:", "serverURL", "setExternalServerURL:", "externalServerURL",
                "setEmailAddress:", "emailAddress", "setFullName:", "fullName"}),
         {}});
    const ClassInfo managedGroup{setOf({"uid"}), {}};
    for (const QString& name :
         {ManagedLocalGroupClass, ManagedSubscriptionGroupClass, ManagedMailGroupClass})
        classes_.insert(name, managedGroup);
    classes_.insert(ManagedPrincipalClass,
                    {setOf({"uid", "principalURL", "calendarHomePushKey", "defaultCalendarPath",
                            "calendarHomePath", "isRemote", "isRenameable"}),
                     {}});
    entities_ = {AttendeeEntity};
}

bool Capabilities::hasClass(const QString& className) const {
    foundation::Guard guard(lock_);
    return classes_.contains(className);
}

bool Capabilities::instancesRespondTo(const QString& className, const QString& operation) const {
    foundation::Guard guard(lock_);
    auto it = classes_.constFind(className);
    return it != classes_.constEnd() && it->operations.contains(operation);
}

bool Capabilities::hasProperty(const QString& className, const QString& property) const {
    foundation::Guard guard(lock_);
    auto it = classes_.constFind(className);
    return it != classes_.constEnd() && it->properties.contains(property);
}

bool Capabilities::hasEntity(const QString& entityName) const {
    foundation::Guard guard(lock_);
    return entities_.contains(entityName);
}

OperationSignature Capabilities::signatureOf(const QString& className,
                                             const QString& operation) const {
    if (!instancesRespondTo(className, operation)) return {};
    OperationSignature s;
    s.argumentTypes << QStringLiteral("object") << QStringLiteral("operation");
    const QStringList keywords = operation.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const int arguments = int(operation.count(QLatin1Char(':')));
    for (int i = 0; i < arguments; ++i) {
        const QString keyword = i < keywords.size() ? keywords[i] : QString();
        s.argumentTypes << (keyword == QStringLiteral("error") ||
                                    operation == QStringLiteral("save:")
                                ? QStringLiteral("error location")
                                : QStringLiteral("object"));
    }
    static const QSet<QString> answersFlag = setOf(
        {"saveGroup:error:", "removeGroup:error:", "save:", "saveCalendar:error:",
         "removeCalendar:error:", "saveEvent:span:error:", "removeEvent:span:error:", "isRemote",
         "isRenameable"});
    if (answersFlag.contains(operation))
        s.returnType = QStringLiteral("bool");
    else if (operation.startsWith(QStringLiteral("set")) ||
             operation == QStringLiteral("insertObject:"))
        s.returnType = QStringLiteral("void");
    else
        s.returnType = QStringLiteral("object");
    return s;
}

void Capabilities::removeClass(const QString& className) {
    foundation::Guard guard(lock_);
    classes_.remove(className);
}

void Capabilities::removeOperation(const QString& className, const QString& operation) {
    foundation::Guard guard(lock_);
    auto it = classes_.find(className);
    if (it != classes_.end()) it->operations.remove(operation);
}

void Capabilities::removeProperty(const QString& className, const QString& property) {
    foundation::Guard guard(lock_);
    auto it = classes_.find(className);
    if (it != classes_.end()) it->properties.remove(property);
}

void Capabilities::removeEntity(const QString& entityName) {
    foundation::Guard guard(lock_);
    entities_.remove(entityName);
}

}  // namespace calstore
