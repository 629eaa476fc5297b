#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>

#include <utility>
#include <vector>

namespace kit {

// A linear colour gradient: colours at locations from 0 to 1, blended in RGB.
// Drawn through Graphics into a rectangle or a path at an angle (degrees counter-
// clockwise from the x axis of the coordinates drawn in: in a view whose y grows
// upwards, 90 runs from the bottom up and 270 from the top down) or between two
// points. A value type.
class Gradient final {
public:
    Gradient() = default;
    Gradient(const QColor& start, const QColor& end);
    // Colours at the given locations; missing locations spread the colours evenly.
    Gradient(const std::vector<QColor>& colors, const std::vector<double>& locations = {});

    const std::vector<std::pair<double, QColor>>& stops() const { return stops_; }
    bool isValid() const { return !stops_.empty(); }
    // The colour at a location, blended between its neighbouring stops.
    QColor interpolatedColorAtLocation(double location) const;

    // The start and end points of the gradient's line across `rect` at `angle`,
    // so that the rectangle's extreme corners take the first and last colours.
    static std::pair<QPointF, QPointF> lineForRect(const QRectF& rect, double angle);

private:
    std::vector<std::pair<double, QColor>> stops_;
};

}  // namespace kit
