#include "platform/kit/ScrollView.h"

#include "platform/kit/ClipView.h"
#include "platform/kit/Event.h"
#include "platform/kit/Geometry.h"

#include <algorithm>

namespace kit {

ScrollView::ScrollView(const QRectF& frame) : View(frame) {
    clip_ = new ClipView(QRectF(QPointF(0, 0), frame.size()));
    addSubview(clip_);
    setVerticalScroller(new Scroller);
}

View* ScrollView::documentView() const {
    return clip_->documentView();
}

void ScrollView::setDocumentView(View* view) {
    clip_->setDocumentView(view);
    tile();
}

QRectF ScrollView::documentVisibleRect() const {
    return clip_->documentVisibleRect();
}

QSizeF ScrollView::contentSize() const {
    return clip_->bounds().size();
}

void ScrollView::setHasVerticalScroller(bool has) {
    hasVertical_ = has;
    tile();
}

void ScrollView::setVerticalScroller(Scroller* scroller) {
    if (scroller == scroller_) return;
    if (Scroller* old = scroller_) {
        scroller_ = nullptr;
        old->removeFromSuperview();
        old->deleteLater();
    }
    scroller_ = scroller;
    if (scroller) {
        addSubview(scroller, Ordering::Above, clip_);
        scroller->setActionHandler(
            [this](QObject* sender) { scrollerMoved(qobject_cast<Scroller*>(sender)); });
    }
    tile();
}

void ScrollView::setAutohidesScrollers(bool on) {
    autohides_ = on;
    tile();
}

void ScrollView::setScrollerStyle(Scroller::Style style) {
    style_ = style;
    tile();
}

bool ScrollView::drawsBackground() const {
    return clip_->drawsBackground();
}

void ScrollView::setDrawsBackground(bool draws) {
    clip_->setDrawsBackground(draws);
}

QColor ScrollView::backgroundColor() const {
    return clip_->backgroundColor();
}

void ScrollView::setBackgroundColor(const QColor& color) {
    clip_->setBackgroundColor(color);
}

void ScrollView::setFrame(const QRectF& frame) {
    View::setFrame(frame);
    tile();
}

bool ScrollView::canScroll() const {
    return documentView() && clip_->documentRect().height() > clip_->bounds().height();
}

void ScrollView::tile() {
    if (tiling_ || !clip_) return;
    tiling_ = true;
    const QRectF b = bounds();
    const double w = Scroller::scrollerWidth(style_);
    // Twice: a legacy scroller that appears narrows the clip view, and a document
    // that follows its width may change its height with it.
    for (int pass = 0; pass < 2; ++pass) {
        const bool show = scroller_ && hasVertical_ && !(autohides_ && !canScroll());
        const bool takesRoom = show && style_ == Scroller::Style::Legacy;
        clip_->setFrame(
            QRectF(b.x(), b.y(), std::max(0.0, b.width() - (takesRoom ? w : 0)), b.height()));
        if (scroller_) {
            scroller_->setScrollerStyle(style_);
            scroller_->setFrame(QRectF(maxX(b) - w, b.y(), w, b.height()));
            scroller_->setHidden(!show);
        }
    }
    tiling_ = false;
    reflectScrolledClipView(clip_);
}

void ScrollView::reflectScrolledClipView(ClipView* clip) {
    if (clip != clip_ || !scroller_) return;
    const QRectF d = clip_->documentRect();
    const QRectF c = clip_->bounds();
    const double range = d.height() - c.height();
    const double proportion = d.height() > 0 ? std::min(1.0, c.height() / d.height()) : 1.0;
    double value = 0;
    if (range > 0)
        value =
            clip_->isFlipped() ? (c.y() - d.y()) / range : (maxY(d) - c.height() - c.y()) / range;
    scroller_->setKnobProportion(proportion);
    scroller_->setDoubleValue(value);
    // The document may have grown past the clip view or shrunk into it.
    const bool shouldShow = hasVertical_ && !(autohides_ && !canScroll());
    if (!tiling_ && scroller_->isHidden() == shouldShow) tile();
}

QPointF ScrollView::scrollPointForValue(double value) const {
    const QRectF d = clip_->documentRect();
    const QRectF c = clip_->bounds();
    const double range = std::max(0.0, d.height() - c.height());
    value = std::clamp(value, 0.0, 1.0);
    return QPointF(
        c.x(), clip_->isFlipped() ? d.y() + value * range : maxY(d) - c.height() - value * range);
}

void ScrollView::scrollDownBy(double points) {
    const QPointF o = clip_->bounds().topLeft();
    clip_->scrollToPoint(QPointF(o.x(), clip_->isFlipped() ? o.y() + points : o.y() - points));
}

void ScrollView::scrollerMoved(Scroller* scroller) {
    if (!scroller || scroller != scroller_) return;
    const double page = std::max(0.0, clip_->bounds().height() - pageScroll_);
    switch (scroller->hitPart()) {
        case Scroller::Part::Knob:
        case Scroller::Part::KnobSlot:
            clip_->scrollToPoint(scrollPointForValue(scroller->doubleValue()));
            break;
        case Scroller::Part::DecrementLine:
            scrollDownBy(-lineScroll_);
            break;
        case Scroller::Part::IncrementLine:
            scrollDownBy(lineScroll_);
            break;
        case Scroller::Part::DecrementPage:
            scrollDownBy(-page);
            break;
        case Scroller::Part::IncrementPage:
            scrollDownBy(page);
            break;
        case Scroller::Part::NoPart:
            break;
    }
}

void ScrollView::scrollWheel(const Event& event) {
    if (!canScroll()) {
        View::scrollWheel(event);
        return;
    }
    scrollDownBy(-event.scrollingDeltaY());
}

}  // namespace kit
