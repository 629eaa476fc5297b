// The week view's layout: the inner rectangle, the columns and the hour
// scroller placed in it, the column under a position, the live resize with its
// snapshot, and the refreshes the loaders ask for.

#include "weekview/WeekView.h"

#include "platform/foundation/Dispatch.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Perform.h"
#include "weekview/WeekViewScroller.h"
#include "weekview/WeekdayView.h"

#include <algorithm>
#include <cmath>

QRectF WeekView::innerRectForDrawing() const {
    const float W = float(kit::width(bounds()));
    const float H = float(kit::height(bounds()));
    const float width = std::floor((W - float(2 * kSideMargin)) / 12.0f) * 12.0f;
    float height = H - float(2 * kBottomMargin);
    if (showRelativeInYear_) height -= float(kRelativeBarRoom);
    return kit::makeRect(kSideMargin, kBottomMargin, std::max(0.0f, width), std::max(0.0f, height));
}

void WeekView::repositionViewsDuringResize() {
    const QRectF B = bounds();
    if (WeekViewScroller* scroller = gui_vScroller_) {
        const double sw = kit::width(scroller->bounds());
        scroller->setFrame(kit::makeRect(kit::minX(B) + kit::width(B) - sw, kBottomMargin, sw,
                                         std::max(0.0, kit::height(B) - 1 - kBottomMargin)));
    }

    const QRectF I = innerRectForDrawing();
    const int n = numberOfDaysInDisplay();
    const float w = float(kit::width(I)) / float(n);
    float x = float(kit::minX(I));
    for (int i = 0; i < n && i < int(viewSet_.size()); ++i) {
        WeekdayView* column = viewSet_[size_t(i)];
        column->setFrame(kit::makeRect(x, kit::minY(I), std::floor(w + 0.5f), kit::height(I)));
        column->setPositionInView(i == 0 ? 2 : i == n - 1 ? 4 : 3);
        x = std::floor(x + w + 0.5f);
    }

    if (kit::height(I) < kFullDayHeight) {
        scrollerSize_ = float(kit::height(I) / kFullDayHeight);
        if (WeekViewScroller* scroller = gui_vScroller_) {
            scroller->setKnobProportion(scrollerSize_);
            if (!viewSet_.empty())
                scroller->setDoubleValue(viewSet_.front()->scrollPercentForHour(shownHour_));
            scroller->setHidden(false);
        }
    } else {
        scrollerSize_ = 1.0f;
        if (gui_vScroller_) gui_vScroller_->setHidden(true);
    }

    // The columns keep showing the same hour.
    scrollToHourAnimate(shownHour_, false);
    eventSetHasChanged_ = true;
    activateCalWeekHover();
}

// Every change of size keeps the columns laid out, whoever makes it (the
// window, the year and week splitter, a slide).
void WeekView::setFrame(const QRectF& newFrame) {
    const QSizeF old = frame().size();
    kit::View::setFrame(newFrame);
    if (old != newFrame.size()) repositionViewsDuringResize();
}

WeekdayView* WeekView::weekdayViewAtMouseX(double x) const {
    if (viewSet_.empty()) return nullptr;
    const QRectF I = innerRectForDrawing();
    const float columnWidth = float(kit::width(I)) / float(numberOfDaysInDisplay());
    const float k = std::trunc((float(x) - float(kit::minX(I))) / columnWidth);
    // Left or right of the columns (or a zero width) is the first column.
    if (!(k >= 0.0f) || k >= float(viewSet_.size())) return viewSet_.front();
    return viewSet_[size_t(k)];
}

// -- Live resize

void WeekView::viewWillStartLiveResize() {
    if (inLiveResize_) return;
    if (const auto& close = services().eventHoverCloseWindow) close(this);
    // A view too low for a useful picture keeps none, not even an older one.
    cachedView_ = kit::height(bounds()) >= kMinFullHeight ? renderToImage() : QImage();
    hideAllSubviews();
    inLiveResize_ = true;
    kit::View::viewWillStartLiveResize();
}

void WeekView::hideAllSubviews() {
    visibleSubviews_.clear();
    for (kit::View* view : subviews()) {
        if (view->isHidden() || view == gui_vScroller_.data()) continue;
        visibleSubviews_.emplace_back(view);
        view->setHidden(true);
    }
}

void WeekView::viewDidEndLiveResize() {
    if (!inLiveResize_) return;
    inLiveResize_ = false;
    for (const QPointer<kit::View>& view : visibleSubviews_)
        if (view && view->superview() == this) view->setHidden(false);
    kit::View::viewDidEndLiveResize();
    repositionViewsDuringResize();
    forcedRedraw();
}

void WeekView::windowResized() {
    repositionViewsDuringResize();
    forcedRedraw();
}

// -- Refreshes

void WeekView::threadedUpdateView() {
    std::lock_guard guard(lock_);
    eventSetHasChanged_ = true;
    if (refreshPending_.exchange(true)) return;
    kit::performOnMainThread(this, "refreshColumns", false);
}

void WeekView::refreshColumns() {
    refreshPending_ = false;
    if (inModalGesture_) {
        refreshAfterGesture_ = true;
        return;
    }
    ++refreshesRun_;
    std::vector<QPointer<WeekdayView>> changed;
    for (WeekdayView* column : viewSet_)
        if (column->relayoutChangedDay()) changed.emplace_back(column);
    followSelectionToNewRecords();
    redrawColumnsInTurn(std::move(changed));
}

// A column full of events takes a while to draw: drawn one after the other,
// each on its own turn, they leave the window free to answer in between.
void WeekView::redrawColumnsInTurn(std::vector<QPointer<WeekdayView>> columns) {
    while (!columns.empty() && !columns.front()) columns.erase(columns.begin());
    if (columns.empty()) return;
    columns.front()->redrawViewOnMainThread();
    columns.erase(columns.begin());
    if (columns.empty()) return;
    foundation::onMain([self = QPointer<WeekView>(this), columns = std::move(columns)]() mutable {
        if (self) self->redrawColumnsInTurn(std::move(columns));
    });
}

void WeekView::setInModalGesture(bool inGesture) {
    inModalGesture_ = inGesture;
    if (inGesture || !refreshAfterGesture_) return;
    refreshAfterGesture_ = false;
    refreshColumns();
}

void WeekView::forcedRedraw() {
    for (WeekdayView* column : viewSet_) column->forceRedraw();
    setNeedsDisplay(true);
}

void WeekView::animationRedraw() {
    for (WeekdayView* column : viewSet_) kit::perform(column, "forceRedrawEvents");
}
