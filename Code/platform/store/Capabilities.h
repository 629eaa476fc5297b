#pragma once

#include "platform/foundation/Threads.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace calstore {

// The argument and result types of one operation of the store's managed-object
// layer, as the diagnostics print them. The first two arguments are the
// receiver and the operation itself.
struct OperationSignature {
    QStringList argumentTypes;
    QString returnType;
};

// What the store's managed-object layer offers, by name: its classes, the
// operations their instances answer, their properties, and the entities a
// context describes. Code that uses the layer asks here first, piece by piece,
// and does without whatever is missing; so the answers decide what callers may
// use, never the other way round.
//
// Complete by default. Tests take pieces away (and put them back with
// restoreAll()) to see that every caller copes. One registry for the process;
// safe to use from any thread.
class Capabilities final {
public:
    // The classes of the layer.
    static inline const QString StoreClass = QStringLiteral("CalCalendarStore");
    static inline const QString CalendarClass = QStringLiteral("CalCalendar");
    static inline const QString EventClass = QStringLiteral("CalEvent");
    static inline const QString ContextClass = QStringLiteral("CalManagedObjectContext");
    static inline const QString ManagedEventClass = QStringLiteral("CalManagedEvent");
    static inline const QString ManagedAttendeeClass = QStringLiteral("CalManagedAttendee");
    static inline const QString ManagedLocalCalendarClass =
        QStringLiteral("CalManagedLocalCalendar");
    static inline const QString ManagedSubscribedCalendarClass =
        QStringLiteral("CalManagedCalDAVSubscribedCalendar");
    static inline const QString ManagedBirthdayCalendarClass =
        QStringLiteral("CalManagedBirthdayCalendar");
    static inline const QString ManagedServerCalendarClass =
        QStringLiteral("CalManagedCalDAVCalendar");
    static inline const QString ManagedMailCalendarClass = QStringLiteral("CalManagedIMAPCalendar");
    static inline const QString GroupClass = QStringLiteral("CalGroup");
    static inline const QString ManagedPrincipalClass = QStringLiteral("CalManagedCalDAVPrincipal");
    static inline const QString ManagedLocalGroupClass = QStringLiteral("CalManagedLocalGroup");
    static inline const QString ManagedSubscriptionGroupClass =
        QStringLiteral("CalManagedSubscriptionGroup");
    static inline const QString ManagedMailGroupClass = QStringLiteral("CalManagedIMAPGroup");
    // The entity of managed attendees.
    static inline const QString AttendeeEntity = QStringLiteral("Attendee");

    static Capabilities& shared();

    bool hasClass(const QString& className) const;
    // Whether instances of the class answer the operation (a keyword name such
    // as "saveGroup:error:"); NO when the class is missing.
    bool instancesRespondTo(const QString& className, const QString& operation) const;
    bool hasProperty(const QString& className, const QString& property) const;
    bool hasEntity(const QString& entityName) const;
    // The signature of an operation the layer offers; empty when it has none.
    OperationSignature signatureOf(const QString& className, const QString& operation) const;

    void removeClass(const QString& className);
    void removeOperation(const QString& className, const QString& operation);
    void removeProperty(const QString& className, const QString& property);
    void removeEntity(const QString& entityName);
    // Everything back as it was made.
    void restoreAll();

private:
    Capabilities();

    struct ClassInfo {
        QSet<QString> operations;
        QSet<QString> properties;
    };

    mutable foundation::Lock lock_;
    QHash<QString, ClassInfo> classes_;
    QSet<QString> entities_;
};

}  // namespace calstore
