#include "weekview/WeekViewPrint.h"

#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Image.h"
#include "platform/kit/OffscreenWindow.h"
#include "weekview/WeekdayView.h"

#include <algorithm>

WeekViewPrint::WeekViewPrint(const QRectF& frame) : WeekView(frame) {}

WeekViewPrint::~WeekViewPrint() {
    // The window would take its content view along.
    if (kit::OffscreenWindow* w = offscreenWindow_) {
        if (w->contentView() == this) w->setContentView(nullptr);
        delete w;
    }
}

WeekViewPrint* WeekViewPrint::printViewForWeekView(WeekView* weekView, const QSizeF& size) {
    if (!weekView) return nullptr;
    auto* view = new WeekViewPrint(QRectF(QPointF(0, 0), size));
    view->initFromWeekView(weekView);
    view->quickLoadPreferences();
    // The page shows the live view's mode even where the stored one differs.
    view->setDisplayMode(weekView->displayMode());
    view->applicationFinishedLaunching();
    return view;
}

void WeekViewPrint::initFromWeekView(WeekView* weekView) {
    initFields();
    scrollMinBound_ = 0;
    scrollMaxBound_ = 1;
    selection_ = nullptr;
    previousSelection_ = nullptr;
    setAcceptsTouchEvents(false);
    displayMode_ = weekView->displayMode();
    // The day cells are the shown ones; menus and menu items stay none.
    gui_yearViewScroller_ = weekView->gui_yearViewScroller();

    // A scroller that moves the hours but is not shown.
    QRectF scroller =
        weekView->gui_vScroller() ? weekView->gui_vScroller()->frame() : gui_vScroller_->frame();
    scroller.setHeight(std::max(scroller.height(), kMinScrollerHeight));
    gui_vScroller_->removeFromSuperview();
    gui_vScroller_->setFrame(scroller);
    gui_vScroller_->setUpForWeekView(this, "scrollAction");
    gui_vScroller_->setFrameOrigin(QPointF(scroller.x() - 50, kBottomMargin));

    repositionViewsDuringResize();
    setReferenceDate(weekView->referenceDate());
}

void WeekViewPrint::applicationFinishedLaunching() {
    viewSet_.clear();
    initViews();
}

bool WeekViewPrint::knowsPageRange(int& first, int& count) {
    first = 1;
    count = 1;
    return true;
}

QRectF WeekViewPrint::rectForPage(int) {
    return frame();
}

// Until the picture is taken the view draws its frame and the columns draw
// themselves; then only the picture, without its empty strips above and below.
void WeekViewPrint::drawRect(kit::Graphics& g, const QRectF&) {
    const QRectF B = bounds();
    if (inLiveResize_ && !cachedView_.isNull()) {
        const QSizeF size = kit::Image::sizeInPoints(cachedView_);
        g.drawImage(cachedView_, B,
                    kit::makeRect(0, kBottomMargin, size.width(),
                                  std::max(1.0, size.height() - 2 * kBottomMargin)),
                    kit::CompositingOperation::SourceOver, 1.0);
        return;
    }
    g.setDefaultLineWidth(1.0);
    g.setFillColor(kit::Color::whiteColor());
    g.fillRect(B);
    g.setColor(kit::Color::gray());
    drawHourMarks(g);
}

// The window is never shown: the view is laid out and drawn in it all the
// same, so there is nothing to animate.
void WeekViewPrint::openCacheWin() {
    if (inLiveResize_) return;
    if (!offscreenWindow_) {
        offscreenWindow_ = new kit::OffscreenWindow(QRectF(QPointF(0, 0), bounds().size()));
        offscreenWindow_->setContentView(this);
    }
    offscreenWindow_->orderFront();
    repositionViewsDuringResize();
    scrollToHourAnimate(kFirstHour, false);
    setNeedsDisplay(true);
}

void WeekViewPrint::loadCacheImage() {
    if (inLiveResize_) return;
    cachedView_ = offscreenWindow_ ? offscreenWindow_->cacheImage() : renderToImage();
    hideAllSubviews();
    inLiveResize_ = true;
}

// The week is printed across the paper, so the view takes the paper's size
// turned to landscape, whichever way the paper is described.
void WeekViewPrint::adjustSizeTo(const QSizeF& size) {
    const double longSide = std::max(size.width(), size.height());
    const double shortSide = std::min(size.width(), size.height());
    const QRectF frame(0, 0, 0.9 * longSide, 0.9 * shortSide);
    if (offscreenWindow_)
        offscreenWindow_->setFrame(frame, true);
    else
        setFrame(frame);
}

void WeekViewPrint::purgeCacheImage() {
    if (offscreenWindow_) offscreenWindow_->close();
}
