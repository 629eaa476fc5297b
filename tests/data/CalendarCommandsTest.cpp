// The commands on calendars and markers, on a test store: what the sheets hand
// back, deletions, the setup assistant's operations, checked in the store's
// folders and in the saved records.
#include "CalendarSourcesTestSupport.h"

#include "data/MainWindowHooks.h"
#include "platform/foundation/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace calsrctest;

namespace {

// Counts what the commands announce.
struct Posts {
    Posts() {
        for (const QString& name : {CalendarSources::calendarTypeOrColorChangedNotification,
                                    CalendarSources::calendarSelectionChangedNotification})
            foundation::NotificationCenter::defaultCenter().addObserver(
                this, name, nullptr,
                [this, name](const foundation::Notification&) { ++counts[name]; });
    }
    ~Posts() { foundation::NotificationCenter::defaultCenter().removeObserver(this); }
    int typeOrColor() const {
        return counts.value(CalendarSources::calendarTypeOrColorChangedNotification);
    }
    int selection() const {
        return counts.value(CalendarSources::calendarSelectionChangedNotification);
    }
    QHash<QString, int> counts;
};

// The main window's hooks, as far as a deletion reaches them.
class RecordingHooks final : public MainWindowHooks {
public:
    std::vector<CalendarPtr> removed;
    void eventsUpdated(const QVariantMap&) override {}
    void calendarsRemoved(const std::vector<CalendarPtr>& calendars) override {
        removed.insert(removed.end(), calendars.begin(), calendars.end());
    }
    QObject* currentWeekView() const override { return nullptr; }
    bool isCurrentlyInCreation(const QString&) const override { return false; }
};

class CalendarCommandsTest : public CalendarSourcesTest {
protected:
    void SetUp() override {
        CalendarSourcesTest::SetUp();
        saved_ = CalendarSources::services();
        CalendarSources::changeServices([this](CalendarSources::Services& s) {
            s.openCalendarSheet = [this](const CalendarPtr& c) {
                sheets << "calendar " + c->title();
            };
            s.openMarkerSheet = [this](const EMarkerPtr& m) { sheets << "marker " + m->title(); };
            s.openBirthdaySheet = [this](const CalendarPtr& c) {
                sheets << "birthdays " + c->title();
            };
            s.openHolidaySheet = [this](const CalendarPtr& c) {
                sheets << "holidays " + c->title();
            };
            s.hoverShowForCalendar = [this](const CalendarPtr& c, const QRectF&,
                                            SourceListOutline*) {
                sheets << "hover " + c->title();
            };
            s.hoverShowForMarker = [this](const EMarkerPtr& m, const QRectF&, SourceListOutline*) {
                sheets << "hover " + m->title();
            };
        });
    }
    void TearDown() override {
        CalendarSources::changeServices([this](CalendarSources::Services& s) { s = saved_; });
        if (sources) sources->setOutlineView(nullptr);
        MainWindowHooks::setShared(nullptr);
        CalendarSourcesTest::TearDown();
    }

    // The usual store: a normal calendar, a marker store holding a marker, a
    // birthday and a holiday store.
    void loadUsual() {
        addCalendar({"work", "Work"});
        addCalendar({"marks", "Marks"});
        addCalendar({"bdays", "Birthdays"});
        addCalendar({"hol", "Holidays"});
        Defaults::standard().setObject(
            CalendarSources::kCalendarsPrefs,
            QVariantMap{{"work", calendarEntry("Work", true, 1, 0)},
                        {"marks", calendarEntry("Marks", true, 4, 1)},
                        {"bdays", calendarEntry("Birthdays", true, 3, 2)},
                        {"hol", calendarEntry("Holidays", true, 2, 3)}});
        Defaults::standard().setObject(
            CalendarSources::kMarkersPrefs,
            QVariantMap{{kMarkerA, markerEntry("Vacation", "marks", 1, 0)},
                        {kMarkerB, markerEntry("Trip", "marks", 2, 1)}});
        load();
        showRows();
        outline.onReload = [this] { showRows(); };
        sources->setOutlineView(&outline);
    }

    void showRows() {
        outline.rows.clear();
        for (const auto& group : {sources->localGroup(), sources->markersGroup()}) {
            outline.rows << group;
            for (const auto& element : group->elements()) outline.rows << element;
        }
    }
    void select(const SourceListItemPtr& item) {
        showRows();
        outline.selected = outline.rowForItem(item);
    }

    static QVariantMap calendarData(const QString& title, int type,
                                    const QColor& color = QColor(0x33, 0x66, 0xCC),
                                    const QString& notes = QString()) {
        return {{"title", title}, {"notes", notes}, {"color", color}, {"type", type}};
    }
    QString folderTitle(const QString& uid) const {
        return QString::fromUtf8(dir.read(QStringLiteral("store/%1/displayname").arg(uid)))
            .trimmed();
    }
    QVariantMap savedEntry(const QString& group, const QString& key) const {
        return saved(group).value(key).toMap();
    }

    FakeOutline outline;
    QStringList sheets;
    CalendarSources::Services saved_;
};

TEST_F(CalendarCommandsTest, NewCalendarsAndMarkersGetFreeTitlesAndCancelTakesThemAway) {
    loadUsual();
    for (int i = 0; i < 3; ++i) sources->newCalendar();
    EXPECT_EQ(sheets, QStringList({"calendar New Calendar", "calendar New Calendar-1",
                                   "calendar New Calendar-2"}));
    const CalendarPtr third = sources->editedCalendar();
    ASSERT_TRUE(third && third->isNew());
    EXPECT_EQ(sources->allCalendars().count(third), 1);

    // Cancel: the third goes from the group and the model's list; nothing was stored.
    sources->removeEditedCalendar();
    EXPECT_FALSE(sources->localGroup()->elements().contains(third));
    EXPECT_FALSE(sources->allCalendars().contains(third));
    EXPECT_EQ(outline.selected, -1);
    EXPECT_EQ(QDir(dir.file("store")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 4);

    sheets.clear();
    sources->newMarker();
    sources->newMarker();
    EXPECT_EQ(sheets, QStringList({"marker New Marker", "marker New Marker-1"}));
    const EMarkerPtr marker = sources->editedMarker();
    sources->removeEditedMarker();
    EXPECT_FALSE(sources->markersGroup()->elements().contains(marker));
    EXPECT_FALSE(saved(CalendarSources::kMarkersPrefs).contains(marker->uID()));
}

TEST_F(CalendarCommandsTest, TheCalendarSheetsResultReachesTheStoreAndTheRecords) {
    loadUsual();
    Posts posts;
    sources->newCalendar();
    const CalendarPtr calendar = sources->editedCalendar();
    // A title another calendar of the group has: NO, nothing changes.
    EXPECT_FALSE(sources->calendarUpdatedWithData(calendarData("Work", 1)));
    EXPECT_TRUE(calendar->isNew());
    EXPECT_EQ(sources->editedCalendar(), calendar);

    ASSERT_TRUE(sources->calendarUpdatedWithData(calendarData("Trips", 1, Qt::red, "away")));
    ASSERT_FALSE(calendar->isNew());
    EXPECT_EQ(sources->editedCalendar(), nullptr);
    const QString uid = calendar->uid();
    EXPECT_EQ(folderTitle(uid), "Trips");
    EXPECT_EQ(savedEntry(CalendarSources::kCalendarsPrefs, uid).value("Name"), "Trips");
    EXPECT_EQ(posts.typeOrColor(), 1);

    // Only the notes: stored, without a reload or an announcement.
    select(calendar);
    sources->entryEdit();
    const int reloads = outline.reloads;
    ASSERT_TRUE(sources->calendarUpdatedWithData(calendarData("Trips", 1, Qt::red, "far away")));
    EXPECT_EQ(outline.reloads, reloads);
    EXPECT_EQ(posts.typeOrColor(), 1);
    const auto fresh = calstore::Store::openAt(dir.file("store"));
    ASSERT_TRUE(fresh->calendarWithUID(uid));
    EXPECT_EQ(fresh->calendarWithUID(uid)->notes(), "far away");
}

TEST_F(CalendarCommandsTest, ANewCalendarTheStoreCannotTakeStaysNewWithItsErrorUntilSaved) {
    loadUsual();
    sources->newCalendar();
    const CalendarPtr calendar = sources->editedCalendar();
    ASSERT_TRUE(calendar);
    // The store's folder gives way to a file: no calendar folder can be made.
    const QString root = dir.file("store");
    const QString aside = dir.file("store-aside");
    ASSERT_TRUE(QDir().rename(root, aside));
    dir.write("store", "not a folder");

    foundation::LogCapture log;
    EXPECT_TRUE(sources->calendarUpdatedWithData(calendarData("Trips", 1)));
    EXPECT_TRUE(log.contains("oops, updating calendar to iCal failed"));
    EXPECT_TRUE(calendar->isNew());
    EXPECT_FALSE(calendar->updateError().isEmpty());
    EXPECT_TRUE(sources->allCalendars().contains(calendar));
    for (const auto& [uid, entry] : saved(CalendarSources::kCalendarsPrefs).asKeyValueRange())
        EXPECT_NE(entry.toMap().value("Name"), "Trips") << uid.toStdString();

    // With the folder back, editing the row again stores it.
    ASSERT_TRUE(QFile::remove(root));
    ASSERT_TRUE(QDir().rename(aside, root));
    select(calendar);
    sources->entryEdit();
    ASSERT_TRUE(sources->calendarUpdatedWithData(calendarData("Trips", 1)));
    ASSERT_FALSE(calendar->isNew());
    EXPECT_TRUE(calendar->updateError().isEmpty());
    EXPECT_EQ(folderTitle(calendar->uid()), "Trips");
    EXPECT_EQ(savedEntry(CalendarSources::kCalendarsPrefs, calendar->uid()).value("Name"), "Trips");
}

TEST_F(CalendarCommandsTest, ATypeChangeChecksTheMarkersHeldInTheCalendar) {
    loadUsual();
    Posts posts;
    const CalendarPtr marks = sources->calendarWithUID("marks");
    const EMarkerPtr vacation = sources->markerWithUID(kMarkerA);
    select(marks);
    sources->entryEdit();
    ASSERT_TRUE(sources->calendarUpdatedWithData(calendarData("Marks", 1)));
    EXPECT_FALSE(vacation->errorMessage().isEmpty());
    EXPECT_EQ(savedEntry(CalendarSources::kCalendarsPrefs, "marks").value("Calendar Type"), 1);
    EXPECT_EQ(posts.typeOrColor(), 1);

    sources->entryEdit();
    ASSERT_TRUE(sources->calendarUpdatedWithData(calendarData("Marks", 4)));
    EXPECT_TRUE(vacation->errorMessage().isEmpty());
    EXPECT_EQ(vacation->calendarUID(), "marks");

    // The setup assistant's way: by title.
    EXPECT_TRUE(sources->setCalendarWithName("Marks", 1));
    EXPECT_FALSE(vacation->errorMessage().isEmpty());
    foundation::LogCapture log;
    EXPECT_FALSE(sources->setCalendarWithName("Nowhere", 4));
    EXPECT_TRUE(log.contains("calendar???"));
}

TEST_F(CalendarCommandsTest, DeletingACalendarTakesItsMarkersAndLeavesTheYearPages) {
    loadUsual();
    auto hooks = std::make_shared<RecordingHooks>();
    MainWindowHooks::setShared(hooks);
    Posts posts;
    const CalendarPtr marks = sources->calendarWithUID("marks");
    select(marks);
    sources->deleteEntry();
    sources->deleteCalendar();
    EXPECT_FALSE(QFileInfo::exists(dir.file("store/marks")));
    EXPECT_FALSE(sources->allCalendars().contains(marks));
    EXPECT_EQ(sources->markersGroup()->elements().size(), 0);
    EXPECT_FALSE(saved(CalendarSources::kCalendarsPrefs).contains("marks"));
    EXPECT_TRUE(saved(CalendarSources::kMarkersPrefs).isEmpty());
    ASSERT_EQ(hooks->removed.size(), 1u);
    EXPECT_EQ(hooks->removed.front(), marks);
    EXPECT_EQ(posts.selection(), 1);
}

TEST_F(CalendarCommandsTest, ADeletionTheStoreRefusesKeepsTheCalendarWithItsError) {
    addCalendar({"work", "Work"});
    dir.write("store/work/ev.ics",
              "BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nUID:ev\n"
              "DTSTART;VALUE=DATE:20260101\nSUMMARY:A\nEND:VEVENT\n"
              "END:VCALENDAR\n");
    load();
    auto hooks = std::make_shared<RecordingHooks>();
    MainWindowHooks::setShared(hooks);
    showRows();
    sources->setOutlineView(&outline);
    Posts posts;
    const CalendarPtr work = sources->calendarWithUID("work");
    ASSERT_TRUE(work);
    // Another program changes an event after it was read.
    dir.write("store/work/ev.ics",
              "BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nUID:ev\n"
              "DTSTART;VALUE=DATE:20260102\nSUMMARY:B\nEND:VEVENT\n"
              "END:VCALENDAR\n");
    select(work);
    sources->deleteEntry();
    foundation::LogCapture log;
    sources->deleteCalendar();
    EXPECT_TRUE(log.contains("ERROR: deleting calendar failed!"));
    EXPECT_TRUE(QFileInfo::exists(dir.file("store/work/ev.ics")));
    EXPECT_TRUE(sources->allCalendars().contains(work));
    EXPECT_FALSE(work->isNew());
    EXPECT_FALSE(work->updateError().isEmpty());
    EXPECT_TRUE(hooks->removed.empty());
    EXPECT_EQ(posts.selection(), 1);
    EXPECT_TRUE(saved(CalendarSources::kCalendarsPrefs).contains("work"));
}

TEST_F(CalendarCommandsTest, TheMarkerSheetsResultAndRenamingInPlace) {
    loadUsual();
    Posts posts;
    const EMarkerPtr vacation = sources->markerWithUID(kMarkerA);
    select(vacation);
    sources->entryEdit();
    QVariantMap data{{"title", "Trip"},
                     {"notes", "n"},
                     {"color", QColor(Qt::green)},
                     {"type", 3},
                     {"calendar", "marks"}};
    EXPECT_FALSE(sources->markerUpdatedWithData(data));
    EXPECT_EQ(vacation->title(), "Vacation");

    data["title"] = "Holidays abroad";
    ASSERT_TRUE(sources->markerUpdatedWithData(data));
    EXPECT_EQ(posts.typeOrColor(), 1);
    const QVariantMap entry = savedEntry(CalendarSources::kMarkersPrefs, kMarkerA);
    EXPECT_EQ(entry.value("Name"), "Holidays abroad");
    EXPECT_EQ(entry.value("Type"), 3);
    EXPECT_EQ(entry.value("Description"), "n");

    // In place: a taken title gets "-1", its own title stays, the empty text changes nothing.
    struct Case {
        QString wanted, result;
    };
    for (const Case& c : {Case{"Trip", "Trip-1"}, Case{"Trip-1", "Trip-1"}, Case{"", "Trip-1"}}) {
        sources->updateNameOf(vacation, c.wanted);
        EXPECT_EQ(vacation->title(), c.result) << c.wanted.toStdString();
    }
    EXPECT_EQ(savedEntry(CalendarSources::kMarkersPrefs, kMarkerA).value("Name"), "Trip-1");

    const CalendarPtr work = sources->calendarWithUID("work");
    sources->updateNameOf(work, "Marks");
    EXPECT_EQ(work->title(), "Marks-1");
    EXPECT_EQ(folderTitle("work"), "Marks-1");

    // Deleting the marker without its marks.
    select(vacation);
    sources->deleteEntry();
    sources->deleteMarkerAndMarks(false);
    EXPECT_FALSE(saved(CalendarSources::kMarkersPrefs).contains(kMarkerA));
}

TEST_F(CalendarCommandsTest, TheSetupAssistantsCalendarsAndMarkers) {
    addCalendar({"work", "Work"});
    load();
    sources->setOutlineView(&outline);
    foundation::LogCapture log;
    // Without a marker store no marker is made.
    sources->newMarkerWithName("Vacation");
    EXPECT_TRUE(log.contains("oops, no marker calendar???"));
    EXPECT_TRUE(sources->markersGroup()->elements().isEmpty());

    struct Case {
        QString name;
        int type;
        QString title;
        QColor color;
    };
    for (const Case& c : {Case{"Marks", 4, "Marks", QColor::fromRgbF(0.5, 0, 0.5)},
                          Case{"Work", 7, "Work-1", QColor::fromRgbF(0, 1, 0)},
                          Case{"Holidays", 2, "Holidays", QColor::fromRgbF(1, 1, 0)}}) {
        ASSERT_TRUE(sources->newLocalCalendarWithName(c.name, c.type)) << c.name.toStdString();
        const CalendarPtr made = sources->calendarWithName(c.title);
        ASSERT_TRUE(made) << c.title.toStdString();
        EXPECT_EQ(made->color().rgb(), c.color.rgb()) << c.title.toStdString();
        EXPECT_EQ(folderTitle(made->uid()), c.title);
        EXPECT_EQ(savedEntry(CalendarSources::kCalendarsPrefs, made->uid()).value("Calendar Type"),
                  c.type);
    }
    sources->newMarkerWithName("Vacation");
    sources->newMarkerWithName("Vacation");
    EXPECT_EQ(sources->markersGroup()->elementNames(), QStringList({"Vacation", "Vacation-1"}));
    const EMarkerPtr marker = sources->markerWithName("Vacation");
    EXPECT_EQ(marker->calendarUID(), sources->calendarWithName("Marks")->uid());
    EXPECT_EQ(saved(CalendarSources::kMarkersPrefs).size(), 2);
}

TEST_F(CalendarCommandsTest, DoubleClickOpensListSheetsHoversOrTheEditSheet) {
    loadUsual();
    struct Case {
        QString row;
        bool option;
        QString opened;
    };
    for (const Case& c :
         {Case{"Birthdays", false, "birthdays Birthdays"},
          Case{"Birthdays", true, "birthdays Birthdays"},
          Case{"Holidays", true, "holidays Holidays"}, Case{"Work", false, "hover Work"},
          Case{"Work", true, "calendar Work"}, Case{"Vacation", false, "hover Vacation"},
          Case{"Vacation", true, "marker Vacation"}}) {
        SourceListItemPtr item = sources->calendarWithName(c.row);
        if (!item) item = sources->markerWithName(c.row);
        select(item);
        sheets.clear();
        sources->entryDoubleClick(c.option);
        EXPECT_EQ(sheets, QStringList{c.opened}) << c.row.toStdString() << c.option;
    }
    outline.selected = -1;
    sheets.clear();
    sources->entryDoubleClick(true);
    EXPECT_TRUE(sheets.isEmpty());
}

}  // namespace
