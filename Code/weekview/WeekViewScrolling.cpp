// Hour scrolling of the week view: one scroll fraction (0 the top of the
// day, 1 its end) shared by all columns, set by the scroller, the wheel with
// its soft bounce at the ends of the range the shown events need, and the
// operations that bring an hour into view; and the view's keys.

#include "weekview/WeekView.h"

#include "platform/kit/Cursor.h"
#include "platform/kit/Event.h"
#include "platform/kit/ViewAnimation.h"
#include "platform/kit/Window.h"
#include "platform/store/Event.h"
#include "weekview/WDEventsView.h"
#include "weekview/WeekScrollAnimation.h"
#include "weekview/WeekViewScroller.h"
#include "weekview/WeekdayView.h"

#include <algorithm>

namespace {

constexpr double kPageStep = 0.3;
constexpr double kMaxWheelDelta = 10.0;
constexpr double kWheelDivisor = 150.0;
constexpr double kBounceOvershoot = 0.05;
constexpr double kBounceQuiet = 0.5;  // seconds after a bounce that out-of-range events are dropped

std::function<double()>& clockFunction() {
    static std::function<double()> clock;
    return clock;
}

}  // namespace

void WeekView::setClock(std::function<double()> clock) {
    clockFunction() = std::move(clock);
}

double WeekView::now() {
    const auto& clock = clockFunction();
    return clock ? clock() : kit::Event::systemUptime();
}

void WeekView::scrollWheelProgress(double fraction) {
    if (viewSet_.empty()) return;
    const WeekdayView* first = viewSet_.front();
    const double y = first->yPosForScrollPercent(fraction);
    shownHour_ = first->hourForScrollPercent(fraction);
    if (gui_vScroller_) gui_vScroller_->setDoubleValue(fraction);
    for (WeekdayView* column : viewSet_) column->setEventsViewYpos(y);
    display();
}

// The columns' hour areas move; the scroller is left to the caller.
void WeekView::scrollToHourAnimate(double hour, bool animate) {
    shownHour_ = hour;
    if (viewSet_.empty()) return;
    const WeekdayView* first = viewSet_.front();
    const double y = first->yPosForScrollPercent(first->scrollPercentForHour(hour));
    if (!animate) {
        for (WeekdayView* column : viewSet_) column->setEventsViewYpos(y);
        return;
    }
    std::vector<kit::ViewAnimation::Entry> entries;
    for (WeekdayView* column : viewSet_) {
        WDEventsView* events = column->eventsView();
        if (!events) continue;
        QRectF end = events->frame();
        end.moveTop(y);
        entries.push_back({events, events->frame(), end, kit::ViewAnimation::Effect::None});
    }
    kit::ViewAnimation animation(entries);
    animation.setDuration(0.5);
    animation.setAnimationCurve(kit::Animation::Curve::EaseInOut);
    animation.setAnimationBlockingMode(kit::Animation::BlockingMode::Blocking);
    animation.startAnimation();
}

void WeekView::scrollToStartOfDay() {
    scrollToHourAnimate(workdayStart_, true);
}

void WeekView::runScrollAnimation(double from, double to, double duration) {
    WeekScrollAnimation animation(duration, kit::Animation::Curve::EaseIn);
    animation.setFrameRate(20);
    animation.setAnimationBlockingMode(kit::Animation::BlockingMode::Blocking);
    animation.setConfiguration({float(from), float(to), this});
    animation.startAnimation();
}

void WeekView::scrollAction(QObject*) {
    WeekViewScroller* scroller = gui_vScroller_;
    if (!scroller || viewSet_.empty()) return;
    using Part = kit::Scroller::Part;
    const Part part = scroller->hitPart();
    if (part == Part::NoPart) return;
    closeEventHover();
    const double v = scroller->doubleValue();
    const double s = viewSet_.front()->scrollDiffForHalfHour();
    double n = v;
    switch (part) {
        case Part::DecrementLine:
            n = v - s;
            break;
        case Part::IncrementLine:
            n = v + s;
            break;
        case Part::DecrementPage:
            n = v - kPageStep;
            break;
        case Part::IncrementPage:
            n = v + kPageStep;
            break;
        default:
            break;
    }
    n = std::clamp(n, 0.0, 1.0);
    if (part == Part::DecrementPage || part == Part::IncrementPage) {
        runScrollAnimation(v, n, 0.3);
        return;
    }
    scroller->setDoubleValue(n);
    display();
    if (!viewSet_.empty()) scrollToHourAnimate(viewSet_.front()->hourForScrollPercent(n), false);
}

void WeekView::discardPendingScrollWheelEvents() {
    if (kit::Window* win = window())
        while (win->nextEventMatchingMask(kit::EventMasks::ScrollWheel, 0.0)) {
        }
}

void WeekView::scrollHoursWithWheel(const kit::Event& event) {
    if (isTrackingTouches_) return;
    if (const auto& notify = services().eventHoverScrollNotify; notify && notify(event)) return;
    if (viewSet_.empty() || !gui_vScroller_) return;
    if (eventSetHasChanged_) calculateScrollBounds();
    double d = -event.deltaY();
    if (d == 0) return;
    if (accelerateScroll_ > 1) {
        accelerateScroll_ = std::min(accelerateScroll_, 10.0);
        d *= accelerateScroll_;
    }
    d = std::clamp(d, -kMaxWheelDelta, kMaxWheelDelta);
    const double v = gui_vScroller_->doubleValue();
    const double n = std::clamp(v + d / kWheelDivisor, 0.0, 1.0);
    const bool inRange = n > scrollMinBound_ && n < scrollMaxBound_;
    if (!(event.timestamp() - bounceTimeStamp_ > kBounceQuiet || inRange)) return;

    gui_vScroller_->setDoubleValue(n);
    display();
    scrollToHourAnimate(viewSet_.front()->hourForScrollPercent(n), false);

    const bool pastTop = d < 0 && n < scrollMinBound_;
    const bool pastBottom = d > 0 && n > scrollMaxBound_;
    if (pastTop || pastBottom) {
        const double b =
            pastTop ? std::max(0.0, n - kBounceOvershoot) : std::min(1.0, n + kBounceOvershoot);
        runScrollAnimation(v, b, 0.15);
        discardPendingScrollWheelEvents();
        runScrollAnimation(b, pastTop ? scrollMinBound_ : scrollMaxBound_, 0.3);
        discardPendingScrollWheelEvents();
        bounceTimeStamp_ = now();
    }
    kit::View::scrollWheel(event);
}

void WeekView::calculateScrollBounds() {
    if (viewSet_.empty()) return;
    double lo = 24, hi = 0;
    for (const WeekdayView* column : viewSet_) {
        lo = std::min<double>(lo, column->earliestEvent());
        hi = std::max<double>(hi, column->latestEvent());
    }
    lo = lo > workdayStart_ ? workdayStart_ : std::max(0.0, lo - 1);
    hi = workdayEnd_ > hi ? workdayEnd_ : std::min(24.0, hi + 1);
    const WeekdayView* first = viewSet_.front();
    scrollMinBound_ = first->scrollPercentForHour(lo);
    scrollMaxBound_ = std::max(first->maxScrollPercentForHour(hi), scrollMinBound_);
    eventSetHasChanged_ = false;
}

void WeekView::keyDown(const kit::Event& event) {
    const EventDayPtr selected = selection_;
    switch (event.keyCode()) {
        case kit::KeyCodes::Space:
            if (!selected) break;
            if (eventHoverIsOpen())
                closeEventHover();
            else
                openInfosForEvent(selected);
            return;
        case kit::KeyCodes::Delete:
            if (!selected) break;
            // One key press never removes every occurrence of a repeating event:
            // the user confirms that in the delete sheet first.
            if (selected->event() && selected->event()->isRecurring()) {
                if (const auto& sheet = services().eventDeleteSheet) sheet(this, selected);
            } else {
                selectionGotDeleted();
            }
            return;
        case kit::KeyCodes::Escape:
            if (eventHoverIsOpen())
                closeEventHover();
            else
                selectEvent(nullptr);
            kit::Cursor::arrowCursor().set();
            return;
        default:
            break;
    }
    kit::View::keyDown(event);
}
