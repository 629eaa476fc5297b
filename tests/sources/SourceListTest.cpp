#include "data/Calendar.h"
#include "data/CalendarGroup.h"
#include "data/CalendarSources.h"
#include "data/OutlineViewSpacer.h"
#include "platform/foundation/Defaults.h"
#include "platform/kit/DragSession.h"
#include "platform/kit/Event.h"
#include "platform/kit/Font.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/Window.h"
#include "platform/store/Store.h"
#include "sources/CalendarSourceOutlineView.h"
#include "sources/CalendarSourceTFCell.h"
#include "sources/CalendarSourceView.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <gtest/gtest.h>

using foundation::Defaults;

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

struct StoreFixture : ::testing::Test {
    void SetUp() override {
        Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
        for (const auto& [folder, title] :
             {std::pair{"home", "Home"}, std::pair{"work", "Work"}, std::pair{"sport", "Sport"}}) {
            dir.write(QStringLiteral("store/%1/displayname").arg(folder), QByteArray(title));
            dir.write(QStringLiteral("store/%1/color").arg(folder), QByteArrayLiteral("#3366CC"));
            QJsonObject attributes{{QStringLiteral("type"), QStringLiteral("local")},
                                   {QStringLiteral("items"), QStringLiteral("events")}};
            dir.write(QStringLiteral("store/%1/zolt-calendar.json").arg(folder),
                      QJsonDocument(attributes).toJson());
        }
        calstore::Store::setDefaultStore(calstore::Store::openAt(dir.file(QStringLiteral("store"))));
        sources = std::make_shared<CalendarSources>();
        sources->loadCalendarsFromICal();
        sources->loadMarkers();

        window = std::make_unique<kit::Window>(QRectF(100, 100, 200, 300));
        list = CalendarSourceView::makeSourceListView(QRectF(0, 0, 200, 300));
        window->contentView()->addSubview(list);
        outline = CalendarSourceView::outlineViewOf(list);
        outline->setCalendarSources(sources);
        sources->setOutlineView(outline);
        outline->expandItem(std::static_pointer_cast<void>(SourceListItemPtr(sources->localGroup())));
        window->makeKeyAndOrderFront();
    }
    void TearDown() override {
        window->orderOut();
        window.reset();
        foundation::NotificationCenter::defaultCenter().removeObserver(sources.get());
        sources.reset();
        calstore::Store::setDefaultStore(nullptr);
        Defaults::resetStandard();
    }
    QPointF at(int row, double x) const {
        const QRectF r = outline->rectOfRow(row);
        return outline->convertPointToView(QPointF(x, r.center().y()), nullptr);
    }
    kit::Event press(int row, double x, qint64 number, int clicks = 1) const {
        kit::Event e = kit::Event::mouseEvent(kit::EventType::LeftMouseDown, at(row, x), 0, clicks);
        e.setEventNumber(number);
        return e;
    }
    int rowOf(const QString& title) const {
        return outline->rowForItem(sources->calendarWithName(title));
    }
    QImage render() const {
        QImage image = list->renderToImage();
        QImage shown(image.size(), QImage::Format_ARGB32_Premultiplied);
        shown.fill(CalendarSourceView::kKeyColor);
        QPainter(&shown).drawImage(0, 0, image);
        return shown;
    }

    testsupport::TempDir dir;
    std::shared_ptr<CalendarSources> sources;
    std::unique_ptr<kit::Window> window;
    kit::View* list = nullptr;
    CalendarSourceOutlineView* outline = nullptr;
};

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
    const QPointF top = [&] {
        const QRectF r = outline->rectOfRow(first);
        return outline->convertPointToView(QPointF(60, r.y() + 2), nullptr);
    }();
    unsigned ontoGroup = 99, onMarkers = 99, dropped = 99;
    kit::DragSession::setDriverForTesting([&](kit::DragSession& d) {
        ontoGroup = d.moveTo(window.get(), at(1, 60));  // onto a row: refused
        onMarkers = d.moveTo(window.get(), at(outline->numberOfRows() - 1, 60));
        d.moveTo(window.get(), top);
        dropped = d.drop();
    });
    window->sendEvent(press(last, 60, 90));
    window->sendEvent(
        kit::Event::mouseEvent(kit::EventType::LeftMouseDragged, at(last, 60) + QPointF(0, -10)));
    window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseUp, top));
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
    ASSERT_TRUE(testsupport::waitUntil([&] {
        const QVariantMap saved = Defaults::standard().dictionaryForKey(CalendarSources::kCalendarsPrefs);
        return !saved.isEmpty();
    }));
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
    outline->reloadData();
    const QImage image = render();
    testsupport::saveForInspection(image, QStringLiteral("source-list"));
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

}  // namespace
