#pragma once

#include "weekview/WDSubview.h"

#include <QRectF>

// The hour area of a day column: the 24 hours of the day, which the column
// sizes and moves up and down to scroll the hours. The column draws the hour
// grid and the timed events into it.
class WDEventsView final : public WDSubview {
    Q_OBJECT

public:
    // `parent` is the column that owns the area and draws into it.
    WDEventsView(const QRectF& frame, kit::View* parent);
    static WDEventsView* initWithFrameAndParent(const QRectF& frame, kit::View* parent) {
        return new WDEventsView(frame, parent);
    }

    kit::View* wdv() const { return wdv_; }

    // The column's place in the week view (2 first, 3 middle, 4 last, 5 the
    // only column); 0 until the week view first places the column.
    void setPositionInView(int position) { cellPosition_ = position; }
    int cellPosition() const { return cellPosition_; }

private:
    kit::View* wdv_ = nullptr;
    int cellPosition_ = 0;
};
