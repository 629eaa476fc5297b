#include "platform/kit/ClipView.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/ScrollView.h"

#include <algorithm>

namespace kit {

ClipView::ClipView(const QRectF& frame) : View(frame) {}

ClipView::~ClipView() {
    stopObservingDocument();
}

void ClipView::stopObservingDocument() {
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
}

void ClipView::setDocumentView(View* view) {
    if (view == document_) return;
    if (View* old = document_) {
        stopObservingDocument();
        document_ = nullptr;
        old->removeFromSuperview();
        old->deleteLater();
    }
    // Set before the view is added: its place in the clip view depends on whether
    // the clip view is flipped, which follows the document.
    document_ = view;
    if (view) {
        addSubview(view);
        view->setPostsFrameChangedNotifications(true);
        foundation::NotificationCenter::defaultCenter().addObserver(
            this, View::frameDidChangeNotification(), view,
            [this](const foundation::Notification&) { documentFrameChanged(); });
    }
    // A new document is shown from its top.
    const QRectF d = documentRect();
    scrollToPoint(isFlipped() ? d.topLeft() : QPointF(d.x(), maxY(d) - bounds().height()));
}

void ClipView::willRemoveSubview(View* view) {
    if (view != document_) return;
    stopObservingDocument();
    document_ = nullptr;
}

bool ClipView::isFlipped() const {
    return document_ && document_->isFlipped();
}

QRectF ClipView::documentRect() const {
    return document_ ? document_->frame() : QRectF();
}

QRectF ClipView::documentVisibleRect() const {
    return document_ ? document_->convertRectFromView(bounds(), this) : QRectF();
}

QPointF ClipView::constrainScrollPoint(const QPointF& point) const {
    if (!document_) return point;
    const QRectF d = documentRect();
    const QSizeF c = bounds().size();
    const double x = std::clamp(point.x(), d.x(), std::max(d.x(), maxX(d) - c.width()));
    double y;
    if (isFlipped())
        y = std::clamp(point.y(), d.y(), std::max(d.y(), maxY(d) - c.height()));
    else if (d.height() >= c.height())
        y = std::clamp(point.y(), d.y(), maxY(d) - c.height());
    else
        y = maxY(d) - c.height();  // a short document against the top edge
    return QPointF(x, y);
}

void ClipView::scrollToPoint(QPointF point) {
    setBoundsOrigin(constrainScrollPoint(point));
    if (ScrollView* sv = scrollView()) sv->reflectScrolledClipView(this);
}

void ClipView::documentFrameChanged() {
    scrollToPoint(bounds().topLeft());
}

void ClipView::setFrame(const QRectF& frame) {
    View::setFrame(frame);
    scrollToPoint(bounds().topLeft());
}

void ClipView::setDrawsBackground(bool draws) {
    drawsBackground_ = draws;
    setNeedsDisplay();
}

void ClipView::setBackgroundColor(const QColor& color) {
    background_ = color;
    setNeedsDisplay();
}

void ClipView::drawRect(Graphics& graphics, const QRectF& dirtyRect) {
    if (!drawsBackground_) return;
    graphics.setFillColor(background_);
    graphics.fillRect(dirtyRect);
}

ScrollView* ClipView::scrollView() const {
    return qobject_cast<ScrollView*>(superview());
}

}  // namespace kit
