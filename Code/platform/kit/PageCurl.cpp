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

// The light across the roll from the shading picture's middle row: 1 where
// it is white, less where it is darker; `across` runs from 0 to 1.
class RollLight {
public:
    explicit RollLight(const QImage& picture) {
        if (picture.isNull()) return;
        const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
        const int y = image.height() / 2;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            // Transparent parts of the picture leave the sheet as it is.
            const double grey = qGray(c) / 255.0, alpha = qAlpha(c) / 255.0;
            row_.push_back(1 - alpha * (1 - grey));
        }
    }
    bool isEmpty() const { return row_.empty(); }
    double at(double across) const {
        const double x = std::clamp(across, 0.0, 1.0) * double(row_.size() - 1);
        return row_[size_t(std::lround(x))];
    }

private:
    std::vector<double> row_;
};

}  // namespace

QImage PageCurl::render(const QImage& fromImage, const QImage& toImage, double time,
                        const Options& options) {
    if (fromImage.size() != toImage.size()) return QImage();
    if (!options.backside.isNull() && options.backside.size() != fromImage.size()) return QImage();
    const QImage from = fromImage.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage to = toImage.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage back = options.backside.isNull()
                            ? from
                            : options.backside.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const RollLight light(options.shadingImage);
    time = std::clamp(time, 0.0, 1.0);
    QImage out(from.size(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(fromImage.devicePixelRatio());
    out.fill(Qt::transparent);
    // The turning part: the extent within the picture, in whole pixels.
    const QRect all(QPoint(0, 0), from.size());
    const QRect area =
        options.extent.isEmpty() ? all : options.extent.toAlignedRect().intersected(all);
    if (area.isEmpty()) return out;
    const int x0 = area.x(), y0 = area.y();
    const int w = area.width(), h = area.height();

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
    // The sheet's point `u` beyond the axis, seen at a pixel `s` beyond it
    // (in the picture's pixels).
    const auto source = [&](double x, double y, double s, double u, int& sx, int& sy) {
        const double fx = x + (u - s) * dx, fy = y + (u - s) * dy;
        if (!inside(fx, fy)) return false;
        sx = x0 + int(fx);
        sy = y0 + int(fy);
        return true;
    };
    // How much light a point of the roll `a` (0 where it leaves the table,
    // pi/2 at its top) gets.
    const auto rollShade = [&](double a, double evenShade) {
        if (light.isEmpty()) return evenShade;
        return 1 - shading * (1 - light.at(0.5 + 0.5 * std::cos(a)));
    };

    for (int y = 0; y < h; ++y) {
        const QRgb* oldRow = reinterpret_cast<const QRgb*>(from.constScanLine(y0 + y)) + x0;
        const QRgb* newRow = reinterpret_cast<const QRgb*>(to.constScanLine(y0 + y)) + x0;
        QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y0 + y)) + x0;
        for (int x = 0; x < w; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double s = px * dx + py * dy - axis;
            int sx = 0, sy = 0;
            if (s < 0) {
                // Flat: the part rolled over lies on top, back side up.
                if (source(px, py, s, pi * r - s, sx, sy)) {
                    row[x] = scaled(backSide(back.pixel(sx, sy)), 1 - 0.15 * shading);
                } else {
                    row[x] = oldRow[x];
                }
                continue;
            }
            if (s <= r) {
                const double a = std::asin(s / r);  // 0..pi/2
                // The upper half of the roll, back side out, covers the lower.
                if (source(px, py, s, r * (pi - a), sx, sy)) {
                    row[x] = scaled(backSide(back.pixel(sx, sy)),
                                    rollShade(pi - a, 1 - shading * 0.45 * (1 - std::sin(a))));
                    continue;
                }
                if (source(px, py, s, r * a, sx, sy)) {
                    row[x] =
                        scaled(from.pixel(sx, sy), rollShade(a, 1 - shading * 0.6 * std::sin(a)));
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
