#pragma once

#include "platform/kit/Scroller.h"

#include <QPointer>

class FindPanelController;

// The vertical scroller of the find panel's results list: every change of its
// value tells the panel, so that the event hover follows its row.
class FindPanelScroller : public kit::Scroller {
    Q_OBJECT

public:
    explicit FindPanelScroller(FindPanelController* controller, const QRectF& frame = QRectF());
    void setDoubleValue(double value) override;
    // Overlay scrollers suit this class itself, not classes made from it.
    static bool isCompatibleWithOverlayScrollers(const QMetaObject* of);

private:
    QPointer<FindPanelController> gui_panelController;
};
