#include "weekview/WDHeaderView.h"

#include "platform/kit/Geometry.h"

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

void WDHeaderView::hangFromTop(double height) {
    kit::View* column = superview();
    if (!column) return;
    const QRectF bounds = column->bounds();
    setFrame(kit::makeRect(0, kit::height(bounds) - height, kit::width(bounds), height));
}
