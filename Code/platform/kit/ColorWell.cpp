#include "platform/kit/ColorWell.h"

#include "platform/kit/ColorPanel.h"

#include <QAbstractButton>
#include <QPainter>

namespace kit {

namespace {

// The swatch: a bordered square of the colour over a checkerboard (which shows
// through a translucent colour), framed more heavily while the well is active.
class Swatch final : public QAbstractButton {
public:
    QColor color;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect r = rect().adjusted(0, 0, -1, -1);
        p.fillRect(r, isChecked() ? QColor(90, 90, 90) : QColor(200, 200, 200));
        const QRect inner = r.adjusted(4, 4, -3, -3);
        const int cell = 6;
        for (int y = inner.top(); y <= inner.bottom(); y += cell)
            for (int x = inner.left(); x <= inner.right(); x += cell)
                p.fillRect(QRect(x, y, cell, cell).intersected(inner),
                           ((x - inner.left()) / cell + (y - inner.top()) / cell) % 2
                               ? QColor(255, 255, 255)
                               : QColor(204, 204, 204));
        p.fillRect(inner, color);
        p.setPen(QColor(120, 120, 120));
        p.drawRect(r);
    }
};

}  // namespace

ColorWell::ColorWell(const QRectF& frame) : Control(frame) {
    auto* swatch = new Swatch;
    swatch->setCheckable(true);
    swatch->setFocusPolicy(Qt::TabFocus);
    connect(swatch, &QAbstractButton::clicked, this, &ColorWell::clickedByUser);
    setHostedWidget(swatch);
    updateLook();
}

void ColorWell::setColor(const QColor& color) {
    color_ = color;
    if (!supportsAlpha_) color_.setAlpha(255);
    updateLook();
}

void ColorWell::setSupportsAlpha(bool supports) {
    supportsAlpha_ = supports;
    setColor(color_);
}

void ColorWell::activate() {
    if (active_) return;
    active_ = true;
    ColorPanel* panel = ColorPanel::shared();
    panel->setActiveWell(this);
    panel->setShowsAlpha(supportsAlpha_);
    panel->setColor(color_);
    panel->makeKeyAndOrderFront();
    updateLook();
}

void ColorWell::deactivate() {
    if (!active_) return;
    active_ = false;
    ColorPanel* panel = ColorPanel::shared();
    if (panel->activeWell() == this) panel->setActiveWell(nullptr);
    updateLook();
}

void ColorWell::clickedByUser() {
    if (active_)
        deactivate();
    else
        activate();
}

void ColorWell::takeColorFromPanel(const QColor& color) {
    setColor(color);
    sendAction();
}

void ColorWell::updateLook() {
    storeValue(color_);
    if (auto* s = static_cast<Swatch*>(hostedWidget())) {
        s->color = color_;
        s->setChecked(active_);
        s->update();
    }
}

}  // namespace kit
