#pragma once

#include <QColor>
#include <QImage>
#include <QSizeF>
#include <QString>

// The small images of the model: calendar and marker icons, the type badges of
// the source list and the tinted check boxes. Images are measured in points
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

    // A new 18 x 18 check box tinted with `color`: the checked artwork
    // ("CheckBox_selected") when `state` is set, else the unchecked one
    // ("CheckBox"). The colour shows half-strength over the artwork, whose own
    // shading darkens it.
    static QImage checkboxWithColorAndState(const QColor& color, bool state);
};
