#pragma once

#include <QColor>

namespace kit {

// Colours as the views describe them: RGB, white level and HSB components from 0
// to 1 with alpha, the named colours of the system palette, and the component
// arithmetic the drawing code does. Colours themselves are plain QColor values.
class Color final {
public:
    Color() = delete;

    static QColor rgb(double red, double green, double blue, double alpha = 1.0);
    static QColor white(double level, double alpha = 1.0);
    // Hue, saturation and brightness from 0 to 1; a hue of 1 is red again.
    static QColor hsb(double hue, double saturation, double brightness, double alpha = 1.0);

    static QColor black() { return white(0.0); }
    static QColor whiteColor() { return white(1.0); }
    static QColor darkGray() { return white(1.0 / 3.0); }
    static QColor gray() { return white(0.5); }
    static QColor lightGray() { return white(2.0 / 3.0); }
    static QColor clear() { return white(0.0, 0.0); }
    static QColor red() { return rgb(1, 0, 0); }
    static QColor green() { return rgb(0, 1, 0); }
    static QColor blue() { return rgb(0, 0, 1); }
    static QColor cyan() { return rgb(0, 1, 1); }
    static QColor yellow() { return rgb(1, 1, 0); }
    static QColor magenta() { return rgb(1, 0, 1); }
    static QColor orange() { return rgb(1, 0.5, 0); }
    static QColor purple() { return rgb(0.5, 0, 0.5); }
    static QColor brown() { return rgb(0.6, 0.4, 0.2); }
    // The colour of selected text and rows.
    static QColor selectedTextBackground() { return rgb(0.643, 0.8, 1.0); }

    // Components from 0 to 1. An achromatic colour has hue 0 (never -1).
    static double redComponent(const QColor& c) { return c.redF(); }
    static double greenComponent(const QColor& c) { return c.greenF(); }
    static double blueComponent(const QColor& c) { return c.blueF(); }
    static double alphaComponent(const QColor& c) { return c.alphaF(); }
    static double whiteComponent(const QColor& c);  // the mean of red, green and blue
    // The grey a colour turns into, each primary weighted by how bright it
    // looks (green most, blue least): what decides between light and dark
    // text on it.
    static double grayLevel(const QColor& c);
    static double hueComponent(const QColor& c);
    static double saturationComponent(const QColor& c);
    static double brightnessComponent(const QColor& c);

    static QColor withAlpha(const QColor& c, double alpha);
    // `fraction` of `other` mixed into `c` (alpha included), 0 giving `c`.
    static QColor blended(const QColor& c, double fraction, const QColor& other);
    static QColor highlight(const QColor& c, double level) {
        return blended(c, level, whiteColor());
    }
    static QColor shadow(const QColor& c, double level) { return blended(c, level, black()); }
};

}  // namespace kit
