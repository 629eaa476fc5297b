#include "platform/kit/TableView.h"

#include "platform/foundation/Dispatch.h"
#include "platform/kit/AttributedString.h"
#include "platform/kit/ClipView.h"
#include "platform/kit/Color.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>

#include <algorithm>

namespace kit {

double TableViewDelegate::tableViewHeightOfRow(TableView* table, int) {
    return table ? table->rowHeight() : 17;
}

TableView::TableView(const QRectF& frame) : Control(frame) {
    setAutoresizingMask(WidthSizable);
    pendingEdit_.setSingleShot(true);
    connect(&pendingEdit_, &QTimer::timeout, this, [this] {
        const int row = pendingRow_, column = pendingColumn_;
        pendingRow_ = pendingColumn_ = -1;
        if (row >= 0 && isRowSelected(row)) editColumnRow(column, row, nullptr, true);
    });
}

TableView::~TableView() {
    if (editor_) editor_->disconnect(this);
    for (auto& c : columns_) c->table_ = nullptr;
}

void TableView::setDataSource(TableViewDataSource* source) {
    dataSource_ = source;
    reloadData();
}

// --- Columns ---------------------------------------------------------------------------

TableColumn* TableView::addTableColumn(std::unique_ptr<TableColumn> column) {
    if (!column) return nullptr;
    column->table_ = this;
    columns_.push_back(std::move(column));
    tile();
    return columns_.back().get();
}

TableColumn* TableView::addTableColumn(const QString& identifier, double width) {
    auto c = std::make_unique<TableColumn>(identifier);
    c->setWidth(width);
    return addTableColumn(std::move(c));
}

void TableView::removeTableColumn(TableColumn* column) {
    const int i = indexOfColumn(column);
    if (i < 0) return;
    if (editedColumn_ == i) abortEditing();
    columns_.erase(columns_.begin() + i);
    tile();
}

TableColumn* TableView::tableColumnAt(int index) const {
    return index >= 0 && index < numberOfColumns() ? columns_[size_t(index)].get() : nullptr;
}

int TableView::columnWithIdentifier(const QString& identifier) const {
    for (int i = 0; i < numberOfColumns(); ++i)
        if (columns_[size_t(i)]->identifier() == identifier) return i;
    return -1;
}

TableColumn* TableView::tableColumnWithIdentifier(const QString& identifier) const {
    return tableColumnAt(columnWithIdentifier(identifier));
}

int TableView::indexOfColumn(const TableColumn* column) const {
    for (int i = 0; i < numberOfColumns(); ++i)
        if (columns_[size_t(i)].get() == column) return i;
    return -1;
}

// --- Source hooks ------------------------------------------------------------------------

int TableView::numberOfRowsFromSource() {
    return dataSource_ ? std::max(0, dataSource_->numberOfRowsInTableView(this)) : 0;
}

QVariant TableView::objectValueForColumnRow(TableColumn* column, int row) {
    return dataSource_ ? dataSource_->tableViewObjectValueForTableColumnRow(this, column, row)
                       : QVariant();
}

void TableView::setObjectValueForColumnRow(const QVariant& value, TableColumn* column, int row) {
    if (dataSource_)
        dataSource_->tableViewSetObjectValueForTableColumnRow(this, value, column, row);
}

bool TableView::shouldSelectRow(int row) {
    return !delegate_ || delegate_->tableViewShouldSelectRow(this, row);
}

bool TableView::shouldEditColumnRow(TableColumn* column, int row) {
    return !delegate_ || delegate_->tableViewShouldEditTableColumnRow(this, column, row);
}

double TableView::heightOfRowFromSource(int row) {
    return delegate_ ? delegate_->tableViewHeightOfRow(this, row) : rowHeight_;
}

void TableView::willDisplayCell(Cell& cell, TableColumn* column, int row) {
    if (delegate_) delegate_->tableViewWillDisplayCellForTableColumnRow(this, cell, column, row);
}

void TableView::selectionDidChange() {
    if (delegate_) delegate_->tableViewSelectionDidChange(this);
}

// --- Rows and geometry -------------------------------------------------------------------

void TableView::reloadData() {
    foundation::requireMainThread("TableView::reloadData");
    abortEditing();
    recomputeRows();
    // Rows that are gone leave the selection.
    std::set<int> kept;
    for (int r : selected_)
        if (r < numberOfRows()) kept.insert(r);
    if (kept.size() != selected_.size())
        setSelection(std::move(kept), lastSelected_ < numberOfRows() ? lastSelected_ : -1);
    tile();
    setNeedsDisplay();
}

void TableView::refreshRows() {
    recomputeRows();
    tile();
    setNeedsDisplay();
}

void TableView::noteNumberOfRowsChanged() {
    foundation::requireMainThread("TableView::noteNumberOfRowsChanged");
    const int n = numberOfRowsFromSource();
    const int had = numberOfRows();
    if (n < had) {
        reloadData();  // rows gone: the selection and the editor are checked too
        return;
    }
    // Rows added at the end; the rows before keep their heights.
    for (int r = had; r < n; ++r)
        rowTops_.push_back(rowTops_.back() + std::max(0.0, heightOfRowFromSource(r)) +
                           spacing_.height());
    tile();
    setNeedsDisplay();
}

void TableView::noteHeightOfRowsChanged() {
    refreshRows();
}

void TableView::recomputeRows() {
    const int n = numberOfRowsFromSource();
    rowTops_.assign(1, 0.0);
    rowTops_.reserve(size_t(n) + 1);
    for (int r = 0; r < n; ++r)
        rowTops_.push_back(rowTops_.back() + std::max(0.0, heightOfRowFromSource(r)) +
                           spacing_.height());
}

void TableView::setRowHeight(double height) {
    rowHeight_ = std::max(1.0, height);
    noteHeightOfRowsChanged();
}

void TableView::setIntercellSpacing(const QSizeF& spacing) {
    spacing_ = QSizeF(std::max(0.0, spacing.width()), std::max(0.0, spacing.height()));
    noteHeightOfRowsChanged();
}

double TableView::columnX(int column) const {
    double x = 0;
    for (int i = 0; i < column; ++i)
        if (!columns_[size_t(i)]->isHidden()) x += columnWidthAt(i);
    return x;
}

double TableView::columnWidthAt(int column) const {
    const TableColumn* c = tableColumnAt(column);
    if (!c || c->isHidden()) return 0;
    int last = -1;
    for (int i = 0; i < numberOfColumns(); ++i)
        if (!columns_[size_t(i)]->isHidden()) last = i;
    if (column != last) return c->width();
    double others = 0;
    for (int i = 0; i < last; ++i)
        if (!columns_[size_t(i)]->isHidden()) others += columns_[size_t(i)]->width();
    return std::max(c->width(), bounds().width() - others);
}

QRectF TableView::rectOfRow(int row) const {
    if (row < 0 || row >= numberOfRows()) return QRectF();
    return QRectF(0, rowTops_[size_t(row)], bounds().width(),
                  rowTops_[size_t(row) + 1] - rowTops_[size_t(row)]);
}

QRectF TableView::rectOfColumn(int column) const {
    if (!tableColumnAt(column) || tableColumnAt(column)->isHidden()) return QRectF();
    return QRectF(columnX(column), 0, columnWidthAt(column),
                  std::max(rowTops_.back(), bounds().height()));
}

QRectF TableView::frameOfCellAtColumnRow(int column, int row) const {
    const QRectF r = rectOfRow(row);
    const QRectF c = rectOfColumn(column);
    if (r.isEmpty() || c.isEmpty()) return QRectF();
    return QRectF(c.x() + spacing_.width() / 2, r.y() + spacing_.height() / 2,
                  std::max(0.0, c.width() - spacing_.width()),
                  std::max(0.0, r.height() - spacing_.height()));
}

int TableView::rowAtPoint(const QPointF& point) const {
    if (point.y() < 0 || point.x() < 0 || point.x() >= bounds().width()) return -1;
    const auto it = std::upper_bound(rowTops_.begin(), rowTops_.end(), point.y());
    const int row = int(it - rowTops_.begin()) - 1;
    return row >= 0 && row < numberOfRows() ? row : -1;
}

int TableView::columnAtPoint(const QPointF& point) const {
    for (int i = 0; i < numberOfColumns(); ++i) {
        const QRectF c = rectOfColumn(i);
        if (!c.isEmpty() && point.x() >= c.x() && point.x() < maxX(c)) return i;
    }
    return -1;
}

void TableView::scrollRowToVisible(int row) {
    const QRectF r = rectOfRow(row);
    if (!r.isEmpty()) scrollRectToVisible(r);
}

void TableView::tile() {
    if (tiling_) return;
    tiling_ = true;
    QSizeF size(frame().width(), rowTops_.back());
    if (auto* clip = qobject_cast<ClipView*>(superview())) {
        size.setWidth(clip->bounds().width());
        size.setHeight(std::max(size.height(), clip->bounds().height()));
    }
    if (size != frame().size()) setFrameSize(size);
    tiling_ = false;
    if (editor_ && editedRow_ >= 0) {
        if (auto cell = preparedCellAtColumnRow(editedColumn_, editedRow_)) {
            if (auto f = cell->editingFrameForCellFrame(
                    frameOfCellAtColumnRow(editedColumn_, editedRow_), this))
                editor_->setFrame(*f);
        }
    }
    setNeedsDisplay();
}

void TableView::setFrame(const QRectF& frame) {
    Control::setFrame(frame);
    if (!tiling_) tile();
}

// --- Selection ---------------------------------------------------------------------------

int TableView::selectedRow() const {
    if (selected_.empty()) return -1;
    return isRowSelected(lastSelected_) ? lastSelected_ : *selected_.rbegin();
}

void TableView::setSelection(std::set<int> rows, int last, bool notify) {
    if (!multiple_ && rows.size() > 1)
        rows = {last >= 0 && rows.count(last) ? last : *rows.rbegin()};
    const bool changed = rows != selected_ || (last != lastSelected_ && rows.count(last));
    const bool rowsChanged = rows != selected_;
    selected_ = std::move(rows);
    lastSelected_ = selected_.count(last) ? last : (selected_.empty() ? -1 : *selected_.rbegin());
    if (!changed) return;
    setNeedsDisplay();
    if (rowsChanged && notify) selectionDidChange();
}

void TableView::selectRowIndexes(const std::vector<int>& rows, bool extend) {
    foundation::requireMainThread("TableView::selectRowIndexes");
    std::set<int> next = extend && multiple_ ? selected_ : std::set<int>();
    int last = extend ? lastSelected_ : -1;
    for (int r : rows) {
        if (r < 0 || r >= numberOfRows()) continue;
        next.insert(r);
        last = r;
    }
    if (!extend && rows.empty()) last = -1;
    anchor_ = last;
    setSelection(std::move(next), last);
}

void TableView::deselectRow(int row) {
    if (!isRowSelected(row)) return;
    std::set<int> next = selected_;
    next.erase(row);
    setSelection(std::move(next), lastSelected_ == row ? -1 : lastSelected_);
}

void TableView::deselectAll() {
    setSelection({}, -1);
}

void TableView::selectAll() {
    if (!multiple_) return;
    std::set<int> all;
    for (int r = 0; r < numberOfRows(); ++r)
        if (shouldSelectRow(r)) all.insert(r);
    setSelection(std::move(all), lastSelected_);
}

void TableView::userSelect(int row, unsigned modifiers) {
    if (row < 0) {
        if (allowsEmpty_) deselectAll();
        return;
    }
    if (multiple_ && (modifiers & ModifierFlags::Command)) {
        if (isRowSelected(row)) {
            if (allowsEmpty_ || numberOfSelectedRows() > 1) deselectRow(row);
            return;
        }
        if (!shouldSelectRow(row)) return;
        std::set<int> next = selected_;
        next.insert(row);
        anchor_ = row;
        setSelection(std::move(next), row);
        return;
    }
    if (!shouldSelectRow(row)) return;
    if (multiple_ && (modifiers & ModifierFlags::Shift) && anchor_ >= 0) {
        std::set<int> next;
        for (int r = std::min(anchor_, row); r <= std::max(anchor_, row); ++r)
            if (r == row || shouldSelectRow(r)) next.insert(r);
        setSelection(std::move(next), row);
        return;
    }
    anchor_ = row;
    setSelection({row}, row);
}

void TableView::moveSelection(int step, bool extend) {
    int r = selectedRow();
    const int n = numberOfRows();
    r = r < 0 ? (step > 0 ? 0 : n - 1) : r + step;
    while (r >= 0 && r < n && !shouldSelectRow(r)) r += step;
    if (r < 0 || r >= n) return;
    userSelect(r, extend ? ModifierFlags::Shift : 0);
    scrollRowToVisible(r);
}

// --- Mouse and keys ----------------------------------------------------------------------

void TableView::mouseDown(const Event& event) {
    pendingEdit_.stop();
    const bool hadOnlyThisRow = numberOfSelectedRows() == 1;
    const int previouslySelected = selectedRow();
    if (editor_) endEditing();
    if (Window* w = window()) w->makeFirstResponder(this);
    const QPointF p = convertPointFromView(event.locationInWindow(), nullptr);
    const int row = rowAtPoint(p);
    const int column = row >= 0 ? columnAtPoint(p) : -1;
    clickedRow_ = row;
    clickedColumn_ = column;
    pressedRow_ = -1;
    pressedPoint_ = p;
    if (row >= 0 && mouseDownOnDecoration(p, row)) return;

    unsigned hit = CellHit::None;
    if (column >= 0) {
        if (Cell* cell = preparedCellAtColumnRow(column, row))
            hit = cell->hitTestForEvent(event, frameOfCellAtColumnRow(column, row), this);
    }
    if (hit & CellHit::TrackableArea) {
        setNeedsDisplay();
        return;  // the cell's own click
    }
    if (event.clickCount() >= 2) {
        if (row < 0) return;
        if (!doubleAction_.isEmpty()) {
            doubleAction_.send(this);
            return;
        }
        if ((hit & CellHit::EditableTextArea) && columns_[size_t(column)]->isEditable() &&
            shouldEditColumnRow(columns_[size_t(column)].get(), row))
            editColumnRow(column, row, &event, true);
        return;
    }
    userSelect(row, event.modifierFlags());
    if (row >= 0 && isRowSelected(row)) pressedRow_ = row;
    sendAction();
    // A click on the text of the row that was selected alone edits it, unless a
    // second click makes it a double click.
    const bool plain = !(event.modifierFlags() & (ModifierFlags::Command | ModifierFlags::Shift));
    if (plain && row >= 0 && hadOnlyThisRow && previouslySelected == row &&
        (hit & CellHit::EditableTextArea) && columns_[size_t(column)]->isEditable() &&
        shouldEditColumnRow(columns_[size_t(column)].get(), row)) {
        pendingRow_ = row;
        pendingColumn_ = column;
        pendingEdit_.start(QApplication::doubleClickInterval());
    }
}

void TableView::mouseDragged(const Event&) {
    pendingEdit_.stop();
}

void TableView::mouseUp(const Event&) {
    pressedRow_ = -1;
}

void TableView::keyDown(const Event& event) {
    switch (event.keyCode()) {
        case KeyCodes::UpArrow:
            moveSelection(-1, multiple_ && event.hasModifier(ModifierFlags::Shift));
            return;
        case KeyCodes::DownArrow:
            moveSelection(1, multiple_ && event.hasModifier(ModifierFlags::Shift));
            return;
        case KeyCodes::Escape:
            if (abortEditing()) return;
            break;
        default:
            break;
    }
    Control::keyDown(event);
}

QString TableView::toolTipAtPoint(const QPointF&) {
    return QString();
}

bool TableView::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const QPointF p = widgetTransform().inverted().map(QPointF(help->pos()));
        const QString tip = toolTipAtPoint(p);
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return Control::event(e);
}

// --- Editing -----------------------------------------------------------------------------

Cell* TableView::preparedCellAtColumnRow(int column, int row) {
    TableColumn* c = tableColumnAt(column);
    if (!c || row < 0 || row >= numberOfRows() || !c->dataCell()) return nullptr;
    Cell* cell = c->dataCell();
    cell->setControlView(this);
    cell->setObjectValue(objectValueForColumnRow(c, row));
    cell->setHighlighted(isRowSelected(row));
    willDisplayCell(*cell, c, row);
    return cell;
}

bool TableView::editColumnRow(int column, int row, const Event*, bool select) {
    foundation::requireMainThread("TableView::editColumnRow");
    if (editor_) endEditing();
    pendingEdit_.stop();
    TableColumn* c = tableColumnAt(column);
    if (!c || row < 0 || row >= numberOfRows() || !c->isEditable()) return false;
    scrollRowToVisible(row);
    Cell* cell = preparedCellAtColumnRow(column, row);
    if (!cell) return false;
    const auto frame = cell->editingFrameForCellFrame(frameOfCellAtColumnRow(column, row), this);
    if (!frame || frame->isEmpty()) return false;
    QString text = cell->objectValue().toString();
    if (cell->objectValue().metaType() == QMetaType::fromType<AttributedString>())
        text = cell->objectValue().value<AttributedString>().string();

    auto* field = new TextField(*frame);
    field->setTextFont(cell->font());
    field->setStringValue(text);
    editor_ = field;
    editedRow_ = row;
    editedColumn_ = column;
    addSubview(field);
    if (QLineEdit* line = field->lineEdit()) {
        line->installEventFilter(this);
        connect(line, &QLineEdit::editingFinished, this, [this, field] {
            if (editor_ == field) endEditing();
        });
    }
    if (Window* w = window()) w->makeFirstResponder(field);
    if (select)
        field->selectText();
    else if (QLineEdit* line = field->lineEdit()) {
        line->setFocus(Qt::OtherFocusReason);
        line->end(false);
    }
    setNeedsDisplay();
    return true;
}

void TableView::dropEditor() {
    TextField* field = editor_;
    editor_ = nullptr;
    editedRow_ = editedColumn_ = -1;
    if (!field) return;
    field->disconnect(this);
    if (QLineEdit* line = field->lineEdit()) {
        line->removeEventFilter(this);
        line->disconnect(this);
    }
    Window* w = window();
    const bool hadKeys = w && w->firstResponder() == field;
    field->removeFromSuperview();
    field->deleteLater();  // it may be the one whose signal is being handled
    if (hadKeys) w->makeFirstResponder(this);
    setNeedsDisplay();
}

void TableView::endEditing() {
    if (!editor_) return;
    const QString text = editor_->lineEdit() ? editor_->lineEdit()->text() : editor_->stringValue();
    const int column = editedColumn_, row = editedRow_;
    dropEditor();
    textDidEndEditing(text, column, row);
}

bool TableView::abortEditing() {
    if (!editor_) return false;
    dropEditor();
    return true;
}

void TableView::textDidEndEditing(const QString& text, int column, int row) {
    TableColumn* c = tableColumnAt(column);
    if (!c || row < 0 || row >= numberOfRows()) return;
    setObjectValueForColumnRow(text, c, row);
    setNeedsDisplay();
}

int TableView::nextEditableColumn(int from, int step) const {
    for (int i = from + step; i >= 0 && i < numberOfColumns(); i += step)
        if (columns_[size_t(i)]->isEditable() && !columns_[size_t(i)]->isHidden()) return i;
    return -1;
}

bool TableView::editorKey(int key, Qt::KeyboardModifiers modifiers) {
    switch (key) {
        case Qt::Key_Escape:
            abortEditing();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            endEditing();
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            const int row = editedRow_;
            const int step = key == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier) ? -1 : 1;
            const int next = nextEditableColumn(editedColumn_, step);
            endEditing();
            // The data source may have opened an editor itself (a refused value).
            if (!editor_ && next >= 0 && row < numberOfRows() &&
                shouldEditColumnRow(columns_[size_t(next)].get(), row))
                editColumnRow(next, row, nullptr, true);
            return true;
        }
        default:
            return false;
    }
}

bool TableView::eventFilter(QObject* watched, QEvent* e) {
    if (editor_ && watched == editor_->lineEdit() &&
        (e->type() == QEvent::KeyPress || e->type() == QEvent::ShortcutOverride)) {
        auto* key = static_cast<QKeyEvent*>(e);
        const int k = key->key();
        const bool ours = k == Qt::Key_Escape || k == Qt::Key_Return || k == Qt::Key_Enter ||
                          k == Qt::Key_Tab || k == Qt::Key_Backtab;
        if (!ours) return Control::eventFilter(watched, e);
        if (e->type() == QEvent::ShortcutOverride) {
            e->accept();
            return true;
        }
        return editorKey(k, key->modifiers());
    }
    return Control::eventFilter(watched, e);
}

// --- Drawing -----------------------------------------------------------------------------

void TableView::setBackgroundColor(const QColor& c) {
    background_ = c;
    setNeedsDisplay();
}

void TableView::setUsesAlternatingRowBackgroundColors(bool on) {
    alternating_ = on;
    setNeedsDisplay();
}

void TableView::drawRect(Graphics& g, const QRectF& dirty) {
    g.setFillColor(background_);
    g.fillRect(dirty);
    const int n = numberOfRows();
    if (n == 0) return drawOverlay(g);
    const auto first = std::upper_bound(rowTops_.begin(), rowTops_.end(), minY(dirty));
    const int from = std::max(0, int(first - rowTops_.begin()) - 1);
    Window* w = window();
    const bool active =
        w && w->isKeyWindow() &&
        (w->firstResponder() == this || (editor_ && w->firstResponder() == editor_));
    for (int row = from; row < n && rowTops_[size_t(row)] < maxY(dirty); ++row) {
        const QRectF r = rectOfRow(row);
        if (isRowSelected(row)) {
            g.setFillColor(active ? Color::rgb(0.22, 0.45, 0.85) : Color::rgb(0.55, 0.6, 0.7));
            g.fillRect(r);
        } else if (alternating_ && row % 2 == 1) {
            g.setFillColor(Color::rgb(0.94, 0.95, 0.97));
            g.fillRect(r);
        }
        drawRowDecoration(g, row);
        for (int column = 0; column < numberOfColumns(); ++column) {
            if (columns_[size_t(column)]->isHidden()) continue;
            if (editor_ && row == editedRow_ && column == editedColumn_) continue;
            const QRectF f = frameOfCellAtColumnRow(column, row);
            if (f.isEmpty() || !f.intersects(dirty)) continue;
            if (Cell* cell = preparedCellAtColumnRow(column, row)) {
                g.saveGraphicsState();
                g.clipToRect(rectOfColumn(column).intersected(r));
                cell->drawWithFrame(g, f, this);
                g.restoreGraphicsState();
            }
        }
    }
    drawOverlay(g);
}

}  // namespace kit
