#pragma once

#include <QColor>
#include <QImage>

// The check boxes of the source list, tinted with the colour of their calendar
// or marker. Calendar and EMarker make a new one whenever their colour or shown
// state changes and keep it as their checkboxImage. Thread-safe.
class ColorCheckbox final {
public:
    ColorCheckbox() = delete;

    static constexpr double kSize = 18.0;

    // A new 18 x 18 check box: the checked artwork ("CheckBox_selected") when
    // `state` is set, else the unchecked one ("CheckBox"). The colour shows
    // half-strength where the artwork is opaque, and the artwork's own shading
    // darkens it. Nothing is cached: the caller owns the result.
    static QImage checkboxWithColorAndState(const QColor& color, bool state);
};
