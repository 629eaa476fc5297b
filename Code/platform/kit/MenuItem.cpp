#include "platform/kit/MenuItem.h"

#include "platform/foundation/Dispatch.h"
#include "platform/kit/Event.h"
#include "platform/kit/Image.h"
#include "platform/kit/Menu.h"
#include "platform/kit/Perform.h"

#include <QIcon>
#include <QKeySequence>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace kit {

namespace {

// Menu titles are plain text: an ampersand is not a mnemonic.
QString escaped(const QString& title) {
    QString t = title;
    return t.replace(u'&', QStringLiteral("&&"));
}

int qtKeyFor(QChar c) {
    switch (c.unicode()) {
        case KeyCharacters::Return:
        case KeyCharacters::Enter:
            return Qt::Key_Return;
        case KeyCharacters::Escape:
            return Qt::Key_Escape;
        case KeyCharacters::Delete:
        case 0x08:
            return Qt::Key_Backspace;
        case KeyCharacters::Tab:
            return Qt::Key_Tab;
        case KeyCharacters::UpArrow:
            return Qt::Key_Up;
        case KeyCharacters::DownArrow:
            return Qt::Key_Down;
        case KeyCharacters::LeftArrow:
            return Qt::Key_Left;
        case KeyCharacters::RightArrow:
            return Qt::Key_Right;
        case KeyCharacters::ForwardDelete:
            return Qt::Key_Delete;
        case KeyCharacters::Home:
            return Qt::Key_Home;
        case KeyCharacters::End:
            return Qt::Key_End;
        case KeyCharacters::PageUp:
            return Qt::Key_PageUp;
        case KeyCharacters::PageDown:
            return Qt::Key_PageDown;
        default:
            break;
    }
    if (c.unicode() >= KeyCharacters::F1 && c.unicode() < KeyCharacters::F1 + 35)
        return Qt::Key_F1 + (c.unicode() - KeyCharacters::F1);
    // Printable keys: Qt numbers them by their upper-case character.
    return c.toUpper().unicode();
}

// The check mark or dash of a state, in `rect`.
void drawStateMark(QPainter& p, const QRectF& r, int state, const QColor& color) {
    QPen pen(color, std::max(1.5, r.width() / 6.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (state == MenuItem::On) {
        QPainterPath path;
        path.moveTo(r.x() + r.width() * 0.15, r.y() + r.height() * 0.55);
        path.lineTo(r.x() + r.width() * 0.42, r.y() + r.height() * 0.82);
        path.lineTo(r.x() + r.width() * 0.88, r.y() + r.height() * 0.18);
        p.drawPath(path);
    } else {
        p.drawLine(QPointF(r.x() + r.width() * 0.2, r.center().y()),
                   QPointF(r.x() + r.width() * 0.8, r.center().y()));
    }
}

}  // namespace

MenuItem::MenuItem(const QString& title, const QByteArray& action, const QString& keyEquivalent)
    : keyMask_(ModifierFlags::Command) {
    action_.setName(action);
    setTitle(title);
    setIconVisibleInMenu(true);
    setKeyEquivalent(keyEquivalent);
    connect(this, &QAction::triggered, this, &MenuItem::triggeredByUser);
}

MenuItem::~MenuItem() {
    if (Menu* m = menu()) m->forgetItem(this);
    delete submenu_.data();
}

MenuItem* MenuItem::separatorItem() {
    auto* item = new MenuItem;
    item->setSeparator(true);
    return item;
}

Menu* MenuItem::menu() const {
    return menu_;
}

Menu* MenuItem::submenu() const {
    return submenu_;
}

void MenuItem::setTitle(const QString& title) {
    foundation::requireMainThread("MenuItem::setTitle");
    title_ = title;
    setText(escaped(title));
}

bool MenuItem::performAction() {
    Menu* m = menu();
    const bool enabled = m && !m->autoenablesItems() ? ownEnabled_ : validate();
    QAction::setEnabled(enabled);
    if (!enabled) return false;
    return action_.send(this);
}

void MenuItem::triggeredByUser() {
    performAction();
}

void MenuItem::setState(int state) {
    foundation::requireMainThread("MenuItem::setState");
    const int s = state > 0 ? On : state < 0 ? Mixed : Off;
    if (s == state_) return;
    state_ = s;
    updateIcon();
}

void MenuItem::setImage(const QImage& image) {
    foundation::requireMainThread("MenuItem::setImage");
    image_ = image;
    updateIcon();
}

void MenuItem::updateIcon() {
    if (image_.isNull() && state_ == Off) {
        setIcon(QIcon());
        return;
    }
    // The state is drawn where the image goes: a mark alone, or a badge in the
    // lower right corner of the image.
    const double side = 16, dpr = 2;
    QImage canvas(int(side * dpr), int(side * dpr), QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(dpr);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    if (!image_.isNull()) {
        const QSizeF s = Image::sizeInPoints(image_);
        const double k = std::min(side / s.width(), side / s.height());
        const QSizeF d(s.width() * k, s.height() * k);
        p.drawImage(QRectF(QPointF((side - d.width()) / 2, (side - d.height()) / 2), d), image_);
    }
    if (state_ != Off) {
        if (image_.isNull()) {
            drawStateMark(p, QRectF(2, 2, 12, 12), state_, QColor(30, 30, 30));
        } else {
            const QRectF badge(side - 10, side - 10, 10, 10);
            p.setPen(QPen(Qt::white, 1));
            p.setBrush(QColor(40, 40, 40));
            p.drawEllipse(badge);
            drawStateMark(p, badge.adjusted(2, 2, -2, -2), state_, Qt::white);
        }
    }
    p.end();
    setIcon(QIcon(QPixmap::fromImage(canvas)));
}

void MenuItem::setKeyEquivalent(const QString& key) {
    keyEquivalent_ = key;
    updateShortcut();
}

void MenuItem::setKeyEquivalentModifierMask(unsigned mask) {
    keyMask_ = mask;
    updateShortcut();
}

void MenuItem::updateShortcut() {
    setShortcut(keySequenceFor(keyEquivalent_, keyMask_));
}

QKeySequence MenuItem::keySequenceFor(const QString& key, unsigned modifierMask) {
    if (key.isEmpty()) return QKeySequence();
    const QChar c = key.at(0);
    unsigned flags = modifierMask;
    if (c.isLetter() && c.isUpper()) flags |= ModifierFlags::Shift;
    return QKeySequence(QKeyCombination(Event::qtModifiersFromFlags(flags), Qt::Key(qtKeyFor(c))));
}

void MenuItem::setEnabled(bool enabled) {
    foundation::requireMainThread("MenuItem::setEnabled");
    ownEnabled_ = enabled;
    QAction::setEnabled(enabled);
}

bool MenuItem::validate() const {
    if (isSeparator()) return false;
    if (action_.handler()) return true;
    if (action_.name().isEmpty()) return hasSubmenu() && ownEnabled_;
    const QByteArray name = action_.name();
    QObject* t = action_.resolvedTarget();
    if (!t || !respondsTo(t, name.constData())) return false;
    if (!respondsTo(t, "validateMenuItem")) return true;
    QVariant answer;
    auto* self = const_cast<MenuItem*>(this);
    if (!performWithArguments(t, "validateMenuItem", {QVariant::fromValue<QObject*>(self)},
                              &answer))
        return true;
    return answer.toBool();
}

void MenuItem::setSubmenu(Menu* submenu) {
    if (submenu == submenu_) return;
    Menu* old = submenu_;
    submenu_ = submenu;
    if (old) {
        old->superItem_ = nullptr;
        old->deleteLater();
    }
    if (submenu) {
        submenu->superItem_ = this;
        QAction::setMenu(static_cast<QMenu*>(submenu));
    } else {
        QAction::setMenu(static_cast<QMenu*>(nullptr));
    }
    if (Menu* m = menu()) emit m->itemsChanged();
}

}  // namespace kit
