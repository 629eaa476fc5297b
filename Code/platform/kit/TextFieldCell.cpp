#include "platform/kit/TextFieldCell.h"

#include "platform/kit/AttributedString.h"
#include "platform/kit/Graphics.h"

namespace kit {

TextFieldCell::TextFieldCell() {
    setEditable(true);
    setFont(Font::systemFont(Font::smallSystemFontSize()));
}

QString TextFieldCell::text() const {
    const QVariant v = objectValue();
    if (v.metaType() == QMetaType::fromType<AttributedString>())
        return v.value<AttributedString>().string();
    return v.toString();
}

QRectF TextFieldCell::drawingRectForBounds(const QRectF& bounds) const {
    return bounds.adjusted(2, 0, -2, 0);
}

QSizeF TextFieldCell::cellSize() const {
    const TextAttributes attributes(font(), textColor_);
    const QSizeF s = attributes.sizeOfString(text());
    return QSizeF(s.width() + 4, s.height());
}

void TextFieldCell::drawInteriorWithFrame(Graphics& g, const QRectF& frame, View*) {
    const QRectF r = drawingRectForBounds(frame);
    if (r.width() <= 0 || r.height() <= 0) return;
    const QVariant v = objectValue();
    AttributedString shown;
    if (v.metaType() == QMetaType::fromType<AttributedString>()) {
        shown = v.value<AttributedString>();
    } else {
        TextAttributes attributes(font(), isHighlighted() ? QColor(255, 255, 255) : textColor_);
        attributes.paragraph.alignment = alignment_;
        attributes.paragraph.lineBreakMode = LineBreakMode::Clipping;
        shown = AttributedString(v.toString(), attributes);
    }
    if (shown.isEmpty()) return;
    // One line, centred in the frame's height.
    const double h = shown.size().height();
    const QRectF line(r.x(), r.y() + std::max(0.0, (r.height() - h) / 2), r.width(),
                      std::min(h, r.height()));
    g.saveGraphicsState();
    g.clipToRect(r);
    g.drawAttributedString(shown, line);
    g.restoreGraphicsState();
}

}  // namespace kit
