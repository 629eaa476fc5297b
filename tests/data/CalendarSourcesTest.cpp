#include "CalendarSourcesTestSupport.h"
#include "data/CalendarSources.h"

#include "data/OutlineViewSpacer.h"
#include "data/SourceListOutline.h"
#include "data/appPref.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Log.h"
#include "platform/store/Capabilities.h"
#include "platform/store/Store.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using foundation::Defaults;

using namespace calsrctest;

TEST_F(CalendarSourcesTest, CalendarsAreSortedIntoTheirGroupsInTheirSavedOrder) {
    addCalendar({"work", "Work"});
    addCalendar({"home", "Home"});
    addCalendar({"marks", "Marks"});
    addCalendar({"sports", "Sports", "subscription"});
    addCalendar({"bdays", "Birthdays", "birthday"});
    addCalendar({"todo", "Todo", "local", true});
    Defaults::standard().setObject(
        CalendarSources::kCalendarsPrefs,
        QVariantMap{{"work", calendarEntry("Work", true, 1, 2, "local")},
                    {"home", calendarEntry("Home", false, 1, 0, "local")},
                    {"marks", calendarEntry("Marks", true, 4, 1, "local")},
                    {"bdays", calendarEntry("Birthdays", true, 1, 0, "birthday")}});
    load();

    EXPECT_EQ(rowNames(), QStringList({"-", "LOCAL", "-", "SUBSCRIPTIONS", "-", "MARKERS"}));
    EXPECT_EQ(titles(sources->localGroup()), QStringList({"Home", "Marks", "Work"}));
    const auto groups = sources->allCalendarGroups();
    const auto subscriptions = groups.value(calstore::CalendarTypeSubscription);
    ASSERT_TRUE(subscriptions);
    EXPECT_EQ(subscriptions->type(), CalendarGroup::kTypeSubscriptions);
    EXPECT_EQ(subscriptions->longName(), QStringLiteral("Subscriptions"));
    EXPECT_EQ(titles(subscriptions), QStringList({"Birthdays", "Sports"}));

    // The reminders are kept, and saved, but neither listed nor shown.
    const auto reminders = groups.value(CalendarSources::kRemindersGroupKey);
    ASSERT_TRUE(reminders);
    EXPECT_EQ(reminders->type(), CalendarGroup::kTypeReminders);
    ASSERT_EQ(reminders->calendars().size(), 1);
    EXPECT_EQ(reminders->calendars().first()->title(), QStringLiteral("Todo"));
    EXPECT_TRUE(reminders->elementNames().isEmpty());  // reminders answer no look-ups
    EXPECT_FALSE(sources->configuredCalendarNames().contains("Todo"));
    EXPECT_TRUE(saved(CalendarSources::kCalendarsPrefs).contains("todo"));
    EXPECT_EQ(sources->calendarWithName("Todo"), nullptr);

    const CalendarPtr birthdays = sources->calendarWithUID("bdays");
    ASSERT_TRUE(birthdays);
    EXPECT_EQ(birthdays->calendarType(), Calendar::kTypeBirthday);
    EXPECT_EQ(birthdays->sourceStore(), QStringLiteral("SUBSCRIPTIONS"));
    const CalendarPtr home = sources->calendarWithName("Home");
    ASSERT_TRUE(home);
    EXPECT_FALSE(home->isSelected());
    EXPECT_EQ(home->sourceStore(), QStringLiteral("LOCAL"));

    EXPECT_EQ(sources->firstMarkerCalendar(), sources->calendarWithUID("marks"));
    EXPECT_EQ(sources->firstCalendarInList(), home);
    EXPECT_EQ(sources->allMarkerCalendars(), (QMap<QString, QString>{{"marks", "Marks"}}));
    EXPECT_EQ(sources->groupOfCalendar(birthdays), subscriptions);
    EXPECT_EQ(sources->groupOfCalendar(home), sources->localGroup());
    EXPECT_EQ(sources->knownCalendarGroupNames(),
              QStringList({"Local", "Reminders", "Subscriptions"}));
    EXPECT_TRUE(sources->localGroup()->nameHasDuplicateAside("Work", home));
    EXPECT_FALSE(
        sources->localGroup()->nameHasDuplicateAside("Work", sources->calendarWithUID("work")));
}

TEST_F(CalendarSourcesTest, AccountsGetGroupsOfTheirOwn) {
    addCalendar({"home", "Home"});
    addCalendar({"team", "Team", "calendar-server", false, 0, "acct-1"});
    addCalendar({"plans", "Plans", "calendar-server", false, 1, "acct-1"});
    addCalendar({"mail", "Invitations", "mail-server"});
    addCalendar({"sports", "Sports", "subscription"});
    dir.write(QStringLiteral("store/zolt-groups.json"), R"({"groups": [
        {"uid": "acct-1", "type": "calendar-server", "title": "Work account",
         "principalURL": "https://cal.example.com/p/me/"}]})");
    Defaults::standard().setObject(
        CalendarSources::kCalendarsPrefs,
        QVariantMap{{"team", calendarEntry("Team", true, 1, 1, "calendar-server")},
                    {"plans", calendarEntry("Plans", true, 1, 0, "calendar-server")}});
    load();

    EXPECT_EQ(rowNames(), QStringList({"-", "LOCAL", "-", "MAIL SERVER", "-", "WORK ACCOUNT", "-",
                                       "SUBSCRIPTIONS", "-", "MARKERS"}));
    const auto groups = sources->allCalendarGroups();
    const auto account = groups.value("acct-1");
    ASSERT_TRUE(account);
    EXPECT_EQ(account->type(), CalendarGroup::kTypeCalendarServer);
    EXPECT_EQ(account->longName(), QStringLiteral("Work account"));
    EXPECT_EQ(titles(account), QStringList({"Plans", "Team"}));
    EXPECT_EQ(sources->calendarWithUID("team")->sourceStore(), QStringLiteral("WORK ACCOUNT"));
    const auto mail = groups.value("mail-server");
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->type(), CalendarGroup::kTypeMailServer);
    EXPECT_EQ(titles(mail), QStringList({"Invitations"}));
    EXPECT_EQ(titles(sources->localGroup()), QStringList({"Home"}));
    EXPECT_EQ(titles(groups.value(calstore::CalendarTypeSubscription)), QStringList({"Sports"}));
    EXPECT_EQ(sources->groupOfCalendar(sources->calendarWithUID("plans")), account);
    EXPECT_EQ(sources->knownCalendarGroupNames(),
              QStringList({"Local", "Work account", "Mail Server", "Subscriptions"}));

    // "Sequence" counts from 0 in every group.
    const QVariantMap record = saved(CalendarSources::kCalendarsPrefs);
    EXPECT_EQ(record.value("plans"), calendarEntry("Plans", true, 1, 0, "calendar-server"));
    EXPECT_EQ(record.value("team"), calendarEntry("Team", true, 1, 1, "calendar-server"));
    EXPECT_EQ(record.value("home"), calendarEntry("Home", true, 1, 0, "local"));
    EXPECT_EQ(record.value("mail"), calendarEntry("Invitations", true, 1, 0, "mail-server"));
}

TEST_F(CalendarSourcesTest, WithoutAccountGroupsEveryCalendarIsLocal) {
    calstore::Capabilities::shared().removeClass(calstore::Capabilities::GroupClass);
    addCalendar({"work", "Work", "local", false, 0});
    addCalendar({"sports", "Sports", "subscription", false, 1});
    addCalendar({"todo", "Todo", "local", true, 2});
    foundation::LogCapture log;
    load();
    EXPECT_EQ(rowNames(), QStringList({"-", "LOCAL", "-", "MARKERS"}));
    EXPECT_TRUE(sources->allCalendarGroups().isEmpty());
    EXPECT_EQ(titles(sources->localGroup()), QStringList({"Work", "Sports", "Todo"}));
}

TEST_F(CalendarSourcesTest, SavedSettingsFollowACalendarWhoseIdentifierChanged) {
    addCalendar({"new-uid", "Marks"});
    addCalendar({"new-work", "Work"});
    addCalendar({"kept", "Kept"});
    addCalendar({"other", "Other"});
    Defaults::standard().setObject(
        CalendarSources::kCalendarsPrefs,
        QVariantMap{{"old-uid", calendarEntry("Marks", false, 4, 7, "local")},
                    // Another store type: not this calendar.
                    {"old-work", calendarEntry("Work", false, 2, 3, "subscription")},
                    {"kept", calendarEntry("Kept", false, 1, 1, "local")},
                    // Entry without a store type: the title alone decides.
                    {"gone", calendarEntry("Other", false, 2, 5)}});
    Defaults::standard().setObject(CalendarSources::kMarkersPrefs,
                                   QVariantMap{{kMarkerA, markerEntry("Holiday", "old-uid", 2, 0)},
                                               {kMarkerB, markerEntry("Sick", "kept", 8, 1)}});
    load();

    const CalendarPtr marks = sources->calendarWithUID("new-uid");
    ASSERT_TRUE(marks);
    EXPECT_FALSE(marks->isSelected());
    EXPECT_EQ(marks->calendarType(), Calendar::kTypeMarker);
    EXPECT_EQ(marks->sequenceNumber(), 7);
    const CalendarPtr work = sources->calendarWithUID("new-work");
    EXPECT_TRUE(work->isSelected());
    EXPECT_EQ(work->calendarType(), Calendar::kTypeNormal);
    EXPECT_EQ(work->sequenceNumber(), 999);
    const CalendarPtr other = sources->calendarWithUID("other");
    EXPECT_EQ(other->calendarType(), Calendar::kTypeHoliday);
    EXPECT_EQ(other->sequenceNumber(), 5);

    EXPECT_EQ(sources->calIDtranslation(),
              (QHash<QString, QString>{{"old-uid", "new-uid"}, {"gone", "other"}}));
    const EMarkerPtr holiday = sources->markerWithUID(kMarkerA);
    ASSERT_TRUE(holiday);
    EXPECT_EQ(holiday->calendarUID(), QStringLiteral("new-uid"));
    EXPECT_TRUE(holiday->errorMessage().isEmpty());

    // The record written back names the calendars by their current identifiers.
    const QVariantMap calendars = saved(CalendarSources::kCalendarsPrefs);
    EXPECT_EQ(QSet<QString>(calendars.keyBegin(), calendars.keyEnd()),
              (QSet<QString>{"new-uid", "new-work", "kept", "other"}));
    EXPECT_EQ(
        saved(CalendarSources::kMarkersPrefs).value(kMarkerA).toMap().value("Calendar").toString(),
        QStringLiteral("new-uid"));
}

TEST_F(CalendarSourcesTest, AnEntryOfACalendarStillInTheStoreIsNotTakenOverByName) {
    // Two local calendars of one title: the one without settings must not take
    // the other's, nor its markers.
    addCalendar({"marks", "Marks", "local", false, 0});
    addCalendar({"copy", "Marks", "local", false, 1});
    Defaults::standard().setObject(
        CalendarSources::kCalendarsPrefs,
        QVariantMap{{"marks", calendarEntry("Marks", true, 4, 0, "local")}});
    Defaults::standard().setObject(CalendarSources::kMarkersPrefs,
                                   QVariantMap{{kMarkerA, markerEntry("Holiday", "marks", 2, 0)}});
    load();
    EXPECT_EQ(sources->calendarWithUID("copy")->calendarType(), Calendar::kTypeNormal);
    EXPECT_TRUE(sources->calIDtranslation().isEmpty());
    EXPECT_EQ(sources->markerWithUID(kMarkerA)->calendarUID(), QStringLiteral("marks"));
}

TEST_F(CalendarSourcesTest, TwoCalendarsMatchingOneEntryByNameBothTakeItsValues) {
    addCalendar({"first", "Team", "local", false, 0});
    addCalendar({"second", "Team", "local", false, 1});
    Defaults::standard().setObject(
        CalendarSources::kCalendarsPrefs,
        QVariantMap{{"gone", calendarEntry("Team", false, 2, 4, "local")}});
    load();
    for (const char* uid : {"first", "second"}) {
        const CalendarPtr c = sources->calendarWithUID(uid);
        EXPECT_FALSE(c->isSelected()) << uid;
        EXPECT_EQ(c->calendarType(), Calendar::kTypeHoliday) << uid;
        EXPECT_EQ(c->sequenceNumber(), 4) << uid;
    }
    EXPECT_EQ(sources->calIDtranslation().value("gone"), QStringLiteral("second"));
}

TEST_F(CalendarSourcesTest, TheConfigurationIsWrittenBackWhole) {
    addCalendar({"work", "Work", "local", false, 0});
    addCalendar({"home", "Home", "local", false, 1});
    addCalendar({"sports", "Sports", "subscription"});
    Defaults::standard().setObject(
        CalendarSources::kCalendarsPrefs,
        QVariantMap{{"home", calendarEntry("Home", false, 2, 0, "local")},
                    {"work", calendarEntry("Work", true, 1, 1, "local")},
                    {"removed", calendarEntry("Removed", true, 1, 2, "local")}});
    load();

    const QVariantMap expected{{"home", calendarEntry("Home", false, 2, 0, "local")},
                               {"work", calendarEntry("Work", true, 1, 1, "local")},
                               {"sports", calendarEntry("Sports", true, 1, 0, "subscription")}};
    EXPECT_EQ(saved(CalendarSources::kCalendarsPrefs), expected);

    // A calendar just started in its sheet has no store calendar: it is not
    // written, and the others keep their places.
    sources->localGroup()->addElement(std::make_shared<Calendar>());
    sources->saveCalendarConfig();
    EXPECT_EQ(saved(CalendarSources::kCalendarsPrefs), expected);

    sources->localGroup()->moveObjectFromIndexToIndex(1, 0);
    sources->calendarWithUID("home")->setSelected(true);
    sources->saveCalendarConfig();
    const QVariantMap record = saved(CalendarSources::kCalendarsPrefs);
    EXPECT_EQ(record.value("work"), calendarEntry("Work", true, 1, 0, "local"));
    EXPECT_EQ(record.value("home"), calendarEntry("Home", true, 2, 1, "local"));
}

TEST_F(CalendarSourcesTest, MarkersAreLoadedCheckedAndWrittenBack) {
    addCalendar({"marks", "Marks"});
    addCalendar({"work", "Work"});
    Defaults::standard().setObject(CalendarSources::kCalendarsPrefs,
                                   QVariantMap{{"marks", calendarEntry("Marks", true, 4, 0)},
                                               {"work", calendarEntry("Work", true, 1, 1)}});
    const QVariantMap markers{{kMarkerA, markerEntry("Holiday", "marks", 2, 2, 1.0e9, 1.2e9)},
                              {kMarkerB, markerEntry("Sick", "missing", 8, 0)},
                              {kMarkerC, markerEntry("Trip", "work", 9, 1)}};
    Defaults::standard().setObject(CalendarSources::kMarkersPrefs, markers);
    load();

    EXPECT_EQ(sources->configuredMarkerNames(), QStringList({"Sick", "Trip", "Holiday"}));
    const EMarkerPtr holiday = sources->markerWithName("Holiday");
    ASSERT_TRUE(holiday);
    EXPECT_FALSE(holiday->isNew());
    EXPECT_EQ(holiday->uID(), kMarkerA);
    EXPECT_EQ(holiday->notes(), QStringLiteral("Holiday days"));
    EXPECT_EQ(holiday->color(), QColor(255, 0, 0));
    EXPECT_EQ(holiday->markerType(), 2);
    EXPECT_EQ(holiday->earliestMarkerApplied(), 1.0e9);
    EXPECT_GE(holiday->latestMarkerApplied(), 1.2e9);  // the moment of loading, at least
    EXPECT_TRUE(holiday->markerTypeImage().isNull());

    const EMarkerPtr sick = sources->markerWithUID(kMarkerB);
    EXPECT_EQ(sick->calendarUID(), QStringLiteral(""));
    EXPECT_FALSE(sick->errorMessage().isEmpty());
    EXPECT_FALSE(sick->markerTypeImage().isNull());
    const EMarkerPtr trip = sources->markerWithUID(kMarkerC);
    EXPECT_EQ(trip->calendarUID(), QStringLiteral("work"));  // kept, with its error
    EXPECT_FALSE(trip->errorMessage().isEmpty());
    EXPECT_FALSE(trip->markerTypeImage().isNull());

    EXPECT_EQ(rowNames().mid(rowNames().size() - 2), QStringList({"-", "MARKERS"}));

    const QVariantMap record = saved(CalendarSources::kMarkersPrefs);
    ASSERT_EQ(record.size(), 3);
    const QVariantMap a = record.value(kMarkerA).toMap();
    EXPECT_EQ(a.value("Name"), QVariant("Holiday"));
    EXPECT_EQ(a.value("Selected"), QVariant(true));
    EXPECT_EQ(a.value("Description"), QVariant("Holiday days"));
    EXPECT_EQ(a.value("Color"), QVariant("255 0 0 1.000000"));
    EXPECT_EQ(a.value("Type"), QVariant(qint64(2)));
    EXPECT_EQ(a.value("Calendar"), QVariant("marks"));
    EXPECT_EQ(a.value("First"), QVariant(1.0e9));
    EXPECT_EQ(a.value("Sequence"), QVariant(qint64(2)));
    EXPECT_EQ(record.value(kMarkerB).toMap().value("Calendar"), QVariant(""));
    EXPECT_EQ(record.value(kMarkerB).toMap().value("Sequence"), QVariant(qint64(0)));
    EXPECT_EQ(record.value(kMarkerC).toMap().value("Calendar"), QVariant("work"));

    // Nothing changed: the same record again.
    sources->saveMarkerConfig();
    EXPECT_EQ(saved(CalendarSources::kMarkersPrefs), record);
}

TEST_F(CalendarSourcesTest, WithoutSavedRecordsEverythingKeepsItsDefaults) {
    addCalendar({"work", "Work"});
    load();
    const CalendarPtr work = sources->calendarWithUID("work");
    EXPECT_TRUE(work->isSelected());
    EXPECT_EQ(work->calendarType(), Calendar::kTypeNormal);
    EXPECT_EQ(sources->markersGroup()->count(), 0);
    EXPECT_TRUE(saved(CalendarSources::kMarkersPrefs).isEmpty());
    EXPECT_EQ(saved(CalendarSources::kCalendarsPrefs).value("work"),
              calendarEntry("Work", true, 1, 0, "local"));
}

TEST_F(CalendarSourcesTest, SelectionChangesAreSavedInTheBackground) {
    addCalendar({"work", "Work"});
    addCalendar({"marks", "Marks"});
    Defaults::standard().setObject(CalendarSources::kCalendarsPrefs,
                                   QVariantMap{{"marks", calendarEntry("Marks", true, 4, 0)}});
    Defaults::standard().setObject(CalendarSources::kMarkersPrefs,
                                   QVariantMap{{kMarkerA, markerEntry("Holiday", "marks", 2, 0)}});
    load();

    sources->calendarWithUID("work")->setSelected(false);
    foundation::NotificationCenter::defaultCenter().post(
        CalendarSources::calendarSelectionChangedNotification, nullptr);
    EXPECT_TRUE(testsupport::waitUntil([&] {
        return saved(CalendarSources::kCalendarsPrefs).value("work").toMap().value("Selected") ==
               QVariant(false);
    }));

    sources->markerWithUID(kMarkerA)->setSelected(false);
    foundation::NotificationCenter::defaultCenter().post(
        CalendarSources::markerSelectionChangedNotification, this);
    EXPECT_TRUE(testsupport::waitUntil([&] {
        return saved(CalendarSources::kMarkersPrefs).value(kMarkerA).toMap().value("Selected") ==
               QVariant(false);
    }));
}

TEST_F(CalendarSourcesTest, BackgroundSavesReadAConsistentPictureWhileTheListsChange) {
    for (int i = 0; i < 8; ++i)
        addCalendar(
            {QStringLiteral("c%1").arg(i), QStringLiteral("C%1").arg(i), "local", false, i});
    addCalendar({"marks", "Marks"});
    Defaults::standard().setObject(CalendarSources::kCalendarsPrefs,
                                   QVariantMap{{"marks", calendarEntry("Marks", true, 4, 0)}});
    Defaults::standard().setObject(CalendarSources::kMarkersPrefs,
                                   QVariantMap{{kMarkerA, markerEntry("Holiday", "marks", 2, 0)}});
    load();
    const EMarkerPtr holiday = sources->markerWithUID(kMarkerA);
    const CalendarGroupPtr local = sources->localGroup();

    // A marking job widens the applied span while saves run and the main thread
    // reorders the calendars and adds new ones.
    std::atomic<bool> stop{false};
    std::thread job([&] {
        for (int day = 0; !stop; ++day) holiday->appliedToDate(1.3e9 + day * 86400.0);
    });
    auto& center = foundation::NotificationCenter::defaultCenter();
    for (int i = 0; i < 200; ++i) {
        center.post(CalendarSources::calendarSelectionChangedNotification, nullptr);
        center.post(CalendarSources::markerSelectionChangedNotification, nullptr);
        local->moveObjectFromIndexToIndex(i % local->count(), (i * 7) % (local->count() + 1));
        if (i % 50 == 0) local->addElement(std::make_shared<Calendar>());
    }
    stop = true;
    job.join();

    sources->saveCalendarConfig();
    sources->saveMarkerConfig();
    // Let the background saves finish: the last one started holds no older picture
    // than this one, so the final record is the current one.
    testsupport::waitUntil([&] { return sources.use_count() == 1; });
    const QVariantMap calendars = saved(CalendarSources::kCalendarsPrefs);
    EXPECT_EQ(calendars.size(), 9);
    EXPECT_FALSE(calendars.contains("XXX"));
    QSet<qint64> sequences;
    for (const auto& entry : calendars)
        sequences.insert(entry.toMap().value("Sequence").toLongLong());
    EXPECT_EQ(sequences.size(), 9);  // distinct places
    EXPECT_EQ(saved(CalendarSources::kMarkersPrefs).value(kMarkerA).toMap().value("Last"),
              QVariant(holiday->latestMarkerApplied()));
}

TEST_F(CalendarSourcesTest, RemindersAreShownAndHiddenBeforeTheMarkers) {
    addCalendar({"work", "Work"});
    addCalendar({"todo", "Todo", "local", true});
    load();
    FakeOutline outline;
    sources->setOutlineView(&outline);
    int posts = 0;
    auto& center = foundation::NotificationCenter::defaultCenter();
    const auto token =
        center.addObserver(this, CalendarSources::calendarSelectionChangedNotification,
                           sources.get(), [&](const auto&) { ++posts; });

    EXPECT_EQ(rowNames(), QStringList({"-", "LOCAL", "-", "MARKERS"}));
    sources->checkShowReminders();  // unchanged: nothing happens
    EXPECT_EQ(outline.reloads, 0);

    setShowReminders(true);
    sources->checkShowReminders();
    EXPECT_TRUE(sources->showReminderCalendars());
    EXPECT_EQ(rowNames(), QStringList({"-", "LOCAL", "-", "REMINDERS", "-", "MARKERS"}));
    EXPECT_TRUE(sources->configuredCalendarNames().contains("Todo"));
    EXPECT_EQ(outline.reloads, 1);

    setShowReminders(false);
    sources->checkShowReminders();
    EXPECT_EQ(rowNames(), QStringList({"-", "LOCAL", "-", "MARKERS"}));
    EXPECT_FALSE(sources->configuredCalendarNames().contains("Todo"));
    EXPECT_EQ(outline.reloads, 2);
    EXPECT_EQ(posts, 2);
    center.removeObserver(token);
    sources->setOutlineView(nullptr);
}

TEST_F(CalendarSourcesTest, RemindersShownFromTheStartStandBeforeTheMarkers) {
    setShowReminders(true);
    addCalendar({"work", "Work"});
    addCalendar({"todo", "Todo", "local", true});
    load();
    EXPECT_EQ(rowNames(), QStringList({"-", "LOCAL", "-", "REMINDERS", "-", "MARKERS"}));
    EXPECT_TRUE(sources->configuredCalendarNames().contains("Todo"));
    setShowReminders(false);
    sources->checkShowReminders();
    EXPECT_EQ(rowNames(), QStringList({"-", "LOCAL", "-", "MARKERS"}));
}

TEST_F(CalendarSourcesTest, TheSelectedRowAnswersOnlyForCalendars) {
    addCalendar({"hol", "Holidays"});
    Defaults::standard().setObject(CalendarSources::kCalendarsPrefs,
                                   QVariantMap{{"hol", calendarEntry("Holidays", true, 2, 0)}});
    Defaults::standard().setObject(CalendarSources::kMarkersPrefs,
                                   QVariantMap{{kMarkerA, markerEntry("Holiday", "hol", 2, 0)}});
    load();
    FakeOutline outline;
    const CalendarPtr holidays = sources->calendarWithUID("hol");
    const EMarkerPtr marker = sources->markerWithUID(kMarkerA);
    outline.rows = {std::make_shared<OutlineViewSpacer>(), sources->localGroup(), holidays,
                    sources->markersGroup(), marker};
    sources->setOutlineView(&outline);

    struct Case {
        int row;
        int type;
        bool calendar, marker;
    };
    for (const Case& c :
         {Case{-1, 0, false, false}, Case{0, 0, false, false}, Case{1, 0, false, false},
          Case{2, 2, true, false}, Case{4, 0, false, true}}) {
        outline.selected = c.row;
        EXPECT_EQ(sources->typeOfSelectedCalendar(), c.type) << c.row;
        EXPECT_EQ(sources->calendarIsSelected(), c.calendar) << c.row;
        EXPECT_EQ(sources->markerIsSelected(), c.marker) << c.row;
        EXPECT_EQ(sources->selectedCalendar(), c.calendar ? holidays : nullptr) << c.row;
    }
    sources->ensureCalendarIsSelected(marker);
    EXPECT_EQ(outline.selected, 4);
    sources->ensureCalendarIsSelected(std::make_shared<Calendar>());  // no row: nothing
    EXPECT_EQ(outline.selected, 4);
    sources->setOutlineView(nullptr);
}
