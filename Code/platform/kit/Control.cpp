#include "platform/kit/Control.h"

#include <QResizeEvent>

namespace kit {

Control::Control(const QRectF& frame) : View(frame) {}

bool Control::sendAction() {
    return action_.send(this);
}

bool Control::sendActionTo(const QByteArray& action, QObject* target) {
    return !action.isEmpty() && Action::sendAction(action.constData(), target, this);
}

void Control::setObjectValue(const QVariant& value) {
    value_ = value;
    setNeedsDisplay();
}

void Control::setHostedWidget(QWidget* widget) {
    if (widget == hosted_) return;
    if (hosted_) {
        // Later: the old widget may be the one whose signal is being handled.
        hosted_->hide();
        hosted_->deleteLater();
    }
    hosted_ = widget;
    if (!widget) return;
    widget->setParent(this);
    widget->setGeometry(rect());
    widget->show();
}

void Control::resizeEvent(QResizeEvent* event) {
    View::resizeEvent(event);
    if (hosted_) hosted_->setGeometry(rect());
}

}  // namespace kit
