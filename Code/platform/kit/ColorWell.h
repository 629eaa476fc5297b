#pragma once

#include "platform/kit/Control.h"

#include <QColor>

namespace kit {

// A swatch of a colour that opens the shared colour panel. A click activates
// the well (and deactivates the one the panel worked for) and shows the panel
// with the well's colour, with the alpha channel when the well supports it; a
// second click deactivates it. While active, the well takes every colour the
// user picks in the panel and sends its action each time, so its owner follows
// the colour as it changes. Without alpha support the colour stays opaque. The
// colour is the object value. Main thread only.
class ColorWell final : public Control {
    Q_OBJECT

public:
    explicit ColorWell(const QRectF& frame = QRectF());

    QColor color() const { return color_; }
    void setColor(const QColor& color);
    void setObjectValue(const QVariant& value) override { setColor(value.value<QColor>()); }

    bool supportsAlpha() const { return supportsAlpha_; }
    void setSupportsAlpha(bool supports);

    // The panel is key while a well is used: a click on another well acts at
    // once.
    bool acceptsFirstMouse(const Event&) override { return true; }

    bool isActive() const { return active_; }
    void activate();
    void deactivate();

private:
    friend class ColorPanel;
    void clickedByUser();
    void takeColorFromPanel(const QColor& color);
    void updateLook();

    QColor color_ = QColor(255, 255, 255);
    bool supportsAlpha_ = false;
    bool active_ = false;
};

}  // namespace kit
