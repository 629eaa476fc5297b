#pragma once

#include "platform/kit/DragDestination.h"
#include "platform/kit/DragSource.h"
#include "platform/kit/TableView.h"

#include <memory>
#include <vector>

namespace kit {

class OutlineView;
class Pasteboard;

// An item of an outline: whatever object the data source stands on a row, held
// as the data source handed it over and compared by identity. The root (the
// parent of the top-level items) is the null item.
using OutlineItem = std::shared_ptr<void>;

// The item as a T, for a data source that knows what it put in.
template <class T>
std::shared_ptr<T> outlineItemAs(const OutlineItem& item) {
    return std::static_pointer_cast<T>(item);
}

// Where an outline's items come from, and what they do in drags.
class OutlineViewDataSource {
public:
    virtual ~OutlineViewDataSource() = default;
    virtual int outlineViewNumberOfChildrenOfItem(OutlineView* outline,
                                                  const OutlineItem& item) = 0;
    virtual OutlineItem outlineViewChildOfItem(OutlineView* outline, int index,
                                               const OutlineItem& item) = 0;
    virtual bool outlineViewIsItemExpandable(OutlineView* outline, const OutlineItem& item) = 0;
    virtual QVariant outlineViewObjectValueForTableColumnByItem(OutlineView* outline,
                                                                TableColumn* column,
                                                                const OutlineItem& item) = 0;
    virtual void outlineViewSetObjectValueForTableColumnByItem(OutlineView*, const QVariant&,
                                                               TableColumn*, const OutlineItem&) {}
    // What stands for an expanded item in the saved expansion state (a
    // property-list value; an invalid one is not saved), and back.
    virtual QVariant outlineViewPersistentObjectForItem(OutlineView*, const OutlineItem&) {
        return {};
    }
    virtual OutlineItem outlineViewItemForPersistentObject(OutlineView*, const QVariant&) {
        return {};
    }
    // A drag of `items` starts: put what it carries on the board and answer
    // true, or answer false for no drag.
    virtual bool outlineViewWriteItemsToPasteboard(OutlineView*, const std::vector<OutlineItem>&,
                                                   Pasteboard&) {
        return false;
    }
    // The operation a drop would do as a child of `item` at `childIndex`
    // (-1: onto the item itself).
    virtual unsigned outlineViewValidateDropProposedItemProposedChildIndex(OutlineView*,
                                                                           const DraggingInfo&,
                                                                           const OutlineItem&,
                                                                           int) {
        return DragOperation::None;
    }
    virtual bool outlineViewAcceptDropItemChildIndex(OutlineView*, const DraggingInfo&,
                                                     const OutlineItem&, int) {
        return false;
    }
};

// What an outline asks and tells its owner; every answer has a default.
class OutlineViewDelegate {
public:
    virtual ~OutlineViewDelegate() = default;
    virtual bool outlineViewShouldSelectItem(OutlineView*, const OutlineItem&) { return true; }
    virtual bool outlineViewShouldEditTableColumnItem(OutlineView*, TableColumn*,
                                                      const OutlineItem&) {
        return true;
    }
    virtual double outlineViewHeightOfRowByItem(OutlineView* outline, const OutlineItem& item);
    virtual QString outlineViewToolTipForCellRectTableColumnItemMouseLocation(
        OutlineView*, Cell&, const QRectF&, TableColumn*, const OutlineItem&, const QPointF&) {
        return {};
    }
    virtual void outlineViewWillDisplayCellForTableColumnItem(OutlineView*, Cell&, TableColumn*,
                                                              const OutlineItem&) {}
    virtual void outlineViewSelectionDidChange(OutlineView*) {}
};

// A table whose rows are a tree of items: an expandable item shows a disclosure
// mark and, expanded, its children on the rows below it, indented by level in
// the outline column (the first). A click on the mark, or expandItem and
// collapseItem, open and close items; the selection follows its items when rows
// come and go. With an autosave name and autosaving of expanded items, the
// expanded items are kept in the user defaults (as the data source's persistent
// objects) and expanded again when the outline is next filled.
//
// Drags: a press on a row and a move start a drag when the data source writes
// the items (the selected rows, or the pressed row when it is not selected);
// drops between rows and onto rows are proposed to the data source as a parent
// item and a child index. Main thread only.
class OutlineView : public TableView, public DragSource, public DragDestination {
    Q_OBJECT

public:
    explicit OutlineView(const QRectF& frame = QRectF());
    ~OutlineView() override;

    OutlineViewDataSource* outlineDataSource() const { return source_; }
    void setDataSource(OutlineViewDataSource* source);
    OutlineViewDelegate* outlineDelegate() const { return delegate_; }
    void setDelegate(OutlineViewDelegate* delegate) { delegate_ = delegate; }

    // -- Items and rows
    void reloadData() override;
    // Asks again for the item's values (and its children when `reloadChildren`).
    void reloadItem(const OutlineItem& item, bool reloadChildren = false);
    OutlineItem itemAtRow(int row) const;
    int rowForItem(const OutlineItem& item) const;  // -1 when the item has no row
    int levelForRow(int row) const;
    int levelForItem(const OutlineItem& item) const;
    OutlineItem parentForItem(const OutlineItem& item) const;
    bool isExpandable(const OutlineItem& item);
    bool isItemExpanded(const OutlineItem& item) const;
    void expandItem(const OutlineItem& item, bool expandChildren = false);
    void collapseItem(const OutlineItem& item, bool collapseChildren = false);
    double indentationPerLevel() const { return indentation_; }
    void setIndentationPerLevel(double points);
    TableColumn* outlineTableColumn() const { return tableColumnAt(0); }
    QRectF frameOfCellAtColumnRow(int column, int row) const override;
    // The disclosure mark of an expandable row (empty for other rows).
    QRectF frameOfOutlineCellAtRow(int row) const;

    // -- Saved expansion
    QString autosaveName() const { return autosaveName_; }
    void setAutosaveName(const QString& name);
    bool autosaveExpandedItems() const { return autosaveExpanded_; }
    void setAutosaveExpandedItems(bool on);
    // The user-defaults key the expanded items of an outline named `name` live under.
    static QString expandedItemsDefaultsKey(const QString& name);

    // -- Drags
    void setDraggingSourceOperationMaskForLocal(unsigned mask, bool isLocal);
    unsigned draggingSourceOperationMaskForLocal(bool isLocal) override;
    // Where the drop now proposed would go (-2 for none; -1 onto the item).
    OutlineItem proposedDropItem() const { return dropItem_; }
    int proposedDropChildIndex() const { return dropIndex_; }
    // The parent item and child index a drop at `point` proposes: between rows
    // in the upper and lower quarters of a row, onto the row in its middle.
    std::pair<OutlineItem, int> dropProposalAtPoint(const QPointF& point);

    unsigned draggingEntered(const DraggingInfo& info) override;
    unsigned draggingUpdated(const DraggingInfo& info) override;
    void draggingExited(const DraggingInfo& info) override;
    bool performDragOperation(const DraggingInfo& info) override;
    void draggingEnded(const DraggingInfo& info) override;

    void mouseDragged(const Event& event) override;
    QString toolTipAtPoint(const QPointF& point) override;

protected:
    int numberOfRowsFromSource() override;
    QVariant objectValueForColumnRow(TableColumn* column, int row) override;
    void setObjectValueForColumnRow(const QVariant& value, TableColumn* column, int row) override;
    bool shouldSelectRow(int row) override;
    bool shouldEditColumnRow(TableColumn* column, int row) override;
    double heightOfRowFromSource(int row) override;
    void willDisplayCell(Cell& cell, TableColumn* column, int row) override;
    void selectionDidChange() override;
    void drawRowDecoration(Graphics& graphics, int row) override;
    void drawOverlay(Graphics& graphics) override;
    bool mouseDownOnDecoration(const QPointF& point, int row) override;

private:
    struct Row {
        OutlineItem item;
        OutlineItem parent;
        int level = 0;
    };
    void rebuildRows();
    void appendChildren(const OutlineItem& parent, int level, std::vector<Row>& rows, int depth);
    // Rows came or went: the selection keeps its items.
    void relayout();
    void saveExpansion();
    void restoreExpansion();
    unsigned proposeDrop(const DraggingInfo& info);
    void clearDrop();

    OutlineViewDataSource* source_ = nullptr;
    OutlineViewDelegate* delegate_ = nullptr;
    std::vector<Row> rows_;
    std::vector<OutlineItem> expanded_;
    double indentation_ = 16;
    QString autosaveName_;
    bool autosaveExpanded_ = false;
    bool restored_ = false;
    bool restoring_ = false;
    unsigned localMask_ = DragOperation::Every;
    unsigned remoteMask_ = DragOperation::Copy;
    bool dragging_ = false;
    OutlineItem dropItem_;
    int dropIndex_ = -2;
    unsigned dropOperation_ = DragOperation::None;
};

}  // namespace kit
