#pragma once

#include "platform/kit/View.h"

#include <QRectF>

// The base of a day column's two subviews (its header and its hour area): a
// view whose flipped state can be switched for the length of one drawing, and
// which knows whether it is being drawn into its cached image.
class WDSubview : public kit::View {
    Q_OBJECT

public:
    explicit WDSubview(const QRectF& frame = QRectF());

    void setFlippedY(bool flipped) { flippedY_ = flipped; }
    bool isFlipped() const override { return flippedY_; }
    bool inCacheDrawing() const { return inCacheDrawing_; }

protected:
    bool flippedY_ = false;
    bool inCacheDrawing_ = false;
};
