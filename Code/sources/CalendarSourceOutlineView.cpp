#include "sources/CalendarSourceOutlineView.h"

#include "data/Calendar.h"
#include "data/CalendarGroup.h"
#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "data/OutlineViewSpacer.h"
#include "platform/foundation/Defaults.h"
#include "platform/kit/DraggingInfo.h"
#include "platform/kit/Event.h"
#include "platform/kit/Pasteboard.h"
#include "platform/kit/TableColumn.h"
#include "platform/kit/Window.h"
#include "shell/MainWindowCtrl.h"
#include "sources/CalendarSourceTFCell.h"
#include "sources/CalendarSourceView.h"

namespace {

SourceListItemPtr asSource(const kit::OutlineItem& item) {
    return kit::outlineItemAs<SourceListItem>(item);
}

kit::OutlineItem asOutline(const SourceListItemPtr& item) {
    return std::static_pointer_cast<void>(item);
}

bool isCalendarOrMarker(const SourceListItemPtr& item) {
    return sourceItemAs<Calendar>(item) || sourceItemAs<EMarker>(item);
}

}  // namespace

// The model root seen as the outline's data source and delegate.
class CalendarSourceOutlineView::Source final : public kit::OutlineViewDataSource,
                                                public kit::OutlineViewDelegate {
public:
    explicit Source(CalendarSourceOutlineView* owner) : owner_(owner) {}

    CalendarSources* model() const { return owner_->sources_.get(); }

    int outlineViewNumberOfChildrenOfItem(kit::OutlineView*,
                                          const kit::OutlineItem& item) override {
        if (!model()) return 0;
        if (!item) return int(model()->listOfSources().size());
        if (auto group = sourceItemAs<CalendarGroup>(asSource(item))) return group->count();
        return 0;
    }
    kit::OutlineItem outlineViewChildOfItem(kit::OutlineView*, int index,
                                            const kit::OutlineItem& item) override {
        if (!model()) return {};
        QList<SourceListItemPtr> list;
        if (!item)
            list = model()->listOfSources();
        else if (auto group = sourceItemAs<CalendarGroup>(asSource(item)))
            list = group->elements();
        return index >= 0 && index < list.size() ? asOutline(list.at(index)) : kit::OutlineItem();
    }
    bool outlineViewIsItemExpandable(kit::OutlineView*, const kit::OutlineItem& item) override {
        return sourceItemAs<CalendarGroup>(asSource(item)) != nullptr;
    }
    QVariant outlineViewObjectValueForTableColumnByItem(kit::OutlineView*, kit::TableColumn*,
                                                        const kit::OutlineItem& item) override {
        return QVariant::fromValue(asSource(item));
    }
    // Expanded groups are kept by their short name.
    QVariant outlineViewPersistentObjectForItem(kit::OutlineView*,
                                                const kit::OutlineItem& item) override {
        if (auto group = sourceItemAs<CalendarGroup>(asSource(item))) return group->shortName();
        return {};
    }
    kit::OutlineItem outlineViewItemForPersistentObject(kit::OutlineView*,
                                                        const QVariant& object) override {
        if (!model() || object.metaType() != QMetaType::fromType<QString>()) return {};
        const QString name = object.toString();
        for (const SourceListItemPtr& item : model()->listOfSources()) {
            auto group = sourceItemAs<CalendarGroup>(item);
            if (!group) continue;
            if (group->shortName() == name) return asOutline(group);
            if (auto inner = group->calendarGroupWithName(name)) return asOutline(inner);
        }
        return {};
    }

    bool outlineViewShouldSelectItem(kit::OutlineView*, const kit::OutlineItem& item) override {
        return isCalendarOrMarker(asSource(item));
    }
    bool outlineViewShouldEditTableColumnItem(kit::OutlineView*, kit::TableColumn*,
                                              const kit::OutlineItem& item) override {
        return isCalendarOrMarker(asSource(item));
    }
    double outlineViewHeightOfRowByItem(kit::OutlineView* outline,
                                        const kit::OutlineItem& item) override {
        if (sourceItemAs<OutlineViewSpacer>(asSource(item))) return kSpacerHeight;
        return outline->rowHeight();
    }
    QString outlineViewToolTipForCellRectTableColumnItemMouseLocation(kit::OutlineView*, kit::Cell&,
                                                                      const QRectF&,
                                                                      kit::TableColumn*,
                                                                      const kit::OutlineItem& item,
                                                                      const QPointF&) override {
        const SourceListItemPtr row = asSource(item);
        if (auto calendar = sourceItemAs<Calendar>(row)) return calendar->notes();
        if (auto marker = sourceItemAs<EMarker>(row)) return marker->notes();
        return {};
    }
    // The selected calendar or marker is what Information and Edit act on; an
    // open hover follows it and closes with the selection.
    void outlineViewSelectionDidChange(kit::OutlineView*) override {
        const int row = owner_->selectedRow();
        const SourceListItemPtr item = owner_->itemAtRow(row);
        if (MainWindowCtrl* window = MainWindowCtrl::existingWinController()) {
            if (isCalendarOrMarker(item))
                window->setCurrentGlobalObjectWithController(QVariant::fromValue(item),
                                                             owner_->sourceView_.data());
            else
                window->setCurrentGlobalObjectWithController(QVariant(), nullptr);
        }
        const CalendarSources::Services& services = CalendarSources::services();
        if (!services.hoverWindowOpen || !services.hoverWindowOpen()) return;
        if (!item) {
            if (services.hoverCloseWindow) services.hoverCloseWindow();
        } else if (auto calendar = sourceItemAs<Calendar>(item)) {
            if (services.hoverShowForCalendar)
                services.hoverShowForCalendar(calendar, owner_->rectOfSourceRow(row), owner_);
        } else if (auto marker = sourceItemAs<EMarker>(item)) {
            if (services.hoverShowForMarker)
                services.hoverShowForMarker(marker, owner_->rectOfSourceRow(row), owner_);
        }
    }

    // -- Reordering drags
    bool outlineViewWriteItemsToPasteboard(kit::OutlineView*,
                                           const std::vector<kit::OutlineItem>& items,
                                           kit::Pasteboard& board) override {
        if (items.empty()) return false;
        const SourceListItemPtr first = asSource(items.front());
        QString type;
        if (sourceItemAs<Calendar>(first))
            type = kCalendarDragType;
        else if (sourceItemAs<EMarker>(first))
            type = kMarkerDragType;
        else
            return false;
        dragged_ = first;
        board.declareTypes({type}, owner_);
        board.setData(QByteArray(), type);
        return true;
    }
    unsigned outlineViewValidateDropProposedItemProposedChildIndex(kit::OutlineView*,
                                                                   const kit::DraggingInfo& info,
                                                                   const kit::OutlineItem& proposed,
                                                                   int childIndex) override {
        if (info.draggingSource() != owner_ || childIndex < 0) return kit::DragOperation::None;
        return groupTakingDragged() == asSource(proposed) && groupTakingDragged()
                   ? kit::DragOperation::Move
                   : kit::DragOperation::None;
    }
    bool outlineViewAcceptDropItemChildIndex(kit::OutlineView*, const kit::DraggingInfo&,
                                             const kit::OutlineItem&, int childIndex) override {
        const CalendarGroupPtr group = groupTakingDragged();
        if (!group || !model()) return false;
        const int from = group->indexOfItem(dragged_);
        if (from < 0) return false;
        const SourceListItemPtr selected = owner_->itemAtRow(owner_->selectedRow());
        {
            foundation::Guard guard(model()->lock());
            group->moveObjectFromIndexToIndex(from, childIndex);
        }
        owner_->reloadData();
        if (selected) owner_->selectRow(owner_->rowForItem(selected));
        if (sourceItemAs<Calendar>(dragged_))
            model()->saveCalendarConfig();
        else
            model()->saveMarkerConfig();
        return true;
    }

private:
    // The group a drop of the dragged row may go into: a calendar's own group,
    // the markers group for a marker.
    CalendarGroupPtr groupTakingDragged() const {
        if (!model()) return nullptr;
        if (auto calendar = sourceItemAs<Calendar>(dragged_))
            return model()->groupOfCalendar(calendar);
        if (sourceItemAs<EMarker>(dragged_)) return model()->markersGroup();
        return nullptr;
    }

    CalendarSourceOutlineView* owner_;
    SourceListItemPtr dragged_;
};

CalendarSourceOutlineView::CalendarSourceOutlineView(const QRectF& frame)
    : kit::OutlineView(frame), source_(std::make_unique<Source>(this)) {
    setRowHeight(18);
    setIntercellSpacing(QSizeF(0, 0));
    kit::TableColumn* column = addTableColumn(QStringLiteral("sources"), frame.width());
    auto cell = std::make_unique<CalendarSourceTFCell>();
    cell->setParent(this);
    column->setDataCell(std::move(cell));
    setDraggingSourceOperationMaskForLocal(kit::DragOperation::Move, true);
    registerForDraggedTypes({kCalendarDragType, kMarkerDragType});
    setPostsFrameChangedNotifications(true);
    foundation::NotificationCenter::defaultCenter().addObserver(
        this, kit::View::frameDidChangeNotification(), this,
        [this](const foundation::Notification&) { viewFrameChanged(); });
}

CalendarSourceOutlineView::~CalendarSourceOutlineView() {
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
    kit::OutlineView::setDataSource(nullptr);
    kit::OutlineView::setDelegate(nullptr);
}

void CalendarSourceOutlineView::setCalendarSources(
    const std::shared_ptr<CalendarSources>& sources) {
    sources_ = sources;
    kit::OutlineView::setDelegate(source_.get());
    kit::OutlineView::setDataSource(source_.get());
}

void CalendarSourceOutlineView::setDataSource(const QVariant& sources) {
    setCalendarSources(sources.value<std::shared_ptr<CalendarSources>>());
}

void CalendarSourceOutlineView::setDelegate(const QVariant& sources) {
    setCalendarSources(sources.value<std::shared_ptr<CalendarSources>>());
}

void CalendarSourceOutlineView::setAutosaveExpandedItems(bool on) {
    const bool saved =
        !autosaveName().isEmpty() && foundation::Defaults::standard()
                                         .objectForKey(expandedItemsDefaultsKey(autosaveName()))
                                         .isValid();
    kit::OutlineView::setAutosaveExpandedItems(on);
    if (!on || saved || !sources_) return;
    for (const SourceListItemPtr& item : sources_->listOfSources())
        if (sourceItemAs<CalendarGroup>(item)) expandItem(asOutline(item));
}

CalendarSourceTFCell* CalendarSourceOutlineView::sourceCell() const {
    kit::TableColumn* column = outlineTableColumn();
    return column ? static_cast<CalendarSourceTFCell*>(column->dataCell()) : nullptr;
}

SourceListItemPtr CalendarSourceOutlineView::itemAtRow(int row) const {
    if (row < 0 || row >= numberOfRows()) return nullptr;
    return asSource(kit::OutlineView::itemAtRow(row));
}

int CalendarSourceOutlineView::rowForItem(const SourceListItemPtr& item) const {
    return item ? kit::OutlineView::rowForItem(asOutline(item)) : -1;
}

void CalendarSourceOutlineView::reloadSourceItem(const SourceListItemPtr& item) {
    if (item) reloadItem(asOutline(item));
    setNeedsDisplay();
}

bool CalendarSourceOutlineView::shallBeginEditingForObject(const SourceListItemPtr& item) {
    if (!isCalendarOrMarker(item)) return false;
    if (auto calendar = sourceItemAs<Calendar>(item))
        if (!sources_ || sources_->titleIsLocked(calendar)) return false;
    objInEditing_ = item;
    return !entryDoubleClickOp_;
}

// The text is read before the base ends the editing and reloads the row.
void CalendarSourceOutlineView::textDidEndEditing(const QString& text, int, int) {
    if (kit::Window* w = window()) w->makeFirstResponder(this);
    if (objInEditing_ && sources_) sources_->updateNameOf(objInEditing_, text);
    reloadData();
}

QRectF CalendarSourceOutlineView::rectOfSourceRow(int row) const {
    if (row < 0 || row >= numberOfRows()) return QRectF();
    return rectOfRow(row);
}

void CalendarSourceOutlineView::expandSourceItem(const SourceListItemPtr& item) {
    if (item && rowForItem(item) >= 0) expandItem(asOutline(item));
}

void CalendarSourceOutlineView::viewFrameChanged() {
    const int row = selectedRow();
    if (row < 0) return;
    const CalendarSources::Services& services = CalendarSources::services();
    if (services.hoverWindowOpen && services.hoverWindowOpen() && services.hoverUpdateAnchor)
        services.hoverUpdateAnchor(rectOfSourceRow(row));
}

void CalendarSourceOutlineView::mouseDown(const kit::Event& event) {
    entryDoubleClickOp_ = false;
    if (kit::Window* w = window()) w->makeFirstResponder(this);
    const int row = rowAtPoint(convertPointFromView(event.locationInWindow(), nullptr));
    if (event.clickCount() == 1 && row < 0) deselectAll();
    if (event.clickCount() == 2 && row >= 0 && row == selectedRow()) {
        entryDoubleClickOp_ = true;
        if (sources_)
            sources_->entryDoubleClick(event.modifierFlags() & kit::ModifierFlags::Option);
        return;
    }
    kit::OutlineView::mouseDown(event);
}

QMenu* CalendarSourceOutlineView::menuForEvent(const kit::Event& event) {
    if (kit::Window* w = window()) w->makeFirstResponder(this);
    const int row = rowAtPoint(convertPointFromView(event.locationInWindow(), nullptr));
    if (row < 0)
        deselectAll();
    else if (isCalendarOrMarker(itemAtRow(row)))
        selectRow(row);
    CalendarSourceView* view = sourceView_;
    if (!view) return nullptr;
    const SourceListItemPtr selected = itemAtRow(selectedRow());
    if (!selected) return view->contextMenuForAdd();
    if (sourceItemAs<Calendar>(selected)) return view->contextMenuForModCal();
    if (sourceItemAs<EMarker>(selected)) return view->contextMenuForModMrk();
    return nullptr;
}

void CalendarSourceScroller::setDoubleValue(double value) {
    kit::Scroller::setDoubleValue(value);
    if (olView_) olView_->viewFrameChanged();
}
