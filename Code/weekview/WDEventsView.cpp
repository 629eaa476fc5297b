#include "weekview/WDEventsView.h"

WDEventsView::WDEventsView(const QRectF& frame, kit::View* parent)
    : WDSubview(frame), wdv_(parent) {}
