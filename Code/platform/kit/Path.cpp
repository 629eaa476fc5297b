#include "platform/kit/Path.h"

#include <algorithm>
#include <cmath>

namespace kit {

Path::Path() {
    path_.setFillRule(Qt::WindingFill);
}

Path Path::rect(const QRectF& r) {
    Path p;
    p.appendRect(r);
    return p;
}

Path Path::oval(const QRectF& r) {
    Path p;
    p.appendOval(r);
    return p;
}

Path Path::roundedRect(const QRectF& r, double xRadius, double yRadius) {
    Path p;
    p.appendRoundedRect(r, xRadius, yRadius);
    return p;
}

void Path::moveTo(const QPointF& p) {
    path_.moveTo(p);
}
void Path::lineTo(const QPointF& p) {
    path_.lineTo(p);
}

void Path::curveTo(const QPointF& end, const QPointF& control1, const QPointF& control2) {
    path_.cubicTo(control1, control2, end);
}

void Path::relativeMoveTo(const QPointF& d) {
    path_.moveTo(path_.currentPosition() + d);
}
void Path::relativeLineTo(const QPointF& d) {
    path_.lineTo(path_.currentPosition() + d);
}

void Path::relativeCurveTo(const QPointF& end, const QPointF& control1, const QPointF& control2) {
    const QPointF o = path_.currentPosition();
    path_.cubicTo(o + control1, o + control2, o + end);
}

void Path::closePath() {
    path_.closeSubpath();
}

void Path::appendRect(const QRectF& r) {
    // Corners in the order (minX, minY), (maxX, minY), (maxX, maxY), (minX, maxY).
    path_.moveTo(r.x(), r.y());
    path_.lineTo(r.x() + r.width(), r.y());
    path_.lineTo(r.x() + r.width(), r.y() + r.height());
    path_.lineTo(r.x(), r.y() + r.height());
    path_.closeSubpath();
}

void Path::appendOval(const QRectF& r) {
    path_.addEllipse(r);
}

void Path::appendRoundedRect(const QRectF& r, double xRadius, double yRadius) {
    const double rx = std::clamp(xRadius, 0.0, r.width() / 2.0);
    const double ry = std::clamp(yRadius, 0.0, r.height() / 2.0);
    if (rx <= 0.0 || ry <= 0.0) {
        appendRect(r);
        return;
    }
    path_.addRoundedRect(r, rx, ry);
}

void Path::appendArc(const QPointF& center, double radius, double startAngle, double endAngle,
                     bool clockwise) {
    // QPainterPath measures angles clockwise-positive on screen (y down); in our
    // coordinates the angle is counter-clockwise with y up, which is the same
    // formula once y is read upwards: a point at angle a is (cos a, sin a).
    double sweep = endAngle - startAngle;
    if (!clockwise) {
        while (sweep < 0) sweep += 360.0;
    } else {
        while (sweep > 0) sweep -= 360.0;
    }
    const double a0 = startAngle * M_PI / 180.0;
    const QPointF start(center.x() + radius * std::cos(a0), center.y() + radius * std::sin(a0));
    if (path_.elementCount() == 0)
        path_.moveTo(start);
    else
        path_.lineTo(start);
    // Approximate with short line-free cubic segments of at most 90 degrees.
    const int segments = std::max(1, int(std::ceil(std::abs(sweep) / 90.0)));
    const double step = sweep / segments * M_PI / 180.0;
    double a = a0;
    for (int i = 0; i < segments; ++i) {
        const double b = a + step;
        const double k = 4.0 / 3.0 * std::tan((b - a) / 4.0);
        const QPointF p0(center.x() + radius * std::cos(a), center.y() + radius * std::sin(a));
        const QPointF p3(center.x() + radius * std::cos(b), center.y() + radius * std::sin(b));
        const QPointF c1(p0.x() - k * radius * std::sin(a), p0.y() + k * radius * std::cos(a));
        const QPointF c2(p3.x() + k * radius * std::sin(b), p3.y() - k * radius * std::cos(b));
        path_.cubicTo(c1, c2, p3);
        a = b;
    }
}

void Path::appendPath(const Path& other) {
    path_.addPath(other.path_);
}

void Path::removeAllPoints() {
    path_ = QPainterPath();
    setWindingRule(winding_);
}

void Path::transform(const QTransform& t) {
    const Qt::FillRule rule = path_.fillRule();
    path_ = t.map(path_);
    path_.setFillRule(rule);
}

QRectF Path::bounds() const {
    return path_.boundingRect();
}

bool Path::containsPoint(const QPointF& p) const {
    return path_.contains(p);
}

void Path::setLineDash(const std::vector<double>& pattern, double phase) {
    dash_ = pattern;
    dashPhase_ = phase;
}

void Path::setWindingRule(WindingRule r) {
    winding_ = r;
    path_.setFillRule(r == WindingRule::NonZero ? Qt::WindingFill : Qt::OddEvenFill);
}

}  // namespace kit
