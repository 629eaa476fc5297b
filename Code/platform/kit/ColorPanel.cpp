#include "platform/kit/ColorPanel.h"

#include "platform/kit/ColorWell.h"
#include "platform/kit/Control.h"

#include <QColorDialog>

namespace kit {

namespace {

// The panel's content: Qt's colour widget, shown inside the panel rather than
// as a dialog of its own.
class ColorPicker final : public Control {
public:
    explicit ColorPicker(QColorDialog* dialog) { setHostedWidget(dialog); }
};

}  // namespace

ColorPanel::ColorPanel() : Panel(QRectF(200, 200, 540, 420), Titled | Closable) {
    setFloatingPanel(true);
    auto* dialog = new QColorDialog;
    dialog->setWindowFlags(Qt::Widget);
    dialog->setOptions(QColorDialog::NoButtons | QColorDialog::DontUseNativeDialog);
    dialog_ = dialog;
    connect(dialog, &QColorDialog::currentColorChanged, this, &ColorPanel::pickedByUser);
    setContentView(new ColorPicker(dialog));
}

ColorPanel* ColorPanel::shared() {
    static QPointer<ColorPanel> panel;
    if (!panel) panel = new ColorPanel;
    return panel;
}

QColor ColorPanel::color() const {
    QColor c = dialog_->currentColor();
    if (!showsAlpha()) c.setAlpha(255);
    return c;
}

void ColorPanel::setColor(const QColor& color) {
    settingColor_ = true;
    dialog_->setCurrentColor(color);
    settingColor_ = false;
}

bool ColorPanel::showsAlpha() const {
    return dialog_->testOption(QColorDialog::ShowAlphaChannel);
}

void ColorPanel::setShowsAlpha(bool shows) {
    dialog_->setOption(QColorDialog::ShowAlphaChannel, shows);
}

void ColorPanel::setActiveWell(ColorWell* well) {
    if (well_ == well) return;
    ColorWell* old = well_;
    well_ = well;
    if (old) old->deactivate();
}

void ColorPanel::pickedByUser(const QColor&) {
    if (settingColor_) return;
    const QColor c = color();
    emit colorChangedByUser(c);
    if (well_) well_->takeColorFromPanel(c);
}

}  // namespace kit
