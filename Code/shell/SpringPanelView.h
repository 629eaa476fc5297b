#pragma once

#include "platform/kit/View.h"

#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QRectF>

#include <vector>

namespace kit {
class Graphics;
}

// The content view of a spring panel: a translucent dark rounded box with a small
// triangle, the anchor, on the edge that faces the thing the panel points at. The
// box is inset 16 points from the view's edges; the anchor lies in that band.
// While the panel springs open or shut the view draws only a snapshot of itself
// and its subviews, stretched with the window, and the subviews are hidden.
// Main thread only.
class SpringPanelView : public kit::View {
    Q_OBJECT

public:
    explicit SpringPanelView(const QRectF& frame = QRectF());

    // The actual opening direction of the panel (1 left, 2 right, 3 up, 4 down):
    // the anchor sits on the edge facing away from it.
    int openingDirection() const { return openingDirection_; }
    void setOpeningDirection(int direction) { openingDirection_ = direction; }
    // The anchor point in the view's own coordinates.
    QPointF springOrigin() const { return springAnchor_; }
    void setSpringOrigin(const QPointF& origin) { springAnchor_ = origin; }
    // Whether the anchor is drawn; the caller asks for the redraw.
    bool drawsAnchor() const { return drawsAnchor_; }
    void setDrawsAnchor(bool draws) { drawsAnchor_ = draws; }

    // Takes the snapshot and hides the visible subviews until stopSpring.
    void startSpring();
    void stopSpring();
    bool inLiveSpring() const { return inLiveSpring_; }

    void drawRect(kit::Graphics& graphics, const QRectF& dirtyRect) override;

private:
    int openingDirection_ = 0;
    QPointF springAnchor_;
    QImage cachedImage_;
    bool inLiveSpring_ = false;
    bool drawsAnchor_ = true;
    bool autoresizedSubviews_ = true;
    std::vector<QPointer<kit::View>> visibleSubviews_;
};
