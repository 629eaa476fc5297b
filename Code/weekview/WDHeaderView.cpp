#include "weekview/WDHeaderView.h"

#include "platform/foundation/Log.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/TrackingArea.h"
#include "weekview/WeekdayView.h"

WDHeaderView::WDHeaderView(const QRectF& frame, kit::View* parent)
    : WDSubview(frame), wdv_(parent) {}

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

void WDHeaderView::mouseDown(const kit::Event& event) {
    if (inAnimation_) return;
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
}
