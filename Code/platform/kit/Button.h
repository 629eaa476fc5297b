#pragma once

#include "platform/kit/Control.h"
#include "platform/kit/TextAttributes.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <optional>

namespace kit {

class Event;

// A button over the matching Qt button: a push button (with a title and an
// image, and a separate image while disabled), a checkbox, or a disclosure
// triangle. Checkboxes and disclosure buttons have a state: off, on, or mixed
// when the button allows it. A click moves the state on (mixed and off to on,
// on to off; the user never makes a mixed state, only code does) and then sends
// the action. The state is the button's object value. Main thread only.
class Button : public Control {
    Q_OBJECT

public:
    enum class Type { Push, Checkbox, Disclosure };
    enum State { Off = 0, On = 1, Mixed = -1 };

    explicit Button(const QRectF& frame = QRectF(), Type type = Type::Push);

    Type buttonType() const { return type_; }

    QString title() const { return title_; }
    void setTitle(const QString& title);
    QImage image() const { return image_; }
    void setImage(const QImage& image);
    // The image of that name from the resources; the name is kept.
    void setImageNamed(const QString& name);
    QString imageName() const { return imageName_; }
    // Shown instead of the image while the button is disabled.
    QImage disabledImage() const { return disabledImage_; }
    void setDisabledImage(const QImage& image);
    bool isBordered() const { return bordered_; }
    void setBordered(bool bordered);
    // A push button's title colour (none: the style's own) and alignment
    // (centred unless set), for titles that read as links.
    std::optional<QColor> titleColor() const { return titleColor_; }
    void setTitleColor(const QColor& color);
    TextAlignment titleAlignment() const { return titleAlignment_; }
    void setTitleAlignment(TextAlignment alignment);
    // The key that clicks the button while its window is key ("\r" for the
    // default button of a sheet, "\x1b" for its cancel button).
    QString keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(const QString& key);

    int state() const { return state_; }
    // Without mixed states allowed, mixed is taken as on.
    void setState(int state);
    bool allowsMixedState() const { return allowsMixed_; }
    void setAllowsMixedState(bool allows);
    void setObjectValue(const QVariant& value) override { setState(value.toInt()); }

    // What a click does (nothing while disabled).
    Q_INVOKABLE void performClick(QObject* sender = nullptr);

private:
    void clickedByUser();
    void updateLook();

    Type type_;
    QString title_;
    QImage image_, disabledImage_;
    QString imageName_;
    QString keyEquivalent_;
    bool bordered_ = true;
    std::optional<QColor> titleColor_;
    TextAlignment titleAlignment_ = TextAlignment::Center;
    int state_ = Off;
    bool allowsMixed_ = false;
};

}  // namespace kit
