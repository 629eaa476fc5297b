#include "platform/kit/Box.h"

#include "platform/kit/Font.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/TextAttributes.h"

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

const Font& titleFont() {
    static const Font f = Font::systemFont(Font::smallSystemFontSize());
    return f;
}

constexpr double kInset = 6.0;  // between the border and the content

}  // namespace

Box::Box(const QRectF& frame, Type type) : View(frame), type_(type) {
    content_ = new View(QRectF());
    content_->setAutoresizingMask(NotSizable);  // laid out by the box
    addSubview(content_);
    layout();
}

void Box::setBoxType(Type type) {
    type_ = type;
    layout();
}

void Box::setTitle(const QString& title) {
    title_ = title;
    layout();
}

void Box::setBorderColor(const QColor& color) {
    border_ = color;
    setNeedsDisplay();
}

void Box::setFillColor(const QColor& color) {
    fill_ = color;
    setNeedsDisplay();
}

void Box::setBorderWidth(double width) {
    borderWidth_ = width < 0 ? 0 : width;
    layout();
}

void Box::setCornerRadius(double radius) {
    cornerRadius_ = radius < 0 ? 0 : radius;
    setNeedsDisplay();
}

double Box::titleHeight() const {
    if (title_.isEmpty() || type_ == Type::Separator) return 0.0;
    return std::ceil(titleFont().lineHeight()) + 2.0;
}

QRectF Box::borderRect() const {
    const QRectF b = bounds();
    if (type_ == Type::Separator) return QRectF(b.x(), midY(b) - 0.5, b.width(), 1.0);
    // The title sits above the border, at the top of the box.
    const double t = titleHeight();
    return isFlipped() ? QRectF(b.x(), b.y() + t, b.width(), std::max(0.0, b.height() - t))
                       : QRectF(b.x(), b.y(), b.width(), std::max(0.0, b.height() - t));
}

QRectF Box::contentRect() const {
    if (type_ == Type::Separator) return QRectF();
    const double inset = type_ == Type::Primary ? kInset : borderWidth_;
    const QRectF r = insetRect(borderRect(), inset, inset);
    return QRectF(r.topLeft(), QSizeF(std::max(0.0, r.width()), std::max(0.0, r.height())));
}

void Box::setFrame(const QRectF& frame) {
    View::setFrame(frame);
    layout();
}

void Box::layout() {
    if (!content_) return;
    content_->setHidden(type_ == Type::Separator);
    content_->setFrame(contentRect());
    setNeedsDisplay();
}

void Box::drawRect(Graphics& g, const QRectF&) {
    if (type_ == Type::Separator) {
        g.setFillColor(border_);
        g.fillRect(borderRect());
        return;
    }
    const QRectF r = borderRect();
    const double half = borderWidth_ / 2.0;
    const QRectF edge = insetRect(r, half, half);
    if (fill_.alpha() > 0) {
        g.setFillColor(fill_);
        g.fillRoundedRect(edge, cornerRadius_, cornerRadius_);
    }
    if (borderWidth_ > 0 && border_.alpha() > 0) {
        Path p = Path::roundedRect(edge, cornerRadius_, cornerRadius_);
        p.setLineWidth(borderWidth_);
        g.setStrokeColor(border_);
        g.stroke(p);
    }
    if (!title_.isEmpty()) {
        const TextAttributes attrs(titleFont(), QColor(0, 0, 0, 200));
        const double t = titleHeight();
        const QRectF titleRect = isFlipped() ? QRectF(r.x() + 4, 0, r.width() - 8, t)
                                             : QRectF(r.x() + 4, maxY(r), r.width() - 8, t);
        g.drawString(title_, titleRect, attrs);
    }
}

}  // namespace kit
