#include "platform/kit/Button.h"

#include "platform/kit/Image.h"
#include "platform/kit/MenuItem.h"

#include <QCheckBox>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>

#include <cmath>

namespace kit {

namespace {

// A checkbox whose click leads from the mixed state to on, never into it.
class MixedCheckBox final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
};

Qt::CheckState qtState(int state) {
    return state == Button::On      ? Qt::Checked
           : state == Button::Mixed ? Qt::PartiallyChecked
                                    : Qt::Unchecked;
}

QSize pointSize(const QImage& image) {
    const QSizeF s = Image::sizeInPoints(image);
    return QSize(int(std::lround(s.width())), int(std::lround(s.height())));
}

}  // namespace

Button::Button(const QRectF& frame, Type type) : Control(frame), type_(type) {
    QAbstractButton* b = nullptr;
    switch (type) {
        case Type::Push:
            b = new QPushButton;
            break;
        case Type::Checkbox:
            b = new MixedCheckBox;
            break;
        case Type::Disclosure: {
            // The arrow shows the state; the button itself never stays down.
            auto* t = new QToolButton;
            t->setAutoRaise(true);
            b = t;
            break;
        }
    }
    b->setFocusPolicy(Qt::TabFocus);
    connect(b, &QAbstractButton::clicked, this, [this] { clickedByUser(); });
    setHostedWidget(b);
    storeValue(int(Off));
    updateLook();
}

void Button::setTitle(const QString& title) {
    title_ = title;
    updateLook();
}

void Button::setImage(const QImage& image) {
    image_ = image;
    imageName_.clear();
    updateLook();
}

void Button::setImageNamed(const QString& name) {
    setImage(Image::named(name));
    imageName_ = name;
}

void Button::setDisabledImage(const QImage& image) {
    disabledImage_ = image;
    updateLook();
}

void Button::setBordered(bool bordered) {
    bordered_ = bordered;
    updateLook();
}

void Button::setTitleColor(const QColor& color) {
    titleColor_ = color;
    updateLook();
}

void Button::setTitleAlignment(TextAlignment alignment) {
    titleAlignment_ = alignment;
    updateLook();
}

void Button::setKeyEquivalent(const QString& key) {
    keyEquivalent_ = key;
    if (auto* b = qobject_cast<QAbstractButton*>(hostedWidget()))
        b->setShortcut(MenuItem::keySequenceFor(key, 0));
    if (auto* p = qobject_cast<QPushButton*>(hostedWidget())) p->setDefault(key == "\r");
}

void Button::setState(int state) {
    int s = state > 0 ? On : state < 0 ? Mixed : Off;
    if (s == Mixed && !allowsMixed_) s = On;
    state_ = s;
    storeValue(s);
    updateLook();
}

void Button::setAllowsMixedState(bool allows) {
    allowsMixed_ = allows;
    if (!allows && state_ == Mixed) setState(On);
}

void Button::performClick(QObject*) {
    if (!isEnabled()) return;
    if (auto* b = qobject_cast<QAbstractButton*>(hostedWidget())) b->click();
}

void Button::clickedByUser() {
    if (type_ != Type::Push) {
        // The widget has moved on already; take its state.
        int next = state_ == On ? Off : On;
        if (auto* c = qobject_cast<QCheckBox*>(hostedWidget()))
            next = c->checkState() == Qt::Checked ? On : Off;
        setState(next);
    }
    sendAction();
}

void Button::updateLook() {
    auto* b = qobject_cast<QAbstractButton*>(hostedWidget());
    if (!b) return;
    b->setText(type_ == Type::Disclosure ? QString() : title_);
    if (!image_.isNull()) {
        QIcon icon(QPixmap::fromImage(image_));
        if (!disabledImage_.isNull())
            icon.addPixmap(QPixmap::fromImage(disabledImage_), QIcon::Disabled);
        b->setIcon(icon);
        b->setIconSize(pointSize(image_));
    } else {
        b->setIcon(QIcon());
    }
    if (auto* p = qobject_cast<QPushButton*>(b)) {
        p->setFlat(!bordered_);
        // The style draws push button titles centred in its own colour; a
        // style sheet is the one way to change either.
        QString sheet;
        if (titleColor_)
            sheet += QStringLiteral("color: %1;").arg(titleColor_->name(QColor::HexArgb));
        if (titleAlignment_ == TextAlignment::Left || titleAlignment_ == TextAlignment::Right)
            sheet += titleAlignment_ == TextAlignment::Left ? QStringLiteral("text-align: left;")
                                                            : QStringLiteral("text-align: right;");
        if (!sheet.isEmpty() && !bordered_)
            sheet += QStringLiteral("border: none; background: transparent; padding: 0px 2px;");
        p->setStyleSheet(sheet.isEmpty() ? QString()
                                         : QStringLiteral("QPushButton { %1 }").arg(sheet));
    }
    if (auto* c = qobject_cast<QCheckBox*>(b)) {
        c->setTristate(allowsMixed_);
        c->setCheckState(qtState(state_));
    }
    if (auto* t = qobject_cast<QToolButton*>(b)) {
        t->setArrowType(state_ == On ? Qt::DownArrow : Qt::RightArrow);
    }
}

}  // namespace kit
