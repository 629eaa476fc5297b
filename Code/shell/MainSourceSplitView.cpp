#include "shell/MainSourceSplitView.h"

#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"

#include <QColor>

MainSourceSplitView::MainSourceSplitView(const QRectF& frame) : WsSplitView(frame) {
    setVertical(true);
}

void MainSourceSplitView::awakeFromNib() {
    WsSplitView::awakeFromNib();
    setDelegate(this);
    const auto& subs = subviews();
    gui_leftSubview = subs.size() > 0 ? subs[0] : nullptr;
    gui_rightSubview = subs.size() > 1 ? subs[1] : nullptr;
}

void MainSourceSplitView::drawDividerInRect(kit::Graphics& graphics, const QRectF& rect) {
    graphics.setFillColor(QColor(170, 170, 170));  // light grey
    graphics.fillRect(rect);
}

unsigned MainSourceSplitView::splitViewDelegateOperations() const {
    return ConstrainMinCoordinate | ConstrainMaxCoordinate | ResizeSubviewsWithOldSize;
}

double MainSourceSplitView::splitViewConstrainMinCoordinateOfSubviewAt(WsSplitView*,
                                                                       double proposedMin, qint64) {
    return proposedMin + kMinimumLeftWidth;
}

double MainSourceSplitView::splitViewConstrainMaxCoordinateOfSubviewAt(WsSplitView*,
                                                                       double proposedMax, qint64) {
    return proposedMax - kMinimumRightWidth;
}

void MainSourceSplitView::splitViewResizeSubviewsWithOldSize(WsSplitView*, const QSizeF&) {
    if (gui_leftSubview && gui_rightSubview) {
        const QRectF own = bounds();
        const QRectF left = gui_leftSubview->frame(), right = gui_rightSubview->frame();
        const float rightWidth =
            float(kit::width(own)) - float(kit::width(left)) - float(dividerThickness());
        gui_leftSubview->setFrame(
            QRectF(kit::minX(left), kit::minY(left), kit::width(left), kit::height(own)));
        gui_rightSubview->setFrame(
            QRectF(kit::minX(right), kit::minY(right), rightWidth, kit::height(own)));
    }
    // Whole-point widths that fill the length pass the scaling unchanged.
    adjustSubviews();
}
