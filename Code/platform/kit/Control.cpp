#include "platform/kit/Control.h"

#include "platform/foundation/Dispatch.h"
#include "platform/kit/Event.h"
#include "platform/kit/Window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>

namespace kit {

Control::Control(const QRectF& frame) : View(frame) {}

bool Control::sendAction() {
    return action_.send(this);
}

bool Control::sendActionTo(const QByteArray& action, QObject* target) {
    return !action.isEmpty() && Action::sendAction(action.constData(), target, this);
}

void Control::setObjectValue(const QVariant& value) {
    foundation::requireMainThread("Control::setObjectValue");
    value_ = value;
    setNeedsDisplay();
}

void Control::setHostedWidget(QWidget* widget) {
    if (widget == hosted_) return;
    if (hosted_) {
        // Later: the old widget may be the one whose signal is being handled.
        hosted_->removeEventFilter(this);
        hosted_->hide();
        hosted_->deleteLater();
    }
    hosted_ = widget;
    setFocusProxy(widget);
    if (!widget) return;
    widget->setParent(this);
    widget->setGeometry(rect());
    widget->installEventFilter(this);
    widget->show();
}

void Control::resizeEvent(QResizeEvent* event) {
    View::resizeEvent(event);
    if (hosted_) hosted_->setGeometry(rect());
}

bool Control::eventFilter(QObject* watched, QEvent* event) {
    // The widget took the keyboard (a click, Tab): the control is the window's
    // first responder from now on.
    if (watched == hosted_ && event->type() == QEvent::FocusIn) {
        Window* w = window();
        if (w && w->firstResponder() != this) w->makeFirstResponder(this);
    }
    return View::eventFilter(watched, event);
}

bool Control::event(QEvent* event) {
    if (!Event::isUserInput(event)) return View::event(event);
    if (forwarding_) {
        // The hosted widget left a kit event we handed it: it goes back to the
        // kit's chain from forwardToHost, not through Qt's parents.
        hostIgnored_ = true;
        event->accept();
        return true;
    }
    const bool was = fromQt_;
    fromQt_ = true;
    const bool handled = View::event(event);
    fromQt_ = was;
    return handled;
}

bool Control::forwardToHost(const Event& e) {
    QWidget* host = hosted_;
    if (!host || fromQt_ || forwarding_) return false;
    // A disabled control takes the user's clicks and keys without acting.
    if (!isEnabled()) return true;
    std::unique_ptr<QEvent> qe;
    const QPointF own = convertPointFromView(e.locationInWindow(), nullptr);
    const QPointF local = widgetTransform().map(own) - QPointF(host->pos());
    const QPointF scene = host->mapTo(host->window(), local);
    const QPointF global = host->mapToGlobal(local);
    const Qt::KeyboardModifiers mods = Event::qtModifiersFromFlags(e.modifierFlags());
    switch (e.type()) {
        case EventType::LeftMouseDown:
            qe = std::make_unique<QMouseEvent>(
                e.clickCount() >= 2 ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress, local,
                scene, global, Qt::LeftButton, Qt::LeftButton, mods);
            break;
        case EventType::LeftMouseDragged:
            qe = std::make_unique<QMouseEvent>(QEvent::MouseMove, local, scene, global,
                                               Qt::NoButton, Qt::LeftButton, mods);
            break;
        case EventType::LeftMouseUp:
            qe = std::make_unique<QMouseEvent>(QEvent::MouseButtonRelease, local, scene, global,
                                               Qt::LeftButton, Qt::NoButton, mods);
            break;
        case EventType::ScrollWheel: {
            const bool precise = e.hasPreciseScrollingDeltas();
            const QPoint pixels = precise ? QPoint(int(e.deltaX()), int(e.deltaY())) : QPoint();
            const QPoint angle(int(e.deltaX() * (precise ? 1 : 120)),
                               int(e.deltaY() * (precise ? 1 : 120)));
            qe = std::make_unique<QWheelEvent>(local, global, pixels, angle, Qt::NoButton, mods,
                                               Qt::NoScrollPhase, false);
            break;
        }
        case EventType::KeyDown:
        case EventType::KeyUp:
            qe = e.toQtKeyEvent();
            break;
        default:
            return false;
    }
    if (!qe) return false;
    QPointer<Control> alive(this);
    forwarding_ = true;
    hostIgnored_ = false;
    QApplication::sendEvent(host, qe.get());
    if (!alive) return true;
    forwarding_ = false;
    return qe->isAccepted() && !hostIgnored_;
}

void Control::mouseDown(const Event& event) {
    if (!forwardToHost(event)) View::mouseDown(event);
}

void Control::mouseDragged(const Event& event) {
    if (!forwardToHost(event)) View::mouseDragged(event);
}

void Control::mouseUp(const Event& event) {
    if (!forwardToHost(event)) View::mouseUp(event);
}

void Control::keyDown(const Event& event) {
    if (!forwardToHost(event)) View::keyDown(event);
}

void Control::keyUp(const Event& event) {
    if (!forwardToHost(event)) View::keyUp(event);
}

void Control::scrollWheel(const Event& event) {
    if (!forwardToHost(event)) View::scrollWheel(event);
}

}  // namespace kit
