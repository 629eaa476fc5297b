#pragma once

#include "platform/kit/View.h"

// A placeholder of the main window that receives one view from the window's
// controller (the source column, the year area) and passes the start and end of
// a live resize on to it, so that the view it holds is told even where the
// resize is driven by a split view rather than by the window.
class EmptyContainerView : public kit::View {
    Q_OBJECT

public:
    explicit EmptyContainerView(const QRectF& frame = QRectF());

    void viewWillStartLiveResize() override;
    void viewDidEndLiveResize() override;
};
