#pragma once

// A table of names and an outline of groups, with data sources that record
// what the views tell them; shared by the table tests and their gallery.

#include "platform/kit/OutlineView.h"
#include "platform/kit/Pasteboard.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TableView.h"
#include "platform/kit/Window.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace kittest {

// Rows of (date, name); typed values are taken unless `refuse` says no, in
// which case the cell opens again as the sheets do with a date they cannot read.
struct NamesSource final : kit::TableViewDataSource, kit::TableViewDelegate {
    explicit NamesSource(int rows) {
        for (int i = 0; i < rows; ++i)
            names.push_back({QStringLiteral("%1.%2.").arg(i % 28 + 1).arg(i % 12 + 1),
                             QStringLiteral("Name %1").arg(i)});
    }
    int numberOfRowsInTableView(kit::TableView*) override { return int(names.size()); }
    QVariant tableViewObjectValueForTableColumnRow(kit::TableView*, kit::TableColumn* column,
                                                   int row) override {
        if (row < 0 || row >= int(names.size())) return {};
        return column->identifier() == QLatin1String("date") ? names[size_t(row)].first
                                                             : names[size_t(row)].second;
    }
    void tableViewSetObjectValueForTableColumnRow(kit::TableView* table, const QVariant& value,
                                                  kit::TableColumn* column, int row) override {
        sets << QStringLiteral("%1:%2=%3").arg(column->identifier()).arg(row).arg(value.toString());
        if (refuse && refuse(value.toString())) {
            table->editColumnRow(table->indexOfColumn(column), row, nullptr, true);
            return;
        }
        auto& entry = names[size_t(row)];
        (column->identifier() == QLatin1String("date") ? entry.first : entry.second) =
            value.toString();
    }
    bool tableViewShouldSelectRow(kit::TableView*, int row) override {
        return unselectable.count(row) == 0;
    }
    bool tableViewShouldEditTableColumnRow(kit::TableView*, kit::TableColumn*, int) override {
        return editable;
    }
    void tableViewSelectionDidChange(kit::TableView* table) override {
        selectionChanges << table->selectedRow();
    }

    std::vector<std::pair<QString, QString>> names;
    QStringList sets;
    QList<int> selectionChanges;
    std::set<int> unselectable;
    bool editable = true;
    std::function<bool(const QString&)> refuse;
};

// A node of the outline: a group with children, or a leaf.
struct Node {
    QString name;
    bool group = false;
    bool spacer = false;
    std::vector<std::shared_ptr<Node>> children;
};
using NodePtr = std::shared_ptr<Node>;

// Spacer, group, spacer, group ... as the source list stands them; leaves can
// be reordered by dragging within their group.
struct TreeSource final : kit::OutlineViewDataSource, kit::OutlineViewDelegate {
    static inline const QString kDragType = QStringLiteral("Tests Leaf");

    TreeSource(const QList<int>& groupSizes) {
        for (int g = 0; g < groupSizes.size(); ++g) {
            top.push_back(std::make_shared<Node>(Node{QString(), false, true, {}}));
            auto group =
                std::make_shared<Node>(Node{QStringLiteral("Group %1").arg(g), true, false, {}});
            for (int i = 0; i < groupSizes[g]; ++i)
                group->children.push_back(std::make_shared<Node>(
                    Node{QStringLiteral("Item %1.%2").arg(g).arg(i), false, false, {}}));
            top.push_back(group);
        }
    }
    static NodePtr node(const kit::OutlineItem& item) { return kit::outlineItemAs<Node>(item); }
    NodePtr group(int g) const { return top[size_t(2 * g + 1)]; }

    int outlineViewNumberOfChildrenOfItem(kit::OutlineView*,
                                          const kit::OutlineItem& item) override {
        return item ? int(node(item)->children.size()) : int(top.size());
    }
    kit::OutlineItem outlineViewChildOfItem(kit::OutlineView*, int index,
                                            const kit::OutlineItem& item) override {
        const auto& list = item ? node(item)->children : top;
        return index >= 0 && index < int(list.size()) ? list[size_t(index)] : nullptr;
    }
    bool outlineViewIsItemExpandable(kit::OutlineView*, const kit::OutlineItem& item) override {
        return item && node(item)->group;
    }
    QVariant outlineViewObjectValueForTableColumnByItem(kit::OutlineView*, kit::TableColumn*,
                                                        const kit::OutlineItem& item) override {
        return node(item)->name;
    }
    void outlineViewSetObjectValueForTableColumnByItem(kit::OutlineView*, const QVariant& value,
                                                       kit::TableColumn*,
                                                       const kit::OutlineItem& item) override {
        node(item)->name = value.toString();
    }
    QVariant outlineViewPersistentObjectForItem(kit::OutlineView*,
                                                const kit::OutlineItem& item) override {
        return node(item)->group ? QVariant(node(item)->name) : QVariant();
    }
    kit::OutlineItem outlineViewItemForPersistentObject(kit::OutlineView*,
                                                        const QVariant& o) override {
        for (const auto& n : top)
            if (n->group && n->name == o.toString()) return n;
        return nullptr;
    }
    bool outlineViewShouldSelectItem(kit::OutlineView*, const kit::OutlineItem& item) override {
        return !node(item)->group && !node(item)->spacer;
    }
    double outlineViewHeightOfRowByItem(kit::OutlineView* outline,
                                        const kit::OutlineItem& item) override {
        return node(item)->spacer ? 5 : outline->rowHeight();
    }
    QString outlineViewToolTipForCellRectTableColumnItemMouseLocation(kit::OutlineView*, kit::Cell&,
                                                                      const QRectF&,
                                                                      kit::TableColumn*,
                                                                      const kit::OutlineItem& item,
                                                                      const QPointF&) override {
        return node(item)->group ? QString() : QStringLiteral("about ") + node(item)->name;
    }
    void outlineViewSelectionDidChange(kit::OutlineView* outline) override {
        selectionChanges << outline->selectedRow();
    }
    bool outlineViewWriteItemsToPasteboard(kit::OutlineView* outline,
                                           const std::vector<kit::OutlineItem>& items,
                                           kit::Pasteboard& board) override {
        const NodePtr first = node(items.front());
        if (first->group || first->spacer) return false;
        dragged = first;
        board.declareTypes({kDragType}, nullptr);
        board.setData(QByteArray(), kDragType);
        return true;
    }
    NodePtr parentOf(const NodePtr& leaf) const {
        for (const auto& n : top)
            for (const auto& c : n->children)
                if (c == leaf) return n;
        return nullptr;
    }
    unsigned outlineViewValidateDropProposedItemProposedChildIndex(kit::OutlineView* outline,
                                                                   const kit::DraggingInfo& info,
                                                                   const kit::OutlineItem& item,
                                                                   int index) override {
        proposals << QStringLiteral("%1@%2")
                         .arg(item ? node(item)->name : QStringLiteral("root"))
                         .arg(index);
        if (info.draggingSource() != outline || !dragged || index < 0)
            return kit::DragOperation::None;
        return item && node(item) == parentOf(dragged) ? kit::DragOperation::Move
                                                       : kit::DragOperation::None;
    }
    bool outlineViewAcceptDropItemChildIndex(kit::OutlineView* outline, const kit::DraggingInfo&,
                                             const kit::OutlineItem& item, int index) override {
        const NodePtr parent = node(item);
        auto& list = parent->children;
        const auto it = std::find(list.begin(), list.end(), dragged);
        if (it == list.end()) return false;
        const int from = int(it - list.begin());
        list.erase(it);
        list.insert(list.begin() + (index > from ? index - 1 : index), dragged);
        outline->reloadData();
        return true;
    }

    std::vector<NodePtr> top;
    NodePtr dragged;
    QStringList proposals;
    QList<int> selectionChanges;
};

// A window with a scroll view around `table`; the window's content view takes
// the keys nobody used.
struct TableWindow {
    explicit TableWindow(kit::TableView* table, const QSizeF& size = QSizeF(320, 240))
        : window(QRectF(100, 100, size.width(), size.height())) {
        scroll = new kit::ScrollView(QRectF(QPointF(0, 0), size));
        scroll->setAutoresizingMask(kit::View::WidthSizable | kit::View::HeightSizable);
        window.contentView()->addSubview(scroll);
        scroll->setDocumentView(table);
        table->tile();
        window.makeKeyAndOrderFront();
    }
    ~TableWindow() { window.orderOut(); }
    kit::Window window;
    kit::ScrollView* scroll = nullptr;
};

}  // namespace kittest
