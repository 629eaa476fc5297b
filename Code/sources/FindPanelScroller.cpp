#include "sources/FindPanelScroller.h"

#include "sources/FindPanelController.h"

FindPanelScroller::FindPanelScroller(FindPanelController* controller, const QRectF& frame)
    : kit::Scroller(frame), gui_panelController(controller) {}

void FindPanelScroller::setDoubleValue(double value) {
    kit::Scroller::setDoubleValue(value);
    if (gui_panelController) gui_panelController->viewFrameChanged(this);
}

bool FindPanelScroller::isCompatibleWithOverlayScrollers(const QMetaObject* of) {
    return of == &FindPanelScroller::staticMetaObject;
}
