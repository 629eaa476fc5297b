#pragma once

#include "platform/foundation/Threads.h"

namespace calstore::detail {

// libical keeps process-wide state (its built-in zones, error settings); every
// use of it by the store runs under this one lock. Prepares libical on first use.
foundation::Lock& libicalLock();

}  // namespace calstore::detail
