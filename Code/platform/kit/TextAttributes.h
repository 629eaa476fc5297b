#pragma once

#include "platform/kit/Font.h"

#include <QColor>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <optional>

namespace kit {

enum class TextAlignment { Left = 0, Right = 1, Center = 2, Justified = 3, Natural = 4 };
// The horizontal alignment Qt uses for it (natural reads left to right).
Qt::Alignment qtAlignment(TextAlignment alignment);

// How a line that does not fit is treated: wrapped at words or characters, cut
// at the edge (clipping) or shortened with an ellipsis at its head, tail or middle.
// The clipping and truncating modes keep each paragraph on one line.
enum class LineBreakMode {
    WordWrapping = 0,
    CharWrapping = 1,
    Clipping = 2,
    TruncatingHead = 3,
    TruncatingTail = 4,
    TruncatingMiddle = 5
};

// The paragraph settings of a text: alignment, line breaking and the extra space
// added between lines (negative values tighten the lines).
struct ParagraphStyle {
    TextAlignment alignment = TextAlignment::Natural;
    LineBreakMode lineBreakMode = LineBreakMode::WordWrapping;
    double lineSpacing = 0.0;
    double hyphenationFactor = 0.0;  // kept for the callers; lines break at words

    bool operator==(const ParagraphStyle& o) const {
        return alignment == o.alignment && lineBreakMode == o.lineBreakMode &&
               lineSpacing == o.lineSpacing && hyphenationFactor == o.hyphenationFactor;
    }
};

// A text shadow drawn under the glyphs: offset in points (y up), blur radius, colour.
struct TextShadow {
    QPointF offset;
    double blurRadius = 0.0;
    QColor color;
    bool operator==(const TextShadow& o) const {
        return offset == o.offset && blurRadius == o.blurRadius && color == o.color;
    }
};

// The attributes of a run of text: font, colour, optional background, paragraph
// style, underline and strike-through, kerning and baseline offset in points.
struct TextAttributes {
    Font font;
    QColor color = QColor(0, 0, 0);
    std::optional<QColor> backgroundColor;
    ParagraphStyle paragraph;
    bool underline = false;
    bool strikethrough = false;
    double kern = 0.0;
    double baselineOffset = 0.0;
    std::optional<TextShadow> shadow;

    TextAttributes() = default;
    TextAttributes(const Font& f, const QColor& c) : font(f), color(c) {}
    TextAttributes(const Font& f, const QColor& c, const ParagraphStyle& p)
        : font(f), color(c), paragraph(p) {}

    // The size a one-line string takes with these attributes (width of its
    // advance, height of its lines); several lines for texts holding line breaks.
    QSizeF sizeOfString(const QString& text) const;

    bool operator==(const TextAttributes& o) const {
        return font == o.font && color == o.color && backgroundColor == o.backgroundColor &&
               paragraph == o.paragraph && underline == o.underline &&
               strikethrough == o.strikethrough && kern == o.kern &&
               baselineOffset == o.baselineOffset && shadow == o.shadow;
    }
};

}  // namespace kit
