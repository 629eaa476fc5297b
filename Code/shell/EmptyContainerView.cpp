#include "shell/EmptyContainerView.h"

EmptyContainerView::EmptyContainerView(const QRectF& frame) : kit::View(frame) {}

void EmptyContainerView::viewWillStartLiveResize() {
    kit::View::viewWillStartLiveResize();
    if (!subviews().empty()) subviews().front()->viewWillStartLiveResize();
}

void EmptyContainerView::viewDidEndLiveResize() {
    kit::View::viewDidEndLiveResize();
    if (!subviews().empty()) subviews().front()->viewDidEndLiveResize();
}
