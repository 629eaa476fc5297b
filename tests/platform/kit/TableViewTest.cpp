// The kit's table and outline: row geometry and cell hit masks as tables of
// cases, selection by synthetic and real mouse and keys, double clicks,
// in-place editing (also reopened after a refused value), keys going on to the
// controller, expansion saved across a restart, tooltips, and reordering by a
// driven drag.

#include "KitTestViews.h"
#include "TableTestViews.h"
#include "platform/foundation/Defaults.h"
#include "platform/kit/ContextMenu.h"
#include "platform/kit/DragSession.h"
#include "platform/kit/Event.h"
#include "platform/kit/ImageCell.h"
#include "platform/kit/TextFieldCell.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

using namespace kit;
using namespace kittest;

namespace {

// A table of `rows` names in a window: columns "date" (80 wide) and "who".
struct NamesTable {
    explicit NamesTable(int rows = 300) : source(rows) {
        table = new TableView(QRectF(0, 0, 300, 100));
        table->setRowHeight(18);
        table->addTableColumn(QStringLiteral("date"), 80);
        table->addTableColumn(QStringLiteral("who"), 100);
        table->setDataSource(&source);
        table->setDelegate(&source);
        scene = std::make_unique<TableWindow>(table);
    }
    ~NamesTable() {
        table->setDataSource(nullptr);
        table->setDelegate(nullptr);
    }
    // The middle of a cell, in the window (scrolled into sight).
    QPointF at(int column, int row) {
        table->scrollRowToVisible(row);
        return table->convertPointToView(table->frameOfCellAtColumnRow(column, row).center(),
                                         nullptr);
    }
    void click(const QPointF& inWindow, unsigned flags = 0, int count = 1) {
        scene->window.sendEvent(
            Event::mouseEvent(EventType::LeftMouseDown, inWindow, flags, count));
        scene->window.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, inWindow, flags, count));
    }
    void key(int code, const QString& chars = QString(), unsigned flags = 0) {
        scene->window.sendEvent(Event::keyEvent(EventType::KeyDown, code, chars, flags));
    }
    NamesSource source;
    TableView* table = nullptr;
    std::unique_ptr<TableWindow> scene;
};

// Takes the keys that reach the end of the chain.
class KeyTaker final : public View {
public:
    using View::View;
    void keyDown(const Event& e) override { keys << e.keyCode(); }
    QList<int> keys;
};

}  // namespace

TEST(TableView, RowRectanglesCellFramesAndRowsAtPoints) {
    NamesTable t;
    // Rows are 18 high plus the spacing of 2: a pitch of 20 from the top.
    EXPECT_EQ(t.table->numberOfRows(), 300);
    EXPECT_DOUBLE_EQ(t.table->frame().height(), 6000);
    EXPECT_DOUBLE_EQ(t.table->frame().width(), 320);  // as wide as the clip view
    struct RowCase {
        int row;
        QRectF rect;
    };
    const RowCase rows[] = {{0, {0, 0, 320, 20}},
                            {1, {0, 20, 320, 20}},
                            {299, {0, 5980, 320, 20}},
                            {-1, {}},
                            {300, {}}};
    for (const RowCase& c : rows) EXPECT_EQ(t.table->rectOfRow(c.row), c.rect) << c.row;
    // The last column takes the rest of the width; cells lose the spacing.
    EXPECT_EQ(t.table->frameOfCellAtColumnRow(0, 2), QRectF(1.5, 41, 77, 18));
    EXPECT_EQ(t.table->frameOfCellAtColumnRow(1, 2), QRectF(81.5, 41, 237, 18));
    EXPECT_EQ(t.table->frameOfCellAtColumnRow(2, 2), QRectF());
    struct PointCase {
        QPointF p;
        int row, column;
    };
    const PointCase points[] = {{{5, 0}, 0, 0},       {{5, 19.9}, 0, 0},   {{5, 20}, 1, 0},
                                {{80, 5999}, 299, 1}, {{5, 6000}, -1, -1}, {{5, -1}, -1, -1},
                                {{319, 30}, 1, 1},    {{320, 30}, -1, -1}};
    for (const PointCase& c : points) {
        const int row = t.table->rowAtPoint(c.p);
        EXPECT_EQ(row, c.row) << c.p.x() << "," << c.p.y();
        EXPECT_EQ(row < 0 ? -1 : t.table->columnAtPoint(c.p), c.column)
            << c.p.x() << "," << c.p.y();
    }
    // Fewer rows than the clip view is high: the table still fills it.
    t.source.names.resize(3);
    t.table->reloadData();
    EXPECT_DOUBLE_EQ(t.table->frame().height(), t.scene->scroll->contentSize().height());
    EXPECT_EQ(t.table->rowAtPoint(QPointF(5, 70)), -1);
}

TEST(TableView, ScrollingARowIntoSight) {
    NamesTable t;
    t.table->scrollRowToVisible(250);
    const QRectF seen = t.scene->scroll->documentVisibleRect();
    EXPECT_TRUE(seen.contains(t.table->rectOfRow(250))) << seen.y();
    t.table->scrollRowToVisible(0);
    EXPECT_DOUBLE_EQ(t.scene->scroll->documentVisibleRect().y(), 0);
}

// A cell like the source list's: an 18-point slice at the left is a checkbox
// that toggles once per press, however often the press is hit-tested.
class CheckboxCell final : public TextFieldCell {
public:
    unsigned hitTestForEvent(const Event& event, const QRectF& frame, View* view) override {
        const QPointF p = view->convertPointFromView(event.locationInWindow(), nullptr);
        const QRectF box(frame.x(), frame.y(), 20, frame.height());
        if (view->mouseInRect(p, box)) {
            if (event.type() == EventType::LeftMouseDown && event.eventNumber() != lastEvent) {
                ++toggles;
                lastEvent = event.eventNumber();
            }
            return CellHit::ContentArea | CellHit::TrackableArea;
        }
        return TextFieldCell::hitTestForEvent(event, frame, view);
    }
    std::optional<QRectF> editingFrameForCellFrame(const QRectF& frame, View*) override {
        if (refuseEditing) return std::nullopt;
        return frame.adjusted(20, 0, 0, 0);
    }
    int toggles = 0;
    qint64 lastEvent = 0;
    bool refuseEditing = false;
};

TEST(TableView, CellHitMasks) {
    NamesTable t;
    const QRectF frame = t.table->frameOfCellAtColumnRow(1, 4);
    auto hit = [&](Cell& cell, const QPointF& p, EventType type = EventType::LeftMouseDown,
                   qint64 n = 1) {
        Event e = Event::mouseEvent(type, t.table->convertPointToView(p, nullptr));
        e.setEventNumber(n);
        return cell.hitTestForEvent(e, frame, t.table);
    };
    TextFieldCell text;
    TextFieldCell label;
    label.setEditable(false);
    ImageCell image;
    CheckboxCell box;
    const QPointF inside = frame.center(), outside(frame.x() - 5, frame.center().y());
    const QPointF inBox(frame.x() + 5, frame.center().y());
    struct Case {
        const char* what;
        Cell* cell;
        QPointF p;
        unsigned mask;
    };
    const Case cases[] = {
        {"editable text", &text, inside, CellHit::ContentArea | CellHit::EditableTextArea},
        {"label", &label, inside, CellHit::ContentArea},
        {"image", &image, inside, CellHit::ContentArea},
        {"outside", &text, outside, CellHit::None},
        {"below the frame", &text, QPointF(inside.x(), frame.bottom() + 1), CellHit::None},
        {"checkbox", &box, inBox, CellHit::ContentArea | CellHit::TrackableArea},
        {"checkbox's title", &box, inside, CellHit::ContentArea | CellHit::EditableTextArea},
    };
    for (const Case& c : cases) EXPECT_EQ(hit(*c.cell, c.p), c.mask) << c.what;
    // The same press twice, a release and a drag toggle once.
    EXPECT_EQ(box.toggles, 1);
    hit(box, inBox, EventType::LeftMouseDown, 1);
    hit(box, inBox, EventType::LeftMouseUp, 1);
    hit(box, inBox, EventType::LeftMouseDragged, 1);
    EXPECT_EQ(box.toggles, 1);
    hit(box, inBox, EventType::LeftMouseDown, 2);
    EXPECT_EQ(box.toggles, 2);
}

TEST(TableView, ClicksOnATrackableCellPartAreTheCellsAndChangeNoSelection) {
    NamesTable t;
    auto cell = std::make_unique<CheckboxCell>();
    CheckboxCell* box = cell.get();
    t.table->tableColumnAt(1)->setDataCell(std::move(cell));
    t.click(t.at(0, 3));
    const QRectF f = t.table->frameOfCellAtColumnRow(1, 6);
    t.click(t.table->convertPointToView(QPointF(f.x() + 5, f.center().y()), nullptr));
    EXPECT_EQ(box->toggles, 1);  // one press, hit-tested by the table once
    EXPECT_EQ(t.table->selectedRow(), 3);
    t.click(t.at(1, 6));
    EXPECT_EQ(t.table->selectedRow(), 6);
    EXPECT_EQ(box->toggles, 1);
}

TEST(TableView, SelectionByMouseAndKeys) {
    NamesTable t;
    t.table->setAllowsMultipleSelection(true);
    t.source.unselectable = {12};
    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<int> rows;
        int selected;
    };
    const Step steps[] = {
        {"click", [&] { t.click(t.at(0, 5)); }, {5}, 5},
        {"command click adds", [&] { t.click(t.at(1, 9), ModifierFlags::Command); }, {5, 9}, 9},
        {"shift click extends from the last row clicked, past a refused row",
         [&] { t.click(t.at(0, 14), ModifierFlags::Shift); },
         {9, 10, 11, 13, 14},
         14},
        {"down arrow", [&] { t.key(KeyCodes::DownArrow); }, {15}, 15},
        {"up arrow", [&] { t.key(KeyCodes::UpArrow); }, {14}, 14},
        {"up skips a refused row",
         [&] {
             t.key(KeyCodes::UpArrow);
             t.key(KeyCodes::UpArrow);
         },
         {11},
         11},
        {"command click removes", [&] { t.click(t.at(0, 11), ModifierFlags::Command); }, {}, -1},
        {"a refused row is not selected", [&] { t.click(t.at(0, 12)); }, {}, -1},
        {"click", [&] { t.click(t.at(0, 2)); }, {2}, 2},
        {"below the rows clears",
         [&] {
             t.source.names.resize(4);
             t.table->reloadData();
             t.click(t.table->convertPointToView(QPointF(30, 150), nullptr));
         },
         {},
         -1},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(t.table->selectedRowIndexes(), s.rows) << s.what;
        EXPECT_EQ(t.table->selectedRow(), s.selected) << s.what;
    }
    EXPECT_EQ(t.source.selectionChanges.size(), 10);
    // Single selection: a command click replaces.
    t.table->setAllowsMultipleSelection(false);
    t.click(t.at(0, 1));
    t.click(t.at(0, 3), ModifierFlags::Command);
    EXPECT_EQ(t.table->selectedRowIndexes(), (std::vector<int>{3}));
}

TEST(TableView, CodesSelectionAndReloadsKeepRowsThatStillExist) {
    NamesTable t;
    t.table->setAllowsMultipleSelection(true);
    t.table->selectRowIndexes({3, 7, 400}, false);
    EXPECT_EQ(t.table->selectedRowIndexes(), (std::vector<int>{3, 7}));
    EXPECT_EQ(t.table->selectedRow(), 7);
    t.table->selectRow(1, true);
    EXPECT_EQ(t.table->selectedRow(), 1);
    EXPECT_EQ(t.table->numberOfSelectedRows(), 3);
    t.source.names.resize(5);
    t.table->reloadData();
    EXPECT_EQ(t.table->selectedRowIndexes(), (std::vector<int>{1, 3}));
    EXPECT_EQ(t.table->selectedRow(), 1);
    t.table->deselectRow(1);
    EXPECT_EQ(t.table->selectedRow(), 3);
}

TEST(TableView, RowsNotedAtTheEndAreAddedAndRowsGoneLeaveTheSelection) {
    NamesTable t(3);
    t.table->setAllowsMultipleSelection(true);
    t.table->selectRowIndexes({0, 2}, false);
    for (int i = 0; i < 10; ++i) {
        t.source.names.push_back({QStringLiteral("1.1."), QStringLiteral("New %1").arg(i)});
        t.table->noteNumberOfRowsChanged();
    }
    ASSERT_EQ(t.table->numberOfRows(), 13);
    EXPECT_EQ(t.table->rectOfRow(12), QRectF(0, 240, t.table->frame().width(), 20));
    EXPECT_EQ(t.table->frame().height(), 260);
    EXPECT_EQ(t.table->selectedRowIndexes(), (std::vector<int>{0, 2}));
    t.source.names.resize(2);
    t.table->noteNumberOfRowsChanged();
    EXPECT_EQ(t.table->numberOfRows(), 2);
    EXPECT_EQ(t.table->selectedRowIndexes(), std::vector<int>{0});
}

TEST(TableView, RealQtClicksSelectRows) {
    NamesTable t;
    const QPointF p = t.table->frameOfCellAtColumnRow(1, 4).center();
    kittest::click(t.table, t.table->widgetTransform().map(p).toPoint());
    EXPECT_EQ(t.table->selectedRow(), 4);
}

TEST(TableView, DoubleClickSendsTheDoubleActionWithTheClickedRow) {
    NamesTable t;
    int doubles = 0, clickedRow = -2;
    t.table->setDoubleActionHandler([&](QObject* sender) {
        ++doubles;
        clickedRow = static_cast<TableView*>(sender)->clickedRow();
    });
    t.click(t.at(1, 8));
    t.click(t.at(1, 8), 0, 2);
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(clickedRow, 8);
    EXPECT_EQ(t.table->currentEditor(), nullptr);
    t.click(t.table->convertPointToView(QPointF(30, 6100), nullptr), 0, 2);  // no row
    EXPECT_EQ(doubles, 1);
}

TEST(TableView, EditingACellAndReopeningARefusedOne) {
    NamesTable t;
    // The date column refuses what it cannot read and opens the cell again.
    t.source.refuse = [](const QString& text) { return !text.contains(QLatin1Char('.')); };
    ASSERT_TRUE(t.table->editColumnRow(0, 3, nullptr, true));
    TextField* editor = t.table->currentEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->lineEdit()->text(), QStringLiteral("4.4."));
    EXPECT_EQ(editor->lineEdit()->selectedText(), QStringLiteral("4.4."));
    // Inside the frame the cell gives.
    EXPECT_EQ(editor->frame(), t.table->frameOfCellAtColumnRow(0, 3));

    kittest::typeText(editor->lineEdit(), QStringLiteral("31 4"));
    kittest::pressKey(editor->lineEdit(), Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(t.source.sets, QStringList({"date:3=31 4"}));
    ASSERT_NE(t.table->currentEditor(), nullptr) << "reopened";
    EXPECT_EQ(t.table->editedRow(), 3);
    EXPECT_EQ(t.table->editedColumn(), 0);
    EXPECT_EQ(t.table->currentEditor()->lineEdit()->text(), QStringLiteral("4.4."));
    EXPECT_EQ(t.source.names[3].first, QStringLiteral("4.4."));

    // A good date, then Tab moves on to the name.
    kittest::typeText(t.table->currentEditor()->lineEdit(), QStringLiteral("24.12."));
    kittest::pressKey(t.table->currentEditor()->lineEdit(), Qt::Key_Tab, QStringLiteral("\t"));
    EXPECT_EQ(t.source.names[3].first, QStringLiteral("24.12."));
    ASSERT_NE(t.table->currentEditor(), nullptr);
    EXPECT_EQ(t.table->editedColumn(), 1);
    // Escape drops what was typed.
    kittest::typeText(t.table->currentEditor()->lineEdit(), QStringLiteral("Nobody"));
    kittest::pressKey(t.table->currentEditor()->lineEdit(), Qt::Key_Escape);
    EXPECT_EQ(t.table->currentEditor(), nullptr);
    EXPECT_EQ(t.source.names[3].second, QStringLiteral("Name 3"));
    EXPECT_EQ(t.scene->window.firstResponder(), t.table);
    // A cell that refuses keeps its editor closed; so does a column that is not editable.
    auto cell = std::make_unique<CheckboxCell>();
    cell->refuseEditing = true;
    t.table->tableColumnAt(1)->setDataCell(std::move(cell));
    EXPECT_FALSE(t.table->editColumnRow(1, 3, nullptr, true));
    t.table->tableColumnAt(0)->setEditable(false);
    EXPECT_FALSE(t.table->editColumnRow(0, 3, nullptr, true));
    EXPECT_FALSE(t.table->editColumnRow(0, 300, nullptr, true));
}

TEST(TableView, AClickOnTheSelectedRowsTextEditsItUnlessADoubleClickFollows) {
    NamesTable t;
    QApplication::setDoubleClickInterval(0);
    t.click(t.at(1, 2));
    EXPECT_EQ(t.table->currentEditor(), nullptr) << "the first click only selects";
    t.click(t.at(1, 2));
    ASSERT_TRUE(testsupport::waitUntil([&] { return t.table->currentEditor() != nullptr; }));
    EXPECT_EQ(t.table->editedRow(), 2);
    EXPECT_EQ(t.table->editedColumn(), 1);
    t.table->abortEditing();
    // The delegate may say no.
    t.source.editable = false;
    t.click(t.at(1, 2));
    testsupport::waitUntil([] { return false; }, 0.1);
    EXPECT_EQ(t.table->currentEditor(), nullptr);
    QApplication::setDoubleClickInterval(400);
}

TEST(TableView, KeysTheTableDoesNotUseReachTheControllerUpTheChain) {
    NamesTable t;
    auto* taker = new KeyTaker(QRectF(0, 0, 320, 240));
    // The controller's view holds the scroll view.
    t.scene->scroll->removeFromSuperview();
    taker->addSubview(t.scene->scroll);
    t.scene->window.setContentView(taker)->deleteLater();
    t.click(t.at(0, 1));
    t.key(KeyCodes::Space, QStringLiteral(" "));
    t.key(KeyCodes::Delete, QString(QChar(KeyCharacters::Delete)));
    t.key(KeyCodes::DownArrow);
    EXPECT_EQ(taker->keys, (QList<int>{KeyCodes::Space, KeyCodes::Delete}));
    EXPECT_EQ(t.table->selectedRow(), 2);
}

// --- Outline --------------------------------------------------------------------------------

namespace {

struct Tree {
    explicit Tree(const QList<int>& sizes = {5, 200}) : source(sizes) {
        outline = new OutlineView(QRectF(0, 0, 200, 100));
        outline->setRowHeight(18);
        outline->setIntercellSpacing(QSizeF(0, 0));
        outline->addTableColumn(QStringLiteral("name"), 200);
        outline->setDelegate(&source);
        outline->setDataSource(&source);
        scene = std::make_unique<TableWindow>(outline, QSizeF(220, 300));
    }
    ~Tree() {
        outline->setDataSource(nullptr);
        outline->setDelegate(nullptr);
    }
    QPointF at(int row, double fraction = 0.5) const {
        const QRectF r = outline->rectOfRow(row);
        return outline->convertPointToView(QPointF(100, r.y() + r.height() * fraction), nullptr);
    }
    QStringList names() const {
        QStringList out;
        for (int r = 0; r < outline->numberOfRows(); ++r)
            out << TreeSource::node(outline->itemAtRow(r))->name;
        return out;
    }
    TreeSource source;
    OutlineView* outline = nullptr;
    std::unique_ptr<TableWindow> scene;
};

}  // namespace

TEST(OutlineView, ExpandingCollapsingLevelsAndHeights) {
    Tree t;
    EXPECT_EQ(t.names(), QStringList({"", "Group 0", "", "Group 1"}));
    // Spacers 5 high, the rest 18.
    EXPECT_EQ(t.outline->rectOfRow(0), QRectF(0, 0, 220, 5));
    EXPECT_EQ(t.outline->rectOfRow(1), QRectF(0, 5, 220, 18));
    EXPECT_EQ(t.outline->rectOfRow(3), QRectF(0, 28, 220, 18));
    t.outline->expandItem(t.source.group(0));
    EXPECT_EQ(t.outline->numberOfRows(), 9);
    EXPECT_EQ(t.outline->levelForRow(2), 1);
    EXPECT_EQ(t.outline->parentForItem(t.outline->itemAtRow(2)), t.source.group(0));
    EXPECT_EQ(t.outline->rowForItem(t.source.group(1)), 8);
    // The title of a child is indented by a level beyond its group's.
    EXPECT_GT(t.outline->frameOfCellAtColumnRow(0, 2).x(),
              t.outline->frameOfCellAtColumnRow(0, 1).x());
    EXPECT_FALSE(t.outline->frameOfOutlineCellAtRow(1).isEmpty());
    EXPECT_TRUE(t.outline->frameOfOutlineCellAtRow(2).isEmpty());

    // A click on a group's mark expands it; its row cannot be selected.
    const QRectF mark = t.outline->frameOfOutlineCellAtRow(8);
    t.scene->window.sendEvent(Event::mouseEvent(
        EventType::LeftMouseDown, t.outline->convertPointToView(mark.center(), nullptr)));
    EXPECT_TRUE(t.outline->isItemExpanded(t.source.group(1)));
    EXPECT_EQ(t.outline->numberOfRows(), 209);
    EXPECT_EQ(t.outline->selectedRow(), -1);
    t.scene->window.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, t.at(8)));
    EXPECT_EQ(t.outline->selectedRow(), -1) << "groups cannot be selected";

    // The selection follows its item as rows come and go above it.
    t.outline->selectRow(t.outline->rowForItem(t.source.group(1)->children[150]));
    EXPECT_EQ(t.outline->selectedRow(), 159);
    const int changes = t.source.selectionChanges.size();
    t.outline->collapseItem(t.source.group(0));
    EXPECT_EQ(t.outline->selectedRow(), 154);
    EXPECT_EQ(t.source.selectionChanges.size(), changes) << "the same item stays selected";
    // Collapsing its group drops it from the selection, and says so.
    t.outline->collapseItem(t.source.group(1));
    EXPECT_EQ(t.outline->selectedRow(), -1);
    EXPECT_EQ(t.source.selectionChanges.size(), changes + 1);
}

TEST(OutlineView, ExpansionIsSavedUnderTheAutosaveNameAndRestoredAfterARestart) {
    testsupport::TempDir dir;
    foundation::Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
    {
        Tree t({3, 4, 5});
        t.outline->setAutosaveName(QStringLiteral("Tests Outline"));
        t.outline->setAutosaveExpandedItems(true);
        t.outline->expandItem(t.source.group(2));
        t.outline->expandItem(t.source.group(0));
        t.outline->collapseItem(t.source.group(2));
        t.outline->expandItem(t.source.group(1));
    }
    EXPECT_EQ(foundation::Defaults::standard().arrayForKey(
                  OutlineView::expandedItemsDefaultsKey(QStringLiteral("Tests Outline"))),
              (QVariantList{QStringLiteral("Group 0"), QStringLiteral("Group 1")}));
    // A new outline over new objects of the same names, set up in the order the
    // main window does it; group 1 was renamed meanwhile and loses its state.
    Tree again({3, 4, 5});
    again.source.group(1)->name = QStringLiteral("Group One");
    again.outline->setAutosaveName(QStringLiteral("Tests Outline"));
    again.outline->setAutosaveExpandedItems(true);
    EXPECT_TRUE(again.outline->isItemExpanded(again.source.group(0)));
    EXPECT_FALSE(again.outline->isItemExpanded(again.source.group(1)));
    EXPECT_FALSE(again.outline->isItemExpanded(again.source.group(2)));
    EXPECT_EQ(again.outline->numberOfRows(), 6 + 3);
    foundation::Defaults::resetStandard();
}

TEST(OutlineView, TooltipsComeFromTheDelegate) {
    Tree t;
    t.outline->expandItem(t.source.group(0));
    const QRectF row = t.outline->rectOfRow(3);
    EXPECT_EQ(t.outline->toolTipAtPoint(row.center()), QStringLiteral("about Item 0.1"));
    EXPECT_EQ(t.outline->toolTipAtPoint(t.outline->rectOfRow(1).center()), QString());
    EXPECT_EQ(t.outline->toolTipAtPoint(QPointF(10, 5000)), QString());
}

TEST(OutlineView, DropProposalsBetweenAndOntoRows) {
    Tree t({3, 2});
    t.outline->expandItem(t.source.group(0));
    // Rows: spacer, Group 0, Item 0.0, 0.1, 0.2, spacer, Group 1.
    const auto g0 = t.source.group(0);
    struct Case {
        int row;
        double fraction;
        kit::OutlineItem item;
        int index;
    };
    const Case cases[] = {
        {2, 0.1, g0, 0},
        {2, 0.5, g0->children[0], -1},
        {2, 0.9, g0, 1},
        {4, 0.9, g0, 3},
        {1, 0.9, g0, 0} /* below an expanded group: its first child */,
        {6, 0.1, nullptr, 3},
    };
    for (const Case& c : cases) {
        const QRectF r = t.outline->rectOfRow(c.row);
        const auto [item, index] =
            t.outline->dropProposalAtPoint(QPointF(50, r.y() + r.height() * c.fraction));
        EXPECT_EQ(item, c.item) << c.row << " " << c.fraction;
        EXPECT_EQ(index, c.index) << c.row << " " << c.fraction;
    }
    const auto [below, index] = t.outline->dropProposalAtPoint(QPointF(50, 2000));
    EXPECT_EQ(below, nullptr);
    EXPECT_EQ(index, 4);  // after the last top-level item
}

TEST(OutlineView, ReorderingByADragWithinAGroup) {
    Tree t({4, 2});
    t.outline->expandItem(t.source.group(0));
    t.outline->setDraggingSourceOperationMaskForLocal(DragOperation::Move, true);
    t.outline->registerForDraggedTypes({TreeSource::kDragType});
    DragSession::watchQtDrops(t.outline);
    // Rows: spacer, Group 0, Item 0.0 .. 0.3 (rows 2..5), spacer, Group 1.
    unsigned hover = 99, dropped = 99;
    DragSession::setDriverForTesting([&](DragSession& d) {
        hover = d.moveTo(&t.scene->window, t.at(7, 0.5));  // onto Group 1: refused
        d.moveTo(&t.scene->window, t.at(2, 0.1));          // above Item 0.0
        dropped = d.drop();
    });
    auto& w = t.scene->window;
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, t.at(5)));  // Item 0.3
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseDragged, t.at(5) + QPointF(0, -10)));
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, t.at(2)));
    DragSession::setDriverForTesting({});
    EXPECT_EQ(hover, DragOperation::None);
    EXPECT_EQ(dropped, DragOperation::Move);
    EXPECT_EQ(t.source.proposals.value(0), QStringLiteral("Group 1@-1"));
    EXPECT_EQ(t.source.proposals.value(1), QStringLiteral("Group 0@0"));
    EXPECT_EQ(t.names().mid(2, 4), QStringList({"Item 0.3", "Item 0.0", "Item 0.1", "Item 0.2"}));
    // A group row starts no drag.
    t.source.proposals.clear();
    bool dragged = false;
    DragSession::setDriverForTesting([&](DragSession&) { dragged = true; });
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, t.at(1)));
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseDragged, t.at(1) + QPointF(0, -10)));
    w.sendEvent(Event::mouseEvent(EventType::LeftMouseUp, t.at(1)));
    DragSession::setDriverForTesting({});
    EXPECT_FALSE(dragged);
}

// An outline that overrides the press and the context menu, as the source list
// does: a right click selects the row under it first.
class MenuOutline final : public OutlineView {
public:
    using OutlineView::OutlineView;
    QMenu* menuForEvent(const Event& event) override {
        const int row = rowAtPoint(convertPointFromView(event.locationInWindow(), nullptr));
        if (row >= 0 && shouldSelect(row)) selectRow(row);
        return isRowSelected(row) ? &menu : nullptr;
    }
    void mouseDown(const Event& event) override {
        ++presses;
        OutlineView::mouseDown(event);
    }
    bool shouldSelect(int row) { return TreeSource::node(itemAtRow(row))->name.startsWith("Item"); }
    QMenu menu;
    int presses = 0;
};

TEST(OutlineView, SubclassesTakeThePressAndTheContextMenu) {
    TreeSource source({3});
    auto* outline = new MenuOutline(QRectF(0, 0, 200, 100));
    outline->addTableColumn(QStringLiteral("name"), 200);
    outline->setDelegate(&source);
    outline->setDataSource(&source);
    outline->expandItem(source.group(0));
    TableWindow scene(outline);
    QMenu* shown = nullptr;
    ContextMenu::setHandlerForTesting([&](QMenu* m, const Event&, View*) { shown = m; });
    const QPointF row3 = outline->convertPointToView(outline->rectOfRow(3).center(), nullptr);
    scene.window.sendEvent(Event::mouseEvent(EventType::RightMouseDown, row3));
    ContextMenu::setHandlerForTesting({});
    EXPECT_EQ(shown, &outline->menu);
    EXPECT_EQ(outline->selectedRow(), 3);
    scene.window.sendEvent(Event::mouseEvent(EventType::LeftMouseDown, row3));
    EXPECT_EQ(outline->presses, 1);
    outline->setDataSource(nullptr);
    outline->setDelegate(nullptr);
}
