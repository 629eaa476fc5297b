#pragma once

#include "platform/kit/AttributedString.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QPaintDevice;
class QTextLayout;

namespace kit {

class Graphics;

// Lays an attributed text out in a container (a box of a width and a height): the
// lines wrap at the container's width as the paragraph style says, and only the
// whole lines that fit in its height are laid out. Measures the lines that fit and
// draws them from a point downwards, glyphs upright where y grows downwards; a
// view that is not flipped draws it under a transform that mirrors y (or uses
// Graphics::drawAttributedString, which does that itself). One object is reused
// for many texts; not shared between threads.
class TextLayout final {
public:
    // Container sizes at or above this are unbounded (no wrapping, no height limit).
    static constexpr double kUnlimited = 1.0e7;

    TextLayout();
    ~TextLayout();
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    void setText(const AttributedString& text);
    const AttributedString& text() const { return text_; }
    void setContainerSize(const QSizeF& size);
    QSizeF containerSize() const { return container_; }

    // The lines that fit, their rectangles (x from the alignment, y downwards from
    // the container's top) and their union.
    int lineCount() const;
    std::vector<QRectF> lineRects() const;
    QRectF usedRect() const;
    // How many characters of the text the fitting lines hold.
    int characterCountThatFits() const;

    // Draws the fitting lines with the container's top left corner at `origin`.
    void draw(QPainter& painter, const QPointF& origin) const;
    void draw(Graphics& graphics, const QPointF& origin) const;

    // Boxed texts, as the popup and hover views write them: the text wrapped
    // to the width of `rect` (in a view whose y grows upwards), its first line
    // at the rectangle's top edge. `drawing` is told true while the glyphs are
    // drawn and false afterwards (those views answer flipped meanwhile). A
    // failure is logged ("ERROR: glyph drawing failed with exception ...") and
    // answered as false.
    bool drawBoxed(Graphics& graphics, const AttributedString& text, const QRectF& rect,
                   const std::function<void(bool drawing)>& drawing = {});
    // The rectangle the text takes wrapped in a container of `size`; an empty
    // one, logged ("ERROR: glyph rect estimation failed with exception ..."),
    // when the layout fails.
    QRectF requiredRect(const AttributedString& text, const QSizeF& size);

private:
    struct Line {
        int paragraph = 0;
        int lineIndex = 0;
        double y = 0;
        double height = 0;
        double x = 0;
        double width = 0;
        int characters = 0;
    };
    void layout(const QPaintDevice* device) const;

    AttributedString text_;
    QSizeF container_{kUnlimited, kUnlimited};
    mutable bool valid_ = false;
    mutable double laidOutDpi_ = 0;
    mutable std::vector<std::unique_ptr<QTextLayout>> paragraphs_;
    mutable std::vector<Line> lines_;
};

}  // namespace kit
