// The store bridge over a store of its own: times put in order on save,
// attendees written through the managed-object layer, account groups, and the
// warnings and fallbacks when pieces of the layer are missing.
#include "ScopedUserCalendar.h"

#include "data/MyAttendee.h"
#include "data/MyEventStore.h"
#include "data/MyStoreGroup.h"

#include "platform/foundation/Log.h"
#include "platform/store/Capabilities.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <functional>

using calstore::Capabilities;
using calstore::Span;

namespace {

QDateTime at(int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return QDateTime(QDate(2024, mo, d), QTime(h, mi, s), QTimeZone("Europe/Berlin"));
}

class MyEventStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        write(QStringLiteral("home/displayname"), "Home");
        write(QStringLiteral("subs/displayname"), "Holidays");
        write(QStringLiteral("subs/zolt-calendar.json"), R"({"type": "subscription"})");
        write(QStringLiteral("birthdays/displayname"), "Birthdays");
        write(QStringLiteral("birthdays/zolt-calendar.json"), R"({"type": "birthday"})");
        write(QStringLiteral("todo/displayname"), "Reminders");
        write(QStringLiteral("todo/zolt-calendar.json"), R"({"items": "tasks"})");
        write(QStringLiteral("team/displayname"), "Team");
        write(QStringLiteral("team/zolt-calendar.json"),
              R"({"type": "calendar-server", "group": "acct-1"})");
        write(QStringLiteral("mail/displayname"), "Invitations");
        write(QStringLiteral("mail/zolt-calendar.json"), R"({"type": "mail-server"})");
        write(QStringLiteral("zolt-groups.json"), R"({"groups": [
            {"uid": "acct-1", "type": "calendar-server", "title": "Work account",
             "serverURL": "https://cal.example.com/", "email": "me@example.com",
             "fullName": "Me Myself", "principalURL": "https://cal.example.com/p/me/",
             "calendarHomePath": "/cal/me/", "defaultCalendarPath": "/cal/me/default/",
             "calendarHomePushKey": "push-1", "remote": true, "renameable": false}]})");
        store = calstore::Store::openAt(dir.path());
        calstore::Store::setDefaultStore(store);
    }
    void TearDown() override {
        Capabilities::shared().restoreAll();
        calstore::Store::setDefaultStore(nullptr);
    }

    void write(const QString& name, const QByteArray& data) { ASSERT_TRUE(dir.write(name, data)); }
    QByteArray fileOf(const calstore::EventPtr& e) const {
        for (const QString& name : QDir(dir.file(e->calendar()->uid())).entryList({"*.ics"})) {
            const QByteArray text = dir.read(e->calendar()->uid() + QLatin1Char('/') + name);
            if (text.contains(("UID:" + e->uid()).toUtf8())) return text;
        }
        return {};
    }
    calstore::EventPtr newEvent(const QDateTime& start, const QDateTime& end,
                                const QString& title = QStringLiteral("Meeting")) const {
        auto e = calstore::Event::event();
        e->setCalendar(store->calendarWithUID(QStringLiteral("home")));
        e->setTitle(title);
        e->setStartDate(start);
        e->setEndDate(end);
        return e;
    }
    calstore::EventPtr reread(const calstore::EventPtr& e) const {
        return calstore::Store::openAt(dir.path())->eventWithUIDOccurrence(e->uid(), {});
    }

    ScopedUserCalendar zone{"Europe/Berlin", 2, 4};
    testsupport::TempDir dir;
    calstore::StorePtr store;
};

}  // namespace

TEST_F(MyEventStoreTest, SavesPutTimesInOrderAndLastFiveMinutes) {
    struct Case {
        const char* name;
        QDateTime start, end;
        bool allDay;
        QDateTime expectedStart, expectedEnd;
    };
    const std::vector<Case> cases = {
        {"reversed", at(3, 5, 11), at(3, 5, 10), false, at(3, 5, 10), at(3, 5, 11)},
        {"299 seconds", at(3, 5, 10), at(3, 5, 10, 4, 59), false, at(3, 5, 10), at(3, 5, 10, 5)},
        {"exactly 300 seconds", at(3, 5, 10), at(3, 5, 10, 5), false, at(3, 5, 10),
         at(3, 5, 10, 5)},
        {"reversed by a minute", at(3, 5, 10, 1), at(3, 5, 10), false, at(3, 5, 10),
         at(3, 5, 10, 5)},
        {"no length", at(3, 5, 10), at(3, 5, 10), false, at(3, 5, 10), at(3, 5, 10, 5)},
        {"a whole day", at(3, 5), at(3, 5, 23, 59, 59), true, at(3, 5), at(3, 5, 23, 59, 59)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto e = newEvent(c.start, c.end, QLatin1String(c.name));
        e->setIsAllDay(c.allDay);
        QString error;
        ASSERT_TRUE(MyEventStore::saveEventSpanError(e, Span::ThisEvent, &error))
            << error.toStdString();
        EXPECT_EQ(e->startDate(), c.expectedStart);
        EXPECT_EQ(e->endDate(), c.expectedEnd);
        const auto stored = reread(e);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->startDate(), c.expectedStart);
        EXPECT_EQ(stored->endDate(), c.expectedEnd);
    }
}

TEST_F(MyEventStoreTest, AttendeesAreWrittenOnlyWithMyAttendees) {
    foundation::LogCapture log;
    // No MyAttendee among them: saved exactly as without attendees.
    auto plain = newEvent(at(3, 5, 10), at(3, 5, 11));
    const QList<calstore::AttendeePtr> foreign = {std::make_shared<calstore::Attendee>(
        QUrl(QStringLiteral("mailto:x@example.com")), QStringLiteral("X"),
        calstore::AttendeeStatusAccepted, calstore::AttendeeRoleChair)};
    ASSERT_TRUE(
        MyEventStore::saveEventWithAttendeesSpanError(plain, foreign, Span::AllEvents, nullptr));
    EXPECT_FALSE(fileOf(plain).contains("ATTENDEE"));
    EXPECT_TRUE(reread(plain)->attendees().isEmpty());

    // With them: one attendee per name, also the plain one that came along.
    auto meeting = newEvent(at(3, 6, 10), at(3, 6, 11));
    const QList<calstore::AttendeePtr> attendees = {
        MyAttendee::initWithNameAndAddress(QStringLiteral("Ann Lee"), QUrl()),
        MyAttendee::initWithNameAndAddress(QStringLiteral("Bob"),
                                           QUrl(QStringLiteral("mailto:bob@example.com"))),
        foreign.front()};
    QString error;
    ASSERT_TRUE(
        MyEventStore::saveEventWithAttendeesSpanError(meeting, attendees, Span::AllEvents, &error))
        << error.toStdString();
    auto stored = reread(meeting);
    ASSERT_EQ(stored->attendees().size(), 3);
    EXPECT_EQ(stored->attendees()[0]->commonName(), QStringLiteral("Ann Lee"));
    EXPECT_TRUE(stored->attendees()[0]->address().isEmpty());
    EXPECT_EQ(stored->attendees()[0]->role(), calstore::AttendeeRoleNonParticipant);
    EXPECT_EQ(stored->attendees()[0]->status(), calstore::AttendeeStatusNeedsAction);
    EXPECT_EQ(stored->attendees()[1]->address(), QUrl(QStringLiteral("mailto:bob@example.com")));
    EXPECT_EQ(stored->attendees()[2]->role(), calstore::AttendeeRoleChair);

    // Read back as MyAttendee copies; saving them again does not add any.
    auto again = MyEventStore::eventWithUIDOccurrence(meeting->uid(), {});
    ASSERT_TRUE(MyEventStore::expandAttendeeInfoOnEvent(again));
    ASSERT_EQ(again->attendees().size(), 3);
    EXPECT_TRUE(std::dynamic_pointer_cast<MyAttendee>(again->attendees()[1]));
    EXPECT_EQ(again->attendees()[1]->commonName(), QStringLiteral("Bob"));
    auto declined = std::dynamic_pointer_cast<MyAttendee>(again->attendees()[1]);
    declined->setStatus(calstore::AttendeeStatusDeclined);
    ASSERT_TRUE(MyEventStore::saveEventWithAttendeesSpanError(again, again->attendees(),
                                                              Span::AllEvents, nullptr));
    stored = reread(meeting);
    ASSERT_EQ(stored->attendees().size(), 3);
    EXPECT_EQ(stored->attendees()[1]->status(), calstore::AttendeeStatusDeclined);
    EXPECT_EQ(fileOf(meeting).count("ATTENDEE"), 3);
    EXPECT_FALSE(log.contains(QStringLiteral("WARNING")));
    EXPECT_FALSE(log.contains(QStringLiteral("ERROR")));

    // A save that fails writes no attendees.
    auto nowhere = newEvent(at(3, 7, 10), at(3, 7, 11));
    nowhere->setCalendar(calstore::Calendar::calendar());
    EXPECT_FALSE(
        MyEventStore::saveEventWithAttendeesSpanError(nowhere, attendees, Span::AllEvents, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(MyEventStoreTest, SettingAttendeesNeedsMyAttendees) {
    foundation::LogCapture log;
    auto e = newEvent(at(3, 5, 10), at(3, 5, 11));
    const auto mine = MyAttendee::initWithNameAndAddress(QStringLiteral("Ann"), QUrl());
    const auto plain = std::make_shared<calstore::Attendee>();
    EXPECT_FALSE(MyEventStore::setAttendeesForEvent({mine, plain}, e));
    EXPECT_TRUE(e->attendees().isEmpty());
    EXPECT_EQ(log.count(QStringLiteral("ERROR: attendees for [MyEventStore setAttendees:forEvent:] "
                                       "need to be of class MyAttendee!")),
              1);
    EXPECT_TRUE(MyEventStore::setAttendeesForEvent({mine}, e));
    EXPECT_EQ(e->attendees().size(), 1);
    // An event that is not in the store has no managed object.
    EXPECT_FALSE(MyEventStore::expandAttendeeInfoOnEvent(e));
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR: managedObject ID for event is nil")));
    log.clear();
    MyEventStore::printEventAttendees(e);
    EXPECT_EQ(log.lines(),
              (QStringList{QStringLiteral("printEventAttendees:"),
                           QStringLiteral("ERROR: managedObject ID for event is nil"),
                           QStringLiteral("  ERROR: prior managedObject for event is nil")}));
    ASSERT_TRUE(MyEventStore::saveEventWithAttendeesSpanError(e, {mine}, Span::AllEvents, nullptr));
    log.clear();
    MyEventStore::printEventAttendees(e);
    ASSERT_EQ(log.lines().size(), 5);
    EXPECT_EQ(log.lines()[1], QStringLiteral("  attendee settings prior to changing them:"));
    EXPECT_TRUE(log.lines()[3].startsWith(QStringLiteral("    hasAttendee = 1")));
    EXPECT_TRUE(log.lines()[4].contains(QStringLiteral("Ann")));
}

TEST_F(MyEventStoreTest, EveryMissingPieceOfTheLayerIsReported) {
    enum class Kind { Class, Operation, Property, Entity };
    struct Case {
        Kind kind;
        QString className;
        const char* piece;
        const char* warning;  // nullptr: both checks pass
        bool extended;        // which check reports it
    };
    const QString store = Capabilities::StoreClass, calendar = Capabilities::CalendarClass,
                  context = Capabilities::ContextClass, event = Capabilities::EventClass,
                  managedEvent = Capabilities::ManagedEventClass,
                  attendee = Capabilities::ManagedAttendeeClass,
                  localCalendar = Capabilities::ManagedLocalCalendarClass,
                  group = Capabilities::GroupClass;
    const std::vector<Case> cases = {
        {Kind::Class, store, "", "WARNING: can't find CalCalendarStore class", true},
        {Kind::Operation, store, "_managedObjectContextForCurrentThread",
         "WARNING: can't get managedObjectContext for current thread", true},
        {Kind::Class, calendar, "", "WARNING: can't find CalCalendar class", true},
        {Kind::Operation, calendar,
         "_findManagedObject:", "WARNING: can't get managedObject from CalCalendar", true},
        {Kind::Class, context, "", "WARNING: can't find CalManagedObjectContext class", true},
        {Kind::Operation, context, "existingObjectWithID:error:",
         "WARNING: can't search for managed objects in managedObjectContext", true},
        {Kind::Operation, context,
         "insertObject:", "WARNING: can't add new managed objects to managedObjectContext", true},
        {Kind::Operation, context, "save:", "WARNING: can't save changes in managedObjectContext",
         true},
        {Kind::Class, event, "", "WARNING: can't find CalEvent class", true},
        {Kind::Operation, event, "managedObjectID",
         "WARNING: can't get managed object IDs for CalEvents", true},
        {Kind::Operation, event, "setAttendees:", "WARNING: can't set attendees on events", true},
        {Kind::Class, managedEvent, "", "WARNING: can't find CalManagedEvent class", true},
        {Kind::Operation, managedEvent,
         "setHasAttendee:", "WARNING: can't set attendees flag on managed event", true},
        {Kind::Class, attendee, "", "WARNING: can't instantiate CalManagedAttendee", true},
        {Kind::Operation, attendee, "initWithEntity:insertIntoManagedObjectContext:",
         "WARNING: can't initialize managed attendee", true},
        {Kind::Operation, attendee, "setAddress:", "WARNING: can't set address on managed attendee",
         true},
        {Kind::Property, attendee, "email", "WARNING: can't set email on managed attendee", true},
        {Kind::Property, attendee, "event", "WARNING: can't link event on managed attendee", true},
        {Kind::Property, attendee, "role", "WARNING: can't set role on managed attendee", true},
        {Kind::Property, attendee, "status", "WARNING: can't set status on managed attendee", true},
        {Kind::Property, attendee, "commonName",
         "WARNING: can't set common name on managed attendee", true},
        {Kind::Class, localCalendar, "", "WARNING: can't instantiate CalManagedLocalCalendar",
         true},
        {Kind::Property, localCalendar, "checked",
         "WARNING: can't set checked property of managed calendar", true},
        {Kind::Property, localCalendar, "order",
         "WARNING: can't set order property of managed calendar", true},
        {Kind::Property, localCalendar, "group", "WARNING: can't get group for managed calendar",
         true},
        {Kind::Operation, store, "groups", "WARNING: can't get calendar groups", false},
        {Kind::Operation, store, "groupWithUID:", "WARNING: can't get calendar group by UID",
         false},
        {Kind::Operation, store, "saveGroup:error:", "WARNING: can't save calendar group", false},
        {Kind::Operation, store, "removeGroup:error:", "WARNING: can't remove calendar group",
         false},
        {Kind::Class, group, "", "WARNING: can't find CalGroup class", false},
        {Kind::Operation, group, "initWithUID:type:", "WARNING: can't get calendar groups", false},
        {Kind::Operation, group, "setTitle:", "WARNING: can't set group title", false},
        {Kind::Operation, group, "title", "WARNING: can't get group title", false},
        {Kind::Operation, group, "type", "WARNING: can't get group type", false},
        {Kind::Operation, group, "uid", "WARNING: can't get group UID", false},
        {Kind::Operation, group, "managedObjectID",
         "WARNING: can't get ID of group's managed object", false},
        {Kind::Operation, group, "setServerURL:", "WARNING: can't set group server URL", false},
        {Kind::Operation, group, "serverURL", "WARNING: can't get group server URL", false},
        {Kind::Operation, group,
         "setExternalServerURL:", "WARNING: can't set group external server URL", false},
        {Kind::Operation, group, "externalServerURL",
         "WARNING: can't get group external server URL", false},
        {Kind::Operation, group, "setEmailAddress:", "WARNING: can't set group email", false},
        {Kind::Operation, group, "emailAddress", "WARNING: can't get group email", false},
        {Kind::Operation, group, "setFullName:", "WARNING: can't set group name", false},
        {Kind::Operation, group, "fullName", "WARNING: can't get group name", false},
        // Pieces the checks do not ask for.
        {Kind::Entity, {}, "Attendee", nullptr, false},
        {Kind::Operation, managedEvent, "hasAttendee", nullptr, false},
    };
    const QString extendedClosing = QStringLiteral(
        "WARNING: can't use internal CalendarStore API! Event attributes such as attendees may get "
        "lost.");
    const QString groupsClosing = QStringLiteral(
        "WARNING: can't use internal CalendarStore API! No calendar group operations available.");
    {
        foundation::LogCapture log;
        EXPECT_TRUE(MyEventStore::extendedAPIavailable());
        EXPECT_TRUE(MyEventStore::groupsAPIavailable());
        EXPECT_TRUE(MyEventStore::canSetAttendees());
        EXPECT_TRUE(log.lines().isEmpty());
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.warning ? c.warning : c.piece);
        auto& layer = Capabilities::shared();
        layer.restoreAll();
        const QString piece = QLatin1String(c.piece);
        switch (c.kind) {
            case Kind::Class:
                layer.removeClass(c.className);
                break;
            case Kind::Operation:
                layer.removeOperation(c.className, piece);
                break;
            case Kind::Property:
                layer.removeProperty(c.className, piece);
                break;
            case Kind::Entity:
                layer.removeEntity(piece);
                break;
        }
        foundation::LogCapture log;
        const bool extended = MyEventStore::extendedAPIavailable();
        const bool groups = MyEventStore::groupsAPIavailable();
        if (!c.warning) {
            EXPECT_TRUE(extended && groups);
            EXPECT_TRUE(log.lines().isEmpty());
            continue;
        }
        const bool storeClass = c.kind == Kind::Class && c.className == store;
        EXPECT_EQ(extended, !(c.extended || storeClass));
        EXPECT_EQ(groups, c.extended && !storeClass);
        // The warning, then the closing line of its check; the store class both times.
        QStringList expected;
        if (c.extended || storeClass) expected << QLatin1String(c.warning) << extendedClosing;
        if (!c.extended || storeClass) expected << QLatin1String(c.warning) << groupsClosing;
        EXPECT_EQ(log.lines(), expected);
        // Asked again, it says so again.
        log.clear();
        MyEventStore::extendedAPIavailable();
        MyEventStore::groupsAPIavailable();
        EXPECT_EQ(log.lines().size(), expected.size());
    }
}

TEST_F(MyEventStoreTest, CanSetAttendeesFollowsTheAttendeeFlagSilently) {
    foundation::LogCapture log;
    EXPECT_TRUE(MyEventStore::canSetAttendees());
    Capabilities::shared().removeOperation(Capabilities::ManagedEventClass,
                                           QStringLiteral("setHasAttendee:"));
    EXPECT_FALSE(MyEventStore::canSetAttendees());
    Capabilities::shared().restoreAll();
    Capabilities::shared().removeClass(Capabilities::ManagedEventClass);
    EXPECT_FALSE(MyEventStore::canSetAttendees());
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(MyEventStoreTest, WithoutTheLayerEventsAreSavedWithoutAttendees) {
    struct Case {
        const char* name;
        std::function<void()> remove;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {"no attendee class",
         [] { Capabilities::shared().removeClass(Capabilities::ManagedAttendeeClass); },
         "WARNING: can't instantiate CalManagedAttendee"},
        {"no attendee entity",
         [] { Capabilities::shared().removeEntity(Capabilities::AttendeeEntity); },
         "ERROR: entity description for attendee is nil"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Capabilities::shared().restoreAll();
        c.remove();
        foundation::LogCapture log;
        auto e = newEvent(at(3, 5, 10), at(3, 5, 11));
        QString error;
        EXPECT_TRUE(MyEventStore::saveEventWithAttendeesSpanError(
            e, {MyAttendee::initWithNameAndAddress(QStringLiteral("Ann"), QUrl())}, Span::AllEvents,
            &error));
        EXPECT_TRUE(log.contains(QLatin1String(c.logged)));
        const auto stored = reread(e);
        ASSERT_TRUE(stored);
        EXPECT_TRUE(stored->attendees().isEmpty());
    }
    // The calendar tests answer NO, the groups none.
    Capabilities::shared().restoreAll();
    Capabilities::shared().removeClass(Capabilities::ContextClass);
    foundation::LogCapture log;
    EXPECT_FALSE(
        MyEventStore::calendarIsSubscribed(store->calendarWithUID(QStringLiteral("subs"))));
    EXPECT_FALSE(MyEventStore::calendarIsReminder(store->calendarWithUID(QStringLiteral("todo"))));
    EXPECT_FALSE(MyEventStore::groupOfCalendar(store->calendarWithUID(QStringLiteral("home"))));
    Capabilities::shared().removeOperation(Capabilities::StoreClass, QStringLiteral("groups"));
    EXPECT_FALSE(MyEventStore::groups().has_value());
    EXPECT_FALSE(MyEventStore::groupWithUID(calstore::Store::localGroupUID()));
    EXPECT_TRUE(log.contains(QStringLiteral("WARNING: can't get calendar groups")));
}

TEST_F(MyEventStoreTest, GroupsAndKindsOfCalendars) {
    foundation::LogCapture log;
    const auto groups = MyEventStore::groups();
    ASSERT_TRUE(groups.has_value());
    QStringList described;
    for (const auto& g : *groups)
        described << g->uid() + QLatin1Char('/') + QString::number(g->groupType()) +
                         QLatin1Char('/') + g->title();
    EXPECT_EQ(described, (QStringList{QStringLiteral("local/2/On This Computer"),
                                      QStringLiteral("mail-server/4/Mail Server"),
                                      QStringLiteral("subscriptions/3/Subscriptions"),
                                      QStringLiteral("acct-1/1/Work account")}));
    const auto account = MyEventStore::groupWithUID(QStringLiteral("acct-1"));
    ASSERT_TRUE(account);
    EXPECT_EQ(account->principalURL(), QUrl(QStringLiteral("https://cal.example.com/p/me/")));
    EXPECT_EQ(account->calendarHomePath(), QStringLiteral("/cal/me/"));
    EXPECT_EQ(account->calendarHomePushKey(), QStringLiteral("push-1"));
    EXPECT_TRUE(account->isRemote());
    EXPECT_FALSE(account->isRenameable());
    EXPECT_EQ(account->emailAddress(), QStringLiteral("me@example.com"));
    EXPECT_EQ(account->serverURL(), QUrl(QStringLiteral("https://cal.example.com/")));
    EXPECT_FALSE(MyEventStore::groupWithUID(QStringLiteral("ACCT-1")));

    struct Case {
        const char* calendar;
        const char* group;
        bool subscribed, reminder;
    };
    for (const Case& c : std::vector<Case>{{"home", "local", false, false},
                                           {"subs", "subscriptions", true, false},
                                           {"birthdays", "local", true, false},
                                           {"todo", "local", false, true},
                                           {"team", "acct-1", false, false},
                                           {"mail", "mail-server", false, false}}) {
        SCOPED_TRACE(c.calendar);
        const auto calendar = store->calendarWithUID(QLatin1String(c.calendar));
        ASSERT_TRUE(calendar);
        const auto group = MyEventStore::groupOfCalendar(calendar);
        ASSERT_TRUE(group);
        EXPECT_EQ(group->uid(), QLatin1String(c.group));
        EXPECT_EQ(MyEventStore::calendarIsSubscribed(calendar), c.subscribed);
        EXPECT_EQ(MyEventStore::calendarIsReminder(calendar), c.reminder);
    }
    EXPECT_FALSE(MyEventStore::groupOfCalendar(calstore::Calendar::calendar()));
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR: managedObject for calendar is nil")));
    log.clear();
    // A managed calendar without its group operation.
    Capabilities::shared().removeOperation(Capabilities::ManagedLocalCalendarClass,
                                           QStringLiteral("group"));
    EXPECT_FALSE(MyEventStore::groupOfCalendar(store->calendarWithUID(QStringLiteral("home"))));
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR: can't get group object for managed calendar")));
}

TEST_F(MyEventStoreTest, GroupsAreSavedAndRemovedOnlyWhenTheStoreHasThem) {
    foundation::LogCapture log;
    QString error;
    const auto stranger =
        MyStoreGroup::initWithUIDType(QStringLiteral("nobody"), calstore::GroupTypeCalendarServer);
    const QByteArray before = dir.read(QStringLiteral("zolt-groups.json"));
    EXPECT_FALSE(MyEventStore::saveGroupError(stranger, &error));
    EXPECT_FALSE(MyEventStore::removeGroupError(stranger, &error));
    EXPECT_EQ(dir.read(QStringLiteral("zolt-groups.json")), before);

    auto account = MyEventStore::groupWithUID(QStringLiteral("acct-1"));
    account->setTitle(QStringLiteral("Office"));
    account->setFullName(QStringLiteral("Me, at work"));
    ASSERT_TRUE(MyEventStore::saveGroupError(account, &error)) << error.toStdString();
    auto reopened = calstore::Store::openAt(dir.path());
    EXPECT_EQ(reopened->groupWithUID(QStringLiteral("acct-1"))->title(), QStringLiteral("Office"));
    EXPECT_EQ(reopened->groupWithUID(QStringLiteral("acct-1"))->fullName(),
              QStringLiteral("Me, at work"));

    EXPECT_FALSE(MyEventStore::removeGroupError(
        MyEventStore::groupWithUID(calstore::Store::localGroupUID()), &error));
    ASSERT_TRUE(MyEventStore::removeGroupError(account, &error)) << error.toStdString();
    EXPECT_FALSE(MyEventStore::groupWithUID(QStringLiteral("acct-1")));
    // Its calendar stays, in the local group.
    const auto team = store->calendarWithUID(QStringLiteral("team"));
    ASSERT_TRUE(team);
    EXPECT_EQ(MyEventStore::groupOfCalendar(team)->uid(), calstore::Store::localGroupUID());
    EXPECT_EQ(calstore::Store::openAt(dir.path())->calendarWithUID(QStringLiteral("team"))->title(),
              QStringLiteral("Team"));
}

TEST(MyStoreGroup, FreshGroupsAndTheirFamiliesOfAccessors) {
    auto g = MyStoreGroup::initWithUIDType(QString(), QStringLiteral("local"));
    EXPECT_EQ(g->groupType(), 0);
    EXPECT_TRUE(g->principalURL().isEmpty());
    EXPECT_FALSE(g->isRemote());
    EXPECT_TRUE(g->isRenameable());
    EXPECT_TRUE(g->isActive());
    g->setCaldavPort(8443);
    g->setCaldavServer(QStringLiteral("cal.example.com"));
    EXPECT_EQ(g->caldavPort(), 0);
    EXPECT_TRUE(g->caldavServer().isNull());
    g->setGroupType(5);
    g->setCaldavPort(8443);
    g->setIsActive(false);
    g->setUsesSSL(true);
    EXPECT_EQ(g->caldavPort(), 8443);
    EXPECT_FALSE(g->isActive());
    EXPECT_TRUE(g->usesSSL());
    g->setGroupType(2);
    EXPECT_EQ(g->caldavPort(), 0);  // kept, but only a configured account shows it
    EXPECT_TRUE(g->isActive());
    g->setCalDavAttributesUrlHomePushCalPathHomePathRemoteRenameable(
        QUrl(QStringLiteral("https://x.example/p/")), QStringLiteral("k"), QStringLiteral("/d/"),
        QStringLiteral("/h/"), true, false);
    EXPECT_EQ(g->groupType(), 1);
    EXPECT_TRUE(g->isRemote());
    EXPECT_FALSE(g->isRenameable());
    g->setTitle(QStringLiteral("Work"));
    EXPECT_EQ(g->description(),
              QStringLiteral("MyStoreGroup \n  title          : Work\n  type           : local\n"
                             "  full name      : \n  server URL     : \n  ext. server URL: \n"
                             "  email          : \n  principal URL  : https://x.example/p/\n"
                             "  home push key  : k\n  cal home path  : /h/\n"
                             "  default path   : /d/\n  remote         : 1\n"
                             "  renameable     : 0\n"));
}

TEST(MyAttendee, OwnFieldsOverTheInheritedOnes) {
    auto a = MyAttendee::initWithNameAndAddress(QStringLiteral("Ann"), QUrl());
    EXPECT_EQ(a->role(), calstore::AttendeeRoleNonParticipant);
    EXPECT_EQ(a->status(), calstore::AttendeeStatusNeedsAction);
    EXPECT_TRUE(a->address().isEmpty());  // the inherited one
    a->setCommonName(QString());
    EXPECT_EQ(a->commonName(), QStringLiteral("Ann"));
    a->setRole(QString());
    EXPECT_EQ(a->role(), calstore::AttendeeRoleNonParticipant);
    a->setRole(calstore::AttendeeRoleChair);
    a->setAddress(QUrl(QStringLiteral("mailto:ann@example.com")));
    a->setAddress(QUrl());
    EXPECT_EQ(a->address(), QUrl(QStringLiteral("mailto:ann@example.com")));
    EXPECT_EQ(a->description(),
              QStringLiteral("MyAttendee\n  address     : mailto:ann@example.com\n"
                             "  common name : Ann\n  role        : CHAIR\n"
                             "  status      : NEEDS-ACTION\n"));
    const MyAttendee bare;
    EXPECT_TRUE(bare.role().isNull());
    EXPECT_EQ(bare.status(), calstore::AttendeeStatusNeedsAction);  // inherited
}

TEST(MyEventStoreDiagnostics, SignaturesAreDescribed) {
    foundation::LogCapture log;
    MyEventStore::describeSignature(Capabilities::shared().signatureOf(
        Capabilities::StoreClass, QStringLiteral("saveGroup:error:")));
    EXPECT_EQ(log.lines(),
              (QStringList{
                  QStringLiteral("Method signature with 4 arguments:"),
                  QStringLiteral("  arg  0 : object"), QStringLiteral("  arg  1 : operation"),
                  QStringLiteral("  arg  2 : object"), QStringLiteral("  arg  3 : error location"),
                  QStringLiteral("return type: bool")}));
}
