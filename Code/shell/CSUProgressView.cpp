#include "shell/CSUProgressView.h"

#include "platform/kit/Color.h"
#include "platform/kit/Graphics.h"

CSUProgressView::CSUProgressView(const QRectF& frame) : kit::View(frame) {}

QColor CSUProgressView::keyColor() {
    return kit::Color::rgb(0.839, 0.867, 0.898);
}

QColor CSUProgressView::nonKeyColor() {
    return kit::Color::rgb(0.91, 0.91, 0.91);
}

void CSUProgressView::setBackgroundColor(const QColor& color) {
    bgColor = color;
    setNeedsDisplay(true);
}

void CSUProgressView::setWindowKeyStatus(bool isKey) {
    winIsKey = isKey;
    bgColor = isKey ? keyColor() : nonKeyColor();
    setNeedsDisplay(true);
}

void CSUProgressView::drawRect(kit::Graphics& graphics, const QRectF&) {
    graphics.setFillColor(bgColor);
    graphics.fillRect(bounds());
}
