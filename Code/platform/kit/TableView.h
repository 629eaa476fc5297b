#pragma once

#include "platform/kit/Action.h"
#include "platform/kit/Control.h"
#include "platform/kit/TableColumn.h"
#include "platform/kit/TextField.h"

#include <QColor>
#include <QPointer>
#include <QSizeF>
#include <QTimer>

#include <memory>
#include <set>
#include <vector>

namespace kit {

class TableView;

// Where a table's rows and cell values come from. Row numbers count from 0 at
// the top.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfRowsInTableView(TableView* table) = 0;
    virtual QVariant tableViewObjectValueForTableColumnRow(TableView* table, TableColumn* column,
                                                           int row) = 0;
    // The text the user typed into a cell (see TableView::editColumnRow).
    virtual void tableViewSetObjectValueForTableColumnRow(TableView*, const QVariant&, TableColumn*,
                                                          int) {}
};

// What a table asks and tells its owner; every answer has a default.
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    virtual bool tableViewShouldEditTableColumnRow(TableView*, TableColumn*, int) { return true; }
    virtual bool tableViewShouldSelectRow(TableView*, int) { return true; }
    virtual double tableViewHeightOfRow(TableView* table, int row);
    virtual void tableViewWillDisplayCellForTableColumnRow(TableView*, Cell&, TableColumn*, int) {}
    // After the selected rows changed, by the user or by code.
    virtual void tableViewSelectionDidChange(TableView*) {}
};

// A list of rows in columns, drawn by the columns' data cells in the view's own
// (flipped) coordinates: the kit's table, not a wrapper of Qt's item views, so
// that rows, cells and keys behave as the system's code expects.
//
// Rows: the data source gives their number and the cell values; rows have the
// table's row height unless the delegate says otherwise, plus the intercell
// spacing. The table is as high as its rows (at least as high as the clip view
// showing it) and as wide as that clip view; the last column takes the width
// the others leave.
//
// Selection: one row or, when allowed, several; the selected row is the one most
// recently added to the selection. A click selects its row alone (Command toggles
// it, Shift extends the selection to it), a click below the rows clears the
// selection, Up and Down move it; the delegate may refuse rows. A click that hits
// a trackable part of a cell (CellHit) is the cell's and changes no selection.
//
// Editing: editColumnRow opens a line editor on a cell, inside the frame the
// cell gives; Return, Tab or leaving the editor hands the text to the data
// source, Escape drops it. A click on the text of the selected row opens its
// editor once the double-click time has passed without a second click; a double
// click sends the double action instead (or edits when there is none).
//
// Keys the table does not use go on along the responder chain. Main thread only.
class TableView : public Control {
    Q_OBJECT

public:
    explicit TableView(const QRectF& frame = QRectF());
    ~TableView() override;

    // Neither is owned; set them to null before they go.
    TableViewDataSource* dataSource() const { return dataSource_; }
    void setDataSource(TableViewDataSource* source);
    TableViewDelegate* delegate() const { return delegate_; }
    void setDelegate(TableViewDelegate* delegate) { delegate_ = delegate; }

    // -- Columns
    TableColumn* addTableColumn(std::unique_ptr<TableColumn> column);
    TableColumn* addTableColumn(const QString& identifier, double width);
    void removeTableColumn(TableColumn* column);
    int numberOfColumns() const { return int(columns_.size()); }
    TableColumn* tableColumnAt(int index) const;
    // -1 / null when no column has the identifier.
    int columnWithIdentifier(const QString& identifier) const;
    TableColumn* tableColumnWithIdentifier(const QString& identifier) const;
    int indexOfColumn(const TableColumn* column) const;

    // -- Rows and geometry (in the table's flipped coordinates)
    int numberOfRows() const { return int(rowTops_.size()) - 1; }
    // Asks the data source again for everything. The selection keeps its rows
    // as far as they still exist; an open editor closes without saving.
    virtual void reloadData();
    // Rows were added at the end (or removed): only the new rows are measured,
    // so that a list growing row by row stays cheap.
    void noteNumberOfRowsChanged();
    void noteHeightOfRowsChanged();
    double rowHeight() const { return rowHeight_; }
    void setRowHeight(double height);
    QSizeF intercellSpacing() const { return spacing_; }
    void setIntercellSpacing(const QSizeF& spacing);
    // Empty for a row or column that does not exist.
    QRectF rectOfRow(int row) const;
    QRectF rectOfColumn(int column) const;
    // The frame the cell of `column` in `row` draws in: the row and column less
    // the intercell spacing (and, in an outline, the indentation).
    virtual QRectF frameOfCellAtColumnRow(int column, int row) const;
    // -1 where there is no row (column).
    int rowAtPoint(const QPointF& point) const;
    int columnAtPoint(const QPointF& point) const;
    void scrollRowToVisible(int row);
    // Sizes the table to its rows and its clip view.
    void tile();
    bool isFlipped() const override { return true; }

    // -- Selection
    bool allowsMultipleSelection() const { return multiple_; }
    void setAllowsMultipleSelection(bool on) { multiple_ = on; }
    bool allowsEmptySelection() const { return allowsEmpty_; }
    void setAllowsEmptySelection(bool on) { allowsEmpty_ = on; }
    // The row most recently added to the selection; -1 with none.
    int selectedRow() const;
    std::vector<int> selectedRowIndexes() const { return {selected_.begin(), selected_.end()}; }
    int numberOfSelectedRows() const { return int(selected_.size()); }
    bool isRowSelected(int row) const { return selected_.count(row) > 0; }
    // Code's selection: not asked of the delegate. Rows that do not exist are
    // left out; without `extend` the rows replace the selection.
    void selectRowIndexes(const std::vector<int>& rows, bool extend);
    void selectRow(int row, bool extend = false) { selectRowIndexes({row}, extend); }
    void deselectRow(int row);
    void deselectAll();
    void selectAll();

    // -- Clicks
    // The row and column of the last click (-1 outside them).
    int clickedRow() const { return clickedRow_; }
    int clickedColumn() const { return clickedColumn_; }
    QByteArray doubleAction() const { return doubleAction_.name(); }
    void setDoubleAction(const QByteArray& name) { doubleAction_.setName(name); }
    void setDoubleActionHandler(Action::Handler handler) {
        doubleAction_.setHandler(std::move(handler));
    }

    // -- In-place editing
    // Opens the editor on the cell (scrolling its row into sight), with all its
    // text selected when `select`; a cell that refuses keeps it closed. Answers
    // whether an editor is open. An editor open elsewhere is closed first, its
    // text saved.
    bool editColumnRow(int column, int row, const Event* event, bool select);
    int editedRow() const { return editedRow_; }
    int editedColumn() const { return editedColumn_; }
    TextField* currentEditor() const { return editor_; }
    // Closes the editor and hands its text to the data source.
    void endEditing();
    // Closes the editor without saving; answers whether one was open.
    bool abortEditing();

    // The column's data cell, set up to draw `row` of it.
    Cell* preparedCellAtColumnRow(int column, int row);

    // -- Appearance
    QColor backgroundColor() const { return background_; }
    void setBackgroundColor(const QColor& c);
    bool usesAlternatingRowBackgroundColors() const { return alternating_; }
    void setUsesAlternatingRowBackgroundColors(bool on);

    // -- Responder and drawing
    bool acceptsFirstResponder() override { return true; }
    void drawRect(Graphics& graphics, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
    void keyDown(const Event& event) override;
    void setFrame(const QRectF& frame) override;
    // The tooltip of the point (empty: none); asked when Qt wants one.
    virtual QString toolTipAtPoint(const QPointF& point);

protected:
    // Where rows and values come from; an outline answers from its items.
    virtual int numberOfRowsFromSource();
    virtual QVariant objectValueForColumnRow(TableColumn* column, int row);
    virtual void setObjectValueForColumnRow(const QVariant& value, TableColumn* column, int row);
    virtual bool shouldSelectRow(int row);
    virtual bool shouldEditColumnRow(TableColumn* column, int row);
    virtual double heightOfRowFromSource(int row);
    virtual void willDisplayCell(Cell& cell, TableColumn* column, int row);
    virtual void selectionDidChange();
    // Drawn after the row's background, before its cells (disclosure marks).
    virtual void drawRowDecoration(Graphics&, int) {}
    // Drawn over everything (drop marks).
    virtual void drawOverlay(Graphics&) {}
    // A press on the row's decoration; answers whether it was taken.
    virtual bool mouseDownOnDecoration(const QPointF&, int) { return false; }
    // The editor closed with `text` for the cell: the text goes to the data
    // source. Subclasses may look at it first.
    virtual void textDidEndEditing(const QString& text, int column, int row);
    // The row the last press was on, for drags (-1: none, or the press was a cell's).
    int pressedRow() const { return pressedRow_; }
    QPointF pressedPoint() const { return pressedPoint_; }
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Replaces the selection; the owner hears of it when `notify` and the rows changed.
    void setSelection(std::set<int> rows, int last, bool notify = true);
    // Asks for the rows again, keeping the selection as it is.
    void refreshRows();

private:
    void recomputeRows();
    void userSelect(int row, unsigned modifiers);
    void moveSelection(int step, bool extend);
    void dropEditor();
    bool editorKey(int key, Qt::KeyboardModifiers modifiers);
    int nextEditableColumn(int from, int step) const;
    double columnX(int column) const;
    double columnWidthAt(int column) const;

    TableViewDataSource* dataSource_ = nullptr;
    TableViewDelegate* delegate_ = nullptr;
    std::vector<std::unique_ptr<TableColumn>> columns_;
    std::vector<double> rowTops_{0.0};  // one more than rows: the bottom of the last
    double rowHeight_ = 17;
    QSizeF spacing_{3, 2};
    std::set<int> selected_;
    int lastSelected_ = -1;
    int anchor_ = -1;
    bool multiple_ = false;
    bool allowsEmpty_ = true;
    int clickedRow_ = -1, clickedColumn_ = -1;
    int pressedRow_ = -1;
    QPointF pressedPoint_;
    Action doubleAction_;
    QPointer<TextField> editor_;
    int editedRow_ = -1, editedColumn_ = -1;
    QTimer pendingEdit_;
    int pendingRow_ = -1, pendingColumn_ = -1;
    QColor background_ = QColor(255, 255, 255);
    bool alternating_ = false;
    bool tiling_ = false;
};

}  // namespace kit
