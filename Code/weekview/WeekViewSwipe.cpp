// Moving the week by hand: the press on the view itself (a week of the
// year's bar, the corner that changes the mode, or a drag of the whole row),
// the modal drag, and the two-finger swipe. Both gestures pull the days of
// the next step into view by at most three quarters of a column and, on
// release, either complete the move or fall back.
//
// A swipe's offsets are worked out on a thread of their own; the columns
// move on the main thread only, always to the newest offset, and only while
// the swipe that asked for them is still tracked.

#include "weekview/WeekView.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/Cursor.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Window.h"
#include "weekview/WeekdayView.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kLiveSlideDuration = 0.4;
constexpr double kLiveSlideFrameRate = 40;
// A drag or swipe moves the columns at most this part of a column; a fifth
// of it is the least that moves the week.
constexpr double kMaxPull = 0.75;
constexpr double kCornerHotSpot = 24.0;

int signOf(double v) {
    return v > 0 ? 1 : (v < 0 ? -1 : 0);
}

}  // namespace

// -- The press

void WeekView::mouseDown(const kit::Event& event) {
    if (kit::Window* w = window()) w->makeFirstResponder(this);
    const QPointF p = convertPointFromView(event.locationInWindow(), nullptr);

    if (showRelativeInYear_) {
        const Bar bar = relativeBar();
        if (bar.left < p.x() && p.x() < bar.right && bar.bottom < p.y() && p.y() < bar.bottom + 8 &&
            bar.slot > 0) {
            selectEvent(nullptr);
            showCalendarWeek(int(std::floor((p.x() - bar.left) / bar.slot)) + 1);
            return;
        }
    }
    const double sw = gui_vScroller_ ? kit::width(gui_vScroller_->bounds()) : 0.0;
    const double r = kit::minX(bounds()) + kit::width(bounds()) - sw;
    if (r - kCornerHotSpot < p.x() && p.x() < r && p.y() < kCornerHotSpot) {
        nextDisplayMode();
        return;
    }
    selectEvent(nullptr);
    startDraggingWeekViewFrom(event.locationInWindow());
    kit::View::mouseDown(event);
}

// -- The slide a drag or swipe moves by hand

std::unique_ptr<WeekViewAnimation> WeekView::prepareLiveSlide(int direction, MyDatePtr& newRef,
                                                              std::vector<WeekdayView*>& set) {
    newRef = nextReferenceDateInDirection(direction);
    set.clear();
    if (!newRef) return nullptr;
    const int off = dateOffsetFromTo(referenceDate_, newRef);
    set = createSlideSetForRefDate(newRef, off);
    auto animation =
        std::make_unique<WeekViewAnimation>(kLiveSlideDuration, kit::Animation::Curve::EaseIn);
    animation->setFrameRate(kLiveSlideFrameRate);
    animation->setAnimationBlockingMode(kit::Animation::BlockingMode::Blocking);
    animation->setConfiguration(prepareAnimationConfigFor(set, off));
    for (WeekdayView* column : set) column->willStartLiveMove();
    return animation;
}

void WeekView::endLiveSlide(const std::vector<WeekdayView*>& set, bool commit,
                            const MyDatePtr& newRef) {
    for (WeekdayView* column : set) column->didEndLiveMove();
    if (commit && newRef && !set.empty()) {
        adoptSlideSet(set, dateOffsetFromTo(referenceDate_, newRef));
        setReferenceDate(newRef);
    } else {
        for (WeekdayView* column : set) {
            if (std::find(viewSet_.begin(), viewSet_.end(), column) != viewSet_.end()) continue;
            column->removeFromSuperview();
            column->deleteLater();
        }
    }
    repositionViewsDuringResize();
    centerIndicator();
}

// -- The modal drag

void WeekView::startDraggingWeekViewFrom(const QPointF& start) {
    lastViewDragDirection_ = 0;
    const int n = std::max(1, numberOfDaysInDisplay());
    const double limit = kMaxPull * kit::width(innerRectForDrawing()) / n;
    const double threshold = limit / 5;
    double dx = 0, previousDx = 0;
    std::unique_ptr<WeekViewAnimation> animation;
    std::vector<WeekdayView*> set;
    MyDatePtr newRef;

    kit::Cursor::closedHandCursor().push();
    setInModalGesture(true);
    sliding_ = true;
    kit::Window* win = window();
    while (win) {
        const auto next = WeekdayView::nextEventOfPress(win);
        if (!next || next->isMouseUp()) break;
        if (next->type() == kit::EventType::KeyDown) {  // Escape
            lastViewDragDirection_ = 0;
            break;
        }
        previousDx = dx;
        dx = start.x() - next->locationInWindow().x();
        if (!animation) {
            lastViewDragDirection_ = signOf(dx);
            if (lastViewDragDirection_ == 0) continue;
            dotDirection_ = lastViewDragDirection_;
            animation = prepareLiveSlide(lastViewDragDirection_, newRef, set);
            if (!animation) {
                lastViewDragDirection_ = 0;
                continue;
            }
        } else if (signOf(dx) == -dotDirection_) {
            // Never past the start into the other direction.
            dx = 0;
        }
        if (dx > previousDx) lastViewDragDirection_ = 1;
        if (dx < previousDx) lastViewDragDirection_ = -1;
        animation->draggedBy(std::clamp(dx, -limit, limit));
    }
    kit::Cursor::pop();

    if (std::abs(dx) < threshold) lastViewDragDirection_ = 0;
    const bool commit = dotDirection_ != 0 && lastViewDragDirection_ == dotDirection_;
    if (commit) eventSetHasChanged_ = true;
    if (animation) {
        if (dx != 0) animation->finishAnimationWithRevert(!commit);
        endLiveSlide(set, commit, newRef);
    } else {
        centerIndicator();
    }
    sliding_ = false;
    setInModalGesture(false);
}

// -- Two-finger swipes

void WeekView::touchesBeganWithEvent(const kit::Event& event) {
    if (touches_.begin(event) > 2 && isTrackingTouches_) cancelTouchTracking();
}

void WeekView::touchesMovedWithEvent(const kit::Event& event) {
    if (isScrollSwiping_) return;
    if (!touches_.move(event)) {
        cancelTouchTracking();
        return;
    }
    const QPointF delta = touchDelta();
    touchLatestDeltaX_ = delta.x();
    if (isTrackingTouches_) {
        startUpdatingTouchTracking();
    } else if (std::abs(delta.y()) > std::abs(delta.x())) {
        isScrollSwiping_ = true;
    } else if (std::abs(delta.x()) > 1) {
        isTrackingTouches_ = true;
        beginTouchTracking();
    }
}

void WeekView::touchesEndedWithEvent(const kit::Event& event) {
    if (kit::TouchPair::endsPair(event)) cancelTouchTracking();
}

void WeekView::touchesCancelledWithEvent(const kit::Event&) {
    cancelTouchTracking();
}

// Positive x when the fingers moved left, pulling the next days in.
QPointF WeekView::touchDelta() const {
    const QPointF moved = touches_.movedBy();
    return QPointF(-moved.x(), moved.y());
}

// Horizontal scroll gestures with phases stand in for the touches; one that
// begins more vertical than horizontal scrolls the hours to its end.
void WeekView::scrollWheel(const kit::Event& event) {
    scrollSwipe_.handle(event, {
                                   [&] {
                                       isScrollSwiping_ = scrollSwipe_.isScrolling();
                                       scrollHoursWithWheel(event);
                                   },
                                   // Fingers moving left pull the next days in.
                                   [this](double deltaX) { touchLatestDeltaX_ = -deltaX; },
                                   [this] { return isTrackingTouches_; },
                                   [this] {
                                       isTrackingTouches_ = true;
                                       beginTouchTracking();
                                   },
                                   [this] { startUpdatingTouchTracking(); },
                                   [this] { cancelTouchTracking(); },
                               });
}

void WeekView::beginTouchTracking() {
    kit::Cursor::hide();
    setInModalGesture(true);
    sliding_ = true;
    touchRedrawActive_ = false;
    touchLastSwipeDeltaX_ = 0;
    lastViewDragDirection_ = 0;
    touchSwipeMaxX_ =
        kMaxPull * kit::width(innerRectForDrawing()) / std::max(1, numberOfDaysInDisplay());
    const int direction = signOf(touchLatestDeltaX_);
    lastViewDragDirection_ = direction;
    if (direction == 0) return;
    dotDirection_ = direction;
    touchSwipeAnim_ = prepareLiveSlide(direction, touchNewRefDate_, touchSlideSet_);
}

void WeekView::startUpdatingTouchTracking() {
    if (touchRedrawActive_ || !isTrackingTouches_ || !touchSwipeAnim_) return;
    touchRedrawActive_ = true;
    touchLastSwipeDirection_ = 0;
    const double latest = touchLatestDeltaX_;
    const double lastOffset = touchLastSwipeDeltaX_;
    const int dragDirection = lastViewDragDirection_;
    const double maxX = touchSwipeMaxX_;
    const quint64 generation = touchGeneration_;
    QPointer<WeekView> self(this);
    foundation::startThread([self, latest, lastOffset, dragDirection, maxX, generation] {
        const SwipeStep step = swipeStepFor(latest, lastOffset, dragDirection, maxX, 0);
        foundation::onMain([self, generation, step, latest] {
            if (self) self->applyTouchUpdate(generation, step, latest);
        });
    });
}

WeekView::SwipeStep WeekView::swipeStepFor(double latestDeltaX, double lastOffset,
                                           int dragDirection, double maxX, int lastDirection) {
    double d = 2 * latestDeltaX;
    if (signOf(d) == -dragDirection) d = 0;
    SwipeStep step;
    step.direction = lastDirection;
    if (lastOffset > d) step.direction = -1;
    if (d > lastOffset) step.direction = 1;
    step.offset = std::clamp(d, -maxX, maxX);
    return step;
}

void WeekView::applyTouchUpdate(quint64 generation, SwipeStep step, double appliedDelta) {
    // An update of a swipe that has ended since moves nothing: the column
    // set it was worked out for is gone.
    if (generation != touchGeneration_ || !isTrackingTouches_ || !touchSwipeAnim_) return;
    touchLastSwipeDirection_ = step.direction;
    touchLastSwipeDeltaX_ = step.offset;
    touchSwipeAnim_->draggedBy(step.offset);
    touchRedrawActive_ = false;
    // Movements that came meanwhile: one more update with the newest.
    if (touchLatestDeltaX_ != appliedDelta) startUpdatingTouchTracking();
}

void WeekView::cancelTouchTracking() {
    isScrollSwiping_ = false;
    if (!isTrackingTouches_) return;
    ++touchGeneration_;
    const double d = 2 * touchLatestDeltaX_;
    const double threshold = touchSwipeMaxX_ / 5;
    const bool commit = dotDirection_ != 0 && touchLastSwipeDirection_ == dotDirection_ && d != 0 &&
                        std::abs(d) >= threshold;
    if (commit) eventSetHasChanged_ = true;
    if (d != 0 && touchSwipeAnim_) touchSwipeAnim_->finishAnimationWithRevert(!commit);
    endLiveSlide(touchSlideSet_, commit, touchNewRefDate_);
    kit::Cursor::unhide();
    isTrackingTouches_ = false;
    touchRedrawActive_ = false;
    touchSwipeAnim_.reset();
    touchSlideSet_.clear();
    touchNewRefDate_.reset();
    touchLatestDeltaX_ = 0;
    touchLastSwipeDirection_ = 0;
    touches_.clear();
    sliding_ = false;
    setInModalGesture(false);
}
