// The day column's editing by mouse: dragging the start or the end of an
// event in quarter hours, creating one-hour events by double click or by the
// week view's command, drawing a new event downwards from a press, adding a
// full-day event, and showing an event that the week view moves across the
// columns. Every write goes to the store through the class-level writers, with
// the year page that holds the column's day.

#include "weekview/WeekdayView.h"

#include "data/Calendar.h"
#include "data/CalendarSources.h"
#include "data/YearViewEventLoader.h"
#include "platform/foundation/Localized.h"
#include "platform/kit/Cursor.h"
#include "platform/kit/Event.h"
#include "platform/kit/Perform.h"
#include "platform/kit/Window.h"
#include "platform/store/Event.h"
#include "shell/AppDelegate.h"
#include "shell/MainWindowCtrl.h"
#include "weekview/WDEventsView.h"
#include "weekview/WDHeaderView.h"
#include "weekview/WeekView.h"
#include "yearview/YearView.h"
#include "yearview/YearViewModel.h"

#include <algorithm>
#include <cmath>

namespace {

double hoursOf(const QDateTime& moment) {
    const MyDate d(moment);
    return d.hourNum() + d.minuteNum() / 60.0;
}

// A distance in hours snapped to the nearest quarter hour.
double snapToQuarter(double hours) {
    return std::floor((hours + 0.125) * 4) / 4;
}

// A time of day in hours made whole: the hour and the minute on the quarter.
struct HourMinute {
    int hour = 0;
    int minute = 0;
};
HourMinute wholeQuarter(double hours) {
    HourMinute t;
    t.hour = int(std::floor(hours));
    const int m = int(std::floor((hours - t.hour) * 60));
    t.minute = int(std::floor((m + 7) / 15.0)) * 15;
    return t;
}

// The date of `day` (its year, month and day) at a time.
QDateTime onDay(const MyDatePtr& day, const HourMinute& t) {
    if (t.minute >= 60) return day->setHourMinute(t.hour + 1, 0)->nsDate();
    return day->setHourMinute(t.hour, t.minute)->nsDate();
}

// Where a time of day lies above the quarter-hour grid, in hours (0 on it).
double offGrid(double hourOfDay) {
    const double pos = 24 - hourOfDay;
    return pos - std::floor(pos * 4) / 4;
}

void closeEventHover(QObject* sender) {
    if (const auto& close = WeekView::services().eventHoverCloseWindow) close(sender);
}

MainWindowCtrl* mainWindow() {
    return MainWindowCtrl::existingWinController();
}

// After a write the record holds the copy the store now has, so that it shows
// the stored times and later writes and deletions find the stored event.
void takeSaved(const EventDayPtr& record, const calstore::EventPtr& saved) {
    if (saved) record->setEvent(saved);
}

}  // namespace

// -- Calendar, year page and new records ---------------------------------------------

CalendarPtr WeekdayView::calendarForNewEvents(bool selectInList) {
    AppDelegate* app = AppDelegate::obj();
    const std::shared_ptr<CalendarSources> sources =
        app && app->calendarSources ? app->calendarSources : YearViewEventLoader::calendarSources();
    if (!sources) return nullptr;
    CalendarPtr calendar = sources->selectedCalendar();
    bool fromList = false;
    if (!calendar) {
        calendar = sources->firstCalendarInList();
        fromList = true;
    }
    if (!calendar || !calendar->canCreateNewEvent()) return nullptr;
    if (fromList && selectInList) sources->ensureCalendarIsSelected(calendar);
    return calendar;
}

YearViewTargetPtr WeekdayView::yearPageForDate(const MyDatePtr& day) {
    YearView* page = WeekView::yearPageShowingDay(day);
    return page ? page->model() : nullptr;
}

EventDayPtr WeekdayView::newRecord(const CalendarPtr& calendar, const MyDatePtr& start,
                                   const MyDatePtr& end, bool fullday, double startHour,
                                   double endHour) {
    auto event = calstore::Event::event();
    event->setIsAllDay(fullday);
    event->setStartDate(start->nsDate());
    event->setEndDate(end->nsDate());
    event->setCalendar(calendar->calendar());
    event->setTitle(foundation::localized(QStringLiteral("wveipUntitledEvent"), QString()));

    double ws = workdayStart(), we = workdayEnd();
    // A workday without length stands for the whole day.
    if (we - ws <= 0) {
        ws = 0;
        we = 24;
    }
    const auto percent = [&](double hour) {
        return float(std::clamp((hour - ws) / (we - ws), 0.0, 1.0));
    };
    auto record = std::make_shared<EventDay>();
    record->setEvent(event);
    record->setCalendar(calendar);
    record->setFulldayEvent(fullday);
    record->setSortPercent(float(startHour / 24));
    record->setIsNew(true);
    record->setIsMark(false);
    record->setStartPercent(percent(startHour));
    record->setEndPercent(percent(endHour));
    record->setIndentLevel(0);
    record->setIndexAtSameTime(0);
    record->setEventsAtSameTime(0);
    record->setExtendsPrevDay(false);
    record->setExtendsNextDay(false);
    record->setIsInDragging(false);
    return record;
}

EventDayPtr WeekdayView::createNewEventDataAtTimeInCalendar(double hour,
                                                            const CalendarPtr& calendar) const {
    const MyDatePtr day = date();
    if (!day || !calendar) return nullptr;
    // The last half-hour slot begins the latest event that fits on the day.
    hour = std::clamp(hour, 0.0, 23.5);
    const int h = int(std::floor(hour));
    const int m = int((hour - std::floor(hour)) * 60);
    const double S = h + m / 60.0;
    if (h == 23)
        return newRecord(calendar, day->setHourMinute(h, m), day->setHourMinute(23, 59), false, S,
                         23 + 59 / 60.0);
    return newRecord(calendar, day->setHourMinute(h, m), day->setHourMinute(h + 1, m), false, S,
                     S + 1);
}

EventDayPtr WeekdayView::createNewFulldayEventDataInCalendar(const CalendarPtr& calendar) const {
    const MyDatePtr day = date();
    if (!day || !calendar) return nullptr;
    return newRecord(calendar, day->setHourMinute(0, 0), day->setHourMinute(23, 59), true, 0,
                     23 + 59 / 60.0);
}

// The new record joins the day: the cell lists it, the column lays it out
// and draws it, and the week view selects it and keeps that selection for
// after the store write.
void WeekdayView::showNewRecord(const EventDayPtr& record) {
    if (yvcell_) yvcell_->userAddedNewEvent(record);
    setYVCell(yvcell_);
    forceRedraw();
    kit::perform(superview(), "selectAndKeepEvent", record);
    setCursorRectsForEvent(record);
}

void WeekdayView::openEditorForNewEvent(const EventDayPtr& record) {
    const WeekView::Services& services = WeekView::services();
    QObject* editor = services.controllerForEvent && services.showWindowForNew
                          ? services.controllerForEvent(record->event())
                          : nullptr;
    if (editor) {
        services.showWindowForNew(editor, this);
        return;
    }
    // Without an editor to finish it the creation ends here, so that changes
    // made elsewhere to the stored event reach the views again.
    if (MainWindowCtrl* ctrl = mainWindow())
        ctrl->endCurrentCreatedEventUID(record->event()->uid());
}

// -- Creating --------------------------------------------------------------------------

void WeekdayView::createNewEventAtHour(double hour) {
    const CalendarPtr calendar = calendarForNewEvents(true);
    if (!calendar) return;
    const EventDayPtr record = createNewEventDataAtTimeInCalendar(hour, calendar);
    if (!record) return;
    if (MainWindowCtrl* ctrl = mainWindow())
        ctrl->addCurrentCreationEventUID(record->event()->uid());
    showNewRecord(record);
    calstore::EventPtr saved;
    YearViewEventLoader::storeNewlyCreatedEventOnCalOnView(record->event(), calendar,
                                                           yearPageForDate(date()), &saved);
    takeSaved(record, saved);
    kit::perform(superview(), "revertSelection");
    setCursorRectsForEvent(record);
    openEditorForNewEvent(record);
    record->setIsNew(false);
}

void WeekdayView::addFulldayEvent() {
    const CalendarPtr calendar = calendarForNewEvents(false);
    if (!calendar) return;
    const EventDayPtr record = createNewFulldayEventDataInCalendar(calendar);
    if (!record) return;
    showNewRecord(record);
    calstore::EventPtr saved;
    YearViewEventLoader::updateEndTimeForEventOnCalOnView(
        record->event()->endDate(), record->event(), calendar, yearPageForDate(date()), &saved);
    takeSaved(record, saved);
    kit::perform(superview(), "revertSelection");
    setCursorRectsForEvent(record);
    openEditorForNewEvent(record);
    record->setIsNew(false);
}

void WeekdayView::emptyDoubleClick(const QPointF& locationInWindow) {
    if (!eventsView_) return;
    const QPointF p = convertPointFromView(locationInWindow, nullptr);
    const double y = p.y() - eventsView_->frame().y();
    const double slot = std::floor(y * 2 / hourHeight());
    createNewEventAtHour(24 - (slot / 2 + 0.5));
}

void WeekdayView::startDraggingNewEventFrom(const QPointF& locationInWindow) {
    if (!eventsView_) return;
    const QPointF p = convertPointFromView(locationInWindow, nullptr);
    const QPointF inArea(p.x(), p.y() - eventsView_->frame().y());
    const CalendarPtr calendar = calendarForNewEvents(false);
    if (!calendar) return;
    const double slot = std::floor(inArea.y() * 2 / hourHeight());
    const EventDayPtr record = createNewEventDataAtTimeInCalendar(24 - (slot / 2 + 0.5), calendar);
    if (!record) return;
    if (MainWindowCtrl* ctrl = mainWindow())
        ctrl->addCurrentCreationEventUID(record->event()->uid());
    showNewRecord(record);
    dragEndDateOfEventFrom(record, inArea);
}

// -- Edge drags --------------------------------------------------------------------------

void WeekdayView::startDraggingEventFrom(const EventDayPtr& event,
                                         const QPointF& locationInWindow) {
    if (!event || !eventsView_) return;
    const QPointF p = convertPointFromView(locationInWindow, nullptr);
    const QPointF inArea(p.x(), p.y() - eventsView_->frame().y());
    switch (eventsView_->operationForDragAtPoint(inArea)) {
        case WDEventsView::DragStart:
            dragStartDateOfEventFrom(event, inArea);
            break;
        case WDEventsView::DragEnd:
            dragEndDateOfEventFrom(event, inArea);
            break;
        case WDEventsView::DragMove:
            event->setDragStartX(float(locationInWindow.x()));
            event->setDragStartY(float(locationInWindow.y()));
            event->setViewOffsetY(float(eventsView_->frame().y()));
            kit::perform(superview(), "startDraggingEvent", event);
            break;
        default:
            break;
    }
}

bool WeekdayView::trackEdgeDrag(const EventDayPtr& event, const QPointF& from,
                                const std::function<bool(double hours, double y)>& follow) {
    closeEventHover(this);
    setCurrentlyDraggedEvent(event);
    kit::Cursor::resizeUpDownCursor().push();
    bool committed = true;
    kit::Window* win = window();
    // Without a window nothing can move: the drag ends where it began.
    while (win) {
        const auto next = nextEventOfPress(win);
        if (!next || next->isMouseUp()) break;
        if (next->type() == kit::EventType::KeyDown) {
            committed = false;
            break;
        }
        const double y =
            convertPointFromView(next->locationInWindow(), nullptr).y() - eventsView_->frame().y();
        if (follow(snapToQuarter((from.y() - y) / hourHeight()), y)) eventsView_->forcedRedraw();
    }
    kit::Cursor::pop();
    kit::Cursor::arrowCursor().set();
    setCurrentlyDraggedEvent(nullptr);
    return committed;
}

void WeekdayView::dragStartDateOfEventFrom(const EventDayPtr& event, const QPointF& from) {
    if (!event || !event->event() || !eventsView_) return;
    const calstore::EventPtr stored = event->event();
    const double length = stored->startDate().secsTo(stored->endDate()) / 3600.0;
    const double S = hoursOf(stored->startDate());
    const double f = offGrid(S);
    // The start stays at least half an hour before the end.
    const double latest = std::max(0.0, length - 0.5);
    double offset = f;
    const bool committed = trackEdgeDrag(event, from, [&](double q, double) {
        offset = std::min(q + f, latest);
        tempHourOffsetStart_ = float(offset);
        return true;
    });
    if (!committed) {
        eventsView_->setNeedsDisplay();
        return;
    }
    HourMinute t = wholeQuarter(snapToQuarter(S + offset));
    if (t.hour < 0) t = {0, 0};
    if (t.hour >= 24 || (t.hour == 23 && t.minute > 30)) t = {23, 30};
    const QDateTime start = onDay(MyDate::dateWithNSDate(stored->startDate()), t);
    // A handle that came back to where the edge is leaves the event as it is.
    if (start != stored->startDate()) {
        calstore::EventPtr saved;
        YearViewEventLoader::updateStartTimeForEventOnCalOnView(start, stored, event->calendar(),
                                                                yearPageForDate(date()), &saved);
        takeSaved(event, saved);
    }
    kit::perform(superview(), "revertSelection");
    recalcCursorRectForEvent(event);
    event->setIsNew(false);
}

void WeekdayView::dragEndDateOfEventFrom(const EventDayPtr& event, const QPointF& from) {
    if (!event || !event->event() || !eventsView_) return;
    const calstore::EventPtr stored = event->event();
    const MyDatePtr day = date();
    const double hh = hourHeight();
    const double length = stored->startDate().secsTo(stored->endDate()) / 3600.0;
    // An end at the next midnight is 24:00 of this day, not 0:00 of the next.
    const MyDatePtr dayStart = day ? day->startOfDay() : nullptr;
    const QDateTime nextMidnight =
        dayStart ? dayStart->nextDay()->startOfDay()->nsDate() : QDateTime();
    const bool endsAtMidnight = dayStart && stored->endDate() == nextMidnight;
    const double E = endsAtMidnight ? 24.0 : hoursOf(stored->endDate());
    const double f = offGrid(E);
    const double line = (24 - E) * hh;
    // The end stays at least half an hour after the start.
    const double earliest = 0.5 - length;
    const bool isNew = event->isNew();
    bool following = !isNew;
    double startY = from.y();
    double offset = f;
    const bool committed = trackEdgeDrag(event, from, [&](double, double y) {
        // A new event's end waits until the pointer comes down to its line.
        if (!following) {
            if (y > line) return false;
            following = true;
            startY = line;
        }
        offset = std::max(snapToQuarter((startY - y) / hh) + f, earliest);
        tempHourOffsetEnd_ = float(offset);
        return true;
    });
    if (!committed) {
        if (isNew) {
            if (MainWindowCtrl* ctrl = mainWindow()) ctrl->endCurrentCreatedEventUID(stored->uid());
            kit::perform(superview(), "selectionGotDeleted");
            // The cell forgets the record that was never stored.
            if (yvcell_) yvcell_->removeEventWithUID(stored->uid());
            setYVCell(yvcell_);
            forceRedraw();
        } else {
            recalcCursorRectForEvent(event);
        }
        eventsView_->setNeedsDisplay();
        return;
    }
    HourMinute t = wholeQuarter(snapToQuarter(E + offset));
    const bool pastTheDay = t.hour >= 24;
    if (pastTheDay) t = {23, 59};
    if (t.hour < 0 || (t.hour == 0 && t.minute < 30)) t = {0, 30};
    const MyDatePtr endDay = endsAtMidnight ? day : MyDate::dateWithNSDate(stored->endDate());
    QDateTime end = onDay(endDay, t);
    // An end already at midnight stays there rather than moving back to 23:59.
    if (pastTheDay && endsAtMidnight) end = stored->endDate();

    calstore::EventPtr saved;
    if (isNew) {
        stored->setEndDate(end);
        YearViewEventLoader::storeNewlyCreatedEventOnCalOnView(stored, event->calendar(),
                                                               yearPageForDate(day), &saved);
        takeSaved(event, saved);
        openEditorForNewEvent(event);
        // Stored now like any other: a later deletion removes it from the store.
        event->setIsNew(false);
    } else if (end != stored->endDate()) {
        YearViewEventLoader::updateEndTimeForEventOnCalOnView(end, stored, event->calendar(),
                                                              yearPageForDate(day), &saved);
        takeSaved(event, saved);
    }
    kit::perform(superview(), "revertSelection");
    recalcCursorRectForEvent(event);
}

// -- Events moved across the columns ------------------------------------------------------

void WeekdayView::setDraggedEvent(const EventDayPtr& event, const calstore::EventPtr& replaces) {
    setCurrentlyDraggedEvent(event);
    eventsBeforeDrag_ = events_;
    if (!event) return;
    std::vector<EventDayPtr> copy;
    for (const EventDayPtr& record : events_) {
        const calstore::EventPtr& e = record ? record->event() : nullptr;
        const bool sameOccurrence =
            replaces && e && e->uid() == replaces->uid() && e->startDate() == replaces->startDate();
        if (record != event && !sameOccurrence) copy.push_back(record);
    }
    copy.push_back(event);
    events_ = std::move(copy);
}

void WeekdayView::resetDraggedEvent(bool restore) {
    if (restore) {
        events_ = std::move(eventsBeforeDrag_);
        eventsBeforeDrag_.clear();
        setCurrentlyDraggedEvent(nullptr);
        return;
    }
    eventsBeforeDrag_.clear();
    const EventDayPtr event = currentlyDraggedEvent_;
    const MyDatePtr day = date();
    if (event && event->event() && day) {
        const MyDatePtr dayStart = day->startOfDay();
        const QDateTime start0 = dayStart->nsDate();
        // The next midnight: days of clock changes have 23 or 25 hours.
        const QDateTime end0 = dayStart->nextDay()->startOfDay()->nsDate();
        if (start0 >= event->event()->endDate() || event->event()->startDate() >= end0) {
            std::vector<EventDayPtr> copy;
            for (const EventDayPtr& record : events_)
                if (record != event) copy.push_back(record);
            events_ = std::move(copy);
        }
    }
    setCurrentlyDraggedEvent(nullptr);
}
