#pragma once

#include "platform/kit/Control.h"
#include "platform/kit/Font.h"
#include "platform/kit/TextAttributes.h"

#include <QColor>
#include <QPointer>

class QLabel;
class QLineEdit;

namespace kit {

// A line of text: a label (not editable; a Qt label, wrapping when asked) or an
// editable field (a Qt line edit). While the user types, the delegate is told
// by name controlTextDidChange (with the field); when the user leaves the field
// or presses Return it is told controlTextDidEndEditing, and Return sends the
// action. The text is the field's object value. A secure field shows no text
// for what is typed (passwords); a search field may send its action with every
// change and show a button that clears it (which sends the action too). Main
// thread only.
class TextField : public Control {
    Q_OBJECT

public:
    explicit TextField(const QRectF& frame = QRectF());
    // A label: not editable, no border, no background.
    static TextField* labelWithString(const QString& text, const QRectF& frame = QRectF());

    void setObjectValue(const QVariant& value) override;

    bool isEditable() const { return editable_; }
    void setEditable(bool editable);
    bool isSelectable() const { return selectable_; }
    void setSelectable(bool selectable);
    bool isBezeled() const { return bezeled_; }
    void setBezeled(bool bezeled);
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool draws);
    QColor backgroundColor() const { return background_; }
    void setBackgroundColor(const QColor& color);
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color);
    TextAlignment alignment() const { return alignment_; }
    void setAlignment(TextAlignment alignment);
    Font textFont() const { return font_; }
    void setTextFont(const Font& font);
    // Whether a label breaks its text into lines at its width.
    bool wraps() const { return wraps_; }
    void setWraps(bool wraps);
    QString placeholderString() const { return placeholder_; }
    void setPlaceholderString(const QString& text);
    // Typed characters are not shown (each is a dot).
    bool isSecure() const { return secure_; }
    void setSecure(bool secure);
    // Search-field behaviour: the action is sent with every change the user
    // makes, not only on Return.
    bool sendsActionWhileTyping() const { return sendsWhileTyping_; }
    void setSendsActionWhileTyping(bool on) { sendsWhileTyping_ = on; }
    // A button inside the field that empties it and sends the action.
    bool showsClearButton() const { return clearButton_; }
    void setShowsClearButton(bool on);

    QObject* delegate() const { return delegate_; }
    void setDelegate(QObject* delegate) { delegate_ = delegate; }

    // Puts the keyboard into an editable field with all its text selected.
    void selectText();
    bool acceptsFirstResponder() override { return editable_; }

    QLabel* label() const;
    QLineEdit* lineEdit() const;

private:
    void rebuild();
    void restyle();

    bool editable_ = true;
    bool selectable_ = true;
    bool bezeled_ = true;
    bool drawsBackground_ = true;
    bool wraps_ = false;
    bool secure_ = false;
    bool sendsWhileTyping_ = false;
    bool clearButton_ = false;
    QColor background_ = QColor(255, 255, 255);
    QColor textColor_ = QColor(0, 0, 0);
    TextAlignment alignment_ = TextAlignment::Natural;
    Font font_;
    QString placeholder_;
    QPointer<QObject> delegate_;
    QPointer<QLabel> label_;
    QPointer<QLineEdit> edit_;
};

}  // namespace kit
