#include "weekview/WDEventsView.h"

#include "platform/kit/Color.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/Window.h"
#include "weekview/WeekdayView.h"

#include <cmath>

WDEventsView::WDEventsView(const QRectF& frame, kit::View* parent)
    : WDSubview(frame), wdv_(parent) {}

QMenu* WDEventsView::menuForEvent(const kit::Event& event) {
    return wdv_ ? wdv_->menuForEvent(event) : nullptr;
}

// -- The selection frame --------------------------------------------------------

void WDEventsView::setSelectionRect(const QRectF& rect, bool topHandle, bool botHandle) {
    selectionRect_ = rect;
    selectionActive_ = true;
    mayAdjustTop_ = topHandle;
    mayAdjustBot_ = botHandle;
    discardCursorRects();
    configureMousePointers();
    if (kit::Window* w = window()) w->invalidateCursorRectsForView(this);
}

void WDEventsView::clearSelectionRect() {
    selectionActive_ = false;
    discardCursorRects();
    if (kit::Window* w = window()) w->invalidateCursorRectsForView(this);
}

void WDEventsView::resetCursorRects() {
    kit::View::resetCursorRects();
    addCursorRect(kit::makeRect(0, 0, 1, 1), kit::Cursor::arrowCursor());
    if (selectionActive_) configureMousePointers();
}

void WDEventsView::configureMousePointers() {
    double sx = kit::minX(selectionRect_), sy = kit::minY(selectionRect_);
    const double sw = kit::width(selectionRect_);
    double sh = kit::height(selectionRect_);
    // The header's title row covers the top of the part in sight.
    const QRectF visible = visibleRect();
    const float bottom = float(kit::minY(visible));
    const float top = float(kit::minY(visible) + kit::height(visible) - WeekdayView::kTitleHeight);
    if (sy > top || sy + sh < bottom) return;
    if (mayAdjustTop_) {
        if (sy + sh < top)
            addCursorRect(kit::makeRect(sx, sy + sh - kHandleHeight, sw, kHandleHeight),
                          kit::Cursor::resizeUpDownCursor());
        sh -= kHandleHeight;
    }
    if (mayAdjustBot_) {
        if (sy > bottom)
            addCursorRect(kit::makeRect(sx, sy, sw, kHandleHeight),
                          kit::Cursor::resizeUpDownCursor());
        sy += kHandleHeight;
        sh -= kHandleHeight;
    }
    if (sy + sh > top) sh = top - sy;
    if (sy < bottom) {
        sh -= bottom - sy;
        sy = bottom;
    }
    addCursorRect(kit::makeRect(sx, sy, sw, sh), kit::Cursor::openHandCursor());
}

int WDEventsView::operationForDragAtPoint(const QPointF& point) const {
    const double sx = kit::minX(selectionRect_), sy = kit::minY(selectionRect_);
    const double sw = kit::width(selectionRect_), sh = kit::height(selectionRect_);
    const double px = point.x(), py = point.y();
    if (px < sx || px > sx + sw) return DragNone;
    if (py < sy || py > sy + sh) return DragNone;
    if (mayAdjustTop_ && py >= sy + sh - kHandleHeight) return DragStart;
    if (mayAdjustBot_ && py <= sy + kHandleHeight) return DragEnd;
    return DragMove;
}

namespace {

// Whether an image made for bounds of some size (rounded up to whole pixels)
// was made for `bounds`.
bool fitsBounds(const QImage& image, const QRectF& bounds) {
    const QSizeF size = kit::Image::sizeInPoints(image);
    return std::abs(size.width() - bounds.width()) < 1 &&
           std::abs(size.height() - bounds.height()) < 1;
}

}  // namespace

// -- Drawing ----------------------------------------------------------------------

void WDEventsView::drawRect(kit::Graphics& g, const QRectF&) {
    const QRectF b = bounds();
    if (!inCacheDrawing_) {
        // Drawn live under the image, so that the image serves every position.
        if (WeekdayView::drawsLeftSeparator(cellPosition_)) {
            g.setStrokeColor(kit::Color::lightGray());
            g.setDefaultLineWidth(1.0);
            g.strokeLine(QPointF(kit::minX(b) + 0.5, kit::minY(b)),
                         QPointF(kit::minX(b) + 0.5, kit::maxY(b)));
        }
        // An image of another size (the column was resized since) would be
        // stretched: the content is drawn directly until the next rebuild.
        if (useCacheDrawing_ && !cachedView_.isNull() && fitsBounds(cachedView_, b)) {
            g.drawImage(cachedView_, b);
            return;
        }
        drawRequest_ = 3;
    }
    if (auto* column = qobject_cast<WeekdayView*>(wdv_)) column->drawEventsView(this, g);
}

void WDEventsView::redrawCache() {
    inCacheDrawing_ = true;
    const QRectF b = bounds();
    cachedView_ = kit::Image::withSize(b.size(), devicePixelRatioF());
    drawRequest_ = 3;
    if (!cachedView_.isNull()) {
        kit::Graphics g(cachedView_, true);
        g.setDestination(kit::Graphics::Destination::Image);
        drawRect(g, b);
    }
    inCacheDrawing_ = false;
}

void WDEventsView::forcedRedraw() {
    const bool wasCacheDrawing = inCacheDrawing_, wasUsingCache = useCacheDrawing_;
    inCacheDrawing_ = false;
    useCacheDrawing_ = false;
    display();
    inCacheDrawing_ = wasCacheDrawing;
    useCacheDrawing_ = wasUsingCache;
}
