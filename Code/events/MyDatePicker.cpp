#include "events/MyDatePicker.h"

#include "platform/kit/Perform.h"

MyDatePicker::MyDatePicker(const QRectF& frame, Style style, Elements elements)
    : kit::DatePicker(frame, style, elements) {}

bool MyDatePicker::becomeFirstResponder() {
    if (!kit::DatePicker::becomeFirstResponder()) return false;
    if (controller_) kit::perform(controller_, "timePickerGotFocus", static_cast<QObject*>(this));
    return true;
}
