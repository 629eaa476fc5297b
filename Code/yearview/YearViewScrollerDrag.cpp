// Dragging and swiping the year pages, and the slide that ends both.

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/Application.h"
#include "platform/kit/Cursor.h"
#include "platform/kit/Window.h"
#include "yearview/YVPIAnimation.h"
#include "yearview/YVPageIndicator.h"
#include "yearview/YearView.h"
#include "yearview/YearViewScroller.h"

#include <algorithm>
#include <cmath>
#include <thread>

using kit::Event;
using kit::EventType;

namespace {

// The direction the pages change in: the release must be far enough away and
// the last movement must point the way the pages went; 0 takes them back.
float decideDirection(double offset, float direction) {
    if (offset > -YearViewScroller::kPageChangeThreshold &&
        offset < YearViewScroller::kPageChangeThreshold)
        return 0;
    if (offset > 0 && direction < 0) return 0;
    if (offset < 0 && direction > 0) return 0;
    return direction;
}

}  // namespace

void YearViewScroller::mouseDown(const Event& event) {
    const QPointF p = convertPointFromView(event.locationInWindow(), nullptr);
    if (kit::Window* w = window()) w->makeFirstResponder(this);
    if (pointInCountingHandle(p) || p.y() <= kBarHeight) {
        trackSplitterDrag(event, pointInCountingHandle(p));
        return;
    }
    startDraggingYearViewFrom(event.locationInWindow());
}

void YearViewScroller::startDraggingYearViewFrom(const QPointF& start) {
    if (!gui_yearView1) return;
    const float w = float(frame().width());
    const double maxOffset = double(w) - kPageMaxInset;
    QRectF startFrames[3];
    for (int slot = 0; slot < 3; ++slot) startFrames[slot] = yearView(slot)->frame();
    double offset = 0;
    float previousDx = 0;
    if (gui_pageIndicator) gui_pageIndicator->centerIndicator();
    gui_yearView1->deHighlightAll();

    kit::Cursor::closedHandCursor().push();
    viewWillStartLiveMove();
    auto& app = kit::Application::shared();
    const kit::EventMask mask =
        kit::EventMasks::LeftMouseUp | kit::EventMasks::LeftMouseDragged | kit::EventMasks::KeyDown;
    for (;;) {
        const std::optional<Event> next = app.nextEventMatchingMask(mask);
        if (!next || next->type() == EventType::LeftMouseUp) break;
        if (next->type() == EventType::KeyDown) {
            if (next->keyCode() == kit::KeyCodes::Escape) {
                lastViewDragDirection_ = 0;
                break;
            }
            continue;
        }
        const float dx = float(next->locationInWindow().x() - start.x());
        if (dx > previousDx) lastViewDragDirection_ = 1;
        if (dx < previousDx) lastViewDragDirection_ = -1;
        offset = std::clamp(double(dx), -maxOffset, maxOffset);
        for (int slot = 0; slot < 3; ++slot)
            yearView(slot)->setFrame(startFrames[slot].translated(offset, 0));
        if (gui_pageIndicator) gui_pageIndicator->moveIndicatorTo(offset / w);
        if (kit::View* split = superview() ? superview()->superview() : nullptr) split->display();
        previousDx = dx;
    }
    lastViewDragDirection_ = decideDirection(offset, lastViewDragDirection_);
    if (offset != 0) finishDraggingYearView();
    if (gui_pageIndicator) gui_pageIndicator->centerIndicator();
    viewDidEndLiveMove();
    kit::Cursor::pop();
    if (lastViewDragDirection_ != 0) rotatePages(lastViewDragDirection_);
    lastViewDragDirection_ = 0;
    focusCentrePage();
}

void YearViewScroller::finishDraggingYearView() {
    const float w = float(frame().width());
    double x[3] = {-w, 0, w};
    if (lastViewDragDirection_ > 0) {
        x[0] = 0, x[1] = w, x[2] = 2.0 * w;
    } else if (lastViewDragDirection_ < 0) {
        x[0] = -2.0 * w, x[1] = -w, x[2] = 0;
    }
    std::vector<kit::ViewAnimation::Entry> entries;
    for (int slot = 0; slot < 3; ++slot) {
        YearView* page = yearView(slot);
        if (!page) continue;
        QRectF end = page->frame();
        end.moveLeft(x[slot]);
        entries.push_back({page, page->frame(), end});
    }
    YVPIAnimation animation(entries);
    animation.setAnimationBlockingMode(kit::Animation::BlockingMode::Blocking);
    animation.setDuration(kSlideDuration);
    animation.setAnimationCurve(kit::Animation::Curve::EaseIn);
    animation.setPageIndicator(gui_pageIndicator);
    if (lastViewDragDirection_ == 0) animation.setAnimationReverts(true);
    animation.startAnimation();
}

void YearViewScroller::rotatePages(float direction) {
    const float w = float(frame().width());
    gui_yearView1->deHighlightAll();
    YearViewCell::deselectAll();
    if (direction > 0) {
        dropPage(gui_yearView2);
        gui_yearView2 = gui_yearView1;
        gui_yearView1 = gui_yearView0;
        gui_yearView0 = preparePage(gui_yearView1->year() - 1, 0, gui_yearView1->innerFrame());
        gui_yearView2->drawOffscreenInBackground();
        gui_yearView0->initialDraw();
    } else {
        dropPage(gui_yearView0);
        gui_yearView0 = gui_yearView1;
        gui_yearView1 = gui_yearView2;
        gui_yearView2 = preparePage(gui_yearView1->year() + 1, 2, gui_yearView1->innerFrame());
        gui_yearView0->drawOffscreenInBackground();
        gui_yearView2->initialDraw();
    }
    (void)w;
    for (int slot = 0; slot < 3; ++slot) yearView(slot)->setFrame(slotFrame(slot));
    applyMenusAndVisibility();
}

// -- Swipes

void YearViewScroller::touchesBeganWithEvent(const Event& event) {
    if (touches.begin(event) > 2 && isTrackingTouches_) cancelTouchTracking();
}

void YearViewScroller::touchesMovedWithEvent(const Event& event) {
    if (!touches.move(event)) {
        cancelTouchTracking();
        return;
    }
    touchLatestDeltaX = touchDelta().x();
    if (!isTrackingTouches_) {
        if (touchLatestDeltaX != 0) {
            isTrackingTouches_ = true;
            beginTouchTracking();
        }
    } else {
        startUpdatingTouchTracking();
    }
}

void YearViewScroller::touchesEndedWithEvent(const Event& event) {
    if (kit::TouchPair::endsPair(event)) cancelTouchTracking();
}

void YearViewScroller::touchesCancelledWithEvent(const Event&) {
    cancelTouchTracking();
}

QPointF YearViewScroller::touchDelta() const {
    return touches.movedBy();
}

// Scroll gestures with phases: a horizontal one is a swipe of the pages.
void YearViewScroller::scrollWheel(const Event& event) {
    scrollSwipe.handle(event, {
                                  [&] { kit::View::scrollWheel(event); },
                                  [this](double deltaX) { touchLatestDeltaX = deltaX; },
                                  [this] { return isTrackingTouches_; },
                                  [this] {
                                      isTrackingTouches_ = true;
                                      beginTouchTracking();
                                  },
                                  [this] { startUpdatingTouchTracking(); },
                                  [this] { cancelTouchTracking(); },
                              });
}

// A native swipe turns one year at once.
void YearViewScroller::swipeWithEvent(const Event& event) {
    if (!gui_yearView1 || isTrackingTouches_ || event.deltaX() == 0) return;
    moveViewsToYear(gui_yearView1->year() + (event.deltaX() > 0 ? -1 : 1));
}

void YearViewScroller::beginTouchTracking() {
    kit::Cursor::hide();
    viewWillStartLiveMove();
    touchRedrawActive_ = false;
    touchLastSwipeDeltaX_ = 0;
    touchSwipeMaxX = frame().width() - kPageMaxInset;
    for (int slot = 0; slot < 3; ++slot)
        touchSwipeStartingViewRect[slot] = yearView(slot) ? yearView(slot)->frame() : QRectF();
    if (gui_pageIndicator) gui_pageIndicator->centerIndicator();
}

void YearViewScroller::startUpdatingTouchTracking() {
    if (touchRedrawActive_ || !isTrackingTouches_) return;
    touchRedrawActive_ = true;
    touchLastSwipeDirection = 0;
    startTouchUpdate();
}

// The offset is worked out on a thread of its own; the frames, the indicator
// and the redraw are applied on the main thread, only while the swipe that
// asked for them is still tracked.
void YearViewScroller::startTouchUpdate() {
    const double delta = touchLatestDeltaX;
    const double last = touchLastSwipeDeltaX_;
    const double maxX = touchSwipeMaxX;
    const quint64 generation = touchGeneration;
    QPointer<YearViewScroller> self(this);
    foundation::startThread([self, delta, last, maxX, generation] {
        const double v = delta * kSwipeGain;
        const float dragDirection = v > 0 ? 1.0f : (v < 0 ? -1.0f : 0.0f);
        float swipeDirection = 0;
        if (v < last) swipeDirection = -1;
        if (v > last) swipeDirection = 1;
        const double offset = std::clamp(v, -maxX, maxX);
        foundation::onMain([self, generation, offset, dragDirection, swipeDirection, delta] {
            if (self)
                self->applyTouchUpdate(generation, offset, dragDirection, swipeDirection, delta);
        });
    });
}

void YearViewScroller::applyTouchUpdate(quint64 generation, double offset, float dragDirection,
                                        float swipeDirection, double appliedDelta) {
    if (generation != touchGeneration || !isTrackingTouches_) return;
    lastViewDragDirection_ = dragDirection;
    if (swipeDirection != 0) touchLastSwipeDirection = swipeDirection;
    touchLastSwipeDeltaX_ = offset;
    for (int slot = 0; slot < 3; ++slot)
        if (YearView* page = yearView(slot))
            page->setFrame(touchSwipeStartingViewRect[slot].translated(offset, 0));
    const double width = touchSwipeStartingViewRect[1].width();
    if (gui_pageIndicator && width > 0) gui_pageIndicator->moveIndicatorTo(offset / width);
    if (kit::View* split = superview() ? superview()->superview() : nullptr)
        split->setNeedsDisplay(true);
    touchRedrawActive_ = false;
    // Moves that came while this update ran: one more update with the newest.
    if (touchLatestDeltaX != appliedDelta) startUpdatingTouchTracking();
}

void YearViewScroller::cancelTouchTracking() {
    if (!isTrackingTouches_) return;
    ++touchGeneration;  // an update still running is dropped
    const double s = touchLastSwipeDeltaX_;
    float direction = lastViewDragDirection_;
    if (s > -kPageChangeThreshold && s < kPageChangeThreshold) direction = 0;
    if (direction > 0 && touchLastSwipeDirection < 0) direction = 0;
    if (direction < 0 && touchLastSwipeDirection > 0) direction = 0;
    lastViewDragDirection_ = direction;
    if (s != 0) finishDraggingYearView();
    if (gui_pageIndicator) gui_pageIndicator->centerIndicator();
    viewDidEndLiveMove();
    if (direction != 0) {
        rotatePages(direction);
        lastViewDragDirection_ = 0;
        focusCentrePage();
    }
    lastViewDragDirection_ = 0;
    touchRedrawActive_ = false;
    kit::Cursor::unhide();
    isTrackingTouches_ = false;
    touches.clear();
}
