#pragma once

#include <QColor>
#include <QImage>
#include <QSizeF>
#include <QString>

// The small images of the model: calendar and marker icons, the type badges of
// the source list and their artwork. Images are measured in points
// (pixel size divided by the device pixel ratio) and drawn at kScale pixels per
// point so that they stay sharp on dense screens. Thread-safe.
class ModelImages final {
public:
    ModelImages() = delete;

    static constexpr double kScale = 2.0;

    // A transparent image of `size` points.
    static QImage emptyImage(const QSizeF& size);
    // The SVG named `name` of Resources/images rendered at its own size, loaded
    // once; a null image when there is none.
    static QImage named(const QString& name);

    // The same rendered at `size` points, loaded once per size.
    static QImage namedAtSize(const QString& name, const QSizeF& size);
};
