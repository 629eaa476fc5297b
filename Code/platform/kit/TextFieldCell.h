#pragma once

#include "platform/kit/Cell.h"
#include "platform/kit/TextAttributes.h"

#include <QColor>

namespace kit {

// A cell that shows one line of text: a plain text value in the cell's font and
// colour, or an AttributedString value with its own attributes; cut off at the
// cell's right edge. A highlighted cell (the selected row) draws plain text in
// white. The standard data cell of tables and outlines; editable by default.
class TextFieldCell : public Cell {
public:
    TextFieldCell();

    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& c) { textColor_ = c; }
    TextAlignment alignment() const { return alignment_; }
    void setAlignment(TextAlignment a) { alignment_ = a; }

    // The text as the value gives it (the string of an attributed value).
    QString text() const;

    void drawInteriorWithFrame(Graphics& graphics, const QRectF& frame, View* controlView) override;
    QRectF drawingRectForBounds(const QRectF& bounds) const override;
    QSizeF cellSize() const override;

private:
    QColor textColor_ = QColor(0, 0, 0);
    TextAlignment alignment_ = TextAlignment::Natural;
};

}  // namespace kit
