#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <vector>

namespace kit {

enum class LineCap { Butt = 0, Round = 1, Square = 2 };
enum class LineJoin { Miter = 0, Round = 1, Bevel = 2 };
enum class WindingRule { NonZero = 0, EvenOdd = 1 };

// A path of lines and curves with its own stroke settings (width, dash pattern,
// caps and joins), built with absolute and relative moves as the drawing code
// describes shapes. Filled with the non-zero winding rule unless told otherwise.
// A value type; safe to use on any thread.
class Path final {
public:
    Path();

    static Path rect(const QRectF& r);
    static Path oval(const QRectF& r);
    static Path roundedRect(const QRectF& r, double xRadius, double yRadius);

    void moveTo(const QPointF& p);
    void lineTo(const QPointF& p);
    void curveTo(const QPointF& end, const QPointF& control1, const QPointF& control2);
    void relativeMoveTo(const QPointF& d);
    void relativeLineTo(const QPointF& d);
    void relativeCurveTo(const QPointF& end, const QPointF& control1, const QPointF& control2);
    void closePath();
    void appendRect(const QRectF& r);
    void appendOval(const QRectF& r);
    void appendRoundedRect(const QRectF& r, double xRadius, double yRadius);
    // An arc round `center` from `startAngle` to `endAngle` (degrees, counter-
    // clockwise in a coordinate system whose y grows upwards unless `clockwise`).
    void appendArc(const QPointF& center, double radius, double startAngle, double endAngle,
                   bool clockwise = false);
    void appendPath(const Path& other);
    void removeAllPoints();
    void transform(const QTransform& t);

    bool isEmpty() const { return path_.isEmpty(); }
    QPointF currentPoint() const { return path_.currentPosition(); }
    QRectF bounds() const;  // the bounds of the points with the curves' extent
    bool containsPoint(const QPointF& p) const;

    double lineWidth() const { return lineWidth_; }
    void setLineWidth(double w) { lineWidth_ = w; }  // 0 or less: the graphics default
    LineCap lineCap() const { return cap_; }
    void setLineCap(LineCap c) { cap_ = c; }
    LineJoin lineJoin() const { return join_; }
    void setLineJoin(LineJoin j) { join_ = j; }
    double miterLimit() const { return miterLimit_; }
    void setMiterLimit(double m) { miterLimit_ = m; }
    // The dash pattern in points, alternately drawn and left out, starting `phase`
    // points into the pattern. An empty pattern draws a solid line.
    void setLineDash(const std::vector<double>& pattern, double phase);
    const std::vector<double>& lineDash() const { return dash_; }
    double lineDashPhase() const { return dashPhase_; }
    WindingRule windingRule() const { return winding_; }
    void setWindingRule(WindingRule r);

    const QPainterPath& painterPath() const { return path_; }

private:
    QPainterPath path_;
    double lineWidth_ = 0.0;
    LineCap cap_ = LineCap::Butt;
    LineJoin join_ = LineJoin::Miter;
    double miterLimit_ = 10.0;
    std::vector<double> dash_;
    double dashPhase_ = 0.0;
    WindingRule winding_ = WindingRule::NonZero;
};

}  // namespace kit
