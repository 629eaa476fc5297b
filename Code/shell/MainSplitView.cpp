#include "shell/MainSplitView.h"

#include "platform/kit/Geometry.h"

MainSplitView::MainSplitView(const QRectF& frame) : WsSplitView(frame) {
    setVertical(false);
}

void MainSplitView::awakeFromNib() {
    WsSplitView::awakeFromNib();
    setDelegate(this);
    const auto& subs = subviews();
    gui_upperSubview = subs.size() > 0 ? subs[0] : nullptr;
    gui_lowerSubview = subs.size() > 1 ? subs[1] : nullptr;
}

void MainSplitView::exchangeWeekSubviewTo(kit::View* weekView) {
    if (!weekView) return;
    QPointer<kit::View> old = gui_lowerSubview;
    if (old && old != weekView && old->superview() == this) {
        old->removeFromSuperview();
        old->deleteLater();  // after the event that asked for the exchange
    }
    gui_lowerSubview = weekView;
    addSubview(weekView);  // last, hence subview 1 again
}

unsigned MainSplitView::splitViewDelegateOperations() const {
    return ResizeSubviewsWithOldSize;
}

void MainSplitView::splitViewResizeSubviewsWithOldSize(WsSplitView*, const QSizeF&) {
    if (gui_upperSubview && gui_lowerSubview) {
        const QRectF own = bounds();
        const QRectF upper = gui_upperSubview->frame(), lower = gui_lowerSubview->frame();
        const float lowerHeight =
            float(kit::height(own)) - float(kit::height(upper)) - float(dividerThickness());
        gui_upperSubview->setFrame(
            QRectF(kit::minX(upper), kit::minY(upper), kit::width(own), kit::height(upper)));
        gui_lowerSubview->setFrame(
            QRectF(kit::minX(lower), kit::minY(lower), kit::width(own), lowerHeight));
    }
    adjustSubviews();
}

void MainSplitView::viewWillStartLiveResize() {
    WsSplitView::viewWillStartLiveResize();
    if (gui_upperSubview) gui_upperSubview->viewWillStartLiveResize();
    if (gui_lowerSubview) gui_lowerSubview->viewWillStartLiveResize();
}

void MainSplitView::viewDidEndLiveResize() {
    WsSplitView::viewDidEndLiveResize();
    if (gui_upperSubview) gui_upperSubview->viewDidEndLiveResize();
    if (gui_lowerSubview) gui_lowerSubview->viewDidEndLiveResize();
}
