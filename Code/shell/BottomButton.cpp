#include "shell/BottomButton.h"

#include "platform/kit/Image.h"

BottomButton::BottomButton(const QRectF& frame) : kit::Button(frame, Type::Push) {
    setBordered(false);
}

void BottomButton::setImageNamed(const QString& name) {
    kit::Button::setImageNamed(name);
    setDisabledImage(kit::Image::named(disabledImageNameFor(name)));
}

QString BottomButton::disabledImageNameFor(const QString& name) {
    return QStringLiteral("%1_Disabled").arg(name);
}
