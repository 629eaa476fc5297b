#include "shell/SpringPanelView.h"

#include "platform/kit/Color.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Path.h"

namespace {

constexpr double kInset = 16.0;      // the band around the box that holds the anchor
constexpr double kRadius = 12.0;     // the box's corner radius
constexpr double kHalfBase = 16.0;   // half the anchor's base
constexpr double kEndMargin = 28.0;  // keeps the base clear of the rounded corners
constexpr double kSmallest = 48.0;   // below this in either direction nothing is drawn

QColor boxColor() {
    return kit::Color::white(0.0, 0.75);
}

}  // namespace

SpringPanelView::SpringPanelView(const QRectF& frame) : kit::View(frame) {}

void SpringPanelView::startSpring() {
    cachedImage_ = renderToImage(devicePixelRatioF());
    visibleSubviews_.clear();
    for (kit::View* v : subviews()) {
        if (v->isHidden()) continue;
        visibleSubviews_.emplace_back(v);
        v->setHidden(true);
    }
    // The window passes through a 1 by 1 frame; the subviews keep theirs.
    autoresizedSubviews_ = autoresizesSubviews();
    setAutoresizesSubviews(false);
    inLiveSpring_ = true;
    setNeedsDisplay(true);
}

void SpringPanelView::stopSpring() {
    if (!inLiveSpring_) return;
    inLiveSpring_ = false;
    setAutoresizesSubviews(autoresizedSubviews_);
    for (const QPointer<kit::View>& v : visibleSubviews_)
        if (v) v->setHidden(false);
    setNeedsDisplay(true);
}

void SpringPanelView::drawRect(kit::Graphics& g, const QRectF&) {
    const QRectF b = bounds();
    if (inLiveSpring_) {
        if (!cachedImage_.isNull()) g.drawImage(cachedImage_, b);
        return;
    }
    if (b.width() < kSmallest || b.height() < kSmallest) return;
    g.setFillColor(boxColor());
    g.fillRoundedRect(
        QRectF(b.x() + kInset, b.y() + kInset, b.width() - 2 * kInset, b.height() - 2 * kInset),
        kRadius, kRadius);
    if (!drawsAnchor_) return;

    const double ax = springAnchor_.x(), ay = springAnchor_.y();
    QPointF tip, first, second;
    bool fits = false;
    switch (openingDirection_) {
        case 1:  // the panel stands left of its target: anchor on the right edge
        case 2:  // right of it: anchor on the left edge
        {
            const bool onLeft = openingDirection_ == 2;
            tip = QPointF(onLeft ? b.x() : b.x() + b.width(), b.y() + ay);
            const double baseX = onLeft ? tip.x() + kInset : tip.x() - kInset;
            first = QPointF(baseX, tip.y() + kHalfBase);
            second = QPointF(baseX, tip.y() - kHalfBase);
            fits = tip.y() - kHalfBase >= b.y() + kEndMargin &&
                   tip.y() + kHalfBase <= b.y() + b.height() - kEndMargin;
            break;
        }
        case 3:  // above its target: anchor on the bottom edge
        case 4:  // below it: anchor on the top edge
        {
            const bool onBottom = openingDirection_ == 3;
            tip = QPointF(b.x() + ax, onBottom ? b.y() : b.y() + b.height());
            const double baseY = onBottom ? tip.y() + kInset : tip.y() - kInset;
            first = QPointF(tip.x() - kHalfBase, baseY);
            second = QPointF(tip.x() + kHalfBase, baseY);
            fits = tip.x() - kHalfBase >= b.x() + kEndMargin &&
                   tip.x() + kHalfBase <= b.x() + b.width() - kEndMargin;
            break;
        }
        default:
            break;
    }
    if (!fits) return;
    kit::Path anchor;
    anchor.moveTo(first);
    anchor.lineTo(tip);
    anchor.lineTo(second);
    anchor.closePath();
    g.fill(anchor);
}
