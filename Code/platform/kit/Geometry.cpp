#include "platform/kit/Geometry.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kit {

bool isEmptyRect(const QRectF& r) {
    return !(r.width() > 0.0) || !(r.height() > 0.0);
}

bool equalRects(const QRectF& a, const QRectF& b) {
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

bool equalPoints(const QPointF& a, const QPointF& b) {
    return a.x() == b.x() && a.y() == b.y();
}

bool equalSizes(const QSizeF& a, const QSizeF& b) {
    return a.width() == b.width() && a.height() == b.height();
}

bool pointInRect(const QPointF& p, const QRectF& r) {
    return p.x() >= minX(r) && p.x() < maxX(r) && p.y() >= minY(r) && p.y() < maxY(r);
}

bool mouseInRect(const QPointF& p, const QRectF& r, bool flipped) {
    if (!(p.x() >= minX(r) && p.x() < maxX(r))) return false;
    if (flipped) return p.y() >= minY(r) && p.y() < maxY(r);
    return p.y() > minY(r) && p.y() <= maxY(r);
}

bool containsRect(const QRectF& outer, const QRectF& inner) {
    if (isEmptyRect(inner)) return false;
    return minX(inner) >= minX(outer) && maxX(inner) <= maxX(outer) && minY(inner) >= minY(outer) &&
           maxY(inner) <= maxY(outer);
}

bool intersectsRect(const QRectF& a, const QRectF& b) {
    if (isEmptyRect(a) || isEmptyRect(b)) return false;
    return minX(a) < maxX(b) && minX(b) < maxX(a) && minY(a) < maxY(b) && minY(b) < maxY(a);
}

QRectF intersectionRect(const QRectF& a, const QRectF& b) {
    if (!intersectsRect(a, b)) return QRectF();
    const double x0 = std::max(minX(a), minX(b));
    const double y0 = std::max(minY(a), minY(b));
    const double x1 = std::min(maxX(a), maxX(b));
    const double y1 = std::min(maxY(a), maxY(b));
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

QRectF unionRect(const QRectF& a, const QRectF& b) {
    if (isEmptyRect(a)) return b;
    if (isEmptyRect(b)) return a;
    const double x0 = std::min(minX(a), minX(b));
    const double y0 = std::min(minY(a), minY(b));
    const double x1 = std::max(maxX(a), maxX(b));
    const double y1 = std::max(maxY(a), maxY(b));
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

QRectF insetRect(const QRectF& r, double dx, double dy) {
    return QRectF(r.x() + dx, r.y() + dy, r.width() - 2.0 * dx, r.height() - 2.0 * dy);
}

QRectF offsetRect(const QRectF& r, double dx, double dy) {
    return QRectF(r.x() + dx, r.y() + dy, r.width(), r.height());
}

QRectF integralRect(const QRectF& r) {
    if (isEmptyRect(r)) return QRectF();
    const double x0 = std::floor(minX(r));
    const double y0 = std::floor(minY(r));
    const double x1 = std::ceil(maxX(r));
    const double y1 = std::ceil(maxY(r));
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

void divideRect(const QRectF& r, QRectF* slice, QRectF* remainder, double amount, RectEdge edge) {
    QRectF s = r, rest = r;
    if (isEmptyRect(r)) {
        s = rest = QRectF();
    } else {
        switch (edge) {
            case RectEdge::MinX: {
                const double a = std::clamp(amount, 0.0, r.width());
                s.setWidth(a);
                rest = QRectF(r.x() + a, r.y(), r.width() - a, r.height());
                break;
            }
            case RectEdge::MaxX: {
                const double a = std::clamp(amount, 0.0, r.width());
                s = QRectF(maxX(r) - a, r.y(), a, r.height());
                rest.setWidth(r.width() - a);
                break;
            }
            case RectEdge::MinY: {
                const double a = std::clamp(amount, 0.0, r.height());
                s.setHeight(a);
                rest = QRectF(r.x(), r.y() + a, r.width(), r.height() - a);
                break;
            }
            case RectEdge::MaxY: {
                const double a = std::clamp(amount, 0.0, r.height());
                s = QRectF(r.x(), maxY(r) - a, r.width(), a);
                rest.setHeight(r.height() - a);
                break;
            }
        }
    }
    if (slice) *slice = s;
    if (remainder) *remainder = rest;
}

namespace {

QString num(double v) {
    if (v == 0.0) v = 0.0;  // no "-0"
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

// The numbers of a geometry text in order; none unless the text starts with "{".
std::vector<double> numbersIn(const QString& text) {
    std::vector<double> out;
    if (!text.trimmed().startsWith(u'{')) return out;
    static const QRegularExpression number(
        QStringLiteral("[-+]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][-+]?\\d+)?"));
    auto it = number.globalMatch(text);
    while (it.hasNext()) out.push_back(it.next().captured(0).toDouble());
    return out;
}

double at(const std::vector<double>& v, size_t i) {
    return i < v.size() ? v[i] : 0.0;
}

}  // namespace

QString stringFromPoint(const QPointF& p) {
    return QStringLiteral("{%1, %2}").arg(num(p.x()), num(p.y()));
}

QString stringFromSize(const QSizeF& s) {
    return QStringLiteral("{%1, %2}").arg(num(s.width()), num(s.height()));
}

QString stringFromRect(const QRectF& r) {
    return QStringLiteral("{%1, %2}").arg(stringFromPoint(r.topLeft()), stringFromSize(r.size()));
}

QPointF pointFromString(const QString& text) {
    const auto v = numbersIn(text);
    return QPointF(at(v, 0), at(v, 1));
}

QSizeF sizeFromString(const QString& text) {
    const auto v = numbersIn(text);
    return QSizeF(at(v, 0), at(v, 1));
}

QRectF rectFromString(const QString& text) {
    const auto v = numbersIn(text);
    return QRectF(at(v, 0), at(v, 1), at(v, 2), at(v, 3));
}

}  // namespace kit
