#include "events/MyDatePicker.h"

#include "platform/kit/Perform.h"

MyDatePicker::MyDatePicker(const QRectF& frame, Style style, Elements elements)
    : kit::DatePicker(frame, style, elements) {}

bool MyDatePicker::becomeFirstResponder() {
    // The controller hears of the focus first, then the picker takes it.
    if (controller_) kit::perform(controller_, "timePickerGotFocus", static_cast<QObject*>(this));
    return kit::DatePicker::becomeFirstResponder();
}
