// The calendar and marker sheets on a window, driven through their controls, on
// a model loaded from a test store; their pictures.
#include "data/CalendarSourcesTestSupport.h"

#include "platform/kit/MenuItem.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/Window.h"
#include "sources/CalendarSheetController.h"
#include "sources/MarkerSheetController.h"
#include "sources/SourceSheetParts.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

using namespace calsrctest;

namespace {

class SourceSheetsTest : public CalendarSourcesTest {
protected:
    void SetUp() override {
        CalendarSourcesTest::SetUp();
        host = std::make_unique<kit::Window>(QRectF(100, 100, 900, 600));
        host->orderFront();
        sourcesheets::setHelpHandler([this](const QString& page) { helpPages << page; });
        savedServices = CalendarSources::services();
        // As the application wires them.
        CalendarSources::changeServices([this](CalendarSources::Services& s) {
            s.openCalendarSheet = [this](const CalendarPtr& c) {
                CalendarSheetController::sharedWinController()->openSheetForCalendarOnWindowFrom(
                    c, host.get(), sources);
            };
            s.openCalendarDeleteSheet = [this](const CalendarPtr& c) {
                CalendarSheetController::sharedWinController()
                    ->openDeleteSheetForCalendarOnWindowFrom(c, host.get(), sources);
            };
            s.openMarkerSheet = [this](const EMarkerPtr& m) {
                MarkerSheetController::sharedWinController()->openSheetForMarkerOnWindowFrom(
                    m, host.get(), sources);
            };
            s.openMarkerDeleteSheet = [this](const EMarkerPtr& m) {
                MarkerSheetController::sharedWinController()->openDeleteSheetForMarkerOnWindowFrom(
                    m, host.get(), sources);
            };
        });
    }
    void TearDown() override {
        CalendarSheetController::resetSharedWinController();
        MarkerSheetController::resetSharedWinController();
        sourcesheets::setHelpHandler({});
        CalendarSources::changeServices(
            [this](CalendarSources::Services& s) { s = savedServices; });
        if (sources) sources->setOutlineView(nullptr);
        host.reset();
        CalendarSourcesTest::TearDown();
    }

    // Work, a subscription, two marker stores of one title and a marker in
    // the second.
    void loadStores() {
        addCalendar({"work", "Work"});
        addCalendar({"news", "News", "subscription"});
        addCalendar({"m1", "Marks"});
        addCalendar({"m2", "Marks"});
        Defaults::standard().setObject(CalendarSources::kCalendarsPrefs,
                                       QVariantMap{{"work", calendarEntry("Work", true, 1, 0)},
                                                   {"news", calendarEntry("News", true, 1, 1)},
                                                   {"m1", calendarEntry("Marks", true, 4, 2)},
                                                   {"m2", calendarEntry("Marks", true, 4, 3)}});
        Defaults::standard().setObject(
            CalendarSources::kMarkersPrefs,
            QVariantMap{{kMarkerA, markerEntry("Vacation", "m2", 9, 0)}});
        load();
        showList();
    }

    // The list shows every calendar and marker, and new rows after a reload.
    void showList() {
        outline.onReload = [this] {
            outline.rows.clear();
            for (const auto& group : {sources->localGroup(), sources->markersGroup()})
                outline.rows << group->elements();
        };
        outline.onReload();
        sources->setOutlineView(&outline);
    }

    static void type(kit::TextField* field, const QString& text) {
        field->setStringValue(text);
        if (auto* delegate = field->delegate())
            QMetaObject::invokeMethod(delegate, "controlTextDidChange", Q_ARG(QObject*, field));
    }
    static QImage grab(kit::Window* window) { return window->widget()->grab().toImage(); }
    // The source list's Edit and Delete on the item's row.
    void edit(const SourceListItemPtr& item) {
        outline.rows = {item};
        outline.selected = 0;
        sources->entryEdit();
    }
    void remove(const SourceListItemPtr& item) {
        outline.rows = {item};
        outline.selected = 0;
        sources->deleteEntry();
    }

    std::unique_ptr<kit::Window> host;
    FakeOutline outline;
    QStringList helpPages;
    CalendarSources::Services savedServices;
};

TEST_F(SourceSheetsTest, TheCalendarSheetEditsAndRefusesADuplicateTitle) {
    loadStores();
    auto* sheets = CalendarSheetController::sharedWinController();
    const CalendarPtr marks = sources->calendarWithUID("m1");
    edit(marks);
    ASSERT_TRUE(sheets->isEditSheetUp());
    EXPECT_EQ(sheets->typePopUp()->indexOfSelectedItem(), 3);
    EXPECT_TRUE(sheets->okButton()->isEnabled());
    EXPECT_TRUE(sheets->warningLabel()->isHidden());
    EXPECT_FALSE(sheets->typePopUp()->isHidden());
    testsupport::saveForInspection(grab(sheets->editSheet()), "calendar-sheet");

    // An empty name: OK off; typing a name turns it on again.
    type(sheets->nameField(), "");
    EXPECT_FALSE(sheets->okButton()->isEnabled());
    type(sheets->nameField(), "Work");
    EXPECT_TRUE(sheets->okButton()->isEnabled());

    // A title another calendar of the group has: the sheet stays with its warning.
    sheets->okPressed();
    EXPECT_TRUE(sheets->isEditSheetUp());
    EXPECT_FALSE(sheets->warningLabel()->isHidden());
    EXPECT_FALSE(sheets->warningLabel()->stringValue().isEmpty());
    testsupport::saveForInspection(grab(sheets->editSheet()), "calendar-sheet-duplicate");
    type(sheets->nameField(), "Days off");
    EXPECT_TRUE(sheets->warningLabel()->isHidden());

    sheets->helpPressed();
    EXPECT_EQ(helpPages, QStringList{"storage"});
    // Unchanged type 4 goes back as 4, with all four keys.
    sheets->okPressed();
    EXPECT_FALSE(sheets->isEditSheetUp());
    EXPECT_EQ(sheets->calParameters().value("type"), 4);
    EXPECT_EQ(sheets->calParameters().keys(), QStringList({"color", "notes", "title", "type"}));
    EXPECT_EQ(marks->title(), "Days off");
    EXPECT_EQ(QString::fromUtf8(dir.read("store/m1/displayname")).trimmed(), "Days off");
}

TEST_F(SourceSheetsTest, SubscriptionsAndTheBirthdayCalendarAreLockedButTheirColourChanges) {
    addCalendar({"bd", "Contacts", "birthday"});
    loadStores();
    auto* sheets = CalendarSheetController::sharedWinController();
    struct Case {
        QString uid;
        QString typeLabel;
    };
    for (const Case& c : {Case{"news", "Subscription"}, Case{"bd", "Birthday calendar"}}) {
        const CalendarPtr calendar = sources->calendarWithUID(c.uid);
        ASSERT_TRUE(calendar) << c.uid.toStdString();
        const int type = calendar->calendarType();
        edit(calendar);
        ASSERT_TRUE(sheets->isEditSheetUp()) << c.uid.toStdString();
        EXPECT_TRUE(sheets->typePopUp()->isHidden());
        EXPECT_TRUE(sheets->helpButton()->isHidden());
        EXPECT_FALSE(sheets->nameField()->isEnabled());
        EXPECT_FALSE(sheets->descriptionField()->isEnabled());
        EXPECT_TRUE(sheets->colorWell()->isEnabled());
        EXPECT_EQ(sheets->typeLabel()->stringValue(), c.typeLabel);
        testsupport::saveForInspection(grab(sheets->editSheet()), "calendar-sheet-locked-" + c.uid);
        sheets->colorWell()->setColor(Qt::red);
        sheets->okPressed();
        EXPECT_FALSE(sheets->isEditSheetUp());
        // The hidden pop-up keeps the calendar's type.
        EXPECT_EQ(sheets->calParameters().value("type"), type);
        EXPECT_EQ(calendar->color().rgb(), QColor(Qt::red).rgb());
    }
}

TEST_F(SourceSheetsTest, CancellingANewCalendarTakesItAwayAndTheDeleteSheetDeletes) {
    loadStores();
    auto* sheets = CalendarSheetController::sharedWinController();
    sources->newCalendar();
    const CalendarPtr fresh = sources->editedCalendar();
    ASSERT_TRUE(sheets->isEditSheetUp());
    sheets->cancelPressed();
    EXPECT_FALSE(sheets->isEditSheetUp());
    EXPECT_FALSE(sources->allCalendars().contains(fresh));

    const CalendarPtr work = sources->calendarWithUID("work");
    remove(work);
    ASSERT_TRUE(sheets->isDeleteSheetUp());
    EXPECT_TRUE(sheets->deleteText()->stringValue().contains("Work"));
    testsupport::saveForInspection(grab(sheets->deleteSheet()), "calendar-delete-sheet");
    sheets->cancelDeletePressed();
    EXPECT_TRUE(QFileInfo::exists(dir.file("store/work")));
    remove(work);
    sheets->okDeletePressed();
    EXPECT_FALSE(sheets->isDeleteSheetUp());
    EXPECT_FALSE(QFileInfo::exists(dir.file("store/work")));
}

TEST_F(SourceSheetsTest, TheMarkerSheetTakesTheStoreChosenByItsIdentifier) {
    loadStores();
    auto* sheets = MarkerSheetController::sharedWinController();
    const EMarkerPtr vacation = sources->markerWithUID(kMarkerA);
    edit(vacation);
    ASSERT_TRUE(sheets->isEditSheetUp());
    // One item per store, both titled alike; the marker's own store is chosen.
    kit::PopUpButton* stores = sheets->calendarPopUp();
    ASSERT_EQ(stores->numberOfItems(), 2);
    EXPECT_EQ(stores->itemAtIndex(0)->title(), stores->itemAtIndex(1)->title());
    EXPECT_EQ(sheets->selectedCalendarID(), "m2");
    EXPECT_EQ(sheets->typePopUp()->indexOfSelectedItem(), 8);
    EXPECT_TRUE(sheets->cautionText()->isHidden());
    EXPECT_TRUE(sheets->errorImage()->isHidden());
    testsupport::saveForInspection(grab(sheets->editSheet()), "marker-sheet");

    // OK needs a name and a store.
    type(sheets->nameField(), "");
    EXPECT_FALSE(sheets->okButton()->isEnabled());
    stores->selectItemAtIndex(0);
    sheets->calendarChanged();
    EXPECT_FALSE(sheets->okButton()->isEnabled());
    EXPECT_EQ(sheets->selectedCalendarID(), "m1");
    EXPECT_EQ(sheets->calendarColor().rgb(), sources->calendarWithUID("m1")->color().rgb());
    type(sheets->nameField(), "Vacation");
    EXPECT_TRUE(sheets->okButton()->isEnabled());
    stores->selectItemAtIndex(1);
    sheets->calendarChanged();
    sheets->okPressed();
    EXPECT_FALSE(sheets->isEditSheetUp());
    EXPECT_EQ(sheets->markerParameters().value("calendar"), "m2");
    EXPECT_EQ(sheets->markerParameters().value("type"), 9);
    EXPECT_EQ(vacation->calendarUID(), "m2");

    edit(vacation);
    sheets->helpPressed();
    EXPECT_EQ(helpPages, QStringList{"storage"});
    sheets->cancelPressed();
    EXPECT_TRUE(sources->markersGroup()->elements().contains(vacation));
}

TEST_F(SourceSheetsTest, WithoutAMarkerStoreOnlyCancelLeavesTheSheet) {
    addCalendar({"work", "Work"});
    load();
    showList();
    auto* sheets = MarkerSheetController::sharedWinController();
    sources->newMarker();
    const EMarkerPtr fresh = sources->editedMarker();
    ASSERT_TRUE(sheets->isEditSheetUp());
    EXPECT_FALSE(sheets->okButton()->isEnabled());
    EXPECT_FALSE(sheets->calendarPopUp()->isEnabled());
    EXPECT_FALSE(sheets->cautionText()->isHidden());
    testsupport::saveForInspection(grab(sheets->editSheet()), "marker-sheet-no-store");
    sheets->okPressed();
    EXPECT_TRUE(sheets->isEditSheetUp());
    sheets->cancelPressed();
    EXPECT_FALSE(sheets->isEditSheetUp());
    EXPECT_FALSE(sources->markersGroup()->elements().contains(fresh));
}

TEST_F(SourceSheetsTest, TheMarkerDeleteSheetsBoxIsOnAtEveryOpening) {
    loadStores();
    auto* sheets = MarkerSheetController::sharedWinController();
    const EMarkerPtr vacation = sources->markerWithUID(kMarkerA);
    remove(vacation);
    ASSERT_TRUE(sheets->isDeleteSheetUp());
    EXPECT_EQ(sheets->deleteMarksBox()->state(), kit::Button::On);
    testsupport::saveForInspection(grab(sheets->deleteSheet()), "marker-delete-sheet");
    sheets->deleteMarksBox()->setState(kit::Button::Off);
    sheets->cancelDeletePressed();
    remove(vacation);
    EXPECT_EQ(sheets->deleteMarksBox()->state(), kit::Button::On);
    sheets->deleteMarksBox()->setState(kit::Button::Off);
    sheets->okDeletePressed();
    EXPECT_FALSE(sources->markersGroup()->elements().contains(vacation));
    EXPECT_FALSE(saved(CalendarSources::kMarkersPrefs).contains(kMarkerA));
}

TEST(SourceSheetPictures, MasksAreHalvedAndBrightColoursCapped) {
    // A 128-pixel white mask is halved and tinted; white is taken at 0.85.
    QImage mask(128, 128, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::white);
    const QImage tinted = sourcesheets::colorizeImage(mask, Qt::white);
    EXPECT_EQ(tinted.width(), 64);
    const QColor shown = testsupport::pixel(tinted, 10, 10);
    EXPECT_NEAR(shown.valueF(), 0.85, 0.01);
    const QColor red = testsupport::pixel(sourcesheets::colorizeImage(mask, Qt::red), 10, 10);
    EXPECT_TRUE(testsupport::colorNear(red, QColor(217, 0, 0), 3)) << red.name().toStdString();

    // The calendar picture: its head in the colour, the page below it white.
    const QImage calendar = CalendarSheetController::calendarImageWithColor(QColor(0, 0, 255));
    EXPECT_EQ(calendar.size(), QSize(128, 128));
    EXPECT_TRUE(
        testsupport::colorNear(testsupport::pixel(calendar, 64, 28), QColor(0, 0, 217), 20));
    EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(calendar, 56, 84), Qt::white, 20));
    const QImage marker =
        MarkerSheetController::markerImageWithColor(QColor(255, 0, 0), QColor(0, 160, 0));
    EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(marker, 88, 36), QColor(217, 0, 0), 30));
    EXPECT_TRUE(testsupport::colorNear(testsupport::pixel(marker, 20, 42), QColor(0, 160, 0), 30));

    QImage sheet(4 * 136, 136, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    const QList<QImage> pictures = {
        calendar, CalendarSheetController::calendarDeleteImageWithColor(Qt::white), marker,
        MarkerSheetController::markerDeleteImageWithColor(QColor(255, 160, 0), Qt::gray)};
    for (int i = 0; i < pictures.size(); ++i)
        painter.drawImage(QPointF(4 + i * 136, 4), pictures[i]);
    painter.end();
    testsupport::saveForInspection(sheet, "source-sheet-pictures");
}

}  // namespace
