#include "platform/kit/Color.h"

#include <algorithm>
#include <cmath>

namespace kit {

namespace {
double unit(double v) {
    return std::clamp(v, 0.0, 1.0);
}
}  // namespace

QColor Color::rgb(double red, double green, double blue, double alpha) {
    return QColor::fromRgbF(float(unit(red)), float(unit(green)), float(unit(blue)),
                            float(unit(alpha)));
}

QColor Color::white(double level, double alpha) {
    return rgb(level, level, level, alpha);
}

QColor Color::hsb(double hue, double saturation, double brightness, double alpha) {
    double h = hue - std::floor(hue);  // 1.0 and beyond wrap round to red
    return QColor::fromHsvF(float(h), float(unit(saturation)), float(unit(brightness)),
                            float(unit(alpha)))
        .toRgb();
}

double Color::grayLevel(const QColor& c) {
    return 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF();
}

double Color::whiteComponent(const QColor& c) {
    return (c.redF() + c.greenF() + c.blueF()) / 3.0;
}

double Color::hueComponent(const QColor& c) {
    const double h = c.toHsv().hsvHueF();
    return h < 0.0 ? 0.0 : h;
}

double Color::saturationComponent(const QColor& c) {
    return c.toHsv().hsvSaturationF();
}

double Color::brightnessComponent(const QColor& c) {
    return c.toHsv().valueF();
}

QColor Color::withAlpha(const QColor& c, double alpha) {
    QColor out = c.toRgb();
    out.setAlphaF(float(unit(alpha)));
    return out;
}

QColor Color::blended(const QColor& c, double fraction, const QColor& other) {
    const double f = unit(fraction);
    const QColor a = c.toRgb(), b = other.toRgb();
    auto mix = [f](double x, double y) { return x + (y - x) * f; };
    return rgb(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()),
               mix(a.alphaF(), b.alphaF()));
}

}  // namespace kit
