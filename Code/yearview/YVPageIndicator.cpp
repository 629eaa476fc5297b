#include "yearview/YVPageIndicator.h"

#include "platform/kit/Color.h"
#include "platform/kit/Graphics.h"

#include <algorithm>

YVPageIndicator::YVPageIndicator(const QRectF& frame) : kit::View(frame) {}

void YVPageIndicator::moveIndicatorTo(double x) {
    dotOffset = std::clamp(-x, -1.0, 1.0);
}

void YVPageIndicator::moveIndicatorToAndDisplay(double x, bool display) {
    moveIndicatorTo(x);
    if (display) this->display();
}

void YVPageIndicator::centerIndicator() {
    dotOffset = 0.0;
    setNeedsDisplay(true);
}

QPointF YVPageIndicator::centreRingCentre() const {
    const QRectF b = bounds();
    return QPointF(b.x() + b.width() * 0.5 - 1.0, b.y() + kRingCentreY);
}

void YVPageIndicator::drawRect(kit::Graphics& g, const QRectF&) {
    const QPointF centre = centreRingCentre();
    const double c = centre.x();
    const double v = centre.y();
    const double half = kRingSize / 2;
    const auto ring = [&](double x) { return QRectF(x - half, v - half, kRingSize, kRingSize); };

    // The rings go over the dot.
    g.setColor(kit::Color::darkGray());
    g.fillOval(ring(c + dotOffset * kRingSpacing));
    g.setDefaultLineWidth(1.0);
    g.setColor(kit::Color::lightGray());
    g.strokeOval(ring(c));
    for (int i = 1; i <= 4; ++i) {
        g.strokeOval(ring(c + kRingSpacing * i));
        g.strokeOval(ring(c - kRingSpacing * i));
        // Each pair further out is a little lighter.
        g.setColor(kit::Color::white(0.66666 + 0.08 * i, 1.0));
    }
}
