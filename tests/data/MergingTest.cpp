#include "data/CalendarSources.h"

#include "WritersTestSupport.h"
#include "YearViewEventLoaderTestSupport.h"
#include "data/MyDate.h"
#include "platform/store/Store.h"

#include <QColor>
#include <QDir>
#include <QObject>

#include <gtest/gtest.h>

using loadertest::LoaderTest;
using writerstest::ChangeRecorder;
using writerstest::describe;
using writerstest::describeReport;
using writerstest::ScopedHooks;

namespace {

// The week view as the merging sees it: it drops its selection by name.
class FakeWeekView final : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE void deselectEventWithUID(const QString& uid) { deselected << uid; }
    QStringList deselected;
};

class MergingTest : public LoaderTest {
protected:
    void SetUp() override {
        LoaderTest::SetUp();
        hooks->weekView = &weekView;
        foundation::NotificationCenter::defaultCenter().addObserver(
            this, CalendarSources::calendarSelectionChangedNotification, nullptr,
            [this](const foundation::Notification& n) {
                if (n.object == sources.get()) ++selectionChanges;
            });
    }
    void TearDown() override {
        foundation::NotificationCenter::defaultCenter().removeObserver(this);
        LoaderTest::TearDown();
    }

    // A timed event on a day of the current year (or `yearsAhead` later).
    void writeThisYear(const QString& folder, const QString& uid, int yearsAhead = 0) {
        const QString day = QString::number(year + yearsAhead) + QStringLiteral("0615");
        writeTimed(folder, uid, day + QStringLiteral("T100000"), day + QStringLiteral("T110000"));
    }

    // Posts an event change as the store does.
    void storePosts(const QStringList& inserted, const QStringList& updated,
                    const QStringList& deleted) {
        foundation::NotificationCenter::defaultCenter().post(
            calstore::Store::eventsChangedExternallyNotification, store.get(),
            {{calstore::Store::insertedRecordsKey, inserted},
             {calstore::Store::updatedRecordsKey, updated},
             {calstore::Store::deletedRecordsKey, deleted}});
    }

    bool delivered() {
        return testsupport::waitUntil([&] { return !hooks->reports().empty(); });
    }

    // "Event Data Changed" as posted by the model root.
    QStringList described() const {
        QStringList texts;
        for (const auto& n : changes.posted()) {
            EXPECT_EQ(n.object, sources.get());
            texts << describe(n.userInfo);
        }
        return texts;
    }

    const int year = MyDate::date()->yearNum();
    ScopedHooks hooks;
    ChangeRecorder changes;
    FakeWeekView weekView;
    int selectionChanges = 0;
};

// --- Event changes ----------------------------------------------------------------------

TEST_F(MergingTest, FilesChangedByAnotherProgramReachTheViewsAsOneDeliveryAfterAQuietPeriod) {
    writeThisYear(QStringLiteral("work"), QStringLiteral("keep"));
    writeThisYear(QStringLiteral("work"), QStringLiteral("gone"));
    open();

    // A first burst: one event added, one changed, one removed.
    writeThisYear(QStringLiteral("home"), QStringLiteral("fresh"));
    const QString day = QString::number(year) + QStringLiteral("0615");
    writeEvent(QStringLiteral("work"), QStringLiteral("keep"),
               {QStringLiteral("DTSTART:") + day + QStringLiteral("T100000Z"),
                QStringLiteral("DTEND:") + day + QStringLiteral("T120000Z"),
                QStringLiteral("DESCRIPTION:edited elsewhere")});
    ASSERT_TRUE(QFile::remove(dir.file(QStringLiteral("store/work/gone.ics"))));
    ASSERT_TRUE(store->rescan());
    EXPECT_EQ(weekView.deselected, (QStringList{QStringLiteral("gone"), QStringLiteral("keep")}));

    // A second burst within the quiet period postpones the delivery.
    testsupport::waitUntil([] { return false; }, 0.8);
    EXPECT_TRUE(hooks->reports().empty());
    writeThisYear(QStringLiteral("home"), QStringLiteral("late"));
    ASSERT_TRUE(store->rescan());
    testsupport::waitUntil([] { return false; }, 0.8);
    EXPECT_TRUE(hooks->reports().empty());

    ASSERT_TRUE(delivered());
    ASSERT_EQ(hooks->reports().size(), 1u);
    EXPECT_EQ(describeReport(hooks->reports().front()),
              QStringLiteral("fresh:1 gone:3 keep:2 late:1"));
    EXPECT_EQ(described(), (QStringList{
                               QStringLiteral("changes=unknown, event=fresh/fresh, uid=fresh"),
                               QStringLiteral("changes=deleted, event=null, uid=gone"),
                               QStringLiteral("changes=unknown, event=keep/keep, uid=keep"),
                               QStringLiteral("changes=unknown, event=late/late, uid=late"),
                           }));
    // The announced change is the event as the store has it now.
    const auto keep = changes.posted()[2]
                          .userInfo.value(YearViewEventLoader::kEventKey)
                          .value<calstore::EventPtr>();
    ASSERT_TRUE(keep);
    EXPECT_EQ(keep->notes(), QStringLiteral("edited elsewhere"));
}

TEST_F(MergingTest, TheLatestChangeOfAnEventWinsAndEventsBeingCreatedAreLeftAlone) {
    for (const char* uid : {"ins-upd", "del-ins", "creating-ins", "creating"})
        writeThisYear(QStringLiteral("work"), QString::fromLatin1(uid));
    writeThisYear(QStringLiteral("work"), QStringLiteral("far"), 3);
    open();
    hooks->inCreation = {QStringLiteral("creating-ins"), QStringLiteral("creating")};

    storePosts({QStringLiteral("ins-upd"), QStringLiteral("ins-del"), QStringLiteral("missing")},
               {QStringLiteral("upd-del"), QStringLiteral("far")}, {QStringLiteral("del-ins")});
    // In one notification, an update beats an insertion, unless the event is
    // being created here: its own saves come back as updates.
    storePosts(
        {QStringLiteral("creating-ins"), QStringLiteral("del-ins")},
        {QStringLiteral("ins-upd"), QStringLiteral("creating-ins"), QStringLiteral("creating")},
        {QStringLiteral("upd-del"), QStringLiteral("ins-del")});
    // Nothing at all: the pending delivery stays as it is.
    storePosts({}, {}, {});

    ASSERT_TRUE(delivered());
    ASSERT_EQ(hooks->reports().size(), 1u);
    EXPECT_EQ(describeReport(hooks->reports().front()),
              QStringLiteral("creating-ins:1 del-ins:1 far:2 ins-del:3 ins-upd:2 missing:1 "
                             "upd-del:3"));
    // Events outside two years from the first day of this year, and events the
    // store does not have, are not announced.
    EXPECT_EQ(described(),
              (QStringList{
                  QStringLiteral("changes=unknown, event=creating-ins/creating-ins, "
                                 "uid=creating-ins"),
                  QStringLiteral("changes=unknown, event=del-ins/del-ins, uid=del-ins"),
                  QStringLiteral("changes=deleted, event=null, uid=ins-del"),
                  QStringLiteral("changes=unknown, event=ins-upd/ins-upd, uid=ins-upd"),
                  QStringLiteral("changes=deleted, event=null, uid=upd-del"),
              }));
    EXPECT_EQ(weekView.deselected,
              (QStringList{QStringLiteral("del-ins"), QStringLiteral("upd-del"),
                           QStringLiteral("far"), QStringLiteral("upd-del"),
                           QStringLiteral("ins-del"), QStringLiteral("ins-upd")}));
}

TEST_F(MergingTest, ChangesArriveWithoutAMainWindowToo) {
    writeThisYear(QStringLiteral("work"), QStringLiteral("keep"));
    open();
    MainWindowHooks::setShared(nullptr);
    storePosts({}, {QStringLiteral("keep")}, {});
    ASSERT_TRUE(testsupport::waitUntil([&] { return !changes.posted().empty(); }));
    EXPECT_EQ(described(),
              QStringList{QStringLiteral("changes=unknown, event=keep/keep, uid=keep")});
}

// --- Calendar changes ---------------------------------------------------------------------

TEST_F(MergingTest, CalendarsAddedChangedAndRemovedElsewhereAreAppliedToTheGroups) {
    open();
    const CalendarPtr work = calendarNamed(QStringLiteral("Work"));
    const CalendarPtr home = calendarNamed(QStringLiteral("Home"));
    ASSERT_TRUE(work && home);

    addCalendar(QStringLiteral("extra"), QStringLiteral("Extra"));
    dir.write(QStringLiteral("store/home/displayname"), QByteArrayLiteral("House"));
    ASSERT_TRUE(QDir(dir.file(QStringLiteral("store/work"))).removeRecursively());
    ASSERT_TRUE(store->rescan());

    // Removed: gone from its group, the list of all calendars and the look-ups.
    EXPECT_FALSE(sources->calendarWithUID(QStringLiteral("work")));
    EXPECT_FALSE(sources->allCalendars().contains(work));
    EXPECT_LT(sources->localGroup()->indexOfItem(work), 0);
    ASSERT_EQ(hooks->removedCalendars().size(), 1u);
    EXPECT_EQ(hooks->removedCalendars().front(), std::vector<CalendarPtr>{work});
    EXPECT_EQ(selectionChanges, 1);

    // Changed: the same Calendar with the store calendar read again.
    EXPECT_EQ(sources->calendarWithUID(QStringLiteral("home")), home);
    EXPECT_EQ(home->title(), QStringLiteral("House"));

    // Added: at the end of its group, shown as a new calendar is.
    const CalendarPtr extra = sources->calendarWithUID(QStringLiteral("extra"));
    ASSERT_TRUE(extra);
    EXPECT_EQ(sources->localGroup()->calendars().last(), extra);
    EXPECT_EQ(sources->allCalendars().last(), extra);
    EXPECT_TRUE(extra->isSelected());
    EXPECT_EQ(extra->title(), QStringLiteral("Extra"));
}

TEST_F(MergingTest, ARenamedOrRecolouredCalendarIsUpdatedAndNeverRemoved) {
    open();
    const CalendarPtr home = calendarNamed(QStringLiteral("Home"));
    ASSERT_TRUE(home);
    struct Case {
        const char* file;
        QByteArray text;
    };
    const Case cases[] = {{"displayname", QByteArrayLiteral("House")},
                          {"color", QByteArrayLiteral("#CC3366")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        // Another program rewrites one of the calendar's files.
        dir.write(QStringLiteral("store/home/") + QLatin1String(c.file), c.text);
        ASSERT_TRUE(store->rescan());
        EXPECT_EQ(sources->calendarWithUID(QStringLiteral("home")), home);
        EXPECT_EQ(sources->allCalendars().size(), 2);
        EXPECT_EQ(selectionChanges, 0);
        EXPECT_TRUE(hooks->removedCalendars().empty());
    }
    EXPECT_EQ(home->title(), QStringLiteral("House"));
    EXPECT_EQ(home->color(), QColor(QStringLiteral("#CC3366")));

    // Only a calendar that is really gone is removed.
    ASSERT_TRUE(QDir(dir.file(QStringLiteral("store/home"))).removeRecursively());
    ASSERT_TRUE(store->rescan());
    EXPECT_EQ(selectionChanges, 1);
    ASSERT_EQ(hooks->removedCalendars().size(), 1u);
    EXPECT_EQ(hooks->removedCalendars().front(), std::vector<CalendarPtr>{home});
}

TEST_F(MergingTest, ADeletedListThatNamesNoKnownCalendarRemovesNothing) {
    open();
    for (const QStringList& deleted : {QStringList(), QStringList{QStringLiteral("nobody")}}) {
        foundation::NotificationCenter::defaultCenter().post(
            calstore::Store::calendarsChangedExternallyNotification, store.get(),
            {{calstore::Store::insertedRecordsKey, QStringList()},
             {calstore::Store::updatedRecordsKey, QStringList{QStringLiteral("home")}},
             {calstore::Store::deletedRecordsKey, deleted}});
    }
    EXPECT_EQ(selectionChanges, 0);
    EXPECT_TRUE(hooks->removedCalendars().empty());
    EXPECT_EQ(sources->allCalendars().size(), 2);
}

}  // namespace

#include "MergingTest.moc"
