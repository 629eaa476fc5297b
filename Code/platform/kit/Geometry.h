#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

// Rectangle and point helpers for the view geometry. A QRectF holds (x, y, width,
// height) in the coordinates of whatever view it belongs to; these helpers never
// assume which way y grows, unlike Qt's top()/bottom().
namespace kit {

inline double minX(const QRectF& r) {
    return r.x();
}
inline double minY(const QRectF& r) {
    return r.y();
}
inline double maxX(const QRectF& r) {
    return r.x() + r.width();
}
inline double maxY(const QRectF& r) {
    return r.y() + r.height();
}
inline double midX(const QRectF& r) {
    return r.x() + r.width() * 0.5;
}
inline double midY(const QRectF& r) {
    return r.y() + r.height() * 0.5;
}
inline double width(const QRectF& r) {
    return r.width();
}
inline double height(const QRectF& r) {
    return r.height();
}

inline QRectF makeRect(double x, double y, double w, double h) {
    return QRectF(x, y, w, h);
}
inline QPointF makePoint(double x, double y) {
    return QPointF(x, y);
}
inline QSizeF makeSize(double w, double h) {
    return QSizeF(w, h);
}

// True when the rectangle has no area (width or height not above 0).
bool isEmptyRect(const QRectF& r);
// Exact equality of origin and size.
bool equalRects(const QRectF& a, const QRectF& b);
bool equalPoints(const QPointF& a, const QPointF& b);
bool equalSizes(const QSizeF& a, const QSizeF& b);

// The point lies in the rectangle: minX <= x < maxX and minY <= y < maxY.
bool pointInRect(const QPointF& p, const QRectF& r);
// The mouse test of a view: in a flipped view the rectangle is half-open at its
// bottom (maxY), in an unflipped one at its lower edge (minY), so that a point on
// the shared edge of two stacked rectangles belongs to exactly one of them.
bool mouseInRect(const QPointF& p, const QRectF& r, bool flipped);
// `inner` lies wholly inside `outer` (an empty inner rectangle never does).
bool containsRect(const QRectF& outer, const QRectF& inner);
bool intersectsRect(const QRectF& a, const QRectF& b);
// The common part; the zero rectangle when there is none.
QRectF intersectionRect(const QRectF& a, const QRectF& b);
// The smallest rectangle holding both; an empty rectangle counts as absent.
QRectF unionRect(const QRectF& a, const QRectF& b);
// Shrinks by dx on the left and right and dy at both ends of y (grows with negatives).
QRectF insetRect(const QRectF& r, double dx, double dy);
QRectF offsetRect(const QRectF& r, double dx, double dy);
// The smallest rectangle on whole numbers that holds `r`; the zero rectangle for
// an empty one.
QRectF integralRect(const QRectF& r);

// The edges a rectangle is divided from.
enum class RectEdge { MinX = 0, MinY = 1, MaxX = 2, MaxY = 3 };
// Cuts a slice of `amount` off `r` at `edge` (clamped to the rectangle's size);
// `remainder` gets the rest.
void divideRect(const QRectF& r, QRectF* slice, QRectF* remainder, double amount, RectEdge edge);

// Text forms of geometry as the saved settings hold them: "{x, y}", "{w, h}" and
// "{{x, y}, {w, h}}". Reading a text that is not in that form gives zero values.
QString stringFromPoint(const QPointF& p);
QString stringFromSize(const QSizeF& s);
QString stringFromRect(const QRectF& r);
QPointF pointFromString(const QString& text);
QSizeF sizeFromString(const QString& text);
QRectF rectFromString(const QString& text);

}  // namespace kit
