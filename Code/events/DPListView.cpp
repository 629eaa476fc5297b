#include "events/DPListView.h"

#include "platform/foundation/Log.h"
#include "platform/kit/AttributedString.h"
#include "platform/kit/Color.h"
#include "platform/kit/Font.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "weekview/WeekdayView.h"

#include <algorithm>
#include <exception>

namespace {

// Reports the view unflipped again however the drawing ends.
class FlippedWhileDrawingText final {
public:
    explicit FlippedWhileDrawingText(DPListView* view) : view_(view) { view_->setFlippedY(true); }
    ~FlippedWhileDrawingText() { view_->setFlippedY(false); }
    FlippedWhileDrawingText(const FlippedWhileDrawingText&) = delete;
    FlippedWhileDrawingText& operator=(const FlippedWhileDrawingText&) = delete;

private:
    DPListView* view_;
};

}  // namespace

DPListView::DPListView(const QRectF& frame) : kit::View(frame) {}

DPListView::BoxColors DPListView::boxColors(const std::optional<QColor>& base,
                                            const BoxStyle& style) {
    using kit::Color;
    if (!base)
        return {Color::white(0.1, 1.0), Color::white(0.5, 1.0), Color::white(0.5, 0.7),
                Color::white(0.3, 0.7)};
    const double h = Color::hueComponent(*base);
    const double s = Color::saturationComponent(*base);
    const double b = Color::brightnessComponent(*base);
    BoxColors c;
    if (s <= style.greyThreshold) {
        c.rim = Color::white(std::min(b + 0.5, 1.0), 1.0);
        c.edge = Color::white(0.1, 1.0);
    } else {
        c.edge = Color::hsb(h, s, style.edgeBrightness, 1.0);
        c.rim = style.halfSaturatedRim ? Color::hsb(h, s * 0.5, 1.0, 1.0)
                                       : Color::hsb(h, 0.5, 0.9, 1.0);
    }
    c.body = Color::hsb(h, s, b, 0.7);
    double topB = b + 0.2, topS = std::max(0.0, s - 0.4), topAlpha = 0.7;
    if (topB > 1.0) {
        topB = 1.0;
        topAlpha = 0.85;
    }
    c.top = Color::hsb(h, topS, topB, topAlpha);
    return c;
}

kit::TextAttributes DPListView::titleAttributes(const QColor& color) {
    return kit::TextAttributes(kit::Font::systemFont(kit::Font::smallSystemFontSize()), color);
}

void DPListView::drawBoxedText(kit::Graphics& g, const QString& text,
                               const kit::TextAttributes& attributes, const QRectF& rect) {
    const double x = kit::minX(rect), y = kit::minY(rect);
    const double w = kit::width(rect), h = kit::height(rect);
    if (text.isEmpty() || w <= 0 || h <= 0) return;
    if (!WeekdayView::layoutBoxedText(textLayout_, text, attributes, QSizeF(w, h))) return;
    // Mirrored about the rectangle's middle, so that the lines run down from
    // its top, upright.
    FlippedWhileDrawingText flipped(this);
    g.saveGraphicsState();
    try {
        g.translate(0, 2 * y + h);
        g.scale(1, -1);
        g.drawTextLayout(textLayout_, QPointF(x, y));
    } catch (const std::exception& e) {
        foundation::log(QStringLiteral("ERROR: glyph drawing failed with exception %1")
                            .arg(QString::fromUtf8(e.what())));
        setNeedsDisplay(true);
    }
    g.restoreGraphicsState();
}

void DPListView::drawTitle(kit::Graphics& g, const QString& text, const QRectF& rect) {
    const double x = kit::minX(rect), y = kit::minY(rect);
    const double w = kit::width(rect), h = kit::height(rect);
    drawBoxedText(g, text, titleAttributes(kit::Color::black()), kit::makeRect(x, y + 3, w, h - 4));
    const kit::TextAttributes front = titleAttributes(kit::Color::whiteColor());
    const QRectF frontRect = kit::makeRect(x, y + 2, w, h - 4);
    drawBoxedText(g, text, front, frontRect);
    if (textDoubleStrike_) drawBoxedText(g, text, front, frontRect);
}
