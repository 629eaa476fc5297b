#pragma once

#include <QPointF>
#include <QRectF>

namespace kit {

// Screen coordinates as the views compute them: origin at the lower left corner
// of the main screen, y growing upwards. Converts to and from Qt's global
// coordinates (origin top left, y downwards).
class Screen final {
public:
    Screen() = delete;

    // The main screen's frame, and the part of it not taken by panels and docks.
    static QRectF mainFrame();
    static QRectF visibleFrame();
    // The frame of the screen that holds the point (the main one when none does).
    static QRectF frameContaining(const QPointF& point);

    static QRectF fromQtRect(const QRectF& qtRect);
    static QRectF toQtRect(const QRectF& rect);
    static QPointF fromQtPoint(const QPointF& qtPoint);
    static QPointF toQtPoint(const QPointF& point);
};

}  // namespace kit
