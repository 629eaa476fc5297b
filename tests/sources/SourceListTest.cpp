#include "SourceListFixture.h"
#include "data/Calendar.h"
#include "data/CalendarGroup.h"
#include "data/CalendarSources.h"
#include "data/OutlineViewSpacer.h"
#include "platform/foundation/Defaults.h"
#include "platform/kit/Button.h"
#include "platform/kit/ContextMenu.h"
#include "platform/kit/DragSession.h"
#include "platform/kit/Event.h"
#include "platform/kit/Font.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Scroller.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "platform/store/Store.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "shell/WsSplitView.h"
#include "sources/CalendarSourceOutlineView.h"
#include "sources/CalendarSourceTFCell.h"
#include "sources/CalendarSourceView.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>

using foundation::Defaults;
using sourcelisttest::StoreFixture;

namespace {

// --- Cell ----------------------------------------------------------------------------

TEST(CalendarSourceTFCell, TruncationKeepsWholeLettersAndDropsSpacesBeforeTheCut) {
    const kit::TextAttributes attributes(kit::Font::systemFont(11), Qt::black);
    const kit::Font& font = attributes.font;
    const QString ellipsis(QChar(0x2026));
    struct Case {
        QString text;
        QString expectedStart;  // what remains before the ellipsis
    };
    const QString accented = QStringLiteral("Cafe\u0301 Cafe\u0301 Cafe\u0301");
    const QString emoji = QStringLiteral("Trip \U0001F30D\U0001F30D\U0001F30D\U0001F30D");
    // Two characters stay, however narrow.
    EXPECT_EQ(CalendarSourceTFCell::truncateString(QStringLiteral("ab"), 1, attributes),
              QStringLiteral("ab"));
    // A text that fits stays.
    EXPECT_EQ(CalendarSourceTFCell::truncateString(QStringLiteral("Home"), 500, attributes),
              QStringLiteral("Home"));
    for (const QString& text :
         {QStringLiteral("Work   calendar"), accented, emoji, QStringLiteral("abcdefghijkl")}) {
        for (double width : {20.0, 35.0, 50.0}) {
            const QString shown = CalendarSourceTFCell::truncateString(text, width, attributes);
            if (font.widthOfString(text) <= width) continue;
            ASSERT_TRUE(shown.endsWith(ellipsis)) << text.toStdString() << " " << width;
            const QString kept = shown.chopped(1);
            EXPECT_TRUE(text.startsWith(kept));
            EXPECT_FALSE(!kept.isEmpty() && kept.back().isSpace()) << shown.toStdString();
            // Never half a surrogate pair or a letter without its accent.
            EXPECT_FALSE(!kept.isEmpty() && kept.back().isHighSurrogate());
            if (kept.size() < text.size()) {
                const QChar next = text.at(kept.size());
                EXPECT_FALSE(next.isLowSurrogate());
                EXPECT_NE(next, QChar(0x0301));
            }
            EXPECT_LE(font.widthOfString(kept), width) << shown.toStdString();
        }
    }
    // Spaces before the cut go.
    const QString spaced = QStringLiteral("ab    cdefghijklmnop");
    for (double w = 5; w < font.widthOfString(spaced); w += 1) {
        const QString kept = CalendarSourceTFCell::truncateString(spaced, w, attributes).chopped(1);
        EXPECT_FALSE(kept.endsWith(' ')) << w;
    }
}

TEST_F(StoreFixture, RowsSpacersAndWhatMayBeSelected) {
    ASSERT_GE(outline->numberOfRows(), 4);
    EXPECT_TRUE(sourceItemAs<OutlineViewSpacer>(outline->itemAtRow(0)));
    EXPECT_EQ(outline->rectOfRow(0).height(), CalendarSourceOutlineView::kSpacerHeight);
    EXPECT_EQ(outline->itemAtRow(1), SourceListItemPtr(sources->localGroup()));
    for (const QString& title : {QStringLiteral("Home"), QStringLiteral("Work")})
        EXPECT_GE(rowOf(title), 2) << title.toStdString();
    // Clicks select only calendars and markers.
    window->sendEvent(press(1, 60, 7));
    EXPECT_EQ(outline->selectedRow(), -1);
    outline->selectRow(rowOf(QStringLiteral("Work")));
    EXPECT_EQ(outline->selectedRow(), rowOf(QStringLiteral("Work")));
    EXPECT_EQ(sources->selectedCalendar(), sources->calendarWithName(QStringLiteral("Work")));
    // A click below the rows clears the selection.
    const QPointF below = outline->convertPointToView(QPointF(60, 290), nullptr);
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseDown, below));
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseUp, below));
    EXPECT_EQ(outline->selectedRow(), -1);
}

TEST_F(StoreFixture, FirstLaunchOpensEveryGroupAndLaterLaunchesKeepTheSavedState) {
    const QString name = QStringLiteral("Test Sources");
    auto* fresh = new CalendarSourceOutlineView(QRectF(0, 0, 200, 300));
    window->contentView()->addSubview(fresh);
    fresh->setCalendarSources(sources);
    fresh->setAutosaveName(name);
    fresh->setAutosaveExpandedItems(true);
    EXPECT_GE(fresh->rowForItem(sources->calendarWithName(QStringLiteral("Home"))), 0);
    fresh->collapseItem(std::static_pointer_cast<void>(SourceListItemPtr(sources->localGroup())));
    auto* again = new CalendarSourceOutlineView(QRectF(0, 0, 200, 300));
    window->contentView()->addSubview(again);
    again->setCalendarSources(sources);
    again->setAutosaveName(name);
    again->setAutosaveExpandedItems(true);
    EXPECT_EQ(again->rowForItem(sources->calendarWithName(QStringLiteral("Home"))), -1);
}

TEST_F(StoreFixture, DragsReorderCalendarsWithinTheirGroupOnly) {
    kit::DragSession::watchQtDrops(outline);
    const QStringList before = sources->localGroup()->elementNames();
    ASSERT_EQ(before.size(), 3);
    const int first = rowOf(before.at(0)), last = rowOf(before.at(2));
    const QPointF top = topOf(first);
    unsigned ontoGroup = 99, onMarkers = 99, dropped = 99;
    kit::DragSession::setDriverForTesting([&](kit::DragSession& d) {
        ontoGroup = d.moveTo(window.get(), at(1, 60));  // onto a row: refused
        onMarkers = d.moveTo(window.get(), at(outline->numberOfRows() - 1, 60));
        d.moveTo(window.get(), top);
        dropped = d.drop();
    });
    dragRow(last, 90, top);
    kit::DragSession::setDriverForTesting({});
    EXPECT_EQ(ontoGroup, kit::DragOperation::None);
    EXPECT_EQ(onMarkers, kit::DragOperation::None);
    EXPECT_EQ(dropped, kit::DragOperation::Move);
    EXPECT_EQ(sources->localGroup()->elementNames(),
              QStringList({before.at(2), before.at(0), before.at(1)}));
    // The pressed row was selected; it stays selected on its new row.
    EXPECT_EQ(outline->itemAtRow(outline->selectedRow()),
              SourceListItemPtr(sources->calendarWithName(before.at(2))));
    // The new order is what the settings hold.
    const QVariantMap saved =
        Defaults::standard().dictionaryForKey(CalendarSources::kCalendarsPrefs);
    for (int i = 0; i < 3; ++i) {
        const QString uid = sources->localGroup()->calendars().at(i)->uid();
        EXPECT_EQ(saved.value(uid).toMap().value(QStringLiteral("Sequence")).toInt(), i) << i;
    }
}

TEST_F(StoreFixture, DragsReorderMarkersAmongMarkersOnly) {
    kit::DragSession::watchQtDrops(outline);
    const EMarkerPtr a = addMarker(QStringLiteral("A")), b = addMarker(QStringLiteral("B")),
                     c = addMarker(QStringLiteral("C"));
    const int first = outline->rowForItem(a), last = outline->rowForItem(c);
    const QPointF top = topOf(first), local = topOf(rowOf(QStringLiteral("Home")));
    unsigned amongCalendars = 99, dropped = 99;
    kit::DragSession::setDriverForTesting([&](kit::DragSession& d) {
        amongCalendars = d.moveTo(window.get(), local);
        d.moveTo(window.get(), top);
        dropped = d.drop();
    });
    dragRow(last, 95, top);
    kit::DragSession::setDriverForTesting({});
    EXPECT_EQ(amongCalendars, kit::DragOperation::None);
    EXPECT_EQ(dropped, kit::DragOperation::Move);
    EXPECT_EQ(sources->markersGroup()->elementNames(),
              QStringList({QStringLiteral("C"), QStringLiteral("A"), QStringLiteral("B")}));
    const QVariantMap saved = Defaults::standard().dictionaryForKey(CalendarSources::kMarkersPrefs);
    for (const auto& [marker, sequence] : {std::pair{c, 0}, std::pair{a, 1}, std::pair{b, 2}})
        EXPECT_EQ(saved.value(marker->uID()).toMap().value(QStringLiteral("Sequence")).toInt(),
                  sequence);
    EXPECT_EQ(outline->itemAtRow(outline->selectedRow()), SourceListItemPtr(c));
}

TEST_F(StoreFixture, CheckboxTogglesOncePerPressAndTextIsEditableArea) {
    const CalendarPtr work = sources->calendarWithName(QStringLiteral("Work"));
    const int row = rowOf(QStringLiteral("Work"));
    CalendarSourceTFCell* cell = outline->sourceCell();
    ASSERT_TRUE(cell);
    cell->setObjectValue(QVariant::fromValue(SourceListItemPtr(work)));
    const QRectF frame = outline->frameOfCellAtColumnRow(0, row);
    const double box = frame.x() + 10, text = frame.x() + 60;
    ASSERT_TRUE(work->isSelected());
    EXPECT_EQ(cell->hitTestForEvent(press(row, box, 41), frame, outline), 5u);
    EXPECT_FALSE(work->isSelected());
    // The same press seen again, a mouse-up and a drag toggle nothing.
    EXPECT_EQ(cell->hitTestForEvent(press(row, box, 41), frame, outline), 5u);
    kit::Event up = kit::Event::mouseEvent(kit::EventType::LeftMouseUp, at(row, box));
    up.setEventNumber(42);
    EXPECT_EQ(cell->hitTestForEvent(up, frame, outline), 5u);
    EXPECT_FALSE(work->isSelected());
    EXPECT_EQ(cell->hitTestForEvent(press(row, text, 43), frame, outline), 3u);
    EXPECT_FALSE(work->isSelected());
    // Through the window: a press on the checkbox shows the calendar again.
    window->sendEvent(press(row, box, 44));
    EXPECT_TRUE(work->isSelected());
    // A group row toggles nothing.
    cell->setObjectValue(QVariant::fromValue(SourceListItemPtr(sources->localGroup())));
    const QRectF groupFrame = outline->frameOfCellAtColumnRow(0, 1);
    EXPECT_EQ(cell->hitTestForEvent(press(1, groupFrame.x() + 10, 45), groupFrame, outline), 5u);
    EXPECT_TRUE(work->isSelected());
    // The editor covers the title only: past the checkbox, 3 points short.
    cell->setObjectValue(QVariant::fromValue(SourceListItemPtr(work)));
    EXPECT_EQ(cell->editingFrameForCellFrame(frame, outline),
              QRectF(frame.x() + 19, frame.y(), frame.width() - 3 - 19, frame.height()));
    cell->setObjectValue(QVariant::fromValue(SourceListItemPtr(sources->localGroup())));
    EXPECT_FALSE(cell->editingFrameForCellFrame(groupFrame, outline));
    // A text keeps the row's title; the spacer clears it.
    cell->setObjectValue(QVariant::fromValue(SourceListItemPtr(work)));
    cell->setObjectValue(QStringLiteral("Renamed"));
    EXPECT_EQ(cell->title(), QStringLiteral("Work"));
    cell->setObjectValue(QVariant::fromValue(outline->itemAtRow(0)));
    EXPECT_EQ(cell->title(), QString());
    EXPECT_EQ(cell->representedObjectType(), CalendarSourceTFCell::kOther);
}

TEST_F(StoreFixture, RenderedRowsShowCheckboxesAndTitles) {
    sources->calendarWithName(QStringLiteral("Sport"))->setSelected(false);
    const EMarkerPtr marker = addMarker(QStringLiteral("Holiday"));
    marker->setColor(QColor(220, 40, 40));
    outline->selectRow(rowOf(QStringLiteral("Work")));
    outline->reloadData();
    const QImage image = render();
    testsupport::saveForInspection(image, QStringLiteral("source-list"));
    auto anyPixel = [&](const QRectF& area, const std::function<bool(const QColor&)>& test) {
        for (int x = int(area.left()); x < int(area.right()); ++x)
            for (int y = int(area.top()); y < int(area.bottom()); ++y)
                if (test(testsupport::pixel(image, x, y))) return true;
        return false;
    };
    // The group's title is in the slate blue of group titles; the marker's
    // checkbox takes its colour.
    const QRectF group = outline->frameOfCellAtColumnRow(0, 1);
    EXPECT_TRUE(anyPixel(group.adjusted(3, 0, -group.width() + 60, 0), [](const QColor& c) {
        return c.lightness() < 140 && c.blue() > c.red() + 25;
    }));
    const QRectF mark = outline->frameOfCellAtColumnRow(0, outline->rowForItem(marker));
    EXPECT_TRUE(anyPixel(QRectF(mark.x(), mark.y(), 18, mark.height()),
                         [](const QColor& c) { return c.red() > c.blue() + 40; }));
    // The checkbox of a shown calendar is tinted; the title area holds dark text.
    const QRectF home = outline->frameOfCellAtColumnRow(0, rowOf(QStringLiteral("Home")));
    bool tinted = false, text = false;
    for (int x = int(home.x()); x < int(home.x()) + 18; ++x)
        for (int y = int(home.y()); y < int(home.bottom()); ++y) {
            const QColor c = testsupport::pixel(image, x, y);
            tinted |= c.blue() > c.red() + 30;
        }
    for (int x = int(home.x()) + 22; x < int(home.x()) + 60; ++x)
        for (int y = int(home.y()); y < int(home.bottom()); ++y)
            text |= testsupport::pixel(image, x, y).lightness() < 80;
    EXPECT_TRUE(tinted);
    EXPECT_TRUE(text);
}

TEST(CalendarSourceView, BackgroundFollowsMainStateAndGripStops) {
    CalendarSourceView view(QRectF(0, 0, 180, 300));
    EXPECT_EQ(view.backgroundColor(), CalendarSourceView::kKeyColor);
    view.setWindowKeyStatus(false);
    EXPECT_EQ(view.backgroundColor(), CalendarSourceView::kNotKeyColor);
    view.setWindowKeyStatus(true);
    EXPECT_EQ(view.backgroundColor(), CalendarSourceView::kKeyColor);
    EXPECT_EQ(view.gripRect(), QRectF(165, 0, 15, 23));
    EXPECT_EQ(CalendarSourceView::clampedWidth(180, -500), 155.0);
    EXPECT_EQ(CalendarSourceView::clampedWidth(180, 500), 250.0);
    EXPECT_EQ(CalendarSourceView::clampedWidth(180, 20), 200.0);
}

// --- Renaming in place ------------------------------------------------------------------

struct LockedTitlesFixture : StoreFixture {
    LockedTitlesFixture() {
        storeCalendars.append(
            {QStringLiteral("feed"), QStringLiteral("Feed"), QStringLiteral("subscription")});
        storeCalendars.append(
            {QStringLiteral("birthdays"), QStringLiteral("Birthdays"), QStringLiteral("birthday")});
    }
    // Edits the row's title in place as the user does, ending with Return.
    bool renameInPlace(const SourceListItemPtr& item, const QString& title) {
        const int row = outline->rowForItem(item);
        outline->selectRow(row);
        if (!outline->editColumnRow(0, row, nullptr, true) || !outline->currentEditor())
            return false;
        outline->currentEditor()->lineEdit()->setText(title);
        outline->endEditing();
        return true;
    }
    QStringList storedTitles() const {
        QStringList titles;
        auto again = calstore::Store::openAt(dir.file(QStringLiteral("store")));
        for (const auto& calendar : again->calendars()) titles << calendar->title();
        return titles;
    }
};

TEST_F(LockedTitlesFixture, RenamingInPlaceReachesTheStoreAndKeepsTitlesUnique) {
    const CalendarPtr work = sources->calendarWithName(QStringLiteral("Work"));
    ASSERT_TRUE(renameInPlace(work, QStringLiteral("Office")));
    EXPECT_EQ(work->title(), QStringLiteral("Office"));
    EXPECT_TRUE(storedTitles().contains(QStringLiteral("Office")));
    // A title another calendar of the group has is made unique; an empty one changes nothing.
    ASSERT_TRUE(renameInPlace(work, QStringLiteral("Home")));
    EXPECT_EQ(work->title(), QStringLiteral("Home-1"));
    EXPECT_FALSE(sources->updateNameOf(work, QString()));
    EXPECT_EQ(work->title(), QStringLiteral("Home-1"));
    // Markers likewise, among markers.
    const EMarkerPtr first = addMarker(QStringLiteral("Holiday")),
                     second = addMarker(QStringLiteral("Trip"));
    ASSERT_TRUE(renameInPlace(second, QStringLiteral("Holiday")));
    EXPECT_EQ(second->title(), QStringLiteral("Holiday-1"));
    EXPECT_EQ(first->title(), QStringLiteral("Holiday"));
    // Groups are never edited.
    EXPECT_FALSE(outline->shallBeginEditingForObject(sources->localGroup()));
}

TEST_F(LockedTitlesFixture, LockedTitlesAndTitlesTheStoreRefusesAreNeverShown) {
    for (const QString& title : {QStringLiteral("Feed"), QStringLiteral("Birthdays")}) {
        const CalendarPtr calendar = sources->calendarWithName(title);
        ASSERT_TRUE(calendar) << title.toStdString();
        outline->expandItem(
            std::static_pointer_cast<void>(SourceListItemPtr(sources->groupOfCalendar(calendar))));
        ASSERT_GE(outline->rowForItem(calendar), 0) << title.toStdString();
        EXPECT_TRUE(sources->titleIsLocked(calendar));
        EXPECT_FALSE(renameInPlace(calendar, QStringLiteral("Mine"))) << title.toStdString();
        // Nor through the model directly.
        EXPECT_FALSE(sources->updateNameOf(calendar, QStringLiteral("Mine")));
        EXPECT_EQ(calendar->title(), title);
    }
    EXPECT_FALSE(storedTitles().contains(QStringLiteral("Mine")));

    // The store cannot write the calendar: it keeps its title, with the store's
    // message as its error.
    const CalendarPtr sport = sources->calendarWithName(QStringLiteral("Sport"));
    ASSERT_TRUE(QDir(dir.file(QStringLiteral("store/sport"))).removeRecursively());
    dir.write(QStringLiteral("store/sport"), QByteArrayLiteral("in the way"));
    renameInPlace(sport, QStringLiteral("Running"));
    EXPECT_EQ(sport->title(), QStringLiteral("Sport"));
    EXPECT_FALSE(sport->updateError().isEmpty());
    EXPECT_FALSE(sport->calendarTypeImage().isNull());  // the error badge
}

// --- Menus ------------------------------------------------------------------------------

struct MenuFixture : StoreFixture {
    void SetUp() override {
        StoreFixture::SetUp();
        view = new CalendarSourceView(QRectF(0, 0, 200, 300));
        window->contentView()->addSubview(view);
        view->setCalendarSources(QVariant::fromValue(sources));
        outline->setSourceView(view);
    }
    kit::Menu* rightClick(QPointF point) {
        return qobject_cast<kit::Menu*>(
            outline->menuForEvent(kit::Event::mouseEvent(kit::EventType::RightMouseDown, point)));
    }
    static QStringList titles(kit::Menu* menu) {
        QStringList list;
        for (kit::MenuItem* item : menu->itemArray())
            list << (item->isSeparatorItem() ? QStringLiteral("-") : item->title());
        return list;
    }
    CalendarSourceView* view = nullptr;
};

TEST_F(MenuFixture, RightClickSelectsTheRowAndShowsItsMenu) {
    const CalendarPtr work = sources->calendarWithName(QStringLiteral("Work"));
    const EMarkerPtr marker = addMarker(QStringLiteral("Holiday"));

    kit::Menu* menu = rightClick(at(rowOf(QStringLiteral("Work")), 60));
    EXPECT_EQ(sources->selectedCalendar(), work);
    ASSERT_TRUE(menu);
    EXPECT_EQ(titles(menu), QStringList({QStringLiteral("Information"), QStringLiteral("Edit..."),
                                         QStringLiteral("-"), QStringLiteral("Purge Events..."),
                                         QStringLiteral("Delete...")}));
    for (kit::MenuItem* item : menu->itemArray())
        if (!item->isSeparatorItem()) EXPECT_EQ(item->representedObject().toString(), work->uid());

    // A group row keeps the selection and its menu.
    menu = rightClick(at(1, 60));
    EXPECT_EQ(sources->selectedCalendar(), work);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->itemAtIndex(0)->representedObject().toString(), work->uid());

    menu = rightClick(at(outline->rowForItem(marker), 60));
    EXPECT_TRUE(sources->markerIsSelected());
    ASSERT_TRUE(menu);
    EXPECT_EQ(titles(menu).mid(0, 2),
              QStringList({QStringLiteral("Information"), QStringLiteral("Edit...")}));
    EXPECT_TRUE(titles(menu).contains(QStringLiteral("Delete...")));
    EXPECT_EQ(menu->itemAtIndex(0)->representedObject().toString(), marker->uID());

    // Empty space: no selection, and the Add menu with one item per group, each
    // carrying its group.
    menu = rightClick(outline->convertPointToView(QPointF(60, 295), nullptr));
    EXPECT_EQ(outline->selectedRow(), -1);
    ASSERT_TRUE(menu);
    const QStringList groups = sources->knownCalendarGroupNames();
    ASSERT_FALSE(groups.isEmpty());
    for (int i = 0; i < groups.size(); ++i)
        EXPECT_EQ(MainWindowCtrl::calendarGroupNameForMenuItem(menu->itemAtIndex(i)), groups.at(i));
    EXPECT_TRUE(titles(menu).contains(QStringLiteral("New Marker")));
    EXPECT_TRUE(titles(menu).contains(QStringLiteral("Edit Sources...")));
}

TEST_F(StoreFixture, TheAddButtonShowsTheGroups) {
    auto* column = new CalendarSourceView(QRectF(0, 0, 200, 300));
    window->contentView()->addSubview(column);
    column->setCalendarSources(QVariant::fromValue(sources));
    QStringList shown;
    kit::ContextMenu::setHandlerForTesting([&](QMenu* menu, const kit::Event&, kit::View*) {
        if (auto* m = qobject_cast<kit::Menu*>(menu))
            for (kit::MenuItem* item : m->itemArray())
                shown << MainWindowCtrl::calendarGroupNameForMenuItem(item);
    });
    kit::Button* add = column->addButtonView();
    ASSERT_TRUE(add);
    const QPointF centre = add->convertPointToView(add->bounds().center(), nullptr);
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseDown, centre));
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseUp, centre));
    kit::ContextMenu::setHandlerForTesting({});
    shown.removeAll(QString());
    EXPECT_EQ(shown, sources->knownCalendarGroupNames());
}

TEST_F(MenuFixture, MenuCommandsReachTheSheetsOfTheRowTheyStandFor) {
    QList<SourceListItemPtr> opened;
    QStringList sheets;
    CalendarSources::changeServices([&](CalendarSources::Services& s) {
        auto calendarSheet = [&](const QString& name) {
            return [&, name](const CalendarPtr& c) { opened << c, sheets << name; };
        };
        s.openCalendarSheet = calendarSheet(QStringLiteral("edit"));
        s.openPurgeSheet = calendarSheet(QStringLiteral("purge"));
        s.openCalendarDeleteSheet = calendarSheet(QStringLiteral("delete"));
        s.openBirthdaySheet = calendarSheet(QStringLiteral("birthdays"));
        s.openMarkerSheet = [&](const EMarkerPtr& m) {
            opened << m, sheets << QStringLiteral("marker");
        };
        s.openMarkerDeleteSheet = [&](const EMarkerPtr& m) {
            opened << m, sheets << QStringLiteral("delete marker");
        };
    });
    const CalendarPtr work = sources->calendarWithName(QStringLiteral("Work"));
    const CalendarPtr home = sources->calendarWithName(QStringLiteral("Home"));
    kit::Menu* menu = rightClick(at(rowOf(QStringLiteral("Work")), 60));
    ASSERT_TRUE(menu);
    // The row is found by its UID, whatever its title and the selection became.
    work->setTitle(QStringLiteral("Home"));
    outline->selectRow(outline->rowForItem(home));
    for (int index : {1, 3, 4}) ASSERT_TRUE(menu->itemAtIndex(index)->performAction());
    EXPECT_EQ(sheets, QStringList({QStringLiteral("edit"), QStringLiteral("purge"),
                                   QStringLiteral("delete")}));
    EXPECT_EQ(opened, QList<SourceListItemPtr>({work, work, work}));
    EXPECT_EQ(sources->editedCalendar(), work);

    // A birthday store's menu opens with the birthdays sheet.
    home->setCalendarType(Calendar::kTypeBirthday);
    menu = rightClick(at(outline->rowForItem(home), 60));
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->itemAtIndex(0)->title(), QStringLiteral("Manage Birthdays..."));
    ASSERT_TRUE(menu->itemAtIndex(0)->performAction());
    EXPECT_EQ(sheets.last(), QStringLiteral("birthdays"));

    const EMarkerPtr marker = addMarker(QStringLiteral("Holiday"));
    menu = rightClick(at(outline->rowForItem(marker), 60));
    ASSERT_TRUE(menu);
    for (kit::MenuItem* item : menu->itemArray())
        if (item->title() == QStringLiteral("Edit...") ||
            item->title() == QStringLiteral("Delete..."))
            ASSERT_TRUE(item->performAction());
    EXPECT_EQ(sheets.mid(sheets.size() - 2),
              QStringList({QStringLiteral("marker"), QStringLiteral("delete marker")}));
    EXPECT_EQ(opened.last(), SourceListItemPtr(marker));

    // A row out of sight is not acted on, nor the row selected in its place.
    const auto localGroup =
        std::static_pointer_cast<void>(SourceListItemPtr(sources->localGroup()));
    menu = rightClick(at(rowOf(QStringLiteral("Sport")), 60));
    ASSERT_TRUE(menu);
    outline->collapseItem(localGroup);
    outline->selectRow(outline->rowForItem(marker));
    menu->itemAtIndex(4)->performAction();  // Delete
    EXPECT_EQ(sheets.size(), 6);
    outline->expandItem(localGroup);

    // Without the sheets installed the commands do nothing.
    CalendarSources::changeServices([](CalendarSources::Services& s) { s = {}; });
    menu = rightClick(at(rowOf(QStringLiteral("Sport")), 60));
    ASSERT_TRUE(menu);
    for (kit::MenuItem* item : menu->itemArray())
        if (!item->isSeparatorItem()) item->performAction();
    EXPECT_EQ(opened.size(), 6);
}

TEST_F(MenuFixture, InformationEditAndEditSourcesFromTheWindow) {
    QStringList calls;
    CalendarSources::changeServices([&](CalendarSources::Services& s) {
        s.hoverShowForCalendar = [&](const CalendarPtr& c, const QRectF&, SourceListOutline*) {
            calls << QStringLiteral("hover ") + c->title();
        };
        s.openCalendarSheet = [&](const CalendarPtr& c) {
            calls << QStringLiteral("sheet ") + c->title();
        };
    });
    // The column is the focus controller of a selected row.
    view->menuCommandInformation(nullptr);
    view->menuCommandEdit(nullptr);
    EXPECT_TRUE(calls.isEmpty());
    outline->selectRow(rowOf(QStringLiteral("Home")));
    view->menuCommandInformation(nullptr);
    view->menuCommandEdit(nullptr);
    EXPECT_EQ(calls, QStringList({QStringLiteral("hover Home"), QStringLiteral("sheet Home")}));

    // Edit Sources opens the preferences on the single pane "Sources".
    AppDelegate app;
    QStringList panes;
    QString pane;
    app.changeServices([&](AppDelegate::Services& s) {
        s.showPreferences = [&](const QStringList& order, const QString& shown) {
            panes = order;
            pane = shown;
        };
    });
    kit::Menu* add = view->contextMenuForAdd();
    for (kit::MenuItem* item : add->itemArray())
        if (item->title() == QStringLiteral("Edit Sources...")) ASSERT_TRUE(item->performAction());
    EXPECT_EQ(panes, QStringList({QStringLiteral("Sources")}));
    EXPECT_EQ(pane, QStringLiteral("Sources"));
}

TEST_F(MenuFixture, NewCalendarAndMarkerOpenTheirSheetsAndCancelTakesThemAway) {
    const int calendars = sources->localGroup()->count();
    // Without a sheet to finish it nothing is added.
    sources->newCalendar();
    sources->newMarker();
    EXPECT_EQ(sources->localGroup()->count(), calendars);
    EXPECT_EQ(sources->markersGroup()->count(), 0);

    QList<SourceListItemPtr> opened;
    CalendarSources::changeServices([&](CalendarSources::Services& s) {
        s.openCalendarSheet = [&](const CalendarPtr& c) { opened << c; };
        s.openMarkerSheet = [&](const EMarkerPtr& m) { opened << m; };
    });
    kit::Menu* add = rightClick(outline->convertPointToView(QPointF(60, 295), nullptr));
    ASSERT_TRUE(add);
    ASSERT_TRUE(add->itemAtIndex(0)->performAction());  // the local group
    ASSERT_EQ(opened.size(), 1);
    const CalendarPtr created = sourceItemAs<Calendar>(opened.at(0));
    ASSERT_TRUE(created);
    EXPECT_TRUE(created->isNew());
    EXPECT_EQ(sources->selectedCalendar(), created);
    EXPECT_EQ(sources->localGroup()->count(), calendars + 1);
    // A second new calendar gets the next free title.
    sources->newCalendar();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(sourceItemAs<Calendar>(opened.at(1))->title(),
              created->title() + QStringLiteral("-1"));
    sources->removeEditedCalendar();
    EXPECT_EQ(sources->localGroup()->count(), calendars + 1);
    EXPECT_EQ(outline->selectedRow(), -1);

    for (kit::MenuItem* item : add->itemArray())
        if (item->title() == QStringLiteral("New Marker")) ASSERT_TRUE(item->performAction());
    ASSERT_EQ(opened.size(), 3);
    EXPECT_EQ(sources->markersGroup()->count(), 1);
    EXPECT_TRUE(sources->markerIsSelected());
    sources->removeEditedMarker();
    EXPECT_EQ(sources->markersGroup()->count(), 0);
}

// --- Double click and the hover -----------------------------------------------------------

TEST_F(StoreFixture, DoubleClickActsOnlyOnTheSelectedRow) {
    QList<SourceListItemPtr> hovered, edited;
    QList<QRectF> rects;
    CalendarSources::changeServices([&](CalendarSources::Services& s) {
        s.hoverShowForCalendar = [&](const CalendarPtr& c, const QRectF& r, SourceListOutline* o) {
            hovered << c;
            rects << r;
            EXPECT_EQ(o, static_cast<SourceListOutline*>(outline));
        };
        s.openCalendarSheet = [&](const CalendarPtr& c) { edited << c; };
    });
    const CalendarPtr work = sources->calendarWithName(QStringLiteral("Work"));
    const int row = rowOf(QStringLiteral("Work"));
    outline->deselectAll();
    window->sendEvent(press(row, 60, 200, 2));
    EXPECT_TRUE(hovered.isEmpty());
    outline->abortEditing();  // the list's own handling may have opened the editor

    outline->selectRow(row);
    window->sendEvent(press(row, 60, 201, 2));
    EXPECT_EQ(hovered, QList<SourceListItemPtr>({work}));
    EXPECT_EQ(rects.value(0), outline->rectOfRow(row));
    // Until the next press the row is not edited in place.
    EXPECT_FALSE(outline->shallBeginEditingForObject(work));
    window->sendEvent(press(row, 60, 202));
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseUp, at(row, 60)));
    EXPECT_TRUE(outline->shallBeginEditingForObject(work));

    // With Option held the edit sheet opens instead.
    outline->selectRow(row);
    kit::Event option = kit::Event::mouseEvent(kit::EventType::LeftMouseDown, at(row, 60),
                                               kit::ModifierFlags::Option, 2);
    option.setEventNumber(203);
    window->sendEvent(option);
    EXPECT_EQ(edited, QList<SourceListItemPtr>({work}));
    EXPECT_EQ(hovered.size(), 1);
}

TEST_F(StoreFixture, OpenHoverFollowsTheSelectionAndTheScrolling) {
    bool open = false;
    int closed = 0;
    QList<SourceListItemPtr> shown;
    QList<QRectF> anchors;
    CalendarSources::changeServices([&](CalendarSources::Services& s) {
        s.hoverWindowOpen = [&] { return open; };
        s.hoverCloseWindow = [&] { ++closed, open = false; };
        s.hoverShowForCalendar = [&](const CalendarPtr& c, const QRectF&, SourceListOutline*) {
            shown << c;
        };
        s.hoverUpdateAnchor = [&](const QRectF& r) { anchors << r; };
    });
    const CalendarPtr home = sources->calendarWithName(QStringLiteral("Home"));
    const CalendarPtr work = sources->calendarWithName(QStringLiteral("Work"));
    // A closed hover stays closed.
    outline->selectRow(rowOf(QStringLiteral("Home")));
    EXPECT_TRUE(shown.isEmpty());
    open = true;
    outline->selectRow(rowOf(QStringLiteral("Work")));
    EXPECT_EQ(shown, QList<SourceListItemPtr>({work}));
    // It stays beside its row as the list resizes or scrolls.
    outline->setFrame(QRectF(outline->frame().topLeft(), QSizeF(180, 600)));
    ASSERT_FALSE(anchors.isEmpty());
    EXPECT_EQ(anchors.last(), outline->rectOfRow(rowOf(QStringLiteral("Work"))));
    const qsizetype before = anchors.size();
    auto* scroll = qobject_cast<kit::ScrollView*>(list);
    ASSERT_TRUE(scroll && scroll->verticalScroller());
    scroll->verticalScroller()->setDoubleValue(0.5);
    EXPECT_GT(anchors.size(), before);
    // Without a selection it closes.
    outline->deselectAll();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(shown.size(), 1);
    (void)home;
}

// The grip drags the split view's divider, and the column with it.
TEST(CalendarSourceView, GripMovesTheDividerBetween155And250) {
    struct Sibling final : kit::View {
        int started = 0, ended = 0;
        void viewWillStartLiveResize() override { ++started; }
        void viewDidEndLiveResize() override { ++ended; }
    };
    testsupport::TempDir dir;
    Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
    kit::Window window(QRectF(100, 100, 800, 400));
    auto* split = new WsSplitView(QRectF(0, 0, 800, 400));
    split->setVertical(true);
    window.contentView()->addSubview(split);
    auto* container = new kit::View(QRectF(0, 0, 180, 400));
    auto* sibling = new Sibling;
    sibling->setFrame(QRectF(181, 0, 619, 400));
    split->addSubview(container);
    split->addSubview(sibling);
    auto* column = new CalendarSourceView(container->bounds());
    column->setAutoresizingMask(kit::View::WidthSizable | kit::View::HeightSizable);
    container->addSubview(column);
    column->setSiblingView(sibling);
    window.makeKeyAndOrderFront();

    const QPointF grip = column->convertPointToView(column->gripRect().center(), nullptr);
    window.sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseDown, grip));
    EXPECT_EQ(sibling->started, 1);
    for (const auto& [dx, width] :
         {std::pair{-400.0, 155.0}, std::pair{500.0, 250.0}, std::pair{20.0, 200.0}}) {
        window.sendEvent(
            kit::Event::mouseEvent(kit::EventType::LeftMouseDragged, grip + QPointF(dx, 0)));
        EXPECT_NEAR(container->frame().width(), width, 1.0) << dx;
        EXPECT_NEAR(column->frame().width(), width, 1.0) << dx;
    }
    split->setPositionAutosaveName(QStringLiteral("Grip Test"));
    window.sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseUp, grip + QPointF(20, 0)));
    EXPECT_EQ(sibling->ended, 1);
    // The position the split view saves is the dragged one.
    auto* again = new WsSplitView(QRectF(0, 0, 800, 400));
    again->setVertical(true);
    again->addSubview(new kit::View(QRectF(0, 0, 180, 400)));
    again->addSubview(new kit::View(QRectF(181, 0, 619, 400)));
    window.contentView()->addSubview(again);
    ASSERT_TRUE(again->setPositionUsingName(QStringLiteral("Grip Test")));
    EXPECT_NEAR(again->subviews().front()->frame().width(), 200.0, 1.0);
    window.orderOut();
    Defaults::resetStandard();
}

}  // namespace
