#include "platform/store/Libical.h"

#include <libical/ical.h>

namespace calstore::detail {

foundation::Lock& libicalLock() {
    static foundation::Lock lock;
    static const bool prepared = [] {
        foundation::Guard guard(lock);
        // A malformed file must come back as an error, never abort the program;
        // and the UTC zone is set up here, once, instead of lazily on some thread.
        icalerror_set_errors_are_fatal(0);
        icaltimezone_get_utc_timezone();
        return true;
    }();
    (void)prepared;
    return lock;
}

}  // namespace calstore::detail
