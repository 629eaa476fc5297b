#pragma once

#include "platform/kit/Scroller.h"

#include <QRectF>

// The week view's vertical hour scroller at its right edge. Its value is the
// share of the day scrolled past (0 the top of the range, 1 the bottom), its
// knob the share of the 24 hours the columns show.
class WeekViewScroller : public kit::Scroller {
    Q_OBJECT

public:
    explicit WeekViewScroller(const QRectF& frame = QRectF());

    // Whether the scroller may take the slim overlay style: on a platform
    // generation that has overlay scrollers.
    static bool isCompatibleWithOverlayScrollers();

    // The set-up the week view gives its scroller: half the day in sight, a
    // little of it scrolled past, arrows where the platform puts them, the
    // view as target of `action`, and the overlay style where the platform
    // has it.
    void setUpForWeekView(QObject* target, const QByteArray& action);
};
