#include "platform/kit/TextField.h"

#include "platform/foundation/Dispatch.h"
#include "platform/kit/Action.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>

namespace kit {

TextField::TextField(const QRectF& frame) : Control(frame) {
    storeValue(QString());
    rebuild();
}

TextField* TextField::labelWithString(const QString& text, const QRectF& frame) {
    auto* field = new TextField(frame);
    field->editable_ = false;
    field->selectable_ = false;
    field->bezeled_ = false;
    field->drawsBackground_ = false;
    field->rebuild();
    field->setStringValue(text);
    return field;
}

void TextField::setObjectValue(const QVariant& value) {
    foundation::requireMainThread("TextField::setObjectValue");
    const QString text = value.toString();
    storeValue(text);
    if (edit_ && edit_->text() != text) edit_->setText(text);
    if (label_) label_->setText(text);
}

void TextField::setEditable(bool editable) {
    if (editable == editable_) return;
    editable_ = editable;
    rebuild();
}

void TextField::setSelectable(bool selectable) {
    selectable_ = selectable;
    restyle();
}

void TextField::setBezeled(bool bezeled) {
    bezeled_ = bezeled;
    restyle();
}

void TextField::setDrawsBackground(bool draws) {
    drawsBackground_ = draws;
    restyle();
}

void TextField::setBackgroundColor(const QColor& color) {
    background_ = color;
    restyle();
}

void TextField::setTextColor(const QColor& color) {
    textColor_ = color;
    restyle();
}

void TextField::setAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    restyle();
}

void TextField::setTextFont(const Font& font) {
    font_ = font;
    restyle();
}

void TextField::setWraps(bool wraps) {
    wraps_ = wraps;
    restyle();
}

void TextField::setPlaceholderString(const QString& text) {
    placeholder_ = text;
    restyle();
}

void TextField::setSecure(bool secure) {
    secure_ = secure;
    restyle();
}

void TextField::setShowsClearButton(bool on) {
    clearButton_ = on;
    restyle();
}

QLabel* TextField::label() const {
    return label_;
}

QLineEdit* TextField::lineEdit() const {
    return edit_;
}

void TextField::selectText() {
    if (!edit_) return;
    edit_->setFocus(Qt::OtherFocusReason);
    edit_->selectAll();
}

void TextField::rebuild() {
    if (editable_) {
        auto* e = new QLineEdit;
        edit_ = e;
        label_ = nullptr;
        e->setText(stringValue());
        connect(e, &QLineEdit::textEdited, this, [this](const QString& text) {
            storeValue(text);
            QPointer<TextField> alive(this);
            if (delegate_) Action::performWithSender(delegate_, "controlTextDidChange", this);
            // The clear button empties the field as an edit.
            if (alive && (sendsWhileTyping_ || (clearButton_ && text.isEmpty()))) sendAction();
        });
        connect(e, &QLineEdit::editingFinished, this, [this] {
            if (delegate_) Action::performWithSender(delegate_, "controlTextDidEndEditing", this);
        });
        connect(e, &QLineEdit::returnPressed, this, [this] { sendAction(); });
        setHostedWidget(e);
    } else {
        auto* l = new QLabel;
        label_ = l;
        edit_ = nullptr;
        l->setText(stringValue());
        l->setTextFormat(Qt::PlainText);
        setHostedWidget(l);
    }
    restyle();
}

void TextField::restyle() {
    QWidget* w = hostedWidget();
    if (!w) return;
    w->setFont(font_.qfont(w));
    QPalette pal = w->palette();
    pal.setColor(QPalette::Text, textColor_);
    pal.setColor(QPalette::WindowText, textColor_);
    pal.setColor(QPalette::Base, drawsBackground_ ? background_ : QColor(Qt::transparent));
    pal.setColor(QPalette::Window, background_);
    w->setPalette(pal);
    if (edit_) {
        edit_->setFrame(bezeled_);
        edit_->setAlignment(qtAlignment(alignment_) | Qt::AlignVCenter);
        edit_->setPlaceholderText(placeholder_);
        edit_->setEchoMode(secure_ ? QLineEdit::Password : QLineEdit::Normal);
        edit_->setClearButtonEnabled(clearButton_);
    }
    if (label_) {
        label_->setAutoFillBackground(drawsBackground_);
        label_->setWordWrap(wraps_);
        label_->setAlignment(qtAlignment(alignment_) | (wraps_ ? Qt::AlignTop : Qt::AlignVCenter));
        label_->setTextInteractionFlags(selectable_ ? Qt::TextSelectableByMouse
                                                    : Qt::NoTextInteraction);
        label_->setFrameShape(bezeled_ ? QFrame::StyledPanel : QFrame::NoFrame);
    }
}

}  // namespace kit
