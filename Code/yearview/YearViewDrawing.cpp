// The year page on screen: its drawing, the live move and live resize, and the
// drag image of a day.

#include "yearview/YearView.h"

#include "data/AppearanceStamp.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Threads.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "yearview/YearViewCell.h"

#include <QPainter>
#include <QPointer>
#include <QRegion>

void YearView::drawRect(kit::Graphics& g, const QRectF& dirtyRect) {
    YearViewModel::refreshToday();
    const bool cellsDrawn =
        model_->drawPage(g, bounds(), dirtyRect, YearViewModel::Pass::Screen, inLiveResize(), this);
    drawn_.layout = model_->layout();
    if (!cellsDrawn) return;
    // The first drawing on screen of a page that no offscreen rendering has drawn
    // yet asks for the page's events.
    if (!model_->markInitialRedrawDone()) {
        if (const auto& start = services().startPopulatingView) start(this);
    }
    if (needToInformPopup) {
        needToInformPopup = false;
        if (const auto& moved = services().dayPopupOriginatingViewMoved) moved();
    }
}

void YearView::redrawInBackground() {
    kit::View::CacheCanvas canvas = inLiveResize() ? CacheCanvas() : drawingCacheCanvas();
    if (canvas.image.isNull()) {
        setNeedsDisplay(true);
        return;
    }
    // What the drawing is made from, taken before it starts: a cell changed
    // while the job draws is drawn again at the next repaint.
    YearViewModel::refreshToday();
    DrawnState state;
    state.valid = true;
    state.appearance = appearance::stamp();
    state.today = YearViewModel::todayValue();
    model_->forEachCell([&](const YearViewCellPtr& cell, int day, int month) {
        state.cellVersions[size_t((month - 1) * 31 + (day - 1))] = cell->version();
    });
    const QRectF bounds = this->bounds();
    QPointer<YearView> self(this);
    foundation::startThread([self, model = model_, canvas, state, bounds]() mutable {
        {
            // As paintEvent draws the whole page into the kept drawing.
            foundation::Guard guard(model->lock());
            const double scale = canvas.image.devicePixelRatio();
            QPainter painter(&canvas.image);
            painter.setRenderHints(canvas.hints);
            painter.setClipRegion(QRegion(QRect(QPoint(0, 0), (QSizeF(canvas.image.size()) / scale)
                                                                  .toSize())));
            painter.setTransform(canvas.transform);
            painter.setClipRect(bounds, Qt::IntersectClip);
            kit::Graphics g(painter, false);
            model->drawPage(g, bounds, bounds, YearViewModel::Pass::Screen, false, nullptr);
            state.layout = model->layout();
        }
        foundation::onMain([self, canvas, state]() mutable {
            if (!self) return;
            if (self->adoptDrawingCache(std::move(canvas)))
                self->drawn_ = state;
            else
                self->setNeedsDisplay(true);
        });
    });
}

namespace {

bool sameGrid(const YearViewModel::Layout& a, const YearViewModel::Layout& b) {
    return a.dayCellStartX == b.dayCellStartX && a.dayCellStartY == b.dayCellStartY &&
           a.cellWidth == b.cellWidth && a.cellHeight == b.cellHeight;
}

}  // namespace

// A cell's change is redrawn over the cell, its frame lines (one point beyond
// it) and a text that runs out of a low cell (one cell above and below).
void YearView::validateDrawingCache() {
    YearViewModel::refreshToday();
    const bool liveDrawing = inLiveResize();
    const std::uint64_t stamp = appearance::stamp();
    const int today = YearViewModel::todayValue();
    const YearViewModel::Layout l = model_->layout();
    const bool all = !drawn_.valid || drawn_.appearance != stamp || drawn_.today != today ||
                     drawn_.liveDrawing != liveDrawing || !sameGrid(drawn_.layout, l);
    drawn_.valid = true;
    drawn_.appearance = stamp;
    drawn_.today = today;
    drawn_.liveDrawing = liveDrawing;
    model_->forEachCell([&](const YearViewCellPtr& cell, int day, int month) {
        unsigned& seen = drawn_.cellVersions[size_t((month - 1) * 31 + (day - 1))];
        const unsigned version = cell->version();
        if (version == seen) return;
        seen = version;
        if (all) return;
        const QRectF frame(l.dayCellStartX + (month - 1) * l.cellWidth,
                           l.dayCellStartY - day * l.cellHeight, l.cellWidth, l.cellHeight);
        invalidateDrawingCacheInRect(frame.adjusted(-1.0, -l.cellHeight, 1.0, l.cellHeight));
    });
    if (all) invalidateDrawingCache();
}

bool YearView::inLiveResize() const {
    return kit::View::inLiveResize() || inSplitViewLiveResize_;
}

void YearView::viewWillStartLiveMove() {
    inSplitViewLiveResize_ = true;
    kit::View::viewWillStartLiveResize();
}

void YearView::viewDidEndLiveMove() {
    inSplitViewLiveResize_ = false;
    kit::View::viewDidEndLiveResize();
}

void YearView::viewWillStartLiveResize() {
    if (bounds().height() >= YearViewModel::kMinFullHeight) model_->snapshotIntoCache(this);
    inSplitViewLiveResize_ = true;
    kit::View::viewWillStartLiveResize();
}

void YearView::viewDidEndLiveResize() {
    inSplitViewLiveResize_ = false;
    kit::View::viewDidEndLiveResize();
    if (!isVisible_) return;
    needToInformPopup = true;
    if (bounds().height() < YearViewModel::kMinFullHeight) closeDayPopup();
    setNeedsDisplay(true);
    foundation::NotificationCenter::defaultCenter().post(kit::View::frameDidChangeNotification(),
                                                         this);
}

QPointF YearView::dragImagePosForDayAndMonth(int day, int month) const {
    const YearViewModel::Layout l = model_->layout();
    const double w = l.cellWidth;
    const double h = l.cellHeight;
    return QPointF(l.dayCellStartX + (month - 1) * w - 2.0, l.dayCellStartY - day * h + 1.0);
}

// The day's picture, one point larger on the right and bottom, at half opacity.
QImage YearView::dragImageForDayAndMonth(int day, int month) {
    const YearViewModel::Layout l = model_->layout();
    const double w = l.cellWidth;
    const double h = l.cellHeight;
    const double x = l.dayCellStartX + (month - 1) * w;
    const double y = l.dayCellStartY - day * h;
    const QImage captured = renderRectToImage(QRectF(x, y - 1.0, w + 1.0, h + 1.0));
    QImage image = kit::Image::withSize(kit::Image::sizeInPoints(captured));
    kit::Graphics g(image, false);
    g.drawImageAtPoint(captured, QPointF(0, 0), QRectF(), kit::CompositingOperation::SourceOver,
                       0.5);
    return image;
}
