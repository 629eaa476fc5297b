#include "platform/kit/OutlineView.h"

#include "platform/foundation/Defaults.h"
#include "platform/foundation/Dispatch.h"
#include "platform/kit/Color.h"
#include "platform/kit/DragSession.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Pasteboard.h"
#include "platform/kit/Path.h"

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

// Deeper than any real outline: a data source whose items contain themselves
// would otherwise never end.
constexpr int kMaxDepth = 64;
constexpr double kDisclosureWidth = 14;

}  // namespace

double OutlineViewDelegate::outlineViewHeightOfRowByItem(OutlineView* outline, const OutlineItem&) {
    return outline ? outline->rowHeight() : 17;
}

OutlineView::OutlineView(const QRectF& frame) : TableView(frame) {}

OutlineView::~OutlineView() = default;

QString OutlineView::expandedItemsDefaultsKey(const QString& name) {
    return QStringLiteral("OutlineView Items ") + name;
}

void OutlineView::setDataSource(OutlineViewDataSource* source) {
    source_ = source;
    restored_ = false;
    reloadData();
}

// --- Rows --------------------------------------------------------------------------------

void OutlineView::appendChildren(const OutlineItem& parent, int level, std::vector<Row>& rows,
                                 int depth) {
    if (!source_ || depth > kMaxDepth) return;
    const int n = source_->outlineViewNumberOfChildrenOfItem(this, parent);
    for (int i = 0; i < n; ++i) {
        OutlineItem child = source_->outlineViewChildOfItem(this, i, parent);
        if (!child) continue;
        rows.push_back(Row{child, parent, level});
        if (isItemExpanded(child) && source_->outlineViewIsItemExpandable(this, child))
            appendChildren(child, level + 1, rows, depth + 1);
    }
}

void OutlineView::rebuildRows() {
    std::vector<Row> rows;
    appendChildren(nullptr, 0, rows, 0);
    rows_ = std::move(rows);
}

int OutlineView::numberOfRowsFromSource() {
    return int(rows_.size());
}

void OutlineView::reloadData() {
    foundation::requireMainThread("OutlineView::reloadData");
    rebuildRows();
    TableView::reloadData();
    if (!restored_) restoreExpansion();
}

void OutlineView::relayout() {
    std::vector<OutlineItem> items;
    const OutlineItem last = itemAtRow(selectedRow());
    for (int r : selectedRowIndexes()) items.push_back(itemAtRow(r));
    rebuildRows();
    refreshRows();
    std::set<int> rows;
    for (const auto& item : items)
        if (int r = rowForItem(item); r >= 0) rows.insert(r);
    // Only items that lost their rows (inside a collapsed item) change the selection.
    const bool lost = rows.size() != items.size();
    setSelection(std::move(rows), rowForItem(last), lost);
}

void OutlineView::reloadItem(const OutlineItem& item, bool reloadChildren) {
    if (reloadChildren)
        relayout();
    else if (int r = rowForItem(item); r >= 0)
        setNeedsDisplayInRect(rectOfRow(r));
}

OutlineItem OutlineView::itemAtRow(int row) const {
    return row >= 0 && row < int(rows_.size()) ? rows_[size_t(row)].item : nullptr;
}

int OutlineView::rowForItem(const OutlineItem& item) const {
    if (!item) return -1;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].item == item) return int(i);
    return -1;
}

int OutlineView::levelForRow(int row) const {
    return row >= 0 && row < int(rows_.size()) ? rows_[size_t(row)].level : -1;
}

int OutlineView::levelForItem(const OutlineItem& item) const {
    return levelForRow(rowForItem(item));
}

OutlineItem OutlineView::parentForItem(const OutlineItem& item) const {
    const int r = rowForItem(item);
    return r >= 0 ? rows_[size_t(r)].parent : nullptr;
}

bool OutlineView::isExpandable(const OutlineItem& item) {
    return item && source_ && source_->outlineViewIsItemExpandable(this, item);
}

bool OutlineView::isItemExpanded(const OutlineItem& item) const {
    return item && std::find(expanded_.begin(), expanded_.end(), item) != expanded_.end();
}

void OutlineView::expandItem(const OutlineItem& item, bool expandChildren) {
    if (!isExpandable(item)) return;
    if (!isItemExpanded(item)) expanded_.push_back(item);
    if (expandChildren && source_) {
        const int n = source_->outlineViewNumberOfChildrenOfItem(this, item);
        for (int i = 0; i < n; ++i) {
            OutlineItem child = source_->outlineViewChildOfItem(this, i, item);
            if (child && child != item) expandItem(child, true);
        }
    }
    relayout();
    saveExpansion();
}

void OutlineView::collapseItem(const OutlineItem& item, bool collapseChildren) {
    if (!item) return;
    if (collapseChildren && source_) {
        const int n = source_->outlineViewNumberOfChildrenOfItem(this, item);
        for (int i = 0; i < n; ++i) {
            OutlineItem child = source_->outlineViewChildOfItem(this, i, item);
            expanded_.erase(std::remove(expanded_.begin(), expanded_.end(), child),
                            expanded_.end());
        }
    }
    if (!isItemExpanded(item)) return;
    expanded_.erase(std::remove(expanded_.begin(), expanded_.end(), item), expanded_.end());
    if (editedRow() >= 0 && parentForItem(itemAtRow(editedRow())) == item) abortEditing();
    relayout();
    saveExpansion();
}

void OutlineView::setIndentationPerLevel(double points) {
    indentation_ = std::max(0.0, points);
    setNeedsDisplay();
}

QRectF OutlineView::frameOfCellAtColumnRow(int column, int row) const {
    QRectF f = TableView::frameOfCellAtColumnRow(column, row);
    if (column != 0 || f.isEmpty()) return f;
    const double indent = levelForRow(row) * indentation_ + kDisclosureWidth;
    f.setLeft(std::min(maxX(f), f.left() + indent));
    return f;
}

QRectF OutlineView::frameOfOutlineCellAtRow(int row) const {
    const OutlineItem item = itemAtRow(row);
    if (!item || !source_ ||
        !source_->outlineViewIsItemExpandable(const_cast<OutlineView*>(this), item))
        return QRectF();
    const QRectF r = rectOfRow(row);
    return QRectF(levelForRow(row) * indentation_, r.y(), kDisclosureWidth, r.height());
}

// --- Source hooks ------------------------------------------------------------------------

QVariant OutlineView::objectValueForColumnRow(TableColumn* column, int row) {
    const OutlineItem item = itemAtRow(row);
    return source_ && item ? source_->outlineViewObjectValueForTableColumnByItem(this, column, item)
                           : QVariant();
}

void OutlineView::setObjectValueForColumnRow(const QVariant& value, TableColumn* column, int row) {
    const OutlineItem item = itemAtRow(row);
    if (source_ && item)
        source_->outlineViewSetObjectValueForTableColumnByItem(this, value, column, item);
}

bool OutlineView::shouldSelectRow(int row) {
    const OutlineItem item = itemAtRow(row);
    return item && (!delegate_ || delegate_->outlineViewShouldSelectItem(this, item));
}

bool OutlineView::shouldEditColumnRow(TableColumn* column, int row) {
    const OutlineItem item = itemAtRow(row);
    return item &&
           (!delegate_ || delegate_->outlineViewShouldEditTableColumnItem(this, column, item));
}

double OutlineView::heightOfRowFromSource(int row) {
    const OutlineItem item = itemAtRow(row);
    return delegate_ && item ? delegate_->outlineViewHeightOfRowByItem(this, item) : rowHeight();
}

void OutlineView::willDisplayCell(Cell& cell, TableColumn* column, int row) {
    const OutlineItem item = itemAtRow(row);
    if (delegate_ && item)
        delegate_->outlineViewWillDisplayCellForTableColumnItem(this, cell, column, item);
}

void OutlineView::selectionDidChange() {
    if (delegate_) delegate_->outlineViewSelectionDidChange(this);
}

QString OutlineView::toolTipAtPoint(const QPointF& point) {
    const int row = rowAtPoint(point);
    const int column = columnAtPoint(point);
    if (row < 0 || column < 0 || !delegate_) return QString();
    Cell* cell = preparedCellAtColumnRow(column, row);
    if (!cell) return QString();
    return delegate_->outlineViewToolTipForCellRectTableColumnItemMouseLocation(
        this, *cell, frameOfCellAtColumnRow(column, row), tableColumnAt(column), itemAtRow(row),
        point);
}

// --- Disclosure marks --------------------------------------------------------------------

bool OutlineView::mouseDownOnDecoration(const QPointF& point, int row) {
    const QRectF mark = frameOfOutlineCellAtRow(row);
    if (mark.isEmpty() || !mark.contains(point)) return false;
    const OutlineItem item = itemAtRow(row);
    if (isItemExpanded(item))
        collapseItem(item);
    else
        expandItem(item);
    return true;
}

void OutlineView::drawRowDecoration(Graphics& g, int row) {
    const QRectF mark = frameOfOutlineCellAtRow(row);
    if (mark.isEmpty() || mark.height() < 6) return;
    const QPointF c(mark.center());
    const double s = std::min(4.0, mark.height() / 3);
    Path triangle;
    if (isItemExpanded(itemAtRow(row))) {
        triangle.moveTo(QPointF(c.x() - s, c.y() - s / 2));
        triangle.lineTo(QPointF(c.x() + s, c.y() - s / 2));
        triangle.lineTo(QPointF(c.x(), c.y() + s));
    } else {
        triangle.moveTo(QPointF(c.x() - s / 2, c.y() - s));
        triangle.lineTo(QPointF(c.x() + s, c.y()));
        triangle.lineTo(QPointF(c.x() - s / 2, c.y() + s));
    }
    triangle.closePath();
    g.setFillColor(isRowSelected(row) ? Color::whiteColor() : Color::white(0.45));
    g.fill(triangle);
}

// --- Saved expansion ---------------------------------------------------------------------

void OutlineView::setAutosaveName(const QString& name) {
    if (name == autosaveName_) return;
    autosaveName_ = name;
    restored_ = false;
    restoreExpansion();
}

void OutlineView::setAutosaveExpandedItems(bool on) {
    if (on == autosaveExpanded_) return;
    autosaveExpanded_ = on;
    if (on) restoreExpansion();
}

void OutlineView::saveExpansion() {
    if (restoring_ || !autosaveExpanded_ || autosaveName_.isEmpty() || !source_) return;
    QVariantList saved;
    for (const auto& item : expanded_) {
        const QVariant o = source_->outlineViewPersistentObjectForItem(this, item);
        if (o.isValid()) saved << o;
    }
    foundation::Defaults::standard().setObject(expandedItemsDefaultsKey(autosaveName_), saved);
}

void OutlineView::restoreExpansion() {
    if (restored_ || !autosaveExpanded_ || autosaveName_.isEmpty() || !source_) return;
    restored_ = true;
    const QVariantList saved =
        foundation::Defaults::standard().arrayForKey(expandedItemsDefaultsKey(autosaveName_));
    restoring_ = true;
    for (const QVariant& o : saved)
        if (OutlineItem item = source_->outlineViewItemForPersistentObject(this, o))
            if (isExpandable(item) && !isItemExpanded(item)) expanded_.push_back(item);
    restoring_ = false;
    relayout();
}

// --- Drags -------------------------------------------------------------------------------

void OutlineView::setDraggingSourceOperationMaskForLocal(unsigned mask, bool isLocal) {
    (isLocal ? localMask_ : remoteMask_) = mask;
}

unsigned OutlineView::draggingSourceOperationMaskForLocal(bool isLocal) {
    return isLocal ? localMask_ : remoteMask_;
}

void OutlineView::mouseDragged(const Event& event) {
    TableView::mouseDragged(event);
    const int row = pressedRow();
    if (dragging_ || row < 0 || !source_ || editedRow() >= 0) return;
    const QPointF p = convertPointFromView(event.locationInWindow(), nullptr);
    if (std::hypot(p.x() - pressedPoint().x(), p.y() - pressedPoint().y()) < 4) return;
    std::vector<OutlineItem> items;
    if (isRowSelected(row)) {
        for (int r : selectedRowIndexes()) items.push_back(itemAtRow(r));
    } else {
        items.push_back(itemAtRow(row));
    }
    auto board = Pasteboard::dragPasteboard();
    if (!source_->outlineViewWriteItemsToPasteboard(this, items, *board)) return;
    dragging_ = true;
    const QRectF r = rectOfRow(row);
    const QImage picture = renderRectToImage(r);
    // The image's lower left corner, which lies at the row's bottom in this flipped view.
    DragSession::dragImage(picture, QPointF(r.x(), maxY(r)), this, event, board, this, true);
    dragging_ = false;
}

std::pair<OutlineItem, int> OutlineView::dropProposalAtPoint(const QPointF& point) {
    const int n = numberOfRows();
    const int row = point.y() < 0 ? -1 : rowAtPoint(QPointF(std::max(0.0, point.x()), point.y()));
    if (row < 0) {
        // Below the last row: after the last top-level item.
        return {nullptr, source_ ? source_->outlineViewNumberOfChildrenOfItem(this, nullptr) : 0};
    }
    const Row& entry = rows_[size_t(row)];
    const QRectF r = rectOfRow(row);
    const double inRow = (point.y() - r.y()) / std::max(1.0, r.height());
    auto indexInParent = [&](const Row& e) {
        const int count = source_->outlineViewNumberOfChildrenOfItem(this, e.parent);
        for (int i = 0; i < count; ++i)
            if (source_->outlineViewChildOfItem(this, i, e.parent) == e.item) return i;
        return count;
    };
    if (inRow < 0.25) return {entry.parent, indexInParent(entry)};
    if (inRow > 0.75) {
        if (isItemExpanded(entry.item) && row + 1 < n &&
            rows_[size_t(row) + 1].parent == entry.item)
            return {entry.item, 0};
        return {entry.parent, indexInParent(entry) + 1};
    }
    return {entry.item, -1};
}

unsigned OutlineView::proposeDrop(const DraggingInfo& info) {
    if (!source_) return DragOperation::None;
    const QPointF p = convertPointFromView(info.draggingLocation(), nullptr);
    auto [item, index] = dropProposalAtPoint(p);
    const unsigned op =
        source_->outlineViewValidateDropProposedItemProposedChildIndex(this, info, item, index);
    if (item != dropItem_ || index != dropIndex_ || op != dropOperation_) setNeedsDisplay();
    dropItem_ = op == DragOperation::None ? nullptr : item;
    dropIndex_ = op == DragOperation::None ? -2 : index;
    dropOperation_ = op;
    return op;
}

void OutlineView::clearDrop() {
    if (dropIndex_ != -2) setNeedsDisplay();
    dropItem_ = nullptr;
    dropIndex_ = -2;
    dropOperation_ = DragOperation::None;
}

unsigned OutlineView::draggingEntered(const DraggingInfo& info) {
    return proposeDrop(info);
}

unsigned OutlineView::draggingUpdated(const DraggingInfo& info) {
    return proposeDrop(info);
}

void OutlineView::draggingExited(const DraggingInfo&) {
    clearDrop();
}

bool OutlineView::performDragOperation(const DraggingInfo& info) {
    const OutlineItem item = dropItem_;
    const int index = dropIndex_;
    clearDrop();
    if (!source_ || index == -2) return false;
    return source_->outlineViewAcceptDropItemChildIndex(this, info, item, index);
}

void OutlineView::draggingEnded(const DraggingInfo&) {
    clearDrop();
}

void OutlineView::drawOverlay(Graphics& g) {
    if (dropIndex_ == -2) return;
    const QColor mark = Color::rgb(0.22, 0.45, 0.85);
    if (dropIndex_ == -1) {
        const int row = rowForItem(dropItem_);
        if (row < 0) return;
        g.setStrokeColor(mark);
        g.setDefaultLineWidth(2);
        g.strokeRect(rectOfRow(row).adjusted(1, 1, -1, -1));
        return;
    }
    // A line where the new child would go: above the row of the child now at
    // that index, or below the parent's last row.
    double y = 0;
    int level = 0;
    const int count = source_ ? source_->outlineViewNumberOfChildrenOfItem(this, dropItem_) : 0;
    if (dropIndex_ < count) {
        const int row = rowForItem(source_->outlineViewChildOfItem(this, dropIndex_, dropItem_));
        if (row < 0) return;
        y = rectOfRow(row).y();
        level = levelForRow(row);
    } else {
        int last = dropItem_ ? rowForItem(dropItem_) : numberOfRows() - 1;
        level = dropItem_ ? levelForRow(last) + 1 : 0;
        while (last + 1 < numberOfRows() && levelForRow(last + 1) >= level && dropItem_) ++last;
        if (!dropItem_) {
            y = numberOfRows() > 0 ? maxY(rectOfRow(numberOfRows() - 1)) : 0;
        } else {
            if (last < 0) return;
            y = maxY(rectOfRow(last));
        }
    }
    g.setFillColor(mark);
    g.fillRect(QRectF(level * indentation_ + kDisclosureWidth, y - 1, bounds().width(), 2));
}

}  // namespace kit
