#pragma once

#include "platform/kit/DatePicker.h"

#include <QPointer>

// A time field of the event editor: a date picker that tells its controller
// when it takes the keyboard focus (timePickerGotFocus, by name), so that the
// editor's clock can show the time being edited.
class MyDatePicker final : public kit::DatePicker {
    Q_OBJECT

public:
    explicit MyDatePicker(const QRectF& frame = QRectF(), Style style = Style::TextField,
                          Elements elements = Elements::Time);
    QObject* controller() const { return controller_; }
    void setController(QObject* controller) { controller_ = controller; }
    bool becomeFirstResponder() override;

private:
    QPointer<QObject> controller_;
};
