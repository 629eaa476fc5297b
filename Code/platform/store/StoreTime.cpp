#include "platform/store/StoreTime.h"

#include "platform/foundation/UserCalendar.h"

namespace calstore {

QTimeZone storeTimeZone() {
    return foundation::UserCalendar::current().timeZone();
}

}  // namespace calstore
