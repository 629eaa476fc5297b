// The setup assistant on a window over a model loaded from a test store: where
// it starts, what its pop-up offers, when Next may be pressed, and what each
// phase leaves in the store and the settings.
#include "prefs/SetupWinController.h"

#include "data/CalendarSourcesTestSupport.h"
#include "platform/kit/Color.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/Sheet.h"
#include "shell/AppDelegate.h"

#include <QDir>

using namespace calsrctest;

namespace {

class SetupAssistantTest : public CalendarSourcesTest {
protected:
    void SetUp() override {
        CalendarSourcesTest::SetUp();
        delegate = std::make_unique<AppDelegate>();
        host = std::make_unique<kit::Window>(QRectF(100, 100, 900, 600));
        host->orderFront();
    }
    void TearDown() override {
        SetupWinController::resetSharedWinController();
        host.reset();
        delegate.reset();
        CalendarSourcesTest::TearDown();
    }

    // Calendars of the given titles and types (folder "c1", "c2", ...), and
    // one marker in the first marker store when `marker` is set.
    void loadCalendars(const QList<std::pair<QString, int>>& calendars, bool marker = false) {
        QVariantMap entries;
        QString markerStore;
        int i = 0;
        for (const auto& [title, type] : calendars) {
            const QString folder = QStringLiteral("c%1").arg(++i);
            addCalendar({folder, title});
            entries.insert(folder, calendarEntry(title, true, type, i));
            if (type == Calendar::kTypeMarker && markerStore.isEmpty()) markerStore = folder;
        }
        Defaults::standard().setObject(CalendarSources::kCalendarsPrefs, entries);
        if (marker)
            Defaults::standard().setObject(
                CalendarSources::kMarkersPrefs,
                QVariantMap{{kMarkerA, markerEntry("Vacation", markerStore, 1, 0)}});
        load();
        delegate->calendarSources = sources;
    }

    SetupWinController* openAssistant() {
        auto* assistant = SetupWinController::sharedWinController();
        assistant->openSetupSheetOnWindow(host.get());
        return assistant;
    }

    static void type(SetupWinController* a, const QString& text) {
        a->newName()->setStringValue(text);
        a->controlTextDidChange(a->newName());
    }
    static void choose(SetupWinController* a, int tag) {
        a->selection()->selectCellWithTag(tag);
        a->selectionChanged(a->selection());
    }
    static QStringList bullets(SetupWinController* a) {
        QStringList names;
        for (int i = 0; i < 4; ++i) names << a->bulletName(i).mid(6);  // "BulletOk" -> "Ok"
        return names;
    }
    // The pop-up's items, a disabled one in brackets, the selected one starred.
    static QStringList popUp(SetupWinController* a) {
        QStringList items;
        kit::PopUpButton* p = a->selectedName();
        for (int i = 0; i < p->numberOfItems(); ++i) {
            const kit::MenuItem* item = p->itemAtIndex(i);
            QString t = item->title();
            if (!item->isEnabled()) t = QLatin1Char('(') + t + QLatin1Char(')');
            if (i == p->indexOfSelectedItem()) t += QLatin1Char('*');
            items << t;
        }
        return items;
    }
    // Saved calendar types by title ("Title:type"), in title order.
    static QStringList savedTypes() {
        QStringList types;
        for (const QVariant& v : saved(CalendarSources::kCalendarsPrefs)) {
            const QVariantMap entry = v.toMap();
            types << entry.value("Name").toString() + QLatin1Char(':') +
                         QString::number(entry.value("Calendar Type").toInt());
        }
        types.sort();
        return types;
    }
    // The titles of the store's calendar folders on disk.
    QStringList folderTitles() const {
        QStringList titles;
        const QDir store(dir.file(QStringLiteral("store")));
        for (const QString& folder : store.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            titles << QString::fromUtf8(
                dir.read(QStringLiteral("store/%1/displayname").arg(folder)));
        titles.sort();
        return titles;
    }

    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<kit::Window> host;
};

struct StartCase {
    const char* name;
    QList<std::pair<QString, int>> calendars;
    bool marker;
    int phase;
    const char* bullets;
    bool choicesShown;  // radio group, pop-up and Cancel
};
void PrintTo(const StartCase& c, std::ostream* os) {
    *os << c.name;
}

class SetupStartTest : public SetupAssistantTest,
                       public ::testing::WithParamInterface<StartCase> {};

TEST_P(SetupStartTest, DonePhasesFromTheStartAreSteppedOver) {
    const StartCase& c = GetParam();
    loadCalendars(c.calendars, c.marker);
    auto* a = openAssistant();
    ASSERT_TRUE(a->isSheetUp());
    EXPECT_EQ(a->currentPhase(), c.phase);
    EXPECT_EQ(bullets(a).join(u' '), QString::fromLatin1(c.bullets));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(a->phaseTitle(i)->textColor(),
                  i == 0 || i < c.phase ? kit::Color::black() : kit::Color::gray())
            << "title " << i + 1;
    EXPECT_EQ(!a->selection()->isHidden(), c.choicesShown);
    EXPECT_EQ(!a->cancelButton()->isHidden(), c.choicesShown);
    EXPECT_EQ(a->newMarker()->isHidden(), c.phase < 4 || c.phase == 5);
    if (c.phase == 5) {
        EXPECT_EQ(a->nextButton()->title(), QStringLiteral("Done"));
        EXPECT_TRUE(a->nextButton()->isEnabled());
        a->nextButton()->performClick();
        EXPECT_FALSE(a->isSheetUp());
    } else {
        EXPECT_FALSE(a->nextButton()->isEnabled());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Setup, SetupStartTest,
    ::testing::Values(
        StartCase{"Nothing", {{"Work", 1}}, false, 1, "Blue Grey Grey Grey", true},
        // A done phase after an open one is not stepped over at the start.
        StartCase{
            "OnlyHolidays", {{"Work", 1}, {"Holidays", 2}}, false, 1, "Blue Ok Grey Grey", true},
        StartCase{"StoresWithoutMarker",
                  {{"Marks", 4}, {"Holidays", 2}, {"Birthdays", 3}},
                  false,
                  4,
                  "Ok Ok Ok Blue",
                  false},
        StartCase{"Everything",
                  {{"Marks", 4}, {"Holidays", 2}, {"Birthdays", 3}},
                  true,
                  5,
                  "Ok Ok Ok Ok",
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

// Phase by phase from an empty set-up: a new marker store, an existing
// calendar (of two with one title, told apart by UID) as the holiday store,
// the birthday store skipped, and a first marker.
TEST_F(SetupAssistantTest, EachPhaseDoesWhatWasChosenAndTheNextOffersLess) {
    loadCalendars({{"Shared", 1}, {"Shared", 1}, {"Work", 1}});
    auto* a = openAssistant();
    EXPECT_EQ(popUp(a), (QStringList{"Shared*", "Shared", "Work"}));
    EXPECT_FALSE(a->selectedName()->isEnabled());
    EXPECT_EQ(a->warningText()->stringValue(),
              QStringLiteral("A new local calendar becomes the marker store."));

    // Next per choice and name.
    type(a, QStringLiteral("Marks"));
    EXPECT_TRUE(a->nextButton()->isEnabled());
    choose(a, SetupWinController::kUseExisting);
    EXPECT_TRUE(a->selectedName()->isEnabled());
    EXPECT_FALSE(a->newName()->isEnabled());
    EXPECT_TRUE(a->nextButton()->isEnabled());
    choose(a, SetupWinController::kSkip);
    EXPECT_FALSE(a->warningIcon()->isHidden());
    EXPECT_TRUE(a->nextButton()->isEnabled());
    choose(a, SetupWinController::kCreate);
    EXPECT_TRUE(a->warningIcon()->isHidden());
    type(a, QString());
    EXPECT_FALSE(a->nextButton()->isEnabled());
    type(a, QStringLiteral("Work"));  // a taken title is made unique
    a->nextButton()->performClick();

    // Phase 2: the marker store just made is no choice.
    EXPECT_EQ(a->currentPhase(), 2);
    EXPECT_EQ(bullets(a).join(u' '), QStringLiteral("Ok Blue Grey Grey"));
    EXPECT_EQ(popUp(a), (QStringList{"Shared*", "Shared", "Work", "(Work-1)"}));
    choose(a, SetupWinController::kUseExisting);
    a->selectedName()->selectItemAtIndex(1);  // the second "Shared"
    a->nextButton()->performClick();
    EXPECT_EQ(savedTypes(), (QStringList{"Shared:1", "Shared:2", "Work-1:4", "Work:1"}));
    EXPECT_EQ(sources->calendarWithUID(QStringLiteral("c2"))->calendarType(),
              Calendar::kTypeHoliday);
    EXPECT_EQ(sources->calendarWithUID(QStringLiteral("c1"))->calendarType(),
              Calendar::kTypeNormal);

    // Phase 3: neither store is a choice; skipping changes nothing.
    EXPECT_EQ(a->currentPhase(), 3);
    EXPECT_EQ(popUp(a), (QStringList{"Shared*", "(Shared)", "Work", "(Work-1)"}));
    choose(a, SetupWinController::kSkip);
    testsupport::saveForInspection(a->sheet()->widget()->grab().toImage(), "setup-phase3-skip");
    a->nextButton()->performClick();
    EXPECT_EQ(savedTypes(), (QStringList{"Shared:1", "Shared:2", "Work-1:4", "Work:1"}));

    // Phase 4: the first marker in the new store.
    EXPECT_EQ(a->currentPhase(), 4);
    EXPECT_EQ(bullets(a).join(u' '), QStringLiteral("Ok Ok Blue Blue"));
    EXPECT_EQ(a->warningText()->stringValue(),
              QStringLiteral("The marker keeps its marks in the marker store “Work-1”."));
    EXPECT_TRUE(a->cancelButton()->isHidden());
    EXPECT_FALSE(a->nextButton()->isEnabled());
    a->newMarker()->performClick();  // off: Next may finish without a marker
    EXPECT_TRUE(a->nextButton()->isEnabled());
    EXPECT_FALSE(a->newName()->isEnabled());
    a->newMarker()->performClick();
    type(a, QStringLiteral("Holiday"));
    testsupport::saveForInspection(a->sheet()->widget()->grab().toImage(), "setup-phase4");
    a->nextButton()->performClick();
    EXPECT_FALSE(a->isSheetUp());
    EXPECT_EQ(a->bulletName(3), SetupWinController::kBulletOk);

    // The store has the new calendar's folder; the settings have the marker.
    EXPECT_EQ(folderTitles(), (QStringList{"Shared", "Shared", "Work", "Work-1"}));
    const QVariantMap markers = saved(CalendarSources::kMarkersPrefs);
    ASSERT_EQ(markers.size(), 1);
    const QVariantMap marker = markers.first().toMap();
    EXPECT_EQ(marker.value("Name").toString(), QStringLiteral("Holiday"));
    EXPECT_EQ(marker.value("Calendar").toString(), sources->firstMarkerCalendar()->uid());
}

// Without a marker store no marker can be made: the bullet says so.
TEST_F(SetupAssistantTest, AFirstMarkerWithoutAMarkerStoreLeavesThePhaseOpen) {
    loadCalendars({{"Holidays", 2}, {"Birthdays", 3}});
    auto* a = openAssistant();
    choose(a, SetupWinController::kSkip);
    a->nextButton()->performClick();
    EXPECT_EQ(a->currentPhase(), 4);  // 2 and 3 were done
    EXPECT_EQ(bullets(a).join(u' '), QStringLiteral("Blue Ok Ok Blue"));
    type(a, QStringLiteral("Holiday"));
    a->nextButton()->performClick();
    EXPECT_EQ(a->bulletName(3), SetupWinController::kBulletBlue);
    EXPECT_TRUE(saved(CalendarSources::kMarkersPrefs).isEmpty());
}

// Cancel changes nothing; the startup box writes its setting at once; a window
// that carries a sheet gets none.
TEST_F(SetupAssistantTest, CancelTheStartupBoxAndAnOccupiedWindow) {
    loadCalendars({{"Work", 1}});
    Defaults::standard().setBool(AppDelegate::kCheckConfigAtStartup, true);
    auto* a = openAssistant();
    EXPECT_EQ(a->checkAtStartup()->state(), kit::Button::On);
    a->checkAtStartup()->performClick();
    EXPECT_FALSE(Defaults::standard().boolForKey(AppDelegate::kCheckConfigAtStartup));
    const QStringList before = savedTypes();
    type(a, QStringLiteral("Marks"));
    a->cancelButton()->performClick();
    EXPECT_FALSE(a->isSheetUp());
    EXPECT_EQ(savedTypes(), before);
    EXPECT_EQ(folderTitles(), QStringList{"Work"});

    kit::Window other(QRectF(0, 0, 200, 100), kit::Window::Titled);
    ASSERT_TRUE(kit::Sheet::beginSheet(&other, host.get()));
    a->openSetupSheetOnWindow(host.get());
    EXPECT_FALSE(a->isSheetUp());
    kit::Sheet::endSheet(&other);
}

}  // namespace
