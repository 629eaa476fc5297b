// The year page on screen: its drawing, the live move and live resize, and the
// drag image of a day.

#include "yearview/YearView.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "yearview/YearViewCell.h"

void YearView::drawRect(kit::Graphics& g, const QRectF& dirtyRect) {
    YearViewModel::refreshToday();
    const bool cellsDrawn =
        model_->drawPage(g, bounds(), dirtyRect, YearViewModel::Pass::Screen, inLiveResize(), this);
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
    const double w = YearViewCell::width();
    const double h = YearViewCell::height();
    return QPointF(l.dayCellStartX + (month - 1) * w - 2.0, l.dayCellStartY - day * h + 1.0);
}

// The day's picture, one point larger on the right and bottom, at half opacity.
QImage YearView::dragImageForDayAndMonth(int day, int month) {
    const YearViewModel::Layout l = model_->layout();
    const double w = YearViewCell::width();
    const double h = YearViewCell::height();
    const double x = l.dayCellStartX + (month - 1) * w;
    const double y = l.dayCellStartY - day * h;
    const QImage captured = renderRectToImage(QRectF(x, y - 1.0, w + 1.0, h + 1.0));
    QImage image = kit::Image::withSize(kit::Image::sizeInPoints(captured));
    kit::Graphics g(image, false);
    g.drawImageAtPoint(captured, QPointF(0, 0), QRectF(), kit::CompositingOperation::SourceOver,
                       0.5);
    return image;
}
