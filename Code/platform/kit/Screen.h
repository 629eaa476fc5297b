#pragma once

#include <QPointF>
#include <QRectF>

#include <vector>

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

    // For tests: the screens' frames in these coordinates, the first one the main
    // screen, in place of the desktop's; an empty list gives the desktop back.
    // Only the frames are replaced, not the conversions.
    static void setFramesForTesting(const std::vector<QRectF>& frames);

    static QRectF fromQtRect(const QRectF& qtRect);
    static QRectF toQtRect(const QRectF& rect);
    static QPointF fromQtPoint(const QPointF& qtPoint);
    static QPointF toQtPoint(const QPointF& point);
};

}  // namespace kit
