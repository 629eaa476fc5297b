#pragma once

#include <QColor>
#include <QImage>

#include <QSizeF>
#include <QString>
#include <optional>

namespace kit {

// Images are plain QImage values measured in points: an image's size in points is
// its pixel size divided by its device pixel ratio. These helpers make empty
// images to draw into, load the named images of the resources and scale them.
class Image final {
public:
    Image() = delete;

    // A transparent image of `size` points at `scale` pixels per point.
    static QImage withSize(const QSizeF& size, double scale = 1.0);
    static QSizeF sizeInPoints(const QImage& image);

    // The image named `name` from Resources/images (an SVG rendered at its own
    // size, or a PNG), cached after the first load; a null image when there is
    // none. Thread-safe.
    static QImage named(const QString& name);
    // The same image rendered to `size` points (SVGs stay sharp).
    static QImage named(const QString& name, const QSizeF& size);
    static void setNamedImageScale(double scale);  // pixels per point for named images; 2

    // `image` drawn smoothly into a new image of `size` points.
    static QImage scaledToSize(const QImage& image, const QSizeF& size);

    // How an icon's mask is tinted.
    struct TintOptions {
        // A colour brighter than this (HSV value, 0 to 1) is taken at this
        // brightness, with its hue and saturation; none: the colour as it is.
        std::optional<double> brightnessCap;
        // A mask wider than 65 pixels (drawn for twice the resolution) is
        // halved in both directions first.
        bool halveWideMasks = false;
    };
    // The mask coloured by multiplying: each pixel's red, green and blue times
    // the colour's, the mask's alpha kept; the colour's own alpha is not used.
    // The icons tinted in a calendar's colour are made with it.
    static QImage tinted(const QImage& mask, const QColor& color, const TintOptions& options);
    static QImage tinted(const QImage& mask, const QColor& color) {
        return tinted(mask, color, TintOptions{});
    }
};

}  // namespace kit
