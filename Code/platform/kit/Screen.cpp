#include "platform/kit/Screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace kit {

namespace {

std::vector<QRectF>& testFrames() {
    static std::vector<QRectF> frames;
    return frames;
}

// The height that y is mirrored against: the main screen's bottom edge in Qt's
// global coordinates.
double mirrorHeight() {
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return 0.0;
    const QRect g = s->geometry();
    return g.y() + g.height();
}

}  // namespace

QRectF Screen::mainFrame() {
    if (!testFrames().empty()) return testFrames().front();
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? fromQtRect(QRectF(s->geometry())) : QRectF();
}

QRectF Screen::visibleFrame() {
    if (!testFrames().empty()) return testFrames().front();
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? fromQtRect(QRectF(s->availableGeometry())) : QRectF();
}

QRectF Screen::frameContaining(const QPointF& point) {
    if (!testFrames().empty()) {
        for (const QRectF& frame : testFrames())
            if (frame.contains(point)) return frame;
        return mainFrame();
    }
    const QPointF q = toQtPoint(point);
    for (QScreen* s : QGuiApplication::screens())
        if (QRectF(s->geometry()).contains(q)) return fromQtRect(QRectF(s->geometry()));
    return mainFrame();
}

void Screen::setFramesForTesting(const std::vector<QRectF>& frames) {
    testFrames() = frames;
}

QRectF Screen::fromQtRect(const QRectF& r) {
    return QRectF(r.x(), mirrorHeight() - r.y() - r.height(), r.width(), r.height());
}

QRectF Screen::toQtRect(const QRectF& r) {
    return QRectF(r.x(), mirrorHeight() - r.y() - r.height(), r.width(), r.height());
}

QPointF Screen::fromQtPoint(const QPointF& p) {
    return QPointF(p.x(), mirrorHeight() - p.y());
}

QPointF Screen::toQtPoint(const QPointF& p) {
    return QPointF(p.x(), mirrorHeight() - p.y());
}

}  // namespace kit
