#include "platform/kit/PageCurl.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kit {

namespace {

QRgb scaled(QRgb c, double k) {
    k = std::clamp(k, 0.0, 1.0);
    return qRgba(int(qRed(c) * k), int(qGreen(c) * k), int(qBlue(c) * k), qAlpha(c));
}

// The back of the sheet: the picture showing through paper, lighter.
QRgb backSide(QRgb c) {
    const auto wash = [](int v) { return (v + 2 * 235) / 3; };
    return qRgba(wash(qRed(c)), wash(qGreen(c)), wash(qBlue(c)), 255);
}

}  // namespace

QImage PageCurl::render(const QImage& fromImage, const QImage& toImage, double time,
                        const Options& options) {
    if (fromImage.size() != toImage.size()) return QImage();
    const QImage from = fromImage.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage to = toImage.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    time = std::clamp(time, 0.0, 1.0);
    const int w = from.width(), h = from.height();
    QImage out(from.size(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(fromImage.devicePixelRatio());

    const double pi = std::numbers::pi;
    const double r = std::max(1.0, options.radius);
    const double shading = std::clamp(options.shading, 0.0, 1.0);
    // The direction the roll starts from, in image coordinates (y down).
    const double dx = std::cos(options.angle), dy = -std::sin(options.angle);
    // The extent of the picture along that direction.
    double lo = 0, hi = 0;
    for (const QPointF c : {QPointF(0, 0), QPointF(w, 0), QPointF(0, h), QPointF(w, h)}) {
        const double q = c.x() * dx + c.y() * dy;
        lo = std::min(lo, q);
        hi = std::max(hi, q);
    }
    // The line where the sheet leaves the table: past the far edge at time 0
    // (nothing rolled), and so far back at time 1 that the whole sheet, roll
    // and all, has left the picture.
    const double axis = hi + time * (lo - pi * r - hi);

    const auto inside = [&](double x, double y) { return x >= 0 && y >= 0 && x < w && y < h; };
    // The sheet's point `u` beyond the axis, seen at a pixel `s` beyond it.
    const auto source = [&](double x, double y, double s, double u, int& sx, int& sy) {
        const double fx = x + (u - s) * dx, fy = y + (u - s) * dy;
        if (!inside(fx, fy)) return false;
        sx = int(fx);
        sy = int(fy);
        return true;
    };

    for (int y = 0; y < h; ++y) {
        const QRgb* oldRow = reinterpret_cast<const QRgb*>(from.constScanLine(y));
        const QRgb* newRow = reinterpret_cast<const QRgb*>(to.constScanLine(y));
        QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double s = px * dx + py * dy - axis;
            int sx = 0, sy = 0;
            if (s < 0) {
                // Flat: the part rolled over lies on top, back side up.
                if (source(px, py, s, pi * r - s, sx, sy)) {
                    row[x] = scaled(backSide(from.pixel(sx, sy)), 1 - 0.15 * shading);
                } else {
                    row[x] = oldRow[x];
                }
                continue;
            }
            if (s <= r) {
                const double a = std::asin(s / r);  // 0..pi/2
                // The upper half of the roll, back side out, covers the lower.
                if (source(px, py, s, r * (pi - a), sx, sy)) {
                    row[x] = scaled(backSide(from.pixel(sx, sy)),
                                    1 - shading * 0.45 * (1 - std::sin(a)));
                    continue;
                }
                if (source(px, py, s, r * a, sx, sy)) {
                    row[x] = scaled(from.pixel(sx, sy), 1 - shading * 0.6 * std::sin(a));
                    continue;
                }
            }
            // The new picture, in the roll's shadow near it.
            const double reach = 1.5 * r;
            const double shadow = s < reach ? shading * 0.4 * (1 - s / reach) : 0;
            row[x] = shadow > 0 ? scaled(newRow[x], 1 - shadow) : newRow[x];
        }
    }
    return out;
}

}  // namespace kit
