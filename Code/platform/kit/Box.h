#pragma once

#include "platform/kit/View.h"

#include <QColor>
#include <QString>

namespace kit {

// A box around a group of views: a frame with an optional title above it, or a
// plain filled and bordered rectangle, or a separator line. Its subviews go into
// its content view, which fills the inside. Main thread only.
class Box : public View {
    Q_OBJECT

public:
    enum class Type { Primary, Custom, Separator };

    explicit Box(const QRectF& frame = QRectF(), Type type = Type::Primary);

    Type boxType() const { return type_; }
    void setBoxType(Type type);
    QString title() const { return title_; }
    // An empty title shows none.
    void setTitle(const QString& title);
    QColor borderColor() const { return border_; }
    void setBorderColor(const QColor& color);
    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor& color);
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);

    View* contentView() const { return content_; }
    // The rectangle the border runs along, and the one the content view fills.
    QRectF borderRect() const;
    QRectF contentRect() const;

    void setFrame(const QRectF& frame) override;
    void drawRect(Graphics& graphics, const QRectF& dirtyRect) override;

private:
    void layout();
    double titleHeight() const;

    Type type_;
    QString title_;
    QColor border_ = QColor(0, 0, 0, 56);
    QColor fill_ = QColor(0, 0, 0, 14);
    double borderWidth_ = 1.0;
    double cornerRadius_ = 5.0;
    View* content_ = nullptr;
};

}  // namespace kit
