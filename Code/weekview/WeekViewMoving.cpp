// Moving a timed event with the mouse: up and down changes its time of day,
// sideways moves it to another shown day. The columns show a preview over a
// copy of the store event while the pointer moves, on quarter hours; Escape
// drops it. The release writes the move once, on the nearest quarter hour,
// and only when the start changed.

#include "weekview/WeekView.h"

#include "data/YearViewEventLoader.h"
#include "platform/kit/Cursor.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Window.h"
#include "platform/store/Event.h"
#include "weekview/WeekdayView.h"

#include <algorithm>
#include <cmath>

namespace {

// The column of a horizontal position in the view, kept within the shown ones.
int columnAt(double x, double innerX, double columnWidth, int n) {
    if (!(columnWidth > 0)) return 0;
    return std::clamp(int(std::floor((x - innerX) / columnWidth)), 0, n - 1);
}

// The moment `days` calendar days and `seconds` after `start`: the days keep
// the time of day also across a change of the clock.
QDateTime shifted(const QDateTime& start, int days, double seconds) {
    const MyDatePtr d = MyDate::dateWithNSDate(start);
    const MyDatePtr day = d->dateByAddingYearsMonthsDays(0, 0, days);
    const QDateTime sameTime =
        day->setHourMinute(d->hourNum(), d->minuteNum())->nsDate().addSecs(start.time().second());
    return sameTime.addSecs(qint64(std::llround(seconds)));
}

// The start a release writes: the day of `start` at its time rounded to the
// nearest quarter hour, from 0:00 to 23:45.
QDateTime releasedStart(const QDateTime& start) {
    const MyDatePtr d = MyDate::dateWithNSDate(start);
    double t = d->hourNum() + d->minuteNum() / 60.0;
    t = std::floor((t + 0.125) * 4) / 4;
    int h = int(std::floor(t));
    int m = int(std::floor((t - h) * 60));
    m = int(std::floor((m + 7) / 15.0)) * 15;
    if (h < 0) h = m = 0;
    if (h > 23 || (h == 23 && m > 45)) {
        h = 23;
        m = 45;
    }
    return d->setHourMinute(h, m)->nsDate();
}

}  // namespace

void WeekView::startDraggingEvent(const EventDayPtr& record) {
    if (!record || !record->event() || viewSet_.empty()) return;
    closeEventHover();
    const calstore::EventPtr stored = record->event();
    const QDateTime initialStart = stored->startDate(), initialEnd = stored->endDate();
    const qint64 duration = initialStart.secsTo(initialEnd);
    const QPointF startInWindow = record->dragStart();
    const QPointF startPoint = convertPointFromView(startInWindow, nullptr);

    // The columns show a copy of the record over a copy of the event: the
    // store event the loaders read stays as it is.
    auto moved = std::make_shared<calstore::Event>(*stored);
    auto preview = std::make_shared<EventDay>(*record);
    preview->setEvent(moved);
    preview->setIsInDragging(true);
    record->setIsInDragging(true);
    for (WeekdayView* column : viewSet_) column->setDraggedEvent(preview, stored);
    setInModalGesture(true);

    const int n = numberOfDaysInDisplay();
    const QRectF I = innerRectForDrawing();
    const double columnWidth = kit::width(I) / n;
    const int startColumn = columnAt(startPoint.x(), kit::minX(I), columnWidth, n);
    const double hh = WeekdayView::hourHeight();
    const MyDatePtr s = MyDate::dateWithNSDate(initialStart);
    const double f = 24 - s->hourNum() - s->minuteNum() / 60.0;
    const double quarterOffset = f - std::floor(4 * f) / 4;

    kit::Cursor::closedHandCursor().push();
    bool abandoned = false;
    kit::Window* win = window();
    while (win) {
        const auto next = WeekdayView::nextEventOfPress(win);
        if (!next || next->isMouseUp()) break;
        if (next->type() == kit::EventType::KeyDown) {
            abandoned = true;
            break;
        }
        const QPointF p = next->locationInWindow();
        const double down = startInWindow.y() - p.y();
        const int days =
            columnAt(convertPointFromView(p, nullptr).x(), kit::minX(I), columnWidth, n) -
            startColumn;
        const double shift = std::floor(down / hh * 3600 / 900) * 900 + quarterOffset * 3600;
        const QDateTime start = shifted(initialStart, days, shift);
        moved->setStartDate(start);
        moved->setEndDate(start.addSecs(duration));
        for (WeekdayView* column : viewSet_) column->forceRedrawEvents();
    }
    kit::Cursor::pop();
    kit::Cursor::arrowCursor().set();
    preview->setIsInDragging(false);
    record->setIsInDragging(false);

    bool keep = false;
    if (!abandoned) {
        const QDateTime start = releasedStart(moved->startDate());
        const QDateTime end = start.addSecs(duration);
        // Released where it is stored: nothing to write, and a repeating
        // event's occurrence stays part of its series.
        if (start != initialStart) {
            moved->setStartDate(start);
            moved->setEndDate(end);
            // A failed save shows the event where the store still has it.
            keep = YearViewEventLoader::updateStartTimeAndEndTimeForEvent(start, end, stored);
            if (keep) record->setIsNew(false);
        }
    }
    for (WeekdayView* column : viewSet_) {
        column->resetDraggedEvent(!keep);
        column->forceRedrawEvents();
    }
    selectEvent(nullptr);
    setInModalGesture(false);
}
