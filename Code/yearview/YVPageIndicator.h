#pragma once

#include "platform/kit/View.h"

#include <QRectF>

// The page indicator along the bottom of the year pages: nine rings in a row
// and one dark dot. While the pages are dragged the dot follows towards the
// neighbouring ring; the slide that ends a drag carries it on or back.
class YVPageIndicator final : public kit::View {
    Q_OBJECT

public:
    static constexpr double kRingSpacing = 16.0;
    static constexpr double kRingSize = 8.0;
    static constexpr double kRingCentreY = 12.0;

    explicit YVPageIndicator(const QRectF& frame = QRectF());
    static YVPageIndicator* initWithFrame(const QRectF& frame) {
        return new YVPageIndicator(frame);
    }

    // The dot goes to -x, within -1..1: dragging the pages right moves it left.
    void moveIndicatorTo(double x);
    // The same, drawn at once when `display` is set.
    void moveIndicatorToAndDisplay(double x, bool display);
    double currentOffset() const { return dotOffset; }
    void centerIndicator();

    // The centre of the centre ring, in the indicator's coordinates.
    QPointF centreRingCentre() const;

    void drawRect(kit::Graphics& g, const QRectF& dirtyRect) override;

private:
    double dotOffset = 0.0;
};
