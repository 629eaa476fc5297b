#include "events/HoverPanelParts.h"

#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/ScrollView.h"
#include "platform/kit/TextView.h"
#include "platform/kit/View.h"
#include "shell/SpringPanel.h"
#include "shell/SpringPanelView.h"

SpringPanel* HoverPanelParts::makePanel(const QSizeF& size, QObject* delegate) {
    auto* panel = new SpringPanel(QRectF(QPointF(0, 0), size));
    panel->setCanBecomeKeyWindow(false);
    panel->setDelegate(delegate);
    return panel;
}

HoverPanelParts::TextBox HoverPanelParts::addTextBox(kit::View* parent, const QRectF& frame) {
    auto* scroll = new kit::ScrollView(frame);
    scroll->setDrawsBackground(false);
    scroll->setHasVerticalScroller(true);
    scroll->setAutohidesScrollers(true);
    auto* text = new kit::TextView(QRectF(0, 0, frame.width(), frame.height()));
    text->setEditable(false);
    text->setDrawsBackground(false);
    text->setTextColor(kit::Color::whiteColor());
    text->setFont(kit::Font::systemFont(kit::Font::smallSystemFontSize()));
    text->setTextContainerInset(0);
    text->setVerticallyResizable(true);
    text->setAutoresizingMask(kit::View::WidthSizable);
    scroll->setDocumentView(text);
    parent->addSubview(scroll);
    return {scroll, text};
}

QRectF HoverPanelParts::referenceRectOnScreen(kit::View* view, const QRectF& rect) {
    if (!view) return rect;
    const QRectF onScreen = view->convertRectToScreen(rect);
    return QRectF(onScreen.topLeft(), rect.size());
}
