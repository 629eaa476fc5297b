#pragma once

#include "platform/kit/Panel.h"

#include <QColor>
#include <QPointer>

class QColorDialog;

namespace kit {

class ColorWell;

// The one colour panel of the application: a kit panel hosting Qt's colour
// widget, so the kit's modality and key window know it. Whoever opens it says
// whether it shows the alpha channel. While a colour well is active the panel
// works for it: every colour the user picks goes to that well at once. Main
// thread only.
class ColorPanel final : public Panel {
    Q_OBJECT

public:
    static ColorPanel* shared();

    QColor color() const;
    // Code's colours go to no well.
    void setColor(const QColor& color);
    bool showsAlpha() const;
    void setShowsAlpha(bool shows);

    // The well the panel works for (null when none).
    ColorWell* activeWell() const { return well_; }

    QColorDialog* colorDialog() const { return dialog_; }

signals:
    // The user picked a colour in the panel.
    void colorChangedByUser(const QColor& color);

private:
    friend class ColorWell;
    ColorPanel();
    void setActiveWell(ColorWell* well);
    void pickedByUser(const QColor& color);

    QColorDialog* dialog_ = nullptr;  // inside the panel, which owns it
    QPointer<ColorWell> well_;
    bool settingColor_ = false;
};

}  // namespace kit
