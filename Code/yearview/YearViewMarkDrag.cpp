// The year page as the target of a drag of marks: the target day follows the
// pointer, and the drop asks whether to move or copy all marks or those of one
// marker before a job carries them over.

#include "yearview/YearView.h"

#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "platform/foundation/Localized.h"
#include "platform/kit/Menu.h"
#include "platform/kit/MenuItem.h"
#include "platform/kit/Pasteboard.h"
#include "shell/AppDelegate.h"
#include "yearview/YearViewCell.h"

#include <QSet>

#include <memory>

namespace {

std::shared_ptr<CalendarSources> calendarSources() {
    AppDelegate* app = AppDelegate::obj();
    return app ? app->calendarSources : nullptr;
}

QString text(const char* key) {
    return foundation::localized(QString::fromLatin1(key), QString());
}

}  // namespace

// Marks never leave the page: other programs get nothing to drop.
unsigned YearView::draggingSourceOperationMaskForLocal(bool isLocal) {
    return isLocal ? kit::DragOperation::Move : kit::DragOperation::None;
}

// The source cell belongs to this drag only; a later drop from elsewhere must
// not find it.
void YearView::draggedImageEndedAtOperation(const QImage&, const QPointF&, unsigned) {
    if (dragSelectMode_ == 2) clearDropTarget();
    draggedYVCell_.reset();
}

// Only a drag this page started carries marks it knows: the pasteboard holds no
// data, the source cell is ours.
bool YearView::isOwnMarkDrag(const kit::DraggingInfo& info) const {
    if (info.draggingSource() != this || !draggedYVCell_ || dragSelectMode_ != 2) return false;
    const auto board = info.draggingPasteboard();
    return board && board->types().contains(kDragType);
}

// The target day is a plain highlight, the only one while marks are dragged.
void YearView::clearDropTarget() {
    if (YearViewCell::selectCount() == 1)
        setHighlightStatusForDayMonthHighlight(dragStartDay_, dragStartMonth_, 0);
}

// Entering is the pointer's first move over the page: the day under it becomes
// the target at once.
unsigned YearView::draggingEntered(const kit::DraggingInfo& info) {
    if (!isOwnMarkDrag(info)) return kit::DragOperation::None;
    draggingUpdated(info);
    return kit::DragOperation::Move;
}

unsigned YearView::draggingUpdated(const kit::DraggingInfo& info) {
    if (!isOwnMarkDrag(info)) return kit::DragOperation::None;
    const GridHit hit = hitTestGrid(convertPointFromView(info.draggingLocation(), nullptr));
    clearDropTarget();
    if (!hit.inGrid()) return kit::DragOperation::None;
    const YearViewCellPtr cell = model_->cellForDayAndMonth(hit.day, hit.month);
    if (!cell) return kit::DragOperation::None;
    setHighlightStatusForDayMonthHighlight(hit.day, hit.month, 1);
    setNeedsDisplayInRect(cell->inset());
    dragStartDay_ = hit.day;
    dragStartMonth_ = hit.month;
    return kit::DragOperation::Move;
}

void YearView::draggingExited(const kit::DraggingInfo& info) {
    if (isOwnMarkDrag(info)) clearDropTarget();
}

bool YearView::prepareForDragOperation(const kit::DraggingInfo& info) {
    if (!isOwnMarkDrag(info)) return false;
    const YearViewCellPtr target = model_->cellForDayAndMonth(dragStartDay_, dragStartMonth_);
    const YearViewCell::EventList marks = draggedYVCell_->zoltMarks();
    if (!target || marks.empty() || target == draggedYVCell_) {
        clearDropTarget();
        return false;
    }

    auto* copyMenu = new kit::Menu(text("yvcmDraggingContextCopy"));
    auto* moveMenu = new kit::Menu(text("yvcmDraggingContextMove"));
    const auto addItem = [this](kit::Menu* menu, const QString& title, const QByteArray& action) {
        kit::MenuItem* item = menu->addItemWithTitle(title, action, QString());
        item->setTarget(this);
        return item;
    };
    // The "all marks" items are told apart by their tag, the marker items by
    // their marker's UID, so no marker title can pass for another choice.
    addItem(copyMenu, text("yvcmDraggingContextAllMarks"), "cmiCopyMarks")->setTag(kAllMarksTag);
    addItem(moveMenu, text("yvcmDraggingContextAllMarks"), "cmiMoveMarks")->setTag(kAllMarksTag);
    const auto sources = calendarSources();
    QSet<QString> seen;
    for (const EventDayPtr& mark : marks) {
        const QString uid = mark->markerID();
        if (seen.contains(uid)) continue;
        seen.insert(uid);
        const auto marker = sources ? sources->markerWithUID(uid) : nullptr;
        if (!marker) continue;
        for (auto [menu, action] : {std::pair{moveMenu, QByteArray("cmiMoveMarks")},
                                    std::pair{copyMenu, QByteArray("cmiCopyMarks")}}) {
            kit::MenuItem* item = addItem(menu, marker->title(), action);
            item->setRepresentedObject(uid);
            item->setImage(marker->miniIcon());
        }
    }

    kit::Menu menu{QString()};
    menu.setAllowsContextMenuPlugIns(false);
    kit::MenuItem* moveItem = menu.addItemWithTitle(text("yvcmDraggingContextMove"));
    moveItem->setSubmenu(moveMenu);
    moveItem->setEnabled(true);
    kit::MenuItem* copyItem = menu.addItemWithTitle(text("yvcmDraggingContextCopy"));
    copyItem->setSubmenu(copyMenu);
    copyItem->setEnabled(true);
    kit::Menu::popUpContextMenu(&menu, kit::Event::currentEvent(), this);
    return true;
}

bool YearView::performDragOperation(const kit::DraggingInfo&) {
    return true;
}

void YearView::concludeDragOperation(const kit::DraggingInfo&) {
    const YearViewCellPtr target = model_->cellForDayAndMonth(dragStartDay_, dragStartMonth_);
    if (!target) return;
    target->setHighlighted(false);
    setFocusFromSelection();
    setNeedsDisplayInRect(target->inset());
}

void YearView::cmiCopyMarks(QObject* sender) {
    auto* item = qobject_cast<kit::MenuItem*>(sender);
    if (!item) return;
    moveMarkCreateCopy(item->tag() == kAllMarksTag, item->representedObject().toString(), true);
}

void YearView::cmiMoveMarks(QObject* sender) {
    auto* item = qobject_cast<kit::MenuItem*>(sender);
    if (!item) return;
    moveMarkCreateCopy(item->tag() == kAllMarksTag, item->representedObject().toString(), false);
}

// Marks of markers that no longer exist go with "all marks" like the others.
void YearView::moveMarkCreateCopy(bool allMarks, const QString& markerUID, bool copy) {
    const YearViewCellPtr source = draggedYVCell_;
    const YearViewCellPtr target = model_->cellForDayAndMonth(dragStartDay_, dragStartMonth_);
    if (!source || !target || source == target) return;
    if (!allMarks && markerUID.isEmpty()) return;
    QList<calstore::EventPtr> events;
    for (const EventDayPtr& mark : source->zoltMarks()) {
        if (!mark->event()) continue;
        if (allMarks || mark->markerID() == markerUID) events.append(mark->event());
    }
    if (events.isEmpty()) return;
    if (const auto& start = services().startMovingEventsFromDayToDay)
        start(events, source->cellDate(), target->cellDate(), copy, this);
}
