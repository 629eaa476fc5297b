// The column's side of the selection: the hit test, the press that selects or
// opens an event, and the marks on its own entries. The week view owns the
// selection; the column asks its enclosing view by operation name.

#include "platform/kit/Event.h"
#include "platform/kit/Perform.h"
#include "platform/kit/Window.h"
#include "platform/store/Event.h"
#include "weekview/WDEventsView.h"
#include "weekview/WDHeaderView.h"
#include "weekview/WeekdayView.h"

#include <algorithm>
#include <cmath>

namespace {

bool sameStoreEvent(const EventDayPtr& a, const EventDayPtr& b) {
    return a && b && a->event() && b->event() && a->event()->uid() == b->event()->uid();
}

}  // namespace

EventDayPtr WeekdayView::eventAtLocation(const QPointF& point) const {
    if (!eventsView_) return nullptr;
    const double y = point.y() - eventsView_->frame().y();
    for (const EventDayPtr& record : hitRects_) {
        if (!record) continue;
        if (record->hitX() <= point.x() && point.x() <= record->hitX() + record->hitW() &&
            record->hitY() <= y && y <= record->hitY() + record->hitH())
            return record;
    }
    return nullptr;
}

void WeekdayView::mouseDown(const kit::Event& event) {
    kit::Window* win = window();
    if (win) win->makeFirstResponder(this);
    const bool commandOrOption =
        event.modifierFlags() & (kit::ModifierFlags::Command | kit::ModifierFlags::Option);
    const QPointF W = event.locationInWindow();
    const EventDayPtr hit = eventAtLocation(convertPointFromView(W, nullptr));

    if (event.clickCount() > 1) {
        if (!hit) return;  // a new event by double click comes with event editing
        if (commandOrOption) {
            selectEvent(hit);
            kit::perform(superview(), "cmiEditEvent", static_cast<QObject*>(this));
        } else {
            openEvent(hit);
        }
        return;
    }

    // Wait for the press to turn into a click; Escape cancels it. Without a
    // window there is nothing to wait for and the press is a click.
    while (win) {
        const auto next = win->nextEventMatchingMask(kit::EventMasks::LeftMouseUp |
                                                     kit::EventMasks::LeftMouseDragged |
                                                     kit::EventMasks::KeyDown);
        if (!next || next->isMouseUp()) break;
        if (next->type() == kit::EventType::KeyDown) {
            if (next->keyCode() == kit::KeyCodes::Escape) return;
            continue;
        }
        // A drag on an event selects it; one on empty space that runs
        // sideways belongs to the week view.
        if (hit) break;
        const QPointF p = next->locationInWindow();
        const double dx = std::abs(W.x() - p.x()), dy = std::abs(W.y() - p.y());
        if (dx > dy) {
            kit::View::mouseDown(*next);
            return;
        }
        if (dy >= 3) return;  // drawing a new event comes with event editing
    }
    selectEvent(hit);
}

void WeekdayView::selectEvent(const EventDayPtr& event) {
    kit::perform(superview(), "selectEvent", event);
    if (!eventsView_) return;
    if (event)
        setCursorRectsForEvent(event);
    else
        eventsView_->clearSelectionRect();
}

void WeekdayView::openEvent(const EventDayPtr& event) {
    kit::perform(superview(), "openInfosForEvent", event);
}

void WeekdayView::neighboringSelectEvent(const EventDayPtr& event) {
    if (!event) return;
    for (const EventDayPtr& record : events_) {
        if (!sameStoreEvent(record, event)) continue;
        record->setIsSelected(true);
        record->setBlinkingFactor(1.0f);
        setCursorRectsForEvent(record);
    }
    for (const EventDayPtr& record : fdevents_) {
        if (!sameStoreEvent(record, event)) continue;
        record->setIsSelected(true);
        record->setBlinkingFactor(1.0f);
    }
}

void WeekdayView::deselectAllEvents() {
    for (const EventDayPtr& record : events_)
        if (record) record->setIsSelected(false);
    for (const EventDayPtr& record : fdevents_)
        if (record) record->setIsSelected(false);
    setSelection(false);
    if (eventsView_) eventsView_->clearSelectionRect();
}

void WeekdayView::setCursorRectsForEvent(const EventDayPtr& event) {
    if (!event || !eventsView_) return;
    eventsView_->setSelectionRect(
        QRectF(event->hitX(), event->hitY(), event->hitW(), event->hitH()),
        !event->extendsPrevDay(), !event->extendsNextDay());
}

void WeekdayView::collapseFulldaysNotShowingEvent(const EventDayPtr& event) {
    if (!headerView_ || headerView_->isCollapsed()) return;
    if (event && std::find(fdevents_.begin(), fdevents_.end(), event) != fdevents_.end()) return;
    headerView_->setIsCollapsed(true);
}
