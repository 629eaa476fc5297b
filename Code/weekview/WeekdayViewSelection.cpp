// The column's side of the selection and of the mouse: the hit test, the
// press that decides between a click, a drag and a double click, the presses
// on the header's full-day rows, and the marks on its own entries. The week
// view owns the selection; the column asks its enclosing view by operation
// name.

#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
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
    // Alt with Shift counts as Option too: window managers often keep Alt clicks.
    const bool commandOrOption =
        event.modifierFlags() & (kit::ModifierFlags::Command | kit::ModifierFlags::Option);
    const QPointF W = event.locationInWindow();
    // The press point decides, wherever the pointer goes before the decision.
    const EventDayPtr hit = eventAtLocation(convertPointFromView(W, nullptr));

    if (event.clickCount() > 1) {
        if (!hit)
            emptyDoubleClick(W);
        else if (commandOrOption)
            editEvent(hit);
        else
            openEvent(hit);
        return;
    }

    // Wait for the press to turn into a click or a drag; Escape cancels it.
    // Without a window there is nothing to wait for and the press is a click.
    while (win) {
        const auto next = nextEventOfPress(win);
        if (!next || next->isMouseUp()) break;
        if (next->type() == kit::EventType::KeyDown) return;  // Escape
        if (hit) {
            selectEvent(hit);
            startDraggingEventFrom(hit, W);
            return;
        }
        // On empty space a sideways drag belongs to the week view at once; a
        // vertical one draws a new event from 3 points on.
        const QPointF p = next->locationInWindow();
        const double dx = std::abs(W.x() - p.x()), dy = std::abs(W.y() - p.y());
        if (dx > dy) {
            kit::View::mouseDown(*next);
            return;
        }
        if (dy > dx && dy >= 3) {
            startDraggingNewEventFrom(W);
            return;
        }
    }
    selectEvent(hit);
}

std::optional<kit::Event> WeekdayView::nextEventOfPress(kit::Window* window) {
    while (true) {
        auto next = window->nextEventMatchingMask(kit::EventMasks::LeftMouseUp |
                                                  kit::EventMasks::LeftMouseDragged |
                                                  kit::EventMasks::KeyDown);
        if (next && next->type() == kit::EventType::KeyDown &&
            next->keyCode() != kit::KeyCodes::Escape)
            continue;
        return next;
    }
}

void WeekdayView::mouseDownInFulldayList(const kit::Event& event) {
    if (!headerView_) return;
    const QPointF q = headerView_->convertPointFromView(event.locationInWindow(), nullptr);
    const bool commandOrOption =
        event.modifierFlags() & (kit::ModifierFlags::Command | kit::ModifierFlags::Option);
    const bool doubleClick = event.clickCount() >= 2;
    int row = int(std::floor((q.y() - 7) / kFulldayRowHeight));
    // The lowest row of a full header stands for the entries it cannot show.
    if (row == 0 && headerView_->hasMoreThanCanDisplay()) {
        showFullDaysInSeparatePanel();
        return;
    }
    const int n = int(fdevents_.size());
    if (n < 1) return;
    if (headerView_->hasMoreThanCanDisplay()) row += n - headerView_->canDisplay();
    const int index = n - 1 - row;  // the first entry is the highest row
    const EventDayPtr entry = index >= 0 && index < n ? fdevents_[size_t(index)] : nullptr;
    if (!doubleClick) {
        kit::perform(superview(), "selectEvent", entry);
        return;
    }
    // A double click beside the entries, or on a mark, opens nothing.
    if (!entry || entry->isMark()) return;
    if (commandOrOption)
        editEvent(entry);
    else
        kit::perform(superview(), "openInfosForEvent", entry);
}

void WeekdayView::showFullDaysInSeparatePanel() {
    if (headerView_) headerView_->closeFlapForFulldayEvents();
}

void WeekdayView::addOrEditNote() {
    if (!headerView_ || !yvcell_) return;
    const QRectF bounds = headerView_->bounds();
    const QRectF title = kit::makeRect(kit::minX(bounds), kit::height(bounds) - kTitleHeight,
                                       kit::width(bounds), kTitleHeight);
    // The notes mark shows while the note is being typed.
    yvcell_->addTempNote();
    headerView_->setNeedsDisplay();
    headerView_->addOrEditNoteForCellAtRect(
        yvcell_, kit::makeRect(kit::minX(title) + 4, kit::minY(title) + 4, 18, 18));
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

void WeekdayView::editEvent(const EventDayPtr& event) {
    selectEvent(event);
    kit::perform(superview(), "cmiEditEvent", static_cast<QObject*>(this));
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
    headerView_->closeFlapForFulldayEvents();
}

WeekdayView::HourSpan WeekdayView::hourSpanOnDay(const QDateTime& start, const QDateTime& end,
                                                 const MyDatePtr& day, double startOffset,
                                                 double endOffset) {
    const auto hoursOf = [](const QDateTime& moment) {
        const MyDate d(moment);
        return d.hourNum() + d.minuteNum() / 60.0;
    };
    HourSpan span;
    span.bottom = std::max(0.0, 24 - hoursOf(end) - endOffset);
    span.top = std::min(24.0, 24 - hoursOf(start) - startOffset);
    if (!day) return span;
    const MyDatePtr dayStart = day->startOfDay();
    // The next midnight, not 24 hours on: clock changes make days of 23 and 25 hours.
    if (end >= dayStart->nextDay()->startOfDay()->nsDate()) span.bottom = 0;
    if (start < dayStart->nsDate()) span.top = 24;
    return span;
}

void WeekdayView::recalcCursorRectForEvent(const EventDayPtr& event) {
    if (!event || !event->event() || !eventsView_) return;
    const HourSpan span =
        hourSpanOnDay(event->event()->startDate(), event->event()->endDate(), date());
    const double hh = hourHeight();
    event->setHitH(float(std::floor((span.top - span.bottom) * hh)));
    double y = std::floor(span.bottom * hh + 0.5) + 0.5;
    if (eventsView_->inCacheDrawing()) y = kit::height(eventsView_->bounds()) - y;
    event->setHitY(float(y));
    setCursorRectsForEvent(event);
}
