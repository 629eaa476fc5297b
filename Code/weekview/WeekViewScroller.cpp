#include "weekview/WeekViewScroller.h"

#include "shell/AppDelegate.h"

WeekViewScroller::WeekViewScroller(const QRectF& frame) : kit::Scroller(frame) {}

bool WeekViewScroller::isCompatibleWithOverlayScrollers() {
    return AppDelegate::currentOS() >= 3;
}

void WeekViewScroller::setUpForWeekView(QObject* target, const QByteArray& action) {
    setKnobProportion(0.5);
    setDoubleValue(0.2);
    setArrowsPosition(ArrowsPosition::Default);
    setEnabled(true);
    setTarget(target);
    setAction(action);
    setScrollerStyle(isCompatibleWithOverlayScrollers() ? Style::Overlay : Style::Legacy);
}
