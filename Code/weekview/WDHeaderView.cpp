#include "weekview/WDHeaderView.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Timer.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/TrackingArea.h"
#include "platform/kit/ViewAnimation.h"
#include "weekview/WeekView.h"
#include "weekview/WeekdayView.h"

namespace {

// The rows of an open flap: followed as soon as it has opened, with the
// pointer taken to be on them.
constexpr unsigned kOpenFlapOptions = kit::TrackingArea::MouseEnteredAndExited |
                                      kit::TrackingArea::ActiveInKeyWindow |
                                      kit::TrackingArea::AssumeInside;

foundation::ManualClock*& timerClock() {
    static foundation::ManualClock* clock = nullptr;
    return clock;
}

std::function<void(kit::Animation&)>& flapObserver() {
    static std::function<void(kit::Animation&)> observer;
    return observer;
}

}  // namespace

WDHeaderView::WDHeaderView(const QRectF& frame, kit::View* parent)
    : WDSubview(frame),
      wdv_(parent),
      hoverTimer_(std::make_unique<foundation::Timer>(timerClock())),
      dehoverTimer_(std::make_unique<foundation::Timer>(timerClock())) {}

// The timers go with the header, so that none fires for a header that is gone.
WDHeaderView::~WDHeaderView() = default;

void WDHeaderView::setTimerClock(foundation::ManualClock* clock) {
    timerClock() = clock;
}

void WDHeaderView::setFlapObserver(std::function<void(kit::Animation&)> observer) {
    flapObserver() = std::move(observer);
}

void WDHeaderView::setCollapsedHeight(double height) {
    collapsedHeight_ = height;
    if (isCollapsed_ && !inAnimation_) hangFromTop(height);
}

void WDHeaderView::setExpandedHeight(double height) {
    expandedHeight_ = height;
    if (!isCollapsed_ && !inAnimation_) hangFromTop(height);
}

void WDHeaderView::setIsCollapsed(bool collapsed) {
    isCollapsed_ = collapsed;
    if (!inAnimation_) hangFromTop(collapsed ? collapsedHeight_ : expandedHeight_);
}

void WDHeaderView::hangFromTop(double height) {
    kit::View* column = superview();
    if (!column) return;
    const QRectF bounds = column->bounds();
    setFrame(kit::makeRect(0, kit::height(bounds) - height, kit::width(bounds), height));
}

bool WDHeaderView::hoverPending() const {
    return hoverTimer_->isActive();
}

bool WDHeaderView::dehoverPending() const {
    return dehoverTimer_->isActive();
}

void WDHeaderView::mouseDown(const kit::Event& event) {
    if (inAnimation_ || expansionScheduled_) return;
    const double height = kit::height(bounds());
    const double y = convertPointFromView(event.locationInWindow(), nullptr).y();
    auto* column = qobject_cast<WeekdayView*>(wdv_);
    if (column && height > WeekdayView::kTitleHeight && y > 7 &&
        y < height - WeekdayView::kTitleHeight) {
        column->mouseDownInFulldayList(event);
        return;
    }
    foundation::log(QStringLiteral("click on header"));
}

void WDHeaderView::drawRect(kit::Graphics& g, const QRectF&) {
    if (auto* column = qobject_cast<WeekdayView*>(wdv_)) column->drawTitle(this, g);
}

// -- Hover areas ----------------------------------------------------------------------

void WDHeaderView::activateTracking(std::shared_ptr<kit::TrackingArea>& area, const QRectF& rect) {
    if (area) return;
    area = kit::TrackingArea::create(
        rect, kit::TrackingArea::MouseEnteredAndExited | kit::TrackingArea::ActiveInKeyWindow,
        this);
    addTrackingArea(area);
}

void WDHeaderView::activateBirthdayTrackingIn(const QRectF& rect) {
    activateTracking(birthdayTrackingArea_, rect);
}

void WDHeaderView::activateNotesTrackingIn(const QRectF& rect) {
    activateTracking(notesTrackingArea_, rect);
}

void WDHeaderView::activateFDEventsTrackingIn(const QRectF& rect) {
    activateTracking(fdeventsTrackingArea_, rect);
}

void WDHeaderView::resetHoverTracking() {
    for (auto* area : {&birthdayTrackingArea_, &notesTrackingArea_, &fdeventsTrackingArea_}) {
        if (*area) removeTrackingArea(*area);
        area->reset();
    }
    // The drawing places the rows' area only for a closed flap; an open one
    // keeps its enlarged area, or it would never close when the pointer leaves.
    if (!isCollapsed_ && expandedHeight_ > collapsedHeight_)
        replaceFDEventsTracking(openFlapRowsRect(), kOpenFlapOptions);
}

void WDHeaderView::replaceFDEventsTracking(const QRectF& rect, unsigned options) {
    if (fdeventsTrackingArea_) removeTrackingArea(fdeventsTrackingArea_);
    fdeventsTrackingArea_ = kit::TrackingArea::create(rect, options, this);
    addTrackingArea(fdeventsTrackingArea_);
}

QRectF WDHeaderView::openFlapRowsRect() const {
    return kit::makeRect(5, 7, kit::width(frame()) - 10,
                         expandedHeight_ - WeekdayView::kTitleHeight - 7);
}

QRectF WDHeaderView::rectOf(const std::shared_ptr<kit::TrackingArea>& area) {
    return area ? area->rect() : QRectF();
}

// -- Hover timing ---------------------------------------------------------------------

void WDHeaderView::cancelHover() {
    hoverTimer_->stop();
    // A flap opening that will not come leaves the rows free for clicks.
    if (enteredArea_ == kFulldayArea) expansionScheduled_ = false;
    enteredArea_ = kNoArea;
}

void WDHeaderView::cancelDehover() {
    dehoverTimer_->stop();
    if (dehoverArea_ == kFulldayArea) expansionScheduled_ = false;
    dehoverArea_ = kNoArea;
}

void WDHeaderView::startHover(int area) {
    cancelHover();
    enteredArea_ = area;
    if (area == kFulldayArea) expansionScheduled_ = true;
    hoverTimer_->start(kHoverDelay, false, [this] { activateHover(); });
}

void WDHeaderView::startDehover(int area, void (WDHeaderView::*action)()) {
    dehoverTimer_->stop();
    dehoverArea_ = area;
    if (area == kFulldayArea) expansionScheduled_ = true;
    dehoverTimer_->start(kDehoverDelay, false, [this, action] { (this->*action)(); });
}

void WDHeaderView::mouseEntered(const kit::Event& event) {
    const auto area = event.trackingArea();
    if (!area) return;
    int entered = kNoArea;
    if (area == birthdayTrackingArea_)
        entered = kBirthdayArea;
    else if (area == notesTrackingArea_)
        entered = kNotesArea;
    else if (area == fdeventsTrackingArea_)
        entered = kFulldayArea;
    if (entered == kNoArea) return;
    // Back on an area whose closing is pending: what it shows stays.
    if (dehoverTimer_->isActive() && dehoverArea_ == entered) {
        cancelDehover();
        return;
    }
    if (entered == kFulldayArea && expandedHeight_ <= collapsedHeight_) {
        cancelHover();
        return;
    }
    startHover(entered);
}

void WDHeaderView::mouseExited(const kit::Event& event) {
    // Left before the opening: nothing was shown, so nothing closes.
    if (hoverTimer_->isActive()) {
        cancelHover();
        return;
    }
    const auto area = event.trackingArea();
    if (!area) return;
    if (area == birthdayTrackingArea_) {
        if (const auto& close = WeekView::services().birthdayHoverCloseWindow) close(this);
    } else if (area == notesTrackingArea_) {
        startDehover(kNotesArea, &WDHeaderView::deactivateNotesHover);
    } else if (area == fdeventsTrackingArea_) {
        // Only an open flap has anything to close.
        if (!isCollapsed_) startDehover(kFulldayArea, &WDHeaderView::deactivateFDEventsHover);
    }
}

void WDHeaderView::activateHover() {
    hoverTimer_->stop();
    const int area = enteredArea_;
    enteredArea_ = kNoArea;
    // Whatever opens now is shown; a closing still pending is not for it.
    if (dehoverTimer_->isActive() && dehoverArea_ == area) cancelDehover();
    auto* column = qobject_cast<WeekdayView*>(wdv_);
    const WeekView::Services& services = WeekView::services();
    switch (area) {
        case kBirthdayArea:
            if (column && birthdayTrackingArea_ && services.birthdayHoverShowWindow)
                services.birthdayHoverShowWindow(rectOf(birthdayTrackingArea_), this,
                                                 column->birthdaysText());
            break;
        case kNotesArea:
            if (column && notesTrackingArea_ && services.notesHoverShowWindow)
                services.notesHoverShowWindow(column->dataCell(), rectOf(notesTrackingArea_), this,
                                              column->notesText());
            break;
        case kFulldayArea:
            openFlapForFulldayEvents();
            // A flap that could not open takes clicks as before.
            expansionScheduled_ = false;
            break;
        default:
            break;
    }
}

void WDHeaderView::deactivateNotesHover() {
    dehoverTimer_->stop();
    dehoverArea_ = kNoArea;
    if (const auto& exited = WeekView::services().notesHoverTriggerRectExited) exited();
}

void WDHeaderView::deactivateFDEventsHover() {
    dehoverTimer_->stop();
    dehoverArea_ = kNoArea;
    expansionScheduled_ = false;
    closeFlapForFulldayEvents();
}

void WDHeaderView::dayChanged() {
    cancelHover();
    cancelDehover();
    expansionScheduled_ = false;
}

void WDHeaderView::addOrEditNoteForCellAtRect(const std::shared_ptr<YearViewCell>& cell,
                                              const QRectF& rect) {
    auto* column = qobject_cast<WeekdayView*>(wdv_);
    const QString text = column ? column->notesText() : QString();
    if (const auto& show = WeekView::services().notesHoverShowWindowInEditMode)
        show(cell, rect, this, text);
}

// -- The flap -------------------------------------------------------------------------

void WDHeaderView::moveFlap(double delta, double height) {
    inAnimation_ = true;
    const QRectF f = frame();
    kit::ViewAnimation animation(
        {{this, f, kit::makeRect(kit::minX(f), kit::minY(f) - delta, kit::width(f), height)}});
    animation.setDuration(kFlapDuration);
    animation.setAnimationCurve(kit::Animation::Curve::Linear);
    animation.setAnimationBlockingMode(kit::Animation::BlockingMode::Blocking);
    if (const auto& observe = flapObserver()) observe(animation);
    animation.startAnimation();
    inAnimation_ = false;
    expansionScheduled_ = false;
    // The marks of the title moved with the header's top edge; the next
    // drawing places their areas anew.
    for (auto* area : {&birthdayTrackingArea_, &notesTrackingArea_}) {
        if (*area) removeTrackingArea(*area);
        area->reset();
    }
    setNeedsDisplay();
}

void WDHeaderView::openFlapForFulldayEvents() {
    if (!isCollapsed_) return;
    isCollapsed_ = false;
    if (expandedHeight_ <= collapsedHeight_) return;
    moveFlap(expandedHeight_ - collapsedHeight_, expandedHeight_);
    // The pointer is on the rows that opened the flap.
    replaceFDEventsTracking(openFlapRowsRect(), kOpenFlapOptions);
}

void WDHeaderView::closeFlapForFulldayEvents() {
    if (isCollapsed_) return;
    isCollapsed_ = true;
    if (expandedHeight_ <= collapsedHeight_) return;
    // A closing still pending has been done by this one.
    if (dehoverArea_ == kFulldayArea) cancelDehover();
    moveFlap(-(expandedHeight_ - collapsedHeight_), collapsedHeight_);
    if (fdeventsTrackingArea_) removeTrackingArea(fdeventsTrackingArea_);
    fdeventsTrackingArea_.reset();
    activateFDEventsTrackingIn(kit::makeRect(5, 7, kit::width(frame()) - 10,
                                             collapsedHeight_ - WeekdayView::kTitleHeight - 7));
}
