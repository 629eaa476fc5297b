#include "platform/kit/Gradient.h"

#include <algorithm>
#include <cmath>

namespace kit {

Gradient::Gradient(const QColor& start, const QColor& end) {
    stops_ = {{0.0, start}, {1.0, end}};
}

Gradient::Gradient(const std::vector<QColor>& colors, const std::vector<double>& locations) {
    const size_t n = colors.size();
    for (size_t i = 0; i < n; ++i) {
        double loc =
            i < locations.size() ? locations[i] : (n > 1 ? double(i) / double(n - 1) : 0.0);
        stops_.emplace_back(std::clamp(loc, 0.0, 1.0), colors[i]);
    }
    std::stable_sort(stops_.begin(), stops_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

QColor Gradient::interpolatedColorAtLocation(double location) const {
    if (stops_.empty()) return QColor();
    if (location <= stops_.front().first) return stops_.front().second;
    if (location >= stops_.back().first) return stops_.back().second;
    for (size_t i = 1; i < stops_.size(); ++i) {
        const auto& [l1, c1] = stops_[i];
        const auto& [l0, c0] = stops_[i - 1];
        if (location <= l1) {
            const double f = l1 > l0 ? (location - l0) / (l1 - l0) : 1.0;
            const QColor a = c0.toRgb(), b = c1.toRgb();
            return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * f),
                                    float(a.greenF() + (b.greenF() - a.greenF()) * f),
                                    float(a.blueF() + (b.blueF() - a.blueF()) * f),
                                    float(a.alphaF() + (b.alphaF() - a.alphaF()) * f));
        }
    }
    return stops_.back().second;
}

std::pair<QPointF, QPointF> Gradient::lineForRect(const QRectF& rect, double angle) {
    const double a = angle * M_PI / 180.0;
    double dx = std::cos(a), dy = std::sin(a);
    // Round away the floating-point dust of 90, 180 and 270 degrees.
    if (std::abs(dx) < 1e-12) dx = 0;
    if (std::abs(dy) < 1e-12) dy = 0;
    const double half = (std::abs(rect.width() * dx) + std::abs(rect.height() * dy)) / 2.0;
    const QPointF c(rect.x() + rect.width() / 2.0, rect.y() + rect.height() / 2.0);
    return {QPointF(c.x() - dx * half, c.y() - dy * half),
            QPointF(c.x() + dx * half, c.y() + dy * half)};
}

}  // namespace kit
