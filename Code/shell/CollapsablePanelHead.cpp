#include "shell/CollapsablePanelHead.h"

#include "platform/kit/Color.h"
#include "platform/kit/Gradient.h"
#include "platform/kit/Graphics.h"

using kit::Color;

CollapsablePanelHead::CollapsablePanelHead(const QRectF& frame) : kit::View(frame) {}

void CollapsablePanelHead::drawRect(kit::Graphics& g, const QRectF&) {
    const QRectF b = bounds();
    if (collapsed_ && !drawsTitlebarWhileCollapsed_) {
        g.setFillColor(Color::white(0.91));
        g.fillRect(b);
    } else {
        // Lighter at the top.
        g.drawGradient(kit::Gradient(Color::white(0.88), Color::white(0.773)), b, 270);
        g.setFillColor(Color::white(0.612));
        g.fillRect(QRectF(b.x(), b.y(), b.width(), 1));
        g.setFillColor(Color::white(0.659));
        g.fillRect(QRectF(b.x(), b.height() - 1, b.width(), 1));
        g.setFillColor(Color::white(0.925));
        g.fillRect(QRectF(b.x(), b.height() - 2, b.width(), 1));
        g.setFillColor(Color::white(0.0, 0.03));
        g.fillRect(b);
    }
    if (headerPressed_ && !inAnimation_) {
        g.setFillColor(Color::white(0.0, 0.07));
        g.fillRect(b);
    }
}

void CollapsablePanelHead::mouseDown(const kit::Event& event) {
    if (kit::View* pane = superview()) pane->mouseDown(event);
}
